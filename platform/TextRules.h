#pragma once

#include <QStringView>

// What user-typed texts may hold before they go on the air or into the server login.
namespace TextRules {
// Any C0 control character, DEL or C1 control.
bool hasControlCharacter(QStringView text);
// What would break a packet's framing or start a new line to the server: NUL, CR and LF. The
// information field of a Mic-E report legitimately holds the controls 0x1C to 0x1F, so packets are
// held to this rule plus no control below 0x1C (see isSendableInformation).
bool isSendableInformation(QStringView text);
// An address field (source, destination, each via): no blank and no control character.
bool isSendableAddress(QStringView text);
// A call sign as typed on the pages: 1 to 9 characters, upper-case letters and digits, with at most
// one "-" followed by an SSID of letters or digits.
bool isCallSign(QStringView text);
} // namespace TextRules
