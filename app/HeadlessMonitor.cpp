#include "app/HeadlessMonitor.h"

#include <QStringList>
#include <cstdio>

namespace HeadlessMonitor {

QString format(const ReceivedFrame& frame) {
    QString text = frame.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    // Keep control characters from the air off the terminal.
    for (QChar& c : text)
        if (c.unicode() < 0x20 && c != QLatin1Char('\n')) c = QChar(0xFFFD);
    const QString marker = frame.ownTransmission ? QStringLiteral("TX ") : QStringLiteral("   ");
    QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) lines[i].prepend(i == 0 ? marker : QStringLiteral("   "));
    return lines.join(QLatin1Char('\n'));
}

void print(const ReceivedFrame& frame) {
    const QByteArray bytes = format(frame).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace HeadlessMonitor
