#include "controls/ListCtrlWidths.h"
#include "platform/Settings.h"
#include "platform/gui/LogFont.h"
#include "platform/gui/WinColor.h"
#include "support/TempHome.h"

#include <QFontInfo>
#include <gtest/gtest.h>

namespace {

// A record as the setup pages wrote them: Tahoma, 13 px, bold italic, with the fields Qt does
// not use filled in and leftovers after the face name's terminator.
QByteArray storedTahoma() {
    QByteArray b(LogFont::kSize, '\0');
    auto put32 = [&](int offset, std::int32_t v) {
        for (int i = 0; i < 4; ++i)
            b[offset + i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    };
    put32(0, -13);
    put32(4, 6);   // width
    put32(8, 900); // escapement
    put32(12, 900);
    put32(16, 700);
    b[20] = 1;    // italic
    b[23] = 0;    // ANSI character set
    b[24] = 3;    // output precision
    b[25] = 2;    // clip precision
    b[26] = 5;    // ClearType
    b[27] = 0x22; // variable pitch, Swiss
    const QString face = QStringLiteral("Tahoma");
    for (int i = 0; i < face.size(); ++i) b[28 + 2 * i] = static_cast<char>(face.at(i).unicode());
    b[28 + 2 * 10] = 'x'; // garbage after the terminator
    return b;
}

} // namespace

TEST(WinColor, ChannelsSitRedLowBlueHighAndRoundTrip) {
    EXPECT_EQ(WinColor::toQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(WinColor::toQColor(0x00FF00), QColor(0, 255, 0));
    EXPECT_EQ(WinColor::toQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(WinColor::toQColor(0x808000), QColor(0, 128, 128));
    // The high byte is a flag of the system the value came from, not a colour.
    EXPECT_EQ(WinColor::toQColor(0x01123456), QColor(0x56, 0x34, 0x12));
    for (std::uint32_t v : {0x000000u, 0xFFFFFFu, 0x123456u, 0xFF00FFu, 0x0080C0u})
        EXPECT_EQ(WinColor::fromQColor(WinColor::toQColor(v)), v);
    EXPECT_EQ(WinColor::fromQColor(QColor::fromHsv(0, 255, 255)), 0x0000FFu);
}

TEST(LogFont, OnlyRecordsOfExactly92BytesAreTaken) {
    EXPECT_FALSE(LogFont::fromBytes(QByteArray()).has_value());
    EXPECT_FALSE(LogFont::fromBytes(QByteArray(91, '\0')).has_value());
    EXPECT_FALSE(LogFont::fromBytes(QByteArray(93, '\0')).has_value());
    EXPECT_FALSE(LogFont::fromBytes(QByteArray(60, '\0')).has_value()); // the narrow-character record
    ASSERT_TRUE(LogFont::fromBytes(storedTahoma()).has_value());
}

TEST(LogFont, FieldsAreReadLittleEndianAndMappedToTheFont) {
    const LogFont lf = *LogFont::fromBytes(storedTahoma());
    EXPECT_EQ(lf.height(), -13);
    EXPECT_EQ(lf.width(), 6);
    EXPECT_EQ(lf.escapement(), 900);
    EXPECT_EQ(lf.weight(), 700);
    EXPECT_TRUE(lf.italic());
    EXPECT_FALSE(lf.underline());
    EXPECT_EQ(lf.pitchAndFamily(), 0x22);
    EXPECT_EQ(lf.faceName(), "Tahoma");

    const QFont f = lf.toQFont();
    EXPECT_EQ(f.pixelSize(), 13);
    EXPECT_EQ(f.weight(), QFont::Bold);
    EXPECT_TRUE(f.italic());
    EXPECT_EQ(f.family(), "Tahoma");
    EXPECT_EQ(f.styleHint(), QFont::SansSerif);
    EXPECT_FALSE(f.fixedPitch());
}

TEST(LogFont, HeightsOfEveryKindGiveASanePixelSize) {
    auto withHeight = [](std::int32_t h) {
        QByteArray b(LogFont::kSize, '\0');
        for (int i = 0; i < 4; ++i)
            b[i] = static_cast<char>((static_cast<std::uint32_t>(h) >> (8 * i)) & 0xFF);
        return LogFont::fromBytes(b)->toQFont();
    };
    EXPECT_EQ(withHeight(-16).pixelSize(), 16); // character height
    EXPECT_EQ(withHeight(16).pixelSize(), 13);  // cell height: four fifths of it
    EXPECT_EQ(withHeight(1).pixelSize(), 1);
    EXPECT_EQ(withHeight(0).pixelSize(), QFont().pixelSize()); // the system font's size
    EXPECT_EQ(withHeight(0).pointSizeF(), QFont().pointSizeF());
    EXPECT_EQ(withHeight(INT32_MIN).pixelSize(), LogFont::kMaxPixelSize);
    EXPECT_EQ(withHeight(INT32_MAX).pixelSize(), LogFont::kMaxPixelSize);
}

TEST(LogFont, AnUnchangedFontIsWrittenBackByteForByte) {
    const LogFont stored = *LogFont::fromBytes(storedTahoma());
    EXPECT_EQ(LogFont::fromQFont(stored.toQFont(), stored).bytes(), storedTahoma());

    // A positive (cell) height and a face name without a terminator survive too.
    QByteArray odd = storedTahoma();
    odd[0] = 20;
    odd[1] = odd[2] = odd[3] = 0;
    for (int i = 28; i < 92; i += 2) {
        odd[i] = 'A';
        odd[i + 1] = 0;
    }
    const LogFont oddFont = *LogFont::fromBytes(odd);
    EXPECT_EQ(oddFont.faceName(), QString(32, QLatin1Char('A')));
    EXPECT_EQ(LogFont::fromQFont(oddFont.toQFont(), oddFont).bytes(), odd);
}

TEST(LogFont, AChangedFontRewritesOnlyTheFieldsThatChanged) {
    const LogFont stored = *LogFont::fromBytes(storedTahoma());
    QFont f = stored.toQFont();
    f.setPixelSize(20);
    f.setItalic(false);
    const LogFont changed = LogFont::fromQFont(f, stored);
    EXPECT_EQ(changed.height(), -20);
    EXPECT_FALSE(changed.italic());
    EXPECT_EQ(changed.weight(), 700);
    EXPECT_EQ(changed.escapement(), 900);
    EXPECT_EQ(changed.quality(), 5);
    EXPECT_EQ(changed.faceName(), "Tahoma");
    EXPECT_EQ(changed.bytes().mid(23, 5), storedTahoma().mid(23, 5));
    EXPECT_EQ(changed.bytes().mid(28), storedTahoma().mid(28)); // face untouched, leftovers included

    f.setFamily(QStringLiteral("DejaVu Sans Mono"));
    const LogFont renamed = LogFont::fromQFont(f, stored);
    EXPECT_EQ(renamed.faceName(), "DejaVu Sans Mono");
    EXPECT_EQ(renamed.bytes().mid(28 + 2 * 16), QByteArray(92 - 28 - 32, '\0')); // terminator and zeros
}

TEST(LogFont, NewRecordsDescribeTheFontAndRoundTrip) {
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(15);
    f.setWeight(QFont::DemiBold);
    f.setUnderline(true);
    f.setStrikeOut(true);
    f.setFixedPitch(true);
    f.setStyleHint(QFont::Monospace, QFont::NoAntialias);
    const LogFont lf = LogFont::fromQFont(f);
    EXPECT_EQ(lf.bytes().size(), LogFont::kSize);
    EXPECT_EQ(lf.height(), -15);
    EXPECT_EQ(lf.weight(), 600);
    EXPECT_TRUE(lf.underline());
    EXPECT_TRUE(lf.strikeOut());
    EXPECT_EQ(lf.charSet(), 1);
    EXPECT_EQ(lf.quality(), 3);
    EXPECT_EQ(lf.pitchAndFamily(), 0x31);
    EXPECT_EQ(lf.faceName(), "DejaVu Sans Mono");

    const QFont back = lf.toQFont();
    EXPECT_EQ(back.pixelSize(), 15);
    EXPECT_EQ(back.weight(), QFont::DemiBold);
    EXPECT_TRUE(back.fixedPitch());
    EXPECT_EQ(back.styleStrategy() & QFont::NoAntialias, QFont::NoAntialias);
    EXPECT_EQ(LogFont::fromQFont(back), lf);

    // A font given in points is stored at its pixel height on this screen.
    QFont points(QStringLiteral("DejaVu Sans"), 12);
    EXPECT_EQ(-LogFont::fromQFont(points).height(), QFontInfo(points).pixelSize());

    // A face name longer than the field is cut to 31 units, leaving room for the terminator,
    // and a surrogate pair at the cut is not split.
    QFont longName(QString(30, QLatin1Char('F')) + QString::fromUcs4(U"\U0001F4E1"));
    const LogFont cut = LogFont::fromQFont(longName);
    EXPECT_EQ(cut.faceName(), QString(30, QLatin1Char('F')));
}

TEST(ListCtrlWidths, ValuesRoundTripAndKeepTheirLayout) {
    const std::vector<int> widths{80, 0, 120, 9999};
    const QByteArray value = ListCtrlWidths::encode(widths);
    EXPECT_EQ(value, QByteArray::fromHex("04000000"
                                         "50000000"
                                         "00000000"
                                         "78000000"
                                         "0f270000"));
    EXPECT_EQ(ListCtrlWidths::decode(value), widths);
    EXPECT_EQ(ListCtrlWidths::decode(ListCtrlWidths::encode({})), std::vector<int>{});
    // Negative and huge widths are clamped both ways.
    EXPECT_EQ(ListCtrlWidths::decode(ListCtrlWidths::encode({-5, 1'000'000})),
              (std::vector<int>{0, ListCtrlWidths::kMaxWidth}));
    EXPECT_EQ(ListCtrlWidths::decode(QByteArray::fromHex("02000000"
                                                         "ffffffff"
                                                         "ffffff7f")),
              (std::vector<int>{0, ListCtrlWidths::kMaxWidth}));
}

TEST(ListCtrlWidths, MalformedValuesAreRejected) {
    EXPECT_FALSE(ListCtrlWidths::decode(QByteArray()).has_value());
    EXPECT_FALSE(ListCtrlWidths::decode(QByteArray::fromHex("0200")).has_value());
    // A count that does not match the length, either way.
    EXPECT_FALSE(ListCtrlWidths::decode(QByteArray::fromHex("03000000"
                                                            "50000000"
                                                            "50000000"))
                     .has_value());
    EXPECT_FALSE(ListCtrlWidths::decode(QByteArray::fromHex("01000000"
                                                            "50000000"
                                                            "50000000"))
                     .has_value());
    // Absurd counts, including one that would overflow a byte count.
    EXPECT_FALSE(ListCtrlWidths::decode(QByteArray::fromHex("ffffffff")).has_value());
    EXPECT_FALSE(ListCtrlWidths::decode(QByteArray::fromHex("00000040")).has_value());
    QByteArray many = QByteArray::fromHex("01010000") + QByteArray(4 * 257, '\0');
    EXPECT_FALSE(ListCtrlWidths::decode(many).has_value());
}

TEST(ListCtrlWidths, SettingsKeepOneValuePerListNumber) {
    TempHome t;
    EXPECT_FALSE(ListCtrlWidths::load(t.settings, 10001).has_value());
    ListCtrlWidths::save(t.settings, 10001, {60, 70, 80});
    ListCtrlWidths::save(t.settings, 1097, {100, 50});

    SettingsStore other(t.home.settingsFile());
    EXPECT_EQ(other.readBinary("ListCtrls", "10001"), ListCtrlWidths::encode({60, 70, 80}));
    EXPECT_EQ(ListCtrlWidths::load(other, 10001), (std::vector<int>{60, 70, 80}));
    EXPECT_EQ(ListCtrlWidths::load(other, 1097, 2), (std::vector<int>{100, 50}));
    // A stored layout of another column count is not applied.
    EXPECT_FALSE(ListCtrlWidths::load(other, 10001, 10).has_value());
    other.writeBinary("ListCtrls", "10001", QByteArray("junk"));
    EXPECT_FALSE(ListCtrlWidths::load(other, 10001).has_value());
}
