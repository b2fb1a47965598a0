#include "support/ScriptedPrompts.h"

ScriptedPrompts::ScriptedPrompts() { prompts::install(this); }
ScriptedPrompts::~ScriptedPrompts() { prompts::install(nullptr); }

QStringList ScriptedPrompts::texts() const
{
    QStringList list;
    for (const Message &m : messages)
        list << m.text;
    return list;
}

prompts::Answer ScriptedPrompts::message(QWidget *, const QString &text, const QString &title,
                                         prompts::Buttons buttons, prompts::Icon icon)
{
    messages << Message{text, title, buttons, icon};
    if (!answers.isEmpty())
        return answers.takeFirst();
    switch (buttons) {
    case prompts::Buttons::Ok: return prompts::Answer::Ok;
    case prompts::Buttons::YesNo: return prompts::Answer::No;
    default: return prompts::Answer::Cancel;
    }
}

std::optional<QString> ScriptedPrompts::saveFileName(QWidget *, const prompts::SaveRequest &request)
{
    saveRequests << request;
    if (!saveNames.isEmpty())
        return saveNames.takeFirst();
    return std::nullopt;
}
