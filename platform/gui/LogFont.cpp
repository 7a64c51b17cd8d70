#include "platform/gui/LogFont.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {

// Offsets and values of the record's byte fields.
constexpr int kHeight = 0, kWeight = 16, kItalic = 20, kUnderline = 21, kStrikeOut = 22, kCharSet = 23,
              kQuality = 26, kPitchAndFamily = 27, kFaceName = 28;
constexpr std::uint8_t kDefaultCharSet = 1;
constexpr std::uint8_t kNonAntialiased = 3, kAntialiased = 4;
constexpr std::uint8_t kFixedPitch = 1;
constexpr std::uint8_t kRoman = 0x10, kSwiss = 0x20, kModern = 0x30, kScript = 0x40, kDecorative = 0x50;

int boundedPixels(std::int64_t pixels) {
    return static_cast<int>(std::clamp<std::int64_t>(pixels, 1, LogFont::kMaxPixelSize));
}

// The font's character height in pixels, whether it was given in pixels or in points.
int pixelsOf(const QFont& font) {
    if (font.pixelSize() > 0) return boundedPixels(font.pixelSize());
    qreal dpi = 96;
    if (qGuiApp && QGuiApplication::primaryScreen())
        dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    return boundedPixels(std::llround(font.pointSizeF() * dpi / 72.0));
}

std::uint8_t qualityOf(const QFont& font) {
    if (font.styleStrategy() & QFont::NoAntialias) return kNonAntialiased;
    if (font.styleStrategy() & QFont::PreferAntialias) return kAntialiased;
    return 0;
}

std::uint8_t pitchAndFamilyOf(const QFont& font) {
    std::uint8_t family = 0;
    switch (font.styleHint()) {
    case QFont::Serif:
        family = kRoman;
        break;
    case QFont::SansSerif:
        family = kSwiss;
        break;
    case QFont::Monospace:
    case QFont::TypeWriter:
        family = kModern;
        break;
    case QFont::Cursive:
        family = kScript;
        break;
    case QFont::Decorative:
    case QFont::Fantasy:
        family = kDecorative;
        break;
    default:
        break;
    }
    return static_cast<std::uint8_t>(family | (font.fixedPitch() ? kFixedPitch : 0));
}

} // namespace

LogFont::LogFont() : m_bytes(kSize, '\0') {}

std::optional<LogFont> LogFont::fromBytes(const QByteArray& bytes) {
    if (bytes.size() != kSize) return std::nullopt;
    return LogFont(bytes);
}

LogFont LogFont::fromQFont(const QFont& font) {
    LogFont lf;
    lf.setInt32(kHeight, -pixelsOf(font));
    lf.setInt32(kWeight, font.weight());
    lf.setByte(kItalic, font.italic() ? 1 : 0);
    lf.setByte(kUnderline, font.underline() ? 1 : 0);
    lf.setByte(kStrikeOut, font.strikeOut() ? 1 : 0);
    lf.setByte(kCharSet, kDefaultCharSet);
    lf.setByte(kQuality, qualityOf(font));
    lf.setByte(kPitchAndFamily, pitchAndFamilyOf(font));
    lf.setFaceName(font.family());
    return lf;
}

LogFont LogFont::fromQFont(const QFont& font, const LogFont& base) {
    const QFont was = base.toQFont();
    const LogFont now = fromQFont(font);
    LogFont lf = base;
    auto take = [&](int offset, int length) {
        lf.m_bytes.replace(offset, length, now.m_bytes.mid(offset, length));
    };
    if (pixelsOf(font) != pixelsOf(was)) take(kHeight, 4);
    if (font.weight() != was.weight()) take(kWeight, 4);
    if (font.italic() != was.italic()) take(kItalic, 1);
    if (font.underline() != was.underline()) take(kUnderline, 1);
    if (font.strikeOut() != was.strikeOut()) take(kStrikeOut, 1);
    if (qualityOf(font) != qualityOf(was)) take(kQuality, 1);
    if (font.fixedPitch() != was.fixedPitch() || font.styleHint() != was.styleHint())
        take(kPitchAndFamily, 1);
    if (font.family() != was.family()) take(kFaceName, kFaceNameUnits * 2);
    return lf;
}

QFont LogFont::toQFont() const {
    QFont font;
    const std::int64_t h = height();
    if (h < 0)
        font.setPixelSize(boundedPixels(-h));
    else if (h > 0)
        font.setPixelSize(boundedPixels((h * 4 + 2) / 5));
    if (weight() > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp<std::int32_t>(weight(), 1, 1000)));
    font.setItalic(italic());
    font.setUnderline(underline());
    font.setStrikeOut(strikeOut());
    const QString face = faceName();
    if (!face.isEmpty()) font.setFamily(face);

    QFont::StyleHint hint = QFont::AnyStyle;
    switch (pitchAndFamily() & 0xF0) {
    case kRoman:
        hint = QFont::Serif;
        break;
    case kSwiss:
        hint = QFont::SansSerif;
        break;
    case kModern:
        hint = QFont::Monospace;
        break;
    case kScript:
        hint = QFont::Cursive;
        break;
    case kDecorative:
        hint = QFont::Decorative;
        break;
    default:
        break;
    }
    const bool fixed = (pitchAndFamily() & 0x03) == kFixedPitch;
    if (fixed && hint == QFont::AnyStyle) hint = QFont::Monospace;
    font.setFixedPitch(fixed);

    QFont::StyleStrategy strategy = QFont::PreferDefault;
    if (quality() == kNonAntialiased)
        strategy = QFont::NoAntialias;
    else if (quality() >= kAntialiased && quality() <= 6)
        strategy = QFont::PreferAntialias;
    font.setStyleHint(hint, strategy);
    return font;
}

QString LogFont::faceName() const {
    QString face;
    for (int i = 0; i < kFaceNameUnits; ++i) {
        const auto lo = byteAt(kFaceName + 2 * i);
        const auto hi = byteAt(kFaceName + 2 * i + 1);
        const char16_t unit = static_cast<char16_t>(lo | hi << 8);
        if (unit == 0) break;
        face.append(QChar(unit));
    }
    return face;
}

std::int32_t LogFont::int32At(int offset) const {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | byteAt(offset + i);
    return static_cast<std::int32_t>(v);
}

void LogFont::setInt32(int offset, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) setByte(offset + i, static_cast<std::uint8_t>(v >> (8 * i)));
}

void LogFont::setFaceName(const QString& face) {
    // Room for the terminator; a surrogate pair is never split.
    qsizetype units = std::min<qsizetype>(face.size(), kFaceNameUnits - 1);
    if (units > 0 && units < face.size() && face.at(units - 1).isHighSurrogate()) --units;
    for (int i = 0; i < kFaceNameUnits; ++i) {
        const char16_t unit = i < units ? face.at(i).unicode() : 0;
        setByte(kFaceName + 2 * i, static_cast<std::uint8_t>(unit & 0xFF));
        setByte(kFaceName + 2 * i + 1, static_cast<std::uint8_t>(unit >> 8));
    }
}
