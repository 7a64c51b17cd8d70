#include "aprsis/ServerLineReader.h"

void ServerLineReader::feed(QByteArrayView chunk, std::vector<QByteArray>& lines) {
    for (char c : chunk) {
        if (c == '\n' || c == '\r') {
            if (!m_line.isEmpty()) lines.push_back(m_line);
            m_line.clear();
            continue;
        }
        if (m_line.size() >= kMaxLine) {
            // Overlong line: drop it and the rest of this chunk.
            m_line.clear();
            return;
        }
        m_line.append(c);
    }
}
