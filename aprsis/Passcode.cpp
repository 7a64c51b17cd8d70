#include "aprsis/Passcode.h"

#include "platform/CodePage.h"

quint16 aprsPasscode(const QString& call) {
    QByteArray bytes = CodePage::encode(call.toUpper()).left(20);
    const qsizetype dash = bytes.indexOf('-');
    if (dash >= 0) bytes.truncate(dash);
    quint16 hash = 0x73e2;
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        hash ^= static_cast<quint16>(static_cast<unsigned char>(bytes[i]) << 8);
        if (i + 1 < bytes.size()) hash ^= static_cast<unsigned char>(bytes[i + 1]);
    }
    return hash & 0x7fff;
}
