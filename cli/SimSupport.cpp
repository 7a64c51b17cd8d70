#include "cli/SimSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cmath>

namespace SimSupport {

std::optional<std::pair<QHostAddress, quint16>> parseListen(const QString& text) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) return std::nullopt;
    QHostAddress address;
    if (!address.setAddress(text.left(colon))) return std::nullopt;
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535) return std::nullopt;
    return std::make_pair(address, static_cast<quint16>(port));
}

QString option(const QStringList& args, const QString& name, const QString& defaultValue) {
    const qsizetype i = args.indexOf(name);
    if (i >= 0 && i + 1 < args.size()) return args[i + 1];
    for (const QString& a : args)
        if (a.startsWith(name + QLatin1Char('='))) return a.mid(name.size() + 1);
    return defaultValue;
}

std::optional<double> rateOption(const QStringList& args, double most) {
    bool ok = false;
    const double rate = option(args, QStringLiteral("--rate"), QStringLiteral("1")).toDouble(&ok);
    // "nan" and "inf" read as numbers; a NaN would pass both comparisons.
    if (!ok || !std::isfinite(rate) || rate <= 0 || rate > most) return std::nullopt;
    return rate;
}

QString printable(const QByteArray& bytes) {
    QString out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7f)
            out += QLatin1Char(ch);
        else
            out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
    }
    return out;
}

QStringList readReplayFile(const QString& path, bool* ok) {
    QFile f(path);
    *ok = f.open(QIODevice::ReadOnly);
    QStringList lines;
    if (!*ok) return lines;
    while (!f.atEnd()) {
        QString line = QString::fromUtf8(f.readLine());
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        lines << line;
    }
    return lines;
}

void printLine(const QString& text) {
    QTextStream out(stdout);
    out << text << Qt::endl;
}

void printError(const QString& text) {
    QTextStream err(stderr);
    err << text << Qt::endl;
}

} // namespace SimSupport
