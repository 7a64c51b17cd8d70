#pragma once

#include <QMetaType>
#include <QString>

// One received or echoed frame, carried by value to the main loop: from the packet engine
// (port 0 and up) or from the APRS-IS client (port -1, fromInternet 1).
struct ReceivedFrame {
    QString text;            // the monitor line text
    int length = 0;          // data length as the link gave it
    int port = 0;            // radio port; -1 for the APRS-IS server
    int fromInternet = 0;    // 1 for frames from the APRS-IS client
    int ownTransmission = 0; // 1 for frames the station itself sent
};
Q_DECLARE_METATYPE(ReceivedFrame)
