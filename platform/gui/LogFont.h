#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>
#include <cstdint>
#include <optional>

// The stored font record: the 92-byte wide-character logical font (height, width, escapement,
// orientation and weight as 32-bit integers, then italic, underline, strike-out, character set,
// output precision, clip precision, quality and pitch-and-family as bytes, then a face name of
// 32 UTF-16 code units; little-endian).
//
// The record keeps its bytes, so fields Qt has no use for (escapement, character set, the
// precisions, whatever follows the face name's terminator) survive a round trip, and a font the
// user did not change is written back byte for byte: fromQFont(font, base) rewrites only the
// fields in which `font` differs from base.toQFont().
//
// Height: negative is the character height in pixels and becomes the pixel size. Positive is
// the cell height, internal leading included; the character takes about four fifths of a cell,
// so the pixel size is the cell height * 4 / 5, rounded. Zero keeps the system font's size.
// Pixel sizes are bounded to 1..kMaxPixelSize. A new record (fromQFont without a base) always
// has a negative height.
class LogFont {
public:
    static constexpr int kSize = 92;
    static constexpr int kFaceNameUnits = 32;
    static constexpr int kMaxPixelSize = 500;

    // All fields zero: the system font.
    LogFont();

    // The record held in `bytes`, or none unless it is exactly kSize bytes long.
    static std::optional<LogFont> fromBytes(const QByteArray& bytes);
    // A new record describing `font` (pixel height, weight, styles, face, pitch and family).
    static LogFont fromQFont(const QFont& font);
    // `base` with the fields in which `font` differs from base.toQFont() rewritten.
    static LogFont fromQFont(const QFont& font, const LogFont& base);

    const QByteArray& bytes() const { return m_bytes; }
    QFont toQFont() const;

    std::int32_t height() const { return int32At(0); }
    std::int32_t width() const { return int32At(4); }
    std::int32_t escapement() const { return int32At(8); }
    std::int32_t orientation() const { return int32At(12); }
    std::int32_t weight() const { return int32At(16); }
    bool italic() const { return byteAt(20) != 0; }
    bool underline() const { return byteAt(21) != 0; }
    bool strikeOut() const { return byteAt(22) != 0; }
    std::uint8_t charSet() const { return byteAt(23); }
    std::uint8_t quality() const { return byteAt(26); }
    std::uint8_t pitchAndFamily() const { return byteAt(27); }
    // Up to the first NUL, or all 32 units when there is none.
    QString faceName() const;

    bool operator==(const LogFont& other) const { return m_bytes == other.m_bytes; }

private:
    explicit LogFont(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    std::int32_t int32At(int offset) const;
    std::uint8_t byteAt(int offset) const { return static_cast<std::uint8_t>(m_bytes[offset]); }
    void setInt32(int offset, std::int32_t value);
    void setByte(int offset, std::uint8_t value) { m_bytes[offset] = static_cast<char>(value); }
    void setFaceName(const QString& face);

    QByteArray m_bytes;
};
