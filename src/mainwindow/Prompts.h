#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QMessageBox;
class QWidget;

// Message boxes and the Save As dialog go through this seam, so tests can answer them.
namespace prompts {

enum class Icon { None, Exclamation, Critical, Information };
// YesNoOnly: a question that cannot be cancelled (Escape and the close box do nothing).
enum class Buttons { Ok, YesNo, OkCancel, RetryCancel, YesNoOnly };
enum class Answer { Ok, Cancel, Yes, No, Retry };

struct SaveRequest {
    QString initialFolder;   // DefaultFolder
    QStringList filters;     // Qt filter strings, in order ("All Files (*)", "CSV FILE (*.csv)")
    int filterIndex = 1;     // 0-based index of the preselected filter
    bool overwritePrompt = true;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // title empty = the platform's default title (the application name).
    virtual Answer message(QWidget *parent, const QString &text, const QString &title, Buttons buttons,
                           Icon icon) = 0;
    // The chosen file name, or nothing when the user cancelled.
    virtual std::optional<QString> saveFileName(QWidget *parent, const SaveRequest &request) = 0;
    // An existing file to read (the request's overwrite prompt is not used); nothing when cancelled.
    virtual std::optional<QString> openFileName(QWidget *, const SaveRequest &) { return std::nullopt; }
};

// The message box the real prompter shows, before it is shown.
std::unique_ptr<QMessageBox> messageBox(QWidget *parent, const QString &text, const QString &title, Buttons buttons,
                                        Icon icon);

// The prompter in use: real Qt dialogs unless a test installed its own.
Prompter &current();
// Install a prompter (nullptr restores the real dialogs). Not owned.
void install(Prompter *prompter);

// Shorthands.
Answer message(QWidget *parent, const QString &text, const QString &title, Buttons buttons = Buttons::Ok,
               Icon icon = Icon::None);
std::optional<QString> saveFileName(QWidget *parent, const SaveRequest &request);
std::optional<QString> openFileName(QWidget *parent, const SaveRequest &request);

// The Save As request of the program's two save paths: DefaultFolder, "All Files (*)" ("*.*" on
// Windows) then "CSV FILE (*.csv)" with the CSV filter preselected, overwrite prompt on.
SaveRequest csvSaveRequest(const QString &defaultFolder);

} // namespace prompts
