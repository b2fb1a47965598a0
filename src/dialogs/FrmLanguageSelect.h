#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QRadioButton;

// First start on a Japanese or Chinese system: English or the system's language.
class FrmLanguageSelect : public QDialog {
    Q_OBJECT
public:
    // onClosed runs whenever the window closes (OK or close box): it opens the main window.
    explicit FrmLanguageSelect(std::function<void()> onClosed);

    QLabel *Label1;
    QRadioButton *Option1;  // English
    QRadioButton *Option2;  // the system's language
    QPushButton *Command1;  // OK

    void Command1_Click();

protected:
    // OK, the close box and Escape all end here.
    void done(int result) override;

private:
    std::function<void()> m_onClosed;
    bool m_closed = false;
};

void SetCaptionsFrmLanguageSelect(FrmLanguageSelect &window);
