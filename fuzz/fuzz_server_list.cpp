// The server list file on arbitrary bytes: bounded in entries and length, and no entry holds what
// could break a file line or the login line, or is a comment.
#include "aprsis/ServerList.h"
#include "platform/CodePage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList entries = ServerList::parse(bytes);
    if (entries.size() > ServerList::kMaxEntries) std::abort();
    for (const QString& e : entries) {
        if (e.isEmpty() || e.startsWith(QLatin1Char(';')) || e != e.trimmed()) std::abort();
        if (e.size() > ServerList::kMaxLineBytes || ServerList::hasControlCharacters(e)) std::abort();
        // What Add would write for it reads back as the same single entry.
        const QByteArray line = CodePage::encode(e) + "\r\n";
        if (line.size() - 2 <= ServerList::kMaxLineBytes && ServerList::parse(line) != QStringList{e})
            std::abort();
    }
    return 0;
}
