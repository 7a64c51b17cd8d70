#pragma once

#include "aprs/StationManager.h"
#include "engine/OutboundPacket.h"
#include "messaging/MsgManager.h"
#include "platform/Clock.h"
#include "platform/DataFile.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "support/TempHome.h"

#include <QFile>
#include <memory>
#include <vector>

// A message manager alone: temporary home, manual clock, and a send function that records every
// packet with the time it left.
struct MessagingFixture {
    struct Sent {
        OutboundPacket packet;
        qint64 atMs; // since the fixture's start
    };

    TempHome t;
    ManualClock clock;
    QDateTime started = clock.nowUtc();
    ScriptedPrompter prompter;
    StationManager stations{t.home, t.settings, clock};
    std::vector<Sent> sent;
    std::function<void(const OutboundPacket&)> onSend; // runs inside the send, after recording
    std::unique_ptr<MsgManager> messages;

    MessagingFixture() {
        write(t.settings, Settings::MYCALL, QStringLiteral("N0ME"));
        make();
    }

    void make() {
        messages = std::make_unique<MsgManager>(t.home, t.settings, clock, stations,
                                                [this](const OutboundPacket& p) {
                                                    sent.push_back({p, started.msecsTo(clock.nowUtc())});
                                                    if (onSend) onSend(p);
                                                });
        messages->setPrompter(&prompter);
        stations.setMessageSink(messages.get());
    }

    // Save, destroy and build again from the files (a restart).
    void restart() {
        messages->Save();
        stations.setMessageSink(nullptr);
        messages.reset();
        sent.clear();
        started = clock.nowUtc();
        make();
        messages->Load();
    }

    static QString radioHeader(const QString& from, const QString& to = QStringLiteral("APZEL"),
                               const QString& path = QStringLiteral("WIDE1-1*,WIDE2-1"),
                               const QString& time = QStringLiteral("12:00:00")) {
        QString h = QStringLiteral(" 1:Fm %1 To %2").arg(from, to);
        if (!path.isEmpty()) h += QStringLiteral(" Via ") + path;
        return h + QStringLiteral(" <UI pid=F0 Len=20 >[%1]").arg(time);
    }
    static QString serverHeader(const QString& from) {
        return QStringLiteral("GT:Fm %1 To APRS Via MYGATE* <UI pid=F0 Len=20 >[12:00:00]").arg(from);
    }

    // A message packet through the manager's own entry; the record created or nullptr.
    MessageRecord* receive(const QString& info, const QString& from, int port = 0, QString header = {}) {
        bool ack = false;
        if (header.isEmpty()) header = radioHeader(from);
        return messages->ProcessMessage(info, from, header, port, ack);
    }

    // Packets sent so far whose first part begins with the text.
    std::vector<Sent> sentStartingWith(const QString& prefix) const {
        std::vector<Sent> out;
        for (const Sent& s : sent)
            if (s.packet.part1.startsWith(prefix)) out.push_back(s);
        return out;
    }

    QString dataFile(const QString& name) const { return t.home.dataFile(name); }
    QByteArray readData(const QString& name) const {
        QFile f(dataFile(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeData(const QString& name, const QByteArray& bytes) const {
        QFile f(dataFile(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
    }
};
