#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

// Opens modal dialogs. The program runs them with exec(); tests script what the user does, so no
// test ever blocks in a dialog's event loop.
class DialogRunner {
public:
    virtual ~DialogRunner() = default;
    // Runs the dialog modally; the dialog's result (QDialog::Accepted or Rejected).
    virtual int run(QDialog& dialog) { return dialog.exec(); }
};

// Tests: every dialog run is recorded by class name; the script (when set) acts on the dialog and
// returns the result, otherwise the dialog is rejected as if closed.
class ScriptedDialogRunner : public DialogRunner {
public:
    std::function<int(QDialog&)> script;
    QStringList shown;
    int run(QDialog& dialog) override {
        shown << QString::fromLatin1(dialog.metaObject()->className());
        return script ? script(dialog) : QDialog::Rejected;
    }
};
