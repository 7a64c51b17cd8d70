// Stored binary values on arbitrary bytes: the column widths of the list views, and the font
// record (the first 92 bytes, padded with zeros) through QFont and back. QFont needs no
// application object for what is done here: no font is resolved.
#include "controls/ListCtrlWidths.h"
#include "platform/gui/LogFont.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    if (const auto widths = ListCtrlWidths::decode(bytes)) {
        check(widths->size() <= ListCtrlWidths::kMaxColumns);
        check(bytes.size() == 4 + 4 * static_cast<qsizetype>(widths->size()));
        for (int w : *widths) check(w >= 0 && w <= ListCtrlWidths::kMaxWidth);
        check(ListCtrlWidths::decode(ListCtrlWidths::encode(*widths)) == widths);
    }

    check(LogFont::fromBytes(bytes).has_value() == (bytes.size() == LogFont::kSize));
    QByteArray padded = bytes.left(LogFont::kSize);
    padded.append(QByteArray(LogFont::kSize - padded.size(), '\0'));
    const LogFont record = *LogFont::fromBytes(padded);
    const QFont font = record.toQFont();
    check(font.pixelSize() == -1 || (font.pixelSize() >= 1 && font.pixelSize() <= LogFont::kMaxPixelSize));

    // Written back unchanged, a record keeps every byte.
    check(LogFont::fromQFont(font, record) == record);
    // A change rewrites its own field only.
    QFont slanted = font;
    slanted.setItalic(!font.italic());
    const LogFont edited = LogFont::fromQFont(slanted, record);
    check(edited.italic() != record.italic());
    check(edited.bytes().left(20) == record.bytes().left(20) &&
          edited.bytes().mid(21) == record.bytes().mid(21));
    // A new record describes its font completely: made again from its own font, it is the same.
    const LogFont once = LogFont::fromQFont(font);
    check(once.bytes().size() == LogFont::kSize && once.height() < 0);
    check(LogFont::fromQFont(once.toQFont()) == once);
    return 0;
}
