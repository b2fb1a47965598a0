#pragma once

#include <QDialog>
#include <QLabel>
#include <QPointer>

class QPushButton;
class FrmSecretform;

// The program icon of the About box: it can be dragged onto the two small drop areas.
class PictureSource : public QLabel {
    Q_OBJECT
public:
    explicit PictureSource(QWidget *parent = nullptr);
    // Mime type of a dragged picture box.
    static QString mimeType();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPoint m_pressAt;
};

// A small drop area that takes only dragged picture boxes.
class PictureDropArea : public QLabel {
    Q_OBJECT
public:
    explicit PictureDropArea(QWidget *parent = nullptr);

signals:
    void pictureDropped(const QPixmap &picture);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

// A label whose caption may carry carriage returns: each one starts a new line on screen,
// while the caption itself stays as it was given.
class NoticeLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString shownText() const;
};

// About box: title, version, legal notice, warning text, OK and the system-information button.
class FrmHelp : public QDialog {
    Q_OBJECT
public:
    FrmHelp();

    PictureSource *picIcon;
    QLabel *lblTitle;
    QLabel *lblVersion;
    NoticeLabel *lblDescription;
    QLabel *lblDisclaimer;
    QPushButton *cmdOK;
    QPushButton *cmdSysInfo;
    PictureDropArea *firstDropArea;
    PictureDropArea *secondDropArea;

    // 1 after a picture was dropped on firstDropArea.
    qint16 dropFlag() const { return m_dropFlag; }
    // The credits window, while it is open.
    FrmSecretform *credits() const { return m_credits; }

    void cmdOK_Click();
    void cmdSysInfo_Click();
    // Start the desktop's system-information program, or say that there is none.
    void StartSysInfo();
    void Picture1_DragDrop(const QPixmap &picture);
    void Picture2_DragDrop();

    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();

    qint16 m_dropFlag = 0;
    QPointer<FrmSecretform> m_credits;
};

// The credits window the About box can open.
class FrmSecretform : public QDialog {
    Q_OBJECT
public:
    explicit FrmSecretform(QWidget *parent = nullptr);
    QLabel *creditsLabel;
    QPushButton *okButton;
};

// Captions and fonts of the About box.
void SetCaptionsFrmHelp(FrmHelp &window);
