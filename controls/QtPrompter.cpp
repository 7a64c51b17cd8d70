#include "controls/QtPrompter.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {
QMessageBox::Icon boxIcon(Prompter::Icon icon) {
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Stop:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// Stored texts use CR LF line ends; a message box shows a CR as a stray glyph on some styles.
QString boxText(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}
} // namespace

QString QtPrompter::title() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Quillpad") : name;
}

Prompter::Answer QtPrompter::askYesNo(const QString& text, Icon icon) {
    QMessageBox box(boxIcon(icon), title(), boxText(text), QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void QtPrompter::report(const QString& text, Icon icon) {
    QMessageBox box(boxIcon(icon), title(), boxText(text), QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
