#pragma once

#include <QString>

// The APRS-IS passcode of a call sign: 0..32767 from the upper-case call before any "-" SSID.
quint16 aprsPasscode(const QString& call);
