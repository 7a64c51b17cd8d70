#include "platform/TextRules.h"

namespace TextRules {

namespace {
bool isControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}
bool isUpperAlnum(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}
} // namespace

bool hasControlCharacter(QStringView text) {
    for (QChar c : text)
        if (isControl(c.unicode())) return true;
    return false;
}

bool isSendableInformation(QStringView text) {
    // Messages end in CR LF by their format; a line end anywhere before that would start a new line.
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == QLatin1Char('\r') || text[end - 1] == QLatin1Char('\n'))) --end;
    for (QChar c : text.first(end))
        if (c.unicode() < 0x1C) return false;
    return true;
}

bool isSendableAddress(QStringView text) {
    for (QChar c : text)
        if (isControl(c.unicode()) || c == QLatin1Char(' ')) return false;
    return true;
}

bool isCallSign(QStringView text) {
    if (text.isEmpty() || text.size() > 9) return false;
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    const QStringView base = dash < 0 ? text : text.left(dash);
    const QStringView ssid = dash < 0 ? QStringView() : text.mid(dash + 1);
    if (base.isEmpty() || (dash >= 0 && ssid.isEmpty())) return false;
    for (QChar c : base)
        if (!isUpperAlnum(c.unicode())) return false;
    for (QChar c : ssid)
        if (!isUpperAlnum(c.unicode())) return false;
    return true;
}

} // namespace TextRules
