#pragma once

#include <QString>

// Receives APRS messages (information field beginning with ':') from the dispatch.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ProcessMessage(const QString& information, const QString& from, const QString& header,
                                int port) = 0;
};
