#include "MessagingSupport.h"

#include <gtest/gtest.h>

// --- receiving

TEST(MessageReceiving, SplitsAddresseeTextAndNumber) {
    MessagingFixture f;
    MessageRecord* r =
        f.receive(QStringLiteral(":BOB      :Hello there: all{12 "), QStringLiteral("N0ABC"), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->from, "N0ABC");
    EXPECT_EQ(r->to, "BOB") << "blanks trimmed on both sides";
    EXPECT_EQ(r->text, "Hello there: all");
    EXPECT_EQ(r->seq, "12") << "trailing blanks removed";
    EXPECT_EQ(r->port, 1);
    EXPECT_EQ(r->heardVia, "WIDE1-1");
    EXPECT_EQ(r->pathCount, 0) << "the first copy's path is not one of the duplicate paths";
    EXPECT_EQ(r->mark, -1);
    EXPECT_EQ(r->ended, 0);
    EXPECT_EQ(r->status, MessageStatus::Other);
    EXPECT_EQ(r->time, SystemTime::fromDateTime(f.clock.nowUtc()));
    EXPECT_EQ(f.messages->count(), 1);
    EXPECT_EQ(f.messages->at(0), r);
    EXPECT_TRUE(f.sent.empty()) << "not addressed to the station: no acknowledgement";

    MessageRecord* noNumber = f.receive(QStringLiteral(":BOB      :no number here"), QStringLiteral("N0ABC"));
    ASSERT_NE(noNumber, nullptr);
    EXPECT_EQ(noNumber->text, "no number here");
    EXPECT_TRUE(noNumber->seq.isEmpty());

    // A direct frame has no digipeater: heard-via "Direct".
    MessageRecord* direct =
        f.receive(QStringLiteral(":BOB      :direct{1"), QStringLiteral("N0DIR"), 0,
                  MessagingFixture::radioHeader(QStringLiteral("N0DIR"), QStringLiteral("APZEL"), {}));
    ASSERT_NE(direct, nullptr);
    EXPECT_EQ(direct->heardVia, "Direct");
}

TEST(MessageReceiving, MalformedPacketsAreDropped) {
    MessagingFixture f;
    for (const char* info :
         {":", "::", ":::::", ":BOB", ":BOB      :", ":BOB      :{", ":BOB      :{{{", ""}) {
        EXPECT_EQ(f.receive(QString::fromLatin1(info), QStringLiteral("N0ABC")), nullptr) << info;
    }
    EXPECT_EQ(f.messages->count(), 0);
    // Leading braces are skipped like the leading colons of the addressee.
    MessageRecord* braces = f.receive(QStringLiteral(":BOB      :{{{12"), QStringLiteral("N0ABC"));
    ASSERT_NE(braces, nullptr);
    EXPECT_EQ(braces->text, "12");
    EXPECT_TRUE(braces->seq.isEmpty());
    // An addressee of blanks only is not empty before trimming: stored with an empty addressee.
    MessageRecord* r = f.receive(QStringLiteral(":         :text"), QStringLiteral("N0ABC"));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(r->to.isEmpty());
}

TEST(MessageReceiving, StatusRulesApplyInOrder) {
    MessagingFixture f;
    auto status = [&](const QString& from, const QString& to) {
        MessageRecord* r = f.receive(
            QStringLiteral(":%1:x{%2").arg(to.leftJustified(9), QString::number(f.messages->count())), from);
        return r ? r->status : -100;
    };
    EXPECT_EQ(status("N0ABC", "N0ME"), MessageStatus::ForMe);
    EXPECT_EQ(status("N0ABC", "BLN1"), MessageStatus::Bulletin);
    EXPECT_EQ(status("N0ABC", "BLNX"), MessageStatus::Bulletin);
    EXPECT_EQ(status("N0ABC", "bln1"), MessageStatus::Other) << "case-sensitive";
    EXPECT_EQ(status("N0ABC", "n0me"), MessageStatus::Other) << "the call compares exactly";
    EXPECT_EQ(status("N0ME", "BOB"), MessageStatus::SentByMe);
    EXPECT_EQ(status("N0ME", "BLN2"), MessageStatus::SentByMe) << "the sender rule comes last";
    EXPECT_EQ(status("N0ME", "N0ME"), MessageStatus::SentByMe);
    EXPECT_EQ(status("N0ABC", "N0OTHER"), MessageStatus::Other);

    MessageRecord* own = f.receive(QStringLiteral(":BOB      :mine{77"), QStringLiteral("N0ME"));
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->mark, 0);
}

TEST(MessageReceiving, DuplicatesKeepTheirPathsUpToNine) {
    MessagingFixture f;
    MessageRecord* first = f.receive(QStringLiteral(":BOB      :first{5"), QStringLiteral("N0ABC"));
    ASSERT_NE(first, nullptr);
    // Same sender, addressee and number: a duplicate even with another text.
    for (int i = 0; i < 12; ++i) {
        const QString header = MessagingFixture::radioHeader(QStringLiteral("N0ABC"), QStringLiteral("APZEL"),
                                                             QStringLiteral("DIGI%1*,WIDE2-1").arg(i));
        EXPECT_EQ(f.receive(QStringLiteral(":BOB      :changed{5"), QStringLiteral("N0ABC"), 0, header),
                  nullptr);
    }
    EXPECT_EQ(f.messages->count(), 1);
    EXPECT_EQ(first->text, "first");
    EXPECT_EQ(first->pathCount, 9) << "the tenth and later copies add no path";
    EXPECT_EQ(first->paths[0], "DIGI0,WIDE2-1");
    EXPECT_EQ(first->paths[8], "DIGI8,WIDE2-1");
    EXPECT_TRUE(first->paths[9].isEmpty());

    // Both without number: duplicates too. Another number, sender or addressee: new records.
    ASSERT_NE(f.receive(QStringLiteral(":BOB      :a"), QStringLiteral("N0ABC")), nullptr);
    EXPECT_EQ(f.receive(QStringLiteral(":BOB      :b"), QStringLiteral("N0ABC")), nullptr);
    EXPECT_NE(f.receive(QStringLiteral(":BOB      :x{6"), QStringLiteral("N0ABC")), nullptr);
    EXPECT_NE(f.receive(QStringLiteral(":BOB      :x{5"), QStringLiteral("N0XYZ")), nullptr);
    EXPECT_NE(f.receive(QStringLiteral(":BOB2     :x{5"), QStringLiteral("N0ABC")), nullptr);
    EXPECT_NE(f.receive(QStringLiteral(":BOB      :x{5"), QStringLiteral("n0abc")), nullptr)
        << "case-sensitive";
    EXPECT_EQ(f.messages->count(), 6);
}

// --- acknowledging

TEST(MessageAcknowledging, EveryCopyForTheStationIsAcknowledgedOnItsPortOverTheReturnPath) {
    MessagingFixture f;
    write(f.t.settings, Settings::TOCALL, QStringLiteral("APQP01"));
    ASSERT_NE(f.receive(QStringLiteral(":N0ME     :Hi{42"), QStringLiteral("N0ABC"), 2), nullptr);
    ASSERT_EQ(f.sent.size(), 1u);
    const OutboundPacket& ack = f.sent[0].packet;
    EXPECT_EQ(ack.part1, ":N0ABC    :ack42");
    EXPECT_TRUE(ack.part2.isEmpty());
    EXPECT_EQ(ack.fromCall, "N0ME");
    EXPECT_EQ(ack.toCall, "APQP01");
    EXPECT_EQ(ack.viaPath, "WIDE1-1,WIDE2-1") << "the sender's path, '*' removed";
    EXPECT_EQ(ack.port, 2);

    // A duplicate is acknowledged again, over its own path.
    f.receive(QStringLiteral(":N0ME     :Hi{42"), QStringLiteral("N0ABC"), 2,
              MessagingFixture::radioHeader(QStringLiteral("N0ABC"), QStringLiteral("APZEL"),
                                            QStringLiteral("RELAY*")));
    ASSERT_EQ(f.sent.size(), 2u);
    EXPECT_EQ(f.sent[1].packet.viaPath, "RELAY");

    // From the server: back to the server.
    f.receive(QStringLiteral(":N0ME     :via the net{7"), QStringLiteral("N0NET"), -1,
              MessagingFixture::serverHeader(QStringLiteral("N0NET")));
    ASSERT_EQ(f.sent.size(), 3u);
    EXPECT_EQ(f.sent[2].packet.port, -1);
    EXPECT_EQ(f.sent[2].packet.part1, ":N0NET    :ack7");

    // Without number: an acknowledgement that ends right after "ack". A long sender is cut to 9.
    f.receive(QStringLiteral(":N0ME     :plain"), QStringLiteral("N0LONGCALL-15"), 0);
    ASSERT_EQ(f.sent.size(), 4u);
    EXPECT_EQ(f.sent[3].packet.part1, ":N0LONGCAL:ack");

    // A sender with a line break or other control characters (a relayed packet can carry them)
    // cannot break the acknowledgement's line.
    f.receive(QStringLiteral(":N0ME     :x{1"),
              QStringLiteral("N0\nA\x01"
                             "BC"),
              0);
    ASSERT_EQ(f.sent.size(), 5u);
    EXPECT_EQ(f.sent[4].packet.part1, ":N0ABC    :ack1");

    // Not for the station: nothing.
    f.receive(QStringLiteral(":N0ME-1   :other ssid{3"), QStringLiteral("N0ABC"), 0);
    EXPECT_EQ(f.sent.size(), 5u);
}

TEST(MessageAcknowledging, OverlongOrControlNumbersKeepTheAckAndTheFileWellFormed) {
    MessagingFixture f;
    const QString info =
        QStringLiteral(":N0ME     :odd{12") + QChar(1) + QChar(0) + QStringLiteral("3456789\t");
    MessageRecord* r = f.receive(info, QStringLiteral("N0ABC"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->seq, "123456789") << "kept as text, control characters dropped";
    ASSERT_EQ(f.sent.size(), 1u);
    EXPECT_EQ(f.sent[0].packet.part1, ":N0ABC    :ack12345") << "the APRS limit of 5 characters";

    // The same number again is a duplicate (the key is the cleaned text).
    EXPECT_EQ(f.receive(info, QStringLiteral("N0ABC")), nullptr);
    f.restart();
    ASSERT_EQ(f.messages->count(), 1);
    EXPECT_EQ(f.messages->at(0)->seq, "123456789");
    EXPECT_EQ(f.messages->at(0)->text, "odd");
}

// --- sending

TEST(MessageSending, FormatsNumbersAndEndsWithCrLf) {
    MessagingFixture f;
    ASSERT_EQ(f.messages->QueueMessage(QStringLiteral("BOB"), QStringLiteral("Hello"),
                                       QStringLiteral("WIDE2-2"), 3),
              1);
    ASSERT_EQ(f.sent.size(), 1u);
    const OutboundPacket& p = f.sent[0].packet;
    EXPECT_EQ(p.part1, ":BOB      :Hello{1\r\n");
    EXPECT_TRUE(p.part2.isEmpty());
    EXPECT_EQ(p.fromCall, "N0ME");
    EXPECT_EQ(p.toCall, "APZEL");
    EXPECT_EQ(p.viaPath, "WIDE2-2");
    EXPECT_EQ(p.port, 3);
    const OutgoingMessage* e = f.messages->queueAt(0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->seq, 1);
    EXPECT_EQ(e->length, p.part1.size());
    EXPECT_EQ(e->retriesLeft, 9);
    EXPECT_EQ(e->isBulletin, 0);

    // A long addressee is cut to 9; a line break in the text cannot end the packet early.
    f.messages->QueueMessage(QStringLiteral("VERYLONGCALL"), QStringLiteral("a\r\nb"), {}, 0);
    EXPECT_EQ(f.sent.back().packet.part1, ":VERYLONGC:a  b{2\r\n");

    // Bulletins take a number from the count but carry 0; their field has no number.
    f.messages->QueueMessage(QStringLiteral("BLN1"), QStringLiteral("Net tonight"), {}, 0);
    EXPECT_EQ(f.sent.back().packet.part1, ":BLN1     :Net tonight\r\n");
    EXPECT_EQ(f.messages->queueAt(2)->seq, 0);
    EXPECT_EQ(f.messages->queueAt(2)->isBulletin, 1);
    f.messages->QueueMessage(QStringLiteral("BOB"), QStringLiteral("again"), {}, 0);
    EXPECT_EQ(f.sent.back().packet.part1, ":BOB      :again{4\r\n");
    EXPECT_EQ(f.messages->lastSeq(), 4);
}

TEST(MessageSending, NumberAfter99999IsOne) {
    MessagingFixture f;
    // The count is kept in msg.dat: start from 99998 through the file.
    DataFileWriter w;
    w.u32(0x00010009);
    w.i32(99998);
    w.u32(0);
    f.writeData(QStringLiteral("msg.dat"), w.data());
    f.messages->Load();
    f.messages->QueueMessage(QStringLiteral("A"), QStringLiteral("x"), {}, 0);
    f.messages->QueueMessage(QStringLiteral("B"), QStringLiteral("x"), {}, 0);
    f.messages->QueueMessage(QStringLiteral("C"), QStringLiteral("x"), {}, 0);
    ASSERT_EQ(f.sent.size(), 3u);
    EXPECT_TRUE(f.sent[0].packet.part1.endsWith("{99999\r\n"));
    EXPECT_TRUE(f.sent[1].packet.part1.endsWith("{1\r\n"));
    EXPECT_TRUE(f.sent[2].packet.part1.endsWith("{2\r\n"));
}

TEST(MessageSending, ASecondBulletinToTheSameAddresseeIsRefused) {
    MessagingFixture f;
    ASSERT_EQ(f.messages->QueueMessage(QStringLiteral("BLN1"), QStringLiteral("first"), {}, 0), 1);
    EXPECT_EQ(f.messages->QueueMessage(QStringLiteral("BLN1"), QStringLiteral("second"), {}, 0), 0);
    ASSERT_EQ(f.prompter.reported.size(), 1);
    EXPECT_EQ(f.prompter.reported[0],
              "You already sent this Bulletin Number!\r\nResend This Bulletin using a "
              "different ID (e.g.BLN2).");
    EXPECT_EQ(f.messages->lastSeq(), 1) << "a refused bulletin takes no number";
    EXPECT_EQ(f.messages->QueueMessage(QStringLiteral("BLN2"), QStringLiteral("other"), {}, 0), 1);
    EXPECT_EQ(f.messages->QueueMessage(QStringLiteral("bln1"), QStringLiteral("a message"), {}, 0), 1);
    EXPECT_EQ(f.sent.back().packet.part1, ":bln1     :a message{3\r\n");
    EXPECT_EQ(f.messages->queueCount(), 3);
}

TEST(MessageSending, AMessageIsSentTenTimesTenSecondsApart) {
    MessagingFixture f;
    int queueChanged = 0;
    QObject::connect(f.messages.get(), &MsgManager::queueChanged, [&] { ++queueChanged; });
    f.messages->QueueMessage(QStringLiteral("BOB"), QStringLiteral("Hi"), {}, 0);
    f.clock.advance(600000);
    std::vector<qint64> times;
    for (const auto& s : f.sent) times.push_back(s.atMs);
    EXPECT_EQ(times, (std::vector<qint64>{0, 10000, 20000, 30000, 40000, 50000, 60000, 70000, 80000, 90000}));
    EXPECT_EQ(f.messages->queueCount(), 0) << "an exhausted message leaves the queue";
    EXPECT_EQ(queueChanged, 2);
}

TEST(MessageSending, ABulletinFollowsItsScheduleThenEveryTwentyMinutes) {
    MessagingFixture f;
    f.messages->QueueMessage(QStringLiteral("BLN1"), QStringLiteral("News"), {}, 0);
    f.clock.advance(3000 * 1000);
    std::vector<qint64> seconds;
    for (const auto& s : f.sent) seconds.push_back(s.atMs / 1000);
    EXPECT_EQ(seconds, (std::vector<qint64>{0, 10, 30, 60, 100, 150, 210, 280, 360, 450, 1650, 2850}));
    EXPECT_EQ(f.messages->queueCount(), 1);
}

TEST(MessageSending, AcknowledgementEndsTheMessageAndMarksItsRecord) {
    MessagingFixture f;
    f.messages->QueueMessage(QStringLiteral("BOB"), QStringLiteral("Hi"), QStringLiteral("WIDE2-2"), 0);
    // The echo of the transmission enters the list as the station's own message.
    MessageRecord* own = f.receive(QStringLiteral(":BOB      :Hi{1"), QStringLiteral("N0ME"));
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->status, MessageStatus::SentByMe);
    f.clock.advance(25000); // sent at 0, 10, 20
    ASSERT_EQ(f.sent.size(), 3u);

    int listChanged = 0;
    QObject::connect(f.messages.get(), &MsgManager::listChanged, [&] { ++listChanged; });
    bool ackHandled = false;
    EXPECT_EQ(f.messages->ProcessMessage(QStringLiteral(":N0ME     :ack1"), QStringLiteral("BOB"),
                                         MessagingFixture::radioHeader(QStringLiteral("BOB")), 0, ackHandled),
              nullptr);
    EXPECT_TRUE(ackHandled);
    EXPECT_EQ(listChanged, 1);
    EXPECT_EQ(f.messages->queueCount(), 0);
    EXPECT_EQ(own->status, MessageStatus::Acknowledged);
    EXPECT_EQ(own->ended, 1);
    EXPECT_EQ(f.messages->count(), 1) << "acknowledgements are not stored";
    f.clock.advance(600000);
    EXPECT_EQ(f.sent.size(), 3u) << "no retransmission after the acknowledgement";

    // A second acknowledgement finds nothing.
    f.messages->ProcessMessage(QStringLiteral(":N0ME     :ack1"), QStringLiteral("BOB"),
                               MessagingFixture::radioHeader(QStringLiteral("BOB")), 0, ackHandled);
    EXPECT_FALSE(ackHandled);
}

TEST(MessageSending, AckWithoutNumberFromAnyoneEndsTheFirstBulletinButNotTheStationsOwnAckEcho) {
    MessagingFixture f;
    f.messages->QueueMessage(QStringLiteral("BLN1"), QStringLiteral("News"), {}, 0);
    f.messages->QueueMessage(QStringLiteral("BOB"), QStringLiteral("msg"), {}, 0); // number 2

    // The station's own acknowledgement of a message without number comes back as an echo
    // (":N0ABC    :ack" from N0ME): it must not end the bulletin.
    f.receive(QStringLiteral(":N0ME     :no number"), QStringLiteral("N0ABC"));
    ASSERT_EQ(f.sent.back().packet.part1, ":N0ABC    :ack");
    bool ackHandled = true;
    f.messages->ProcessMessage(f.sent.back().packet.part1, QStringLiteral("N0ME"),
                               MessagingFixture::radioHeader(QStringLiteral("N0ME")), 0, ackHandled);
    EXPECT_FALSE(ackHandled);
    EXPECT_EQ(f.messages->queueCount(), 2);

    // From another station to another addressee, "ack" alone or "ack0" ends the bulletin.
    f.messages->ProcessMessage(QStringLiteral(":SOMEONE  :ack"), QStringLiteral("N0XYZ"),
                               MessagingFixture::radioHeader(QStringLiteral("N0XYZ")), 0, ackHandled);
    EXPECT_TRUE(ackHandled);
    ASSERT_EQ(f.messages->queueCount(), 1);
    EXPECT_EQ(f.messages->queueAt(0)->to, "BOB");
    EXPECT_EQ(f.messages->AckReceived(0), 0);
    EXPECT_EQ(f.messages->AckReceived(2), 1);
}

TEST(MessageSending, StopSendingNeedsTheAddresseeAndTheNumber) {
    MessagingFixture f;
    f.messages->QueueMessage(QStringLiteral("BOB"), QStringLiteral("Hi"), {}, 0);
    MessageRecord* own = f.receive(QStringLiteral(":BOB      :Hi{1"), QStringLiteral("N0ME"));
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(f.messages->StopSending(QStringLiteral("ALICE"), 1), 0);
    EXPECT_EQ(f.messages->StopSending(QStringLiteral("BOB"), 2), 0);
    EXPECT_EQ(f.messages->StopSending(QStringLiteral("BOB"), 1), 1);
    EXPECT_EQ(own->status, MessageStatus::Stopped);
    EXPECT_EQ(own->ended, 1);
    EXPECT_EQ(f.messages->queueCount(), 0);
    f.clock.advance(600000);
    EXPECT_EQ(f.sent.size(), 1u);
}

TEST(MessageSending, AnEntryEndedFromInsideItsOwnSendIsNotUsedAfterwards) {
    MessagingFixture f;
    // A link that answers at once: the acknowledgement arrives while the packet is being sent.
    int sends = 0;
    f.onSend = [&](const OutboundPacket& p) {
        if (p.part1.startsWith(QLatin1String(":BOB")) && ++sends == 3) f.messages->AckReceived(1);
        if (p.part1.startsWith(QLatin1String(":CAROL"))) f.messages->StopSending(QStringLiteral("CAROL"), 2);
    };
    f.messages->QueueMessage(QStringLiteral("BOB"), QStringLiteral("Hi"), {}, 0);
    f.messages->QueueMessage(QStringLiteral("CAROL"), QStringLiteral("Hi"), {}, 0);
    EXPECT_EQ(f.messages->queueCount(), 1) << "CAROL's message ended during its first send";
    f.clock.advance(600000);
    EXPECT_EQ(sends, 3);
    EXPECT_EQ(f.messages->queueCount(), 0);
    EXPECT_EQ(f.sentStartingWith(QStringLiteral(":CAROL")).size(), 1u);
}

TEST(MessageFinding, FindMessageComparesTheNumberAsDecimalText) {
    MessagingFixture f;
    MessageRecord* r = f.receive(QStringLiteral(":BOB      :x{42"), QStringLiteral("N0ABC"));
    f.receive(QStringLiteral(":BOB      :y{042"), QStringLiteral("N0ABC"));
    f.receive(QStringLiteral(":BOB      :z"), QStringLiteral("N0ABC"));
    EXPECT_EQ(f.messages->FindMessage(QStringLiteral("N0ABC"), QStringLiteral("BOB"), 42), r);
    EXPECT_EQ(f.messages->FindMessage(QStringLiteral("N0ABC"), QStringLiteral("bob"), 42), nullptr);
    EXPECT_EQ(f.messages->FindMessage(QStringLiteral("BOB"), QStringLiteral("N0ABC"), 42), nullptr);
    EXPECT_EQ(f.messages->FindMessage(QStringLiteral("N0ABC"), QStringLiteral("BOB"), 0), nullptr)
        << "a record without number has no decimal text";
}

// --- expiry

TEST(MessageExpiry, ARecordExactlyMaxTimeOldIsKeptOneSecondOlderIsDeleted) {
    MessagingFixture f;
    write(f.t.settings, Settings::MAXTIME, 72000);
    f.receive(QStringLiteral(":BOB      :old{1"), QStringLiteral("N0ABC"));
    f.clock.advance(1000);
    f.receive(QStringLiteral(":BOB      :newer{2"), QStringLiteral("N0ABC"));
    f.clock.advance(72000 * 1000 - 1000);
    EXPECT_EQ(f.messages->ExpireMessages(), 0);
    f.clock.advance(999);
    EXPECT_EQ(f.messages->ExpireMessages(), 0) << "whole seconds";
    f.clock.advance(1);
    EXPECT_EQ(f.messages->ExpireMessages(), 1);
    ASSERT_EQ(f.messages->count(), 1);
    EXPECT_EQ(f.messages->at(0)->text, "newer");
    // The expired record is no longer a duplicate candidate.
    EXPECT_NE(f.receive(QStringLiteral(":BOB      :old{1"), QStringLiteral("N0ABC")), nullptr);

    // The setting is read at the moment of use.
    write(f.t.settings, Settings::MAXTIME, 0);
    f.clock.advance(1000);
    EXPECT_EQ(f.messages->ExpireMessages(), 2);
    EXPECT_EQ(f.messages->count(), 0);
}

TEST(MessageExpiry, ANewMessageThroughTheDispatchRunsTheExpiryAndTellsTheListeners) {
    MessagingFixture f;
    write(f.t.settings, Settings::MAXTIME, 60);
    int added = 0, changed = 0;
    QObject::connect(f.messages.get(), &MsgManager::recordAdded, [&](const MessageRecord&) { ++added; });
    QObject::connect(f.messages.get(), &MsgManager::listChanged, [&] { ++changed; });
    const QString line1 =
        MessagingFixture::radioHeader(QStringLiteral("N0ABC")) + QStringLiteral("\r:BOB      :one{1\r");
    f.stations.ProcessMonitorText(line1, 0);
    EXPECT_EQ(added, 1);
    EXPECT_EQ(changed, 0);
    f.clock.advance(61000);
    const QString line2 =
        MessagingFixture::radioHeader(QStringLiteral("N0ABC"), QStringLiteral("APZEL"),
                                      QStringLiteral("WIDE1-1*"), QStringLiteral("12:01:01")) +
        QStringLiteral("\r:BOB      :two{2\r");
    f.stations.ProcessMonitorText(line2, 0);
    EXPECT_EQ(added, 2);
    EXPECT_EQ(changed, 1) << "the expiry deleted the first record";
    ASSERT_EQ(f.messages->count(), 1);
    EXPECT_EQ(f.messages->at(0)->text, "two");
}

TEST(MessageExpiry, RecordsOutOfTimeOrderExpireWhereverTheyAre) {
    MessagingFixture f;
    write(f.t.settings, Settings::MAXTIME, 100);
    const QDateTime t0 = f.clock.nowUtc();
    f.receive(QStringLiteral(":A        :1"), QStringLiteral("N0ABC"));
    f.clock.setNow(t0.addSecs(-500)); // the clock was set back
    f.receive(QStringLiteral(":B        :2"), QStringLiteral("N0ABC"));
    f.clock.setNow(t0.addSecs(50));
    f.receive(QStringLiteral(":C        :3"), QStringLiteral("N0ABC"));
    EXPECT_EQ(f.messages->ExpireMessages(), 1);
    ASSERT_EQ(f.messages->count(), 2);
    EXPECT_EQ(f.messages->at(0)->to, "A");
    EXPECT_EQ(f.messages->at(1)->to, "C");
}
