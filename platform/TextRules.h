#pragma once

#include <QStringView>

// What user-typed texts may hold before they go on the air or into the server login.
namespace TextRules {
// Any C0 control character, DEL or C1 control.
bool hasControlCharacter(QStringView text);
// An information field (or its second part) that may go out: no control character below 0x1C
// (NUL, CR and LF among them: they would end the frame or start a second line to the server)
// except the line end that closes a message. A Mic-E report legitimately holds 0x1C to 0x1F.
bool isSendableInformation(QStringView text);
// An address field (source, destination, each via): no blank and no control character.
bool isSendableAddress(QStringView text);
// A call sign as typed on the pages: 1 to 9 characters, upper-case letters and digits, with at most
// one "-" followed by an SSID of letters or digits.
bool isCallSign(QStringView text);
} // namespace TextRules
