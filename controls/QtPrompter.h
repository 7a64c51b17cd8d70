#pragma once

#include "platform/Prompter.h"

#include <QPointer>
#include <QWidget>

// Prompts as Qt message boxes over the main window, with the application's title; errors carry
// the stop icon. Texts are shown as plain text: some of them quote what came from the air.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    Answer askYesNo(const QString& text, Icon icon) override;
    void report(const QString& text, Icon icon) override;

    // The title every message box carries.
    static QString title();

private:
    QPointer<QWidget> m_parent;
};
