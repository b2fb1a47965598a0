#include "dialogs/FrmHelp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/DialogCommon.h"
#include "dialogs/DialogRules.h"
#include "mainwindow/Prompts.h"

using dialogs::named;

namespace {
QPixmap programIcon(int size) { return QIcon(QStringLiteral(":/telvaro.png")).pixmap(size, size); }
} // namespace

// ---- drag source and drop areas ------------------------------------------------------------

PictureSource::PictureSource(QWidget *parent) : QLabel(parent) { setCursor(Qt::OpenHandCursor); }

QString PictureSource::mimeType() { return QStringLiteral("application/x-telvaro-picture"); }

void PictureSource::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressAt = event->position().toPoint();
    QLabel::mousePressEvent(event);
}

void PictureSource::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - m_pressAt).manhattanLength() < QApplication::startDragDistance())
        return;
    const QPixmap picture = pixmap();
    auto *mime = new QMimeData;
    mime->setData(mimeType(), QByteArray("picIcon"));
    mime->setImageData(picture.toImage());
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(picture);
    drag->setHotSpot(QPoint(picture.width() / 2, picture.height() / 2));
    drag->exec(Qt::CopyAction);
}

PictureDropArea::PictureDropArea(QWidget *parent) : QLabel(parent)
{
    setAcceptDrops(true);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAlignment(Qt::AlignCenter);
    setFixedSize(40, 40);
}

void PictureDropArea::dragEnterEvent(QDragEnterEvent *event)
{
    // Only a picture box may be dropped here; anything else is refused.
    if (event->mimeData()->hasFormat(PictureSource::mimeType()))
        event->acceptProposedAction();
}

void PictureDropArea::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasFormat(PictureSource::mimeType()))
        event->acceptProposedAction();
}

void PictureDropArea::dropEvent(QDropEvent *event)
{
    const QMimeData *mime = event->mimeData();
    if (!mime->hasFormat(PictureSource::mimeType()))
        return;
    QPixmap picture;
    if (mime->hasImage())
        picture = QPixmap::fromImage(qvariant_cast<QImage>(mime->imageData()));
    event->acceptProposedAction();
    emit pictureDropped(picture);
}

// ---- notice label ------------------------------------------------------------------------------

QString NoticeLabel::shownText() const
{
    QString shown = text();
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

int NoticeLabel::heightForWidth(int width) const
{
    const QMargins m = contentsMargins();
    const QRect r = fontMetrics().boundingRect(QRect(0, 0, qMax(1, width - m.left() - m.right()), 100000),
                                               Qt::TextWordWrap, shownText());
    return r.height() + m.top() + m.bottom();
}

QSize NoticeLabel::sizeHint() const
{
    const int width = qMax(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40, 200);
    return QSize(width, heightForWidth(width));
}

QSize NoticeLabel::minimumSizeHint() const
{
    const int width = fontMetrics().horizontalAdvance(QLatin1Char('x')) * 20;
    return QSize(width, heightForWidth(width));
}

void NoticeLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, shownText());
}

// ---- About box ---------------------------------------------------------------------------------

FrmHelp::FrmHelp()
{
    setObjectName(QStringLiteral("FrmHelp"));
    ensureResources();

    picIcon = named(new PictureSource(this), "picIcon");
    picIcon->setAccessibleName(QStringLiteral("Program icon"));
    lblTitle = named(new QLabel(this), "lblTitle");
    lblVersion = named(new QLabel(this), "lblVersion");
    lblDescription = named(new NoticeLabel(this), "lblDescription");
    lblDisclaimer = named(new QLabel(this), "lblDisclaimer");
    lblDisclaimer->setWordWrap(true);
    cmdOK = named(new QPushButton(this), "cmdOK");
    cmdOK->setDefault(true);
    cmdSysInfo = named(new QPushButton(this), "cmdSysInfo");
    firstDropArea = named(new PictureDropArea(this), "Picture1");
    firstDropArea->setAccessibleName(QStringLiteral("Picture drop area 1"));
    secondDropArea = named(new PictureDropArea(this), "Picture2");
    secondDropArea->setAccessibleName(QStringLiteral("Picture drop area 2"));

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto *text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addWidget(lblDescription);
    text->addStretch(1);
    auto *top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(firstDropArea, 0, Qt::AlignBottom);
    bottom->addWidget(secondDropArea, 0, Qt::AlignBottom);
    bottom->addSpacing(12);
    bottom->addWidget(lblDisclaimer, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    bottom->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(line);
    layout->addLayout(bottom);
    setMinimumWidth(420);

    connect(cmdOK, &QPushButton::clicked, this, &FrmHelp::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &FrmHelp::cmdSysInfo_Click);
    connect(firstDropArea, &PictureDropArea::pictureDropped, this, &FrmHelp::Picture1_DragDrop);
    connect(secondDropArea, &PictureDropArea::pictureDropped, this, [this] { Picture2_DragDrop(); });

    Form_Load();
}

void FrmHelp::Form_Load()
{
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));
    picIcon->setPixmap(programIcon(32));
    SetCaptionsFrmHelp(*this);
    m_dropFlag = 0;
}

void FrmHelp::cmdOK_Click() { close(); }

void FrmHelp::reject() { close(); }

void FrmHelp::closeEvent(QCloseEvent *event) { event->accept(); }

void FrmHelp::cmdSysInfo_Click() { StartSysInfo(); }

void FrmHelp::StartSysInfo()
{
    const QString program = dialogrules::findSystemInfoProgram();
    if (!program.isEmpty() && QProcess::startDetached(program, {}))
        return;
    // This message is fixed; it does not follow the language of the texts.
    prompts::message(this, QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"), QString(), prompts::Buttons::Ok,
                     prompts::Icon::None);
}

void FrmHelp::Picture1_DragDrop(const QPixmap &picture)
{
    firstDropArea->setPixmap(picture.isNull() ? programIcon(32) : picture);
    m_dropFlag = 1;
}

void FrmHelp::Picture2_DragDrop()
{
    if (m_dropFlag == 1) {
        firstDropArea->clear();
        m_dropFlag = 0;
        if (!m_credits) {
            auto *credits = new FrmSecretform(this);
            credits->setAttribute(Qt::WA_DeleteOnClose);
            m_credits = credits;
        }
        m_credits->show();
        m_credits->raise();
        return;
    }
    // Without the first drop nothing opens; firstDropArea keeps its picture.
    m_dropFlag = 0;
}

// ---- credits -----------------------------------------------------------------------------------

FrmSecretform::FrmSecretform(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmSecretform"));
    setWindowTitle(QStringLiteral("Telvaro Monitor Software"));
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));
    creditsLabel = named(new QLabel(this), "Label1");
    creditsLabel->setAlignment(Qt::AlignCenter);
    creditsLabel->setText(QStringLiteral("Telvaro Monitor Software\n\n"
                                   "Made by the Telvaro instrument software team\n"
                                   "with thanks to everyone who measured, tested and reported.\n\n"
                                   "Built with Qt."));
    okButton = named(new QPushButton(QStringLiteral("OK"), this), "Command1");
    okButton->setDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(creditsLabel);
    layout->addWidget(okButton, 0, Qt::AlignCenter);
    connect(okButton, &QPushButton::clicked, this, &QWidget::close);
}
