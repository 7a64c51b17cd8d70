#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

// Cuts the server's byte stream into lines. CR, LF and CR LF end a line, empty lines are skipped,
// a line may hold up to 500 bytes, and a line that reaches 501 bytes without an end is thrown away
// together with the rest of the chunk it arrived in; collection starts afresh with the next chunk.
class ServerLineReader {
public:
    static constexpr int kMaxLine = 500;
    void feed(QByteArrayView chunk, std::vector<QByteArray>& lines);

private:
    QByteArray m_line;
};
