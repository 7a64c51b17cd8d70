#include "messaging/ui/MessageTextCheck.h"

#include "platform/TextRules.h"

#include <QCoreApplication>
#include <QStringList>

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("MessageTextCheck", text);
}
} // namespace

namespace MessageTextCheck {

QString addresseeProblem(const QString& to) {
    if (TextRules::isCallSign(to)) return {};
    return tr("\"%1\" is not a call sign: a call is 1 to 9 letters and digits, with at most one \"-\" "
              "before an SSID.")
        .arg(to);
}

QString textProblem(const QString& text) {
    if (TextRules::hasControlCharacter(text))
        return tr("The message holds a control character (a line break or a tab, say); only printable "
                  "characters can be sent.");
    // "{" starts the message number, "|" and "~" are reserved: a station would misread the text.
    if (text.contains(QLatin1Char('{')) || text.contains(QLatin1Char('|')) || text.contains(QLatin1Char('~')))
        return tr("A message cannot hold the characters {, | or ~: they have a meaning of their own in APRS "
                  "messages.");
    return {};
}

QString pathProblem(const QString& path) {
    const QString normal = normalisedPath(path);
    if (normal.isEmpty()) return {};
    for (const QString& via : normal.split(QLatin1Char(',')))
        if (!TextRules::isCallSign(via))
            return tr("The path must be calls separated by commas, such as WIDE1-1,WIDE2-1.");
    return {};
}

QString problem(const QString& to, const QString& text, const QString& path) {
    QString p = addresseeProblem(to);
    if (p.isEmpty()) p = textProblem(text);
    if (p.isEmpty()) p = pathProblem(path);
    return p;
}

QString normalisedPath(const QString& path) {
    QStringList parts = path.trimmed().toUpper().split(QLatin1Char(','));
    for (QString& part : parts) part = part.trimmed();
    return parts.join(QLatin1Char(','));
}

QString lengthWarning(const QString& text) {
    if (text.size() <= kShownLength) return {};
    return tr("%1 characters: most stations show only the first %2.").arg(text.size()).arg(kShownLength);
}

} // namespace MessageTextCheck
