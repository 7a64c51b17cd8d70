#include "maps/ShapeDisplaySettings.h"

#include "platform/CodePage.h"
#include "platform/Settings.h"
#include "platform/gui/LogFont.h"

#include <QFont>
#include <QtEndian>

namespace {

// The 8-bit logical font record of older files: the same 28 bytes of numbers and flags, then a
// face name of 32 bytes.
constexpr int kOldFontSize = 60;
constexpr int kFontFieldsSize = 28;
constexpr int kHeadSize = 20; // fill, line, switch, label column, label colour

QByteArray defaultFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    font.setWeight(QFont::Normal);
    return LogFont::fromQFont(font).bytes();
}

QByteArray wideFontFromOld(const QByteArray& old) {
    QByteArray wide = old.left(kFontFieldsSize);
    const QByteArray face = old.mid(kFontFieldsSize, LogFont::kFaceNameUnits);
    const qsizetype nul = face.indexOf('\0');
    const QString name =
        CodePage::decode(face.left(nul < 0 ? face.size() : nul)).left(LogFont::kFaceNameUnits);
    for (int i = 0; i < LogFont::kFaceNameUnits; ++i) {
        const char16_t unit = i < name.size() ? name[i].unicode() : 0;
        char b[2];
        qToLittleEndian<quint16>(unit, b);
        wide.append(b, 2);
    }
    return wide;
}

struct BlockReader {
    const char* p;
    qsizetype pos = 0;
    uint32_t u32() {
        const uint32_t v = qFromLittleEndian<uint32_t>(p + pos);
        pos += 4;
        return v;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
};

void putU32(QByteArray& out, uint32_t v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

ShapeDisplaySettings ShapeDisplaySettings::defaults(const SettingsStore& settings) {
    ShapeDisplaySettings s;
    s.fillColour = static_cast<uint32_t>(read(settings, Settings::MAPFILLCOLOR));
    s.lineColour = static_cast<uint32_t>(read(settings, Settings::MAPLINECOLOR));
    s.labelColour = static_cast<uint32_t>(read(settings, Settings::MAPLABELCOLOR));
    // The label font chosen on the setup page, when one was stored whole.
    const auto stored = read(settings, Settings::MAPLABELFONT);
    s.labelFont = stored && LogFont::fromBytes(*stored) ? *stored : defaultFont();
    return s;
}

QByteArray ShapeDisplaySettings::toBlock() const {
    QByteArray out;
    out.reserve(kBlockSize);
    putU32(out, fillColour);
    putU32(out, lineColour);
    putU32(out, static_cast<uint32_t>(switchDefaultOne));
    putU32(out, static_cast<uint32_t>(labelColumn));
    putU32(out, labelColour);
    out.append(labelFont.size() == LogFont::kSize ? labelFont : LogFont().bytes());
    putU32(out, static_cast<uint32_t>(scaleDependentLines));
    putU32(out, wideLineColour);
    putU32(out, static_cast<uint32_t>(pointSymbol));
    return out;
}

std::optional<ShapeDisplaySettings> ShapeDisplaySettings::fromBlock(const QByteArray& block) {
    const bool old = block.size() == kOldBlockSize;
    if (!old && block.size() != kBlockSize) return std::nullopt;
    const int fontSize = old ? kOldFontSize : LogFont::kSize;
    BlockReader r{block.constData()};
    ShapeDisplaySettings s;
    s.fillColour = r.u32();
    s.lineColour = r.u32();
    s.switchDefaultOne = r.i32();
    s.labelColumn = r.i32();
    s.labelColour = r.u32();
    const QByteArray font = block.mid(kHeadSize, fontSize);
    s.labelFont = old ? wideFontFromOld(font) : font;
    r.pos = kHeadSize + fontSize;
    s.scaleDependentLines = r.i32();
    s.wideLineColour = r.u32();
    s.pointSymbol = r.i32();
    return s;
}
