#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "mainwindow/Prompts.h"

// Answers message boxes and Save As dialogs from a script, and records what was asked.
// Installed for its lifetime.
class ScriptedPrompts : public prompts::Prompter {
public:
    struct Message {
        QString text;
        QString title;
        prompts::Buttons buttons;
        prompts::Icon icon;
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;

    // Queue answers; when the queue is empty a message gets its "do nothing" answer (Ok / No /
    // Cancel) and a Save As is cancelled.
    void queueAnswer(prompts::Answer answer) { answers << answer; }
    void queueSaveName(const std::optional<QString> &name) { saveNames << name; }

    QList<Message> messages;
    QList<prompts::SaveRequest> saveRequests;
    QList<prompts::Answer> answers;
    QList<std::optional<QString>> saveNames;

    QStringList texts() const;

    prompts::Answer message(QWidget *parent, const QString &text, const QString &title, prompts::Buttons buttons,
                            prompts::Icon icon) override;
    std::optional<QString> saveFileName(QWidget *parent, const prompts::SaveRequest &request) override;
    // Open requests take the same queue of names.
    std::optional<QString> openFileName(QWidget *parent, const prompts::SaveRequest &request) override
    {
        return saveFileName(parent, request);
    }
};
