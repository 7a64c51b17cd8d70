// Arbitrary bytes as the decode command's standard input, split at random into the blocks it
// reads: APRS-IS lines, monitor headers and their information lines, blank lines, lines without an
// end. Checks that every output line is one JSON object with its "line", "station" and "packet"
// members, that there are no more of them than input lines, and that the run ends.
// Input: bytes, read as a capture.
#include "cli/DecodeCommand.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer in;
    in.setData(input);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QBuffer errors;
    errors.open(QIODevice::WriteOnly);
    if (runDecodeCommand({}, in, out, errors, false) != 0) std::abort();

    const QByteArray written = out.data();
    if (!written.isEmpty() && !written.endsWith('\n')) std::abort();
    const QList<QByteArray> lines = written.split('\n');
    if (lines.size() - 1 > input.count('\n') + 1) std::abort();
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(lines[i], &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) std::abort();
        const QJsonObject o = document.object();
        if (!o.contains(QLatin1String("line")) || !o.contains(QLatin1String("station")) ||
            !o.contains(QLatin1String("packet")))
            std::abort();
    }
    return 0;
}
