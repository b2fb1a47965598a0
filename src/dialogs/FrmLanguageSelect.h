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

    // Each control keeps its designed name (Label1, Option1, Option2, Command1) as its objectName.
    QLabel *promptLabel;
    QRadioButton *englishOption;
    QRadioButton *systemLanguageOption;
    QPushButton *okButton;

    void Command1_Click();

protected:
    // OK, the close box and Escape all end here.
    void done(int result) override;

private:
    std::function<void()> m_onClosed;
    bool m_closed = false;
};

void SetCaptionsFrmLanguageSelect(FrmLanguageSelect &window);
