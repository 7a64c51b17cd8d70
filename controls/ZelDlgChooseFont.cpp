#include "controls/ZelDlgChooseFont.h"

#include "controls/DialogRunner.h"
#include "platform/Settings.h"
#include "platform/SettingsStore.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace {

// The family's own name for the style nearest the font's weight and slant. Left to itself the
// dialog guesses a name from the weight ("Normal") and, when the family has no style of that
// name, selects its first style, which may be slanted or condensed.
QString nearestStyle(const QString& family, const QFont& font) {
    QString best;
    int bestScore = INT_MAX;
    for (const QString& style : QFontDatabase::styles(family)) {
        const QFont candidate = QFontDatabase::font(family, style, 10);
        int score = std::abs(candidate.weight() - font.weight());
        if ((candidate.style() != QFont::StyleNormal) != font.italic()) score += 10000;
        for (const char* width : {"Condensed", "Narrow", "Expanded", "Wide"})
            if (style.contains(QLatin1String(width), Qt::CaseInsensitive)) score += 5000;
        if (score < bestScore) {
            bestScore = score;
            best = style;
        }
    }
    return best;
}

} // namespace

ZelDlgChooseFont::ZelDlgChooseFont(const LogFont& start, QWidget* parent)
    : QFontDialog(parent), m_start(start) {
    setObjectName(QStringLiteral("ZelDlgChooseFont"));
    setWindowTitle(QStringLiteral("Font"));
    // The desktop's own chooser offers no underline or strike-out, which the record keeps.
    setOption(QFontDialog::DontUseNativeDialog);
    QFont shown = start.toQFont();
    shown.setFamily(QFontInfo(shown).family());
    shown.setStyleName(nearestStyle(shown.family(), shown));
    setCurrentFont(shown);
    m_shown = currentFont();
}

LogFont ZelDlgChooseFont::defaultRecord() {
    QByteArray bytes(LogFont::kSize, '\0');
    auto put32 = [&](int offset, std::int32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
    };
    put32(0, -11);
    put32(16, 400);
    bytes[27] = 0x20; // variable pitch by default, Swiss (sans-serif)
    const QString face = QStringLiteral("Tahoma");
    for (int i = 0; i < face.size(); ++i) bytes[28 + 2 * i] = static_cast<char>(face.at(i).unicode());
    return *LogFont::fromBytes(bytes);
}

LogFont ZelDlgChooseFont::startRecord(const std::optional<QByteArray>& stored) {
    if (stored) {
        if (auto record = LogFont::fromBytes(*stored)) return *record;
    }
    return defaultRecord();
}

LogFont ZelDlgChooseFont::chosen() const {
    // Each property the user left as the dialog first showed it is the start's own, so a face
    // shown by its substitute, or a pixel height shown in rounded points, is kept as stored.
    const QFont now = currentFont();
    QFont font = m_start.toQFont();
    if (now.family() != m_shown.family()) {
        font.setFamily(now.family());
        const bool fixed = QFontInfo(now).fixedPitch();
        font.setFixedPitch(fixed);
        font.setStyleHint(fixed ? QFont::Monospace : QFont::AnyStyle, font.styleStrategy());
    }
    if (now.pointSizeF() != m_shown.pointSizeF() || now.pixelSize() != m_shown.pixelSize()) {
        if (now.pixelSize() > 0)
            font.setPixelSize(now.pixelSize());
        else
            font.setPointSizeF(now.pointSizeF());
    }
    if (now.weight() != m_shown.weight()) font.setWeight(now.weight());
    if (now.italic() != m_shown.italic()) font.setItalic(now.italic());
    if (now.underline() != m_shown.underline()) font.setUnderline(now.underline());
    if (now.strikeOut() != m_shown.strikeOut()) font.setStrikeOut(now.strikeOut());
    return LogFont::fromQFont(font, m_start);
}

std::optional<QByteArray> chooseFont(QWidget* parent, DialogRunner& runner,
                                     const std::optional<QByteArray>& stored) {
    ZelDlgChooseFont dialog(ZelDlgChooseFont::startRecord(stored), parent);
    if (runner.run(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.chosen().bytes();
}

bool chooseFont(QWidget* parent, DialogRunner& runner, SettingsStore& settings,
                const Settings::Binary& setting) {
    const auto record = chooseFont(parent, runner, read(settings, setting));
    if (!record) return false;
    write(settings, setting, *record);
    return true;
}
