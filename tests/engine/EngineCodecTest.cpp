#include "engine/EngineFrame.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace {
QByteArray frame(uint32_t port, char kind, const QByteArray& data) {
    return EngineCodec::encodeFrame(port, kind, "N0CALL", "APRS", data);
}

std::vector<EngineFrame> decodeInChunks(const QByteArray& stream, const std::vector<qsizetype>& cuts) {
    EngineStreamDecoder decoder;
    std::vector<EngineFrame> out;
    qsizetype from = 0;
    for (qsizetype cut : cuts) {
        EXPECT_TRUE(decoder.feed(QByteArrayView(stream.constData() + from, cut - from), out));
        from = cut;
    }
    EXPECT_TRUE(decoder.feed(QByteArrayView(stream.constData() + from, stream.size() - from), out));
    return out;
}
} // namespace

TEST(EngineCodec, HeaderLayoutIsLittleEndianWithNulTerminatedCalls) {
    const QByteArray h = EngineCodec::encodeHeader(3, 'M', "LONGCALL-15", "APZEL", 0x01020304);
    ASSERT_EQ(h.size(), 36);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(h.constData()), 3u);
    EXPECT_EQ(h[4], 'M');
    EXPECT_EQ(h[5], '\0');
    EXPECT_EQ(h[6], '\0');
    // Calls longer than 9 characters are cut to 9, and the field keeps its terminating zero.
    EXPECT_EQ(QByteArray(h.constData() + 8, 10), QByteArray("LONGCALL-\0", 10));
    EXPECT_EQ(QByteArray(h.constData() + 18, 10), QByteArray("APZEL\0\0\0\0\0", 10));
    EXPECT_EQ(qFromLittleEndian<uint32_t>(h.constData() + 28), 0x01020304u);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(h.constData() + 32), 0u);
}

TEST(EngineStreamDecoder, AStreamCutAnywhereGivesTheSameFramesInOrder) {
    QByteArray stream;
    stream += frame(0, 'U', "first frame");
    stream += frame(1, 'T', QByteArray());
    stream += frame(2, 'U', QByteArray(2900, 'x'));
    stream += frame(255, 'H', "heard");
    // Every single cut point, and every pair of cut points around the first two headers.
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        const auto frames = decodeInChunks(stream, {cut});
        ASSERT_EQ(frames.size(), 4u) << "cut at " << cut;
        EXPECT_EQ(frames[0].data, "first frame");
        EXPECT_EQ(frames[1].header.kind, 'T');
        EXPECT_TRUE(frames[1].data.isEmpty());
        EXPECT_EQ(frames[2].data.size(), 2900);
        EXPECT_EQ(frames[3].header.port, 0u) << "a port of 250 or more is port 0";
    }
    for (qsizetype a = 0; a < 90; ++a)
        for (qsizetype b = a; b < 90; b += 7) ASSERT_EQ(decodeInChunks(stream, {a, b}).size(), 4u);
    // One byte at a time.
    std::vector<qsizetype> cuts;
    for (qsizetype i = 1; i < stream.size(); ++i) cuts.push_back(i);
    EXPECT_EQ(decodeInChunks(stream, cuts).size(), 4u);
}

TEST(EngineStreamDecoder, AnImpossibleLengthIsACorruptStreamNotAnAllocation) {
    EngineStreamDecoder decoder;
    std::vector<EngineFrame> out;
    QByteArray bad = EngineCodec::encodeHeader(0, 'U', "A", "B", 0xFFFFFFF0u);
    EXPECT_TRUE(decoder.feed(frame(0, 'U', "good"), out));
    EXPECT_FALSE(decoder.feed(bad, out));
    EXPECT_TRUE(decoder.corrupt());
    EXPECT_FALSE(decoder.feed(frame(0, 'U', "after"), out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].data, "good");
    // The largest length that is still accepted waits for its data.
    EngineStreamDecoder edge;
    EXPECT_TRUE(edge.feed(EngineCodec::encodeHeader(0, 'U', "A", "B", EngineCodec::kMaxDataLength), out));
    EXPECT_EQ(edge.buffered(), 36);
}

TEST(EngineStreamDecoder, KindIsSixteenBitsSoAStrayByteFiveMakesItAnotherKind) {
    QByteArray f = frame(0, 'G', "2;a;b");
    f[5] = 1;
    EngineStreamDecoder decoder;
    std::vector<EngineFrame> out;
    ASSERT_TRUE(decoder.feed(f, out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NE(out[0].header.kind, 'G');
}

TEST(EngineCodec, PortInformation) {
    auto list = EngineCodec::parsePortInformation(QStringLiteral("2;Port 1 VHF;Port 2 HF"));
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.description(0), "Port 1 VHF");
    EXPECT_EQ(list.description(1), "Port 2 HF");
    EXPECT_EQ(list.description(2), "");

    // Empty tokens are skipped; a missing description stays empty.
    list = EngineCodec::parsePortInformation(QStringLiteral(";;3;;A;B"));
    EXPECT_EQ(list.count, 3);
    EXPECT_EQ(list.description(1), "B");
    EXPECT_EQ(list.description(2), "");

    // More than 100 ports keeps 100; nonsense counts give none.
    QString many = QStringLiteral("5000");
    for (int i = 0; i < 150; ++i) many += QStringLiteral(";P%1").arg(i);
    list = EngineCodec::parsePortInformation(many);
    EXPECT_EQ(list.count, 100);
    EXPECT_EQ(list.description(99), "P99");
    EXPECT_EQ(EngineCodec::parsePortInformation(QStringLiteral("-4;a")).count, 0);
    EXPECT_EQ(EngineCodec::parsePortInformation(QStringLiteral("two;a")).count, 0);
    EXPECT_EQ(EngineCodec::parsePortInformation(QString()).count, 0);
}

TEST(EngineCodec, UnprotoFramesWithAndWithoutViaPath) {
    OutboundPacket p{QStringLiteral("=4035.90N/02258.20E-"),
                     QStringLiteral("Quillon"),
                     QStringLiteral("NOCALL"),
                     QStringLiteral("APZEL"),
                     QStringLiteral("WIDE1-1,WIDE2-1"),
                     0};
    QByteArray f = EngineCodec::buildUnproto(p, false);
    EXPECT_EQ(f[4], 'V');
    const QByteArray data = f.mid(36);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(f.constData() + 28), static_cast<uint32_t>(data.size()));
    EXPECT_EQ(data[0], 2);
    EXPECT_EQ(data.mid(1, 10), QByteArray("WIDE1-1\0\0\0", 10));
    EXPECT_EQ(data.mid(11, 10), QByteArray("WIDE2-1\0\0\0", 10));
    EXPECT_EQ(data.mid(21), "=4035.90N/02258.20E-Quillon");

    p.viaPath = QStringLiteral("WIDE1-1 WIDE2-1");
    EXPECT_EQ(EngineCodec::buildUnproto(p, false), f) << "blank separates like a comma";

    p.viaPath = QStringLiteral(" , ,, ");
    f = EngineCodec::buildUnproto(p, false);
    EXPECT_EQ(f[4], 'M') << "separators only is no via path";
    EXPECT_EQ(f.mid(36), "=4035.90N/02258.20E-Quillon");

    // Unicode port: part 2 as UTF-16LE, part 1 stays 8-bit.
    p = OutboundPacket{
        QStringLiteral(">"), QStringLiteral("ab"), QStringLiteral("N0CALL"), QStringLiteral("APZEL"), {}, 0};
    f = EngineCodec::buildUnproto(p, true);
    EXPECT_EQ(f.mid(36), QByteArray(">a\0b\0", 5));
    EXPECT_EQ(qFromLittleEndian<uint32_t>(f.constData() + 28), 5u);

    // Too long for one frame: dropped rather than cut.
    p.part2 = QString(3000, QLatin1Char('x'));
    EXPECT_TRUE(EngineCodec::buildUnproto(p, false).isEmpty());
    // The server port never becomes an engine frame.
    p.part2.clear();
    p.port = -1;
    EXPECT_TRUE(EngineCodec::buildUnproto(p, false).isEmpty());
}

TEST(EngineCodec, FrameTextEndsAtNulAndReadsUtf8ElseWindows1252) {
    EXPECT_EQ(EngineCodec::frameText(QByteArray("abc\0def", 7)), "abc");
    EXPECT_EQ(EngineCodec::frameText("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(EngineCodec::frameText("caf\xe9 \x80"), QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac"));
}
