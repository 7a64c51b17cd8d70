#include "messaging/MessageFiles.h"
#include "MessagingSupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

// Little-endian bytes assembled by hand, independent of the station's writer.
struct Bytes {
    QByteArray b;
    Bytes& u32(uint32_t v) {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
        return *this;
    }
    Bytes& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    Bytes& wide(const QString& s) {
        if (s.isEmpty()) return u32(0);
        u32(static_cast<uint32_t>(2 * (s.size() + 1)));
        for (QChar c : s) {
            b.append(static_cast<char>(c.unicode() & 0xFF));
            b.append(static_cast<char>(c.unicode() >> 8));
        }
        b.append(2, '\0');
        return *this;
    }
    Bytes& narrow(const QByteArray& s) {
        if (s.isEmpty()) return u32(0);
        u32(static_cast<uint32_t>(s.size() + 1));
        b.append(s);
        b.append('\0');
        return *this;
    }
    Bytes& time(int y, int mo, int dow, int d, int h, int mi, int s, int ms) {
        for (int v : {y, mo, dow, d, h, mi, s, ms}) {
            b.append(static_cast<char>(v & 0xFF));
            b.append(static_cast<char>((v >> 8) & 0xFF));
        }
        return *this;
    }
    // One msg.dat record with the strings given and the rest fixed.
    Bytes& wideRecord(const QString& from, const QString& to, const QString& text, const QString& seq,
                      int pathCount = 0, int status = 6) {
        wide(from).wide(to).wide(text);
        for (int i = 0; i < 10; ++i) wide(i < pathCount ? QStringLiteral("P%1").arg(i) : QString());
        wide(QStringLiteral("Direct")).wide(seq);
        i32(0).i32(-1).i32(0).time(2026, 1, 4, 15, 11, 59, 0, 0).i32(pathCount).i32(status);
        return *this;
    }
};

} // namespace

TEST(MessageFiles, MsgDatHasTheExactLayout) {
    MessagingFixture f;
    f.messages->QueueMessage(QStringLiteral("BOB"), QStringLiteral("x"), {}, 0); // lastSeq 1
    MessageRecord* r = f.receive(QStringLiteral(":N0ME     :Hi{7"), QStringLiteral("N0ABC"), 2);
    ASSERT_NE(r, nullptr);
    f.receive(QStringLiteral(":N0ME     :Hi{7"), QStringLiteral("N0ABC"), 2,
              MessagingFixture::radioHeader(QStringLiteral("N0ABC"), QStringLiteral("APZEL"),
                                            QStringLiteral("R1*")));
    ASSERT_TRUE(f.messages->Save());

    Bytes want;
    want.u32(0x00010009).i32(1).u32(1);
    want.wide(QStringLiteral("N0ABC")).wide(QStringLiteral("N0ME")).wide(QStringLiteral("Hi"));
    want.wide(QStringLiteral("R1"));
    for (int i = 1; i < 10; ++i) want.wide({});
    want.wide(QStringLiteral("WIDE1-1")).wide(QStringLiteral("7"));
    want.i32(2).i32(-1).i32(0);
    want.time(2026, 1, 4, 15, 12, 0, 0, 0); // 15 January 2026 was a Thursday
    want.i32(1).i32(0);
    EXPECT_EQ(f.readData(QStringLiteral("msg.dat")).toHex(), want.b.toHex());

    // blns.dat holds bulletins only.
    Bytes none;
    none.u32(0x00010009).u32(0);
    EXPECT_EQ(f.readData(QStringLiteral("blns.dat")), none.b);
    f.messages->QueueMessage(QStringLiteral("BLN3"), QStringLiteral("News"), QStringLiteral("WIDE2-1"), -1);
    f.clock.advance(10000); // the bulletin's countdown is now 8
    ASSERT_TRUE(f.messages->Save());
    Bytes one;
    one.u32(0x00010009).u32(1);
    one.wide(QStringLiteral(":BLN3     :News\r\n"))
        .wide(QStringLiteral("WIDE2-1"))
        .wide(QStringLiteral("N0ME"));
    one.wide(QStringLiteral("BLN3")).i32(17).i32(-1).i32(8).i32(0).i32(1);
    EXPECT_EQ(f.readData(QStringLiteral("blns.dat")).toHex(), one.b.toHex());
}

TEST(MessageFiles, RecordsAndBulletinsSurviveARestart) {
    MessagingFixture f;
    f.receive(QStringLiteral(":N0ME     :for me{1"), QStringLiteral("N0ABC"), 1);
    f.receive(QStringLiteral(":BLN1     :bulletin"), QStringLiteral("N0XYZ"), -1,
              MessagingFixture::serverHeader("N0XYZ"));
    f.receive(QStringLiteral(":N0ABC    :reply{9"), QStringLiteral("N0ME"), 0);
    f.messages->QueueMessage(QStringLiteral("BLN1"), QStringLiteral("Net at 8"), QStringLiteral("WIDE2-2"),
                             1);
    f.messages->QueueMessage(QStringLiteral("BOB"), QStringLiteral("a message is not kept"), {}, 1);
    std::vector<MessageRecord> before;
    for (int i = 0; i < f.messages->count(); ++i) before.push_back(*f.messages->at(i));

    f.restart();
    ASSERT_EQ(f.messages->count(), 3);
    for (int i = 0; i < 3; ++i) {
        const MessageRecord& a = before[static_cast<size_t>(i)];
        const MessageRecord& b = *f.messages->at(i);
        EXPECT_EQ(a.from, b.from);
        EXPECT_EQ(a.to, b.to);
        EXPECT_EQ(a.text, b.text);
        EXPECT_EQ(a.paths, b.paths);
        EXPECT_EQ(a.heardVia, b.heardVia);
        EXPECT_EQ(a.port, b.port);
        EXPECT_EQ(a.seq, b.seq);
        EXPECT_EQ(a.mark, b.mark);
        EXPECT_EQ(a.ended, b.ended);
        EXPECT_EQ(a.time, b.time);
        EXPECT_EQ(a.pathCount, b.pathCount);
        EXPECT_EQ(a.status, b.status);
    }
    EXPECT_EQ(f.messages->lastSeq(), 2);
    ASSERT_EQ(f.messages->queueCount(), 1);
    const OutgoingMessage* b = f.messages->queueAt(0);
    EXPECT_EQ(b->to, "BLN1");
    EXPECT_EQ(b->text, ":BLN1     :Net at 8\r\n");
    EXPECT_EQ(b->via, "WIDE2-2");
    EXPECT_EQ(b->port, 1);
    EXPECT_EQ(b->retriesLeft, 10);
    // Duplicates still work against the restored records.
    EXPECT_EQ(f.receive(QStringLiteral(":N0ME     :for me{1"), QStringLiteral("N0ABC"), 1), nullptr);
}

TEST(MessageFiles, ARestoredBulletinRestartsItsSchedule) {
    MessagingFixture f;
    f.messages->QueueMessage(QStringLiteral("BLN1"), QStringLiteral("News"), {}, 0);
    f.clock.advance(5000 * 1000); // well into the 20-minute period
    f.restart();
    f.clock.advance(1700 * 1000);
    std::vector<qint64> seconds;
    for (const auto& s : f.sent) seconds.push_back(s.atMs / 1000);
    EXPECT_EQ(seconds, (std::vector<qint64>{10, 20, 40, 70, 110, 160, 220, 290, 370, 460, 1660}));
    // A second bulletin to the restored addressee is still refused.
    EXPECT_EQ(f.messages->QueueMessage(QStringLiteral("BLN1"), QStringLiteral("again"), {}, 0), 0);
}

TEST(MessageFiles, TheEightBitFormIsReadWhenBit16IsClear) {
    MessagingFixture f;
    Bytes msg;
    msg.u32(0x00000009).i32(41).u32(1);
    msg.narrow("N0ABC").narrow("BOB").narrow("Caf\xe9 at 8");
    for (int i = 0; i < 10; ++i) msg.narrow(i == 0 ? "WIDE1-1" : "");
    msg.narrow("Direct").narrow("12");
    msg.i32(0).i32(-1).i32(0).time(2026, 1, 4, 15, 11, 0, 0, 0).i32(1).i32(6);
    f.writeData(QStringLiteral("msg.dat"), msg.b);
    Bytes blns;
    blns.u32(0x00000009).u32(1).narrow(":BLN2     :old\r\n").narrow("RELAY").narrow("N0ME").narrow("BLN2");
    blns.i32(17).i32(0).i32(3).i32(0).i32(1);
    f.writeData(QStringLiteral("blns.dat"), blns.b);

    f.messages->Load();
    ASSERT_EQ(f.messages->count(), 1);
    const MessageRecord* r = f.messages->at(0);
    EXPECT_EQ(r->text, QStringLiteral("Caf\u00e9 at 8"));
    EXPECT_EQ(r->paths[0], "WIDE1-1");
    EXPECT_EQ(r->seq, "12");
    EXPECT_EQ(f.messages->lastSeq(), 41);
    ASSERT_EQ(f.messages->queueCount(), 1);
    EXPECT_EQ(f.messages->queueAt(0)->via, "RELAY");
    // Saved again in the UTF-16 form.
    ASSERT_TRUE(f.messages->Save());
    EXPECT_EQ(qFromLittleEndian<uint32_t>(f.readData(QStringLiteral("msg.dat")).constData()), 0x00010009u);
}

TEST(MessageFiles, UnreadableFilesLeaveTheListsEmpty) {
    Bytes bulletin;
    bulletin.u32(0x00010009)
        .u32(1)
        .wide(QStringLiteral(":BLN1     :x\r\n"))
        .wide({})
        .wide(QStringLiteral("N0ME"));
    bulletin.wide(QStringLiteral("BLN1")).i32(14).i32(0).i32(3).i32(0).i32(1);
    Bytes record;
    record.u32(0x00010009)
        .i32(3)
        .u32(1)
        .wideRecord(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("c"), {});

    struct Case {
        const char* name;
        QByteArray msg;
        bool msgPresent;
    };
    const std::vector<Case> cases = {
        {"no msg.dat", {}, false},
        {"shorter than its header", QByteArray("\x09\x00\x01\x00\x01\x00\x00\x00", 8), true},
        {"other format version", Bytes().u32(0x0001000A).i32(0).u32(0).b, true},
        {"empty", QByteArray(), true},
    };
    for (const Case& c : cases) {
        MessagingFixture f;
        if (c.msgPresent) f.writeData(QStringLiteral("msg.dat"), c.msg);
        f.writeData(QStringLiteral("blns.dat"), bulletin.b);
        f.messages->Load();
        EXPECT_EQ(f.messages->count(), 0) << c.name;
        EXPECT_EQ(f.messages->queueCount(), 0) << c.name << ": no bulletin without a readable msg.dat";
        EXPECT_EQ(f.messages->lastSeq(), 0) << c.name;
    }
    // With a readable msg.dat the same bulletin file is restored.
    MessagingFixture f;
    f.writeData(QStringLiteral("msg.dat"), record.b);
    f.writeData(QStringLiteral("blns.dat"), bulletin.b);
    f.messages->Load();
    EXPECT_EQ(f.messages->queueCount(), 1);
}

TEST(MessageFiles, HostileMessageFilesAreBoundedAndKeepWhatPrecedesTheDamage) {
    MessagingFixture f;
    write(f.t.settings, Settings::MAXTIME, 1000000000);
    // A count far beyond the data: the records present are read, the rest is not waited for.
    Bytes huge;
    huge.u32(0x00010009).i32(-7).u32(0xFFFFFFFF);
    huge.wideRecord(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("one"), QStringLiteral("1"), 50,
                    99);
    huge.wideRecord(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("two"), QStringLiteral("2"), 3,
                    2);
    f.writeData(QStringLiteral("msg.dat"), huge.b);
    f.messages->Load();
    ASSERT_EQ(f.messages->count(), 2);
    EXPECT_EQ(f.messages->lastSeq(), 0) << "a negative count restarts the numbering";
    EXPECT_EQ(f.messages->at(0)->pathCount, 9) << "bounded by the slots";
    EXPECT_EQ(f.messages->at(0)->status, MessageStatus::Other) << "unknown status";
    EXPECT_EQ(f.messages->at(1)->status, MessageStatus::Other);
    EXPECT_EQ(f.messages->at(1)->pathCount, 3);
    // New records go on from there; a full path list takes no more.
    EXPECT_EQ(f.receive(QStringLiteral(":B        :again{1"), QStringLiteral("A")), nullptr);
    EXPECT_EQ(f.messages->at(0)->pathCount, 9);

    // A string whose count runs past the end, a truncated record, an enormous string count.
    Bytes cut;
    cut.u32(0x00010009).i32(5).u32(3);
    cut.wideRecord(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("kept"), QStringLiteral("1"));
    Bytes second;
    second.wideRecord(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("cut"), QStringLiteral("2"));
    for (int drop : {1, 4, 20, 40}) {
        QByteArray data = cut.b + second.b.left(second.b.size() - drop);
        f.writeData(QStringLiteral("msg.dat"), data);
        f.messages->Load();
        ASSERT_EQ(f.messages->count(), 1) << drop;
        EXPECT_EQ(f.messages->at(0)->text, "kept");
        EXPECT_EQ(f.messages->lastSeq(), 5);
    }
    Bytes bigString;
    bigString.u32(0x00010009).i32(5).u32(1).u32(0x7FFFFFFF).b.append(64, 'x');
    f.writeData(QStringLiteral("msg.dat"), bigString.b);
    f.messages->Load();
    EXPECT_EQ(f.messages->count(), 0);
    Bytes oversize; // a count within the file but beyond any real text
    oversize.u32(0x00010009).i32(5).u32(1).u32(1 << 20).b.append(1 << 20, 'x');
    f.writeData(QStringLiteral("msg.dat"), oversize.b);
    f.messages->Load();
    EXPECT_EQ(f.messages->count(), 0);
}

TEST(MessageFiles, HostileBulletinFilesRestoreOnlySoundBulletins) {
    MessagingFixture f;
    f.writeData(QStringLiteral("msg.dat"), Bytes().u32(0x00010009).i32(0).u32(0).b);
    Bytes b;
    b.u32(0x00010009).u32(1000000);
    auto entry = [&](const QString& to, const QString& text, int length, int isBulletin) {
        b.wide(text).wide(QStringLiteral("WIDE2-1")).wide(QStringLiteral("N0ME")).wide(to);
        b.i32(length).i32(0).i32(-5).i32(0).i32(isBulletin);
    };
    entry(QStringLiteral("BLN1"), QStringLiteral(":BLN1     :one\r\n"), 100000, 1);
    entry(QStringLiteral("BOB"), QStringLiteral(":BOB      :x{1\r\n"), 16, 0);  // not a bulletin
    entry(QStringLiteral("BLN1"), QStringLiteral(":BLN1     :dup\r\n"), 16, 1); // addressee already queued
    entry(QStringLiteral("BLN3"), QString(), 0, 1);                             // nothing to send
    entry(QStringLiteral("BLN2"), QStringLiteral(":BLN2     :two\r\n"), -3, 1);
    b.b.append(QByteArray("\x05\x00\x00", 3)); // the rest is cut off
    f.writeData(QStringLiteral("blns.dat"), b.b);
    f.messages->Load();
    ASSERT_EQ(f.messages->queueCount(), 2);
    EXPECT_EQ(f.messages->queueAt(0)->to, "BLN1");
    EXPECT_EQ(f.messages->queueAt(0)->length, 16) << "the length is taken from the text";
    EXPECT_EQ(f.messages->queueAt(1)->to, "BLN2");
    f.clock.advance(10000);
    EXPECT_EQ(f.sent.size(), 2u);
}

TEST(MessageFiles, RandomBytesNeverCrashTheReaders) {
    QRandomGenerator rng(12345);
    Bytes good;
    good.u32(0x00010009).i32(3).u32(2);
    good.wideRecord(QStringLiteral("N0ABC"), QStringLiteral("BOB"), QStringLiteral("text"),
                    QStringLiteral("1"), 2);
    good.wideRecord(QStringLiteral("N0ABC"), QStringLiteral("BOB"), QStringLiteral("more"),
                    QStringLiteral("2"));
    for (int i = 0; i < 2000; ++i) {
        QByteArray data = good.b;
        const int flips = 1 + static_cast<int>(rng.bounded(8));
        for (int k = 0; k < flips; ++k)
            data[static_cast<qsizetype>(rng.bounded(static_cast<quint32>(data.size())))] =
                static_cast<char>(rng.bounded(256));
        if (rng.bounded(4) == 0)
            data.truncate(static_cast<qsizetype>(rng.bounded(static_cast<quint32>(data.size()))));
        const auto m = MessageFiles::readMessages(data);
        if (m) {
            EXPECT_LE(m->records.size(), 2u);
        }
        const auto b = MessageFiles::readBulletins(data);
        if (b) {
            EXPECT_LE(b->entries.size(), static_cast<size_t>(data.size() / 36))
                << "an entry takes 36 bytes or more";
        }
    }
}

TEST(MessageFiles, AFailedSaveIsReportedAndLeavesNoPartialFile) {
    MessagingFixture f;
    f.receive(QStringLiteral(":BOB      :first{1"), QStringLiteral("N0ABC"));
    ASSERT_TRUE(f.messages->Save());
    const QByteArray saved = f.readData(QStringLiteral("msg.dat"));
    // A folder where the temporary file would go makes the write fail.
    f.receive(QStringLiteral(":BOB      :second{2"), QStringLiteral("N0ABC"));
    QDir data(f.t.home.dataDir());
    ASSERT_TRUE(QFile::remove(f.dataFile(QStringLiteral("blns.dat"))));
    ASSERT_TRUE(data.mkdir(QStringLiteral("blns.dat")));
    EXPECT_FALSE(f.messages->Save());
    EXPECT_NE(f.readData(QStringLiteral("msg.dat")), saved) << "msg.dat itself was writable";
    ASSERT_TRUE(data.rmdir(QStringLiteral("blns.dat")));
    // Nothing half-written is left beside the files.
    const QStringList left = data.entryList(QDir::Files);
    for (const QString& name : left) EXPECT_TRUE(name == "msg.dat") << name.toStdString();
}
