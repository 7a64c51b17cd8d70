#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// Questions and error reports to the user. The program shows Qt message boxes; headless the
// station answers on its own; tests script the answers.
class Prompter {
public:
    enum class Icon { Information, Question, Warning, Stop };
    enum class Answer { Yes, No, Ok, Cancel };
    virtual ~Prompter() = default;
    // A Yes/No question.
    virtual Answer askYesNo(const QString& text, Icon icon) = 0;
    // A report with an OK button (errors use the stop icon).
    virtual void report(const QString& text, Icon icon) = 0;
};

// No user: every question is answered Yes; reports go to the trace.
class HeadlessPrompter : public Prompter {
public:
    Answer askYesNo(const QString& text, Icon icon) override;
    void report(const QString& text, Icon icon) override;
};

// Tests: answers are taken in order (Yes when none is left); every text asked or reported is kept,
// with its icon, and the icons of all prompts in the order they came.
class ScriptedPrompter : public Prompter {
public:
    std::deque<Answer> answers;
    QStringList asked;
    QStringList reported;
    std::vector<Icon> askedIcons, reportedIcons, icons;
    Answer askYesNo(const QString& text, Icon icon) override;
    void report(const QString& text, Icon icon) override;
};
