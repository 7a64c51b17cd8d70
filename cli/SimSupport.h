#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <optional>

// Small pieces shared by the simulators of quillpad-cli.
namespace SimSupport {
// "127.0.0.1:8000" -> address and port; nullopt when malformed.
std::optional<std::pair<QHostAddress, quint16>> parseListen(const QString& text);
// The value after an option ("--rate 5"), or the default.
QString option(const QStringList& args, const QString& name, const QString& defaultValue = {});
// Bytes for printing: printable ASCII and valid UTF-8 as they are, everything else as \xNN.
QString printable(const QByteArray& bytes);
// The --rate option (lines per second, default 1): nullopt unless a finite number above 0 and at
// most `most`.
std::optional<double> rateOption(const QStringList& args, double most);
// One line on standard output or standard error, flushed at once (the simulators run until
// stopped, and whoever reads them waits for each line).
void printLine(const QString& text);
void printError(const QString& text);
// Replay file lines: blank lines and lines beginning with '#' are skipped.
QStringList readReplayFile(const QString& path, bool* ok);
} // namespace SimSupport
