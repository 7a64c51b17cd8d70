#include "platform/Prompter.h"

#include "platform/Trace.h"

Prompter::Answer HeadlessPrompter::askYesNo(const QString& text, Icon) {
    Trace::write(QStringLiteral("question answered Yes: ") + text);
    return Answer::Yes;
}

void HeadlessPrompter::report(const QString& text, Icon) {
    Trace::write(text);
}

Prompter::Answer ScriptedPrompter::askYesNo(const QString& text, Icon icon) {
    asked << text;
    askedIcons.push_back(icon);
    icons.push_back(icon);
    if (answers.empty()) return Answer::Yes;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

void ScriptedPrompter::report(const QString& text, Icon icon) {
    reported << text;
    reportedIcons.push_back(icon);
    icons.push_back(icon);
}
