#include "mainwindow/Prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

#include <QKeyEvent>

#include "i18n/Texts.h"

namespace prompts {

namespace {

// A question only Yes or No may answer: Escape and the close box do nothing.
class AnswerRequired : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace


std::unique_ptr<QMessageBox> messageBox(QWidget *parent, const QString &text, const QString &title, Buttons buttons,
                                        Icon icon)
{
    auto box = std::make_unique<QMessageBox>(parent);
    // A CR alone starts a new line in our texts (text 154 puts the folder on its own line);
    // Qt would draw it as a blank.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box->setText(shown);
    box->setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
    switch (icon) {
    case Icon::None: box->setIcon(QMessageBox::NoIcon); break;
    case Icon::Exclamation: box->setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box->setIcon(QMessageBox::Critical); break;
    case Icon::Information: box->setIcon(QMessageBox::Information); break;
    }
    switch (buttons) {
    case Buttons::Ok: box->setStandardButtons(QMessageBox::Ok); break;
    case Buttons::YesNo: box->setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoOnly:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->installEventFilter(new AnswerRequired(box.get()));
        break;
    case Buttons::OkCancel: box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::RetryCancel: box->setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    }
    box->setAccessibleName(box->windowTitle());
    box->setAccessibleDescription(shown);
    return box;
}

namespace {

class QtPrompter : public Prompter {
public:
    Answer message(QWidget *parent, const QString &text, const QString &title, Buttons buttons, Icon icon) override
    {
        const std::unique_ptr<QMessageBox> box = messageBox(parent, text, title, buttons, icon);
        switch (box->exec()) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Retry: return Answer::Retry;
        case QMessageBox::Cancel: return Answer::Cancel;
        case QMessageBox::Ok: return Answer::Ok;
        default:
            // Escape or the close box: the answer that does nothing.
            if (buttons == Buttons::YesNo || buttons == Buttons::YesNoOnly)
                return Answer::No;
            return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
        }
    }

    std::optional<QString> saveFileName(QWidget *parent, const SaveRequest &request) override
    {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
        // No default suffix: a name typed without ".csv" is used as typed.
        return chosenFile(dialog, request);
    }

    std::optional<QString> openFileName(QWidget *parent, const SaveRequest &request) override
    {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return chosenFile(dialog, request);
    }

private:
    // The request's filters and folder, then the dialog; nothing when the user cancelled.
    static std::optional<QString> chosenFile(QFileDialog &dialog, const SaveRequest &request)
    {
        dialog.setNameFilters(request.filters);
        if (request.filterIndex >= 0 && request.filterIndex < request.filters.size())
            dialog.selectNameFilter(request.filters.at(request.filterIndex));
        if (QDir(request.initialFolder).exists())
            dialog.setDirectory(request.initialFolder);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }
};

QtPrompter &qtPrompter()
{
    static QtPrompter instance;
    return instance;
}

Prompter *installed = nullptr;

} // namespace

Prompter &current() { return installed ? *installed : qtPrompter(); }
void install(Prompter *prompter) { installed = prompter; }

Answer message(QWidget *parent, const QString &text, const QString &title, Buttons buttons, Icon icon)
{
    return current().message(parent, text, title, buttons, icon);
}

std::optional<QString> saveFileName(QWidget *parent, const SaveRequest &request)
{
    return current().saveFileName(parent, request);
}

std::optional<QString> openFileName(QWidget *parent, const SaveRequest &request)
{
    return current().openFileName(parent, request);
}

SaveRequest csvSaveRequest(const QString &defaultFolder)
{
    SaveRequest request;
    request.initialFolder = defaultFolder;
#ifdef Q_OS_WIN
    const QString everyFile = QStringLiteral(" (*.*)");
#else
    // "*.*" would hide the files without a dot, which a name typed without ".csv" makes.
    const QString everyFile = QStringLiteral(" (*)");
#endif
    // Qt's own dialog matches the pattern without regard to case, so ".CSV" files show too.
    request.filters = {LoadResString(166) + everyFile, QStringLiteral("CSV FILE (*.csv)")};
    request.filterIndex = 1;
    request.overwritePrompt = true;
    return request;
}

} // namespace prompts
