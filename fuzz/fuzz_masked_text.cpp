// The masked field's rules and the coordinate readers on arbitrary input: a control byte, then
// UTF-8 text, the mask up to the first newline and the field's text after it. The control byte
// picks where an edit happens; the first eight bytes also make a double for the text forms.
#include "controls/ZelMFCFullMask.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// Every character of a text is one its position may hold, the prompt included.
void checkHeld(const EditMask& mask, const QString& text) {
    check(text.size() <= mask.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const EditMask::Slot& slot = mask.positions()[static_cast<size_t>(i)];
        check(slot.isSet ? slot.chars.contains(text[i]) || text[i] == EditMask::kPrompt
                         : text[i] == slot.chars[0]);
    }
}

void checkEdit(const EditMask& mask, const EditMask::Edit& edit) {
    checkHeld(mask, edit.text);
    check(edit.caret >= 0 && edit.caret <= edit.text.size());
}

using Reader = std::optional<double> (*)(const QString&);
using Writer = QString (*)(double);

void checkCoordinate(const QString& text, Reader read, Writer write, double limit, double shown) {
    if (const auto value = read(text)) {
        check(std::isfinite(*value) && std::fabs(*value) <= limit);
        const QString back = write(*value);
        // "S 00°00.00'" is zero, which shows as N.
        if (*value != 0.0) check(back == text);
    }
    const QString form = write(shown);
    const auto value = read(form);
    check(value.has_value());
    if (std::isfinite(shown) && std::fabs(shown) <= limit)
        check(std::fabs(*value - shown) <= 0.005 / 60 + 1e-9);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t control = data[0];
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const qsizetype newline = input.indexOf(QLatin1Char('\n'));
    const QString maskText = (newline < 0 ? input : input.left(newline)).left(64);
    const QString value = newline < 0 ? QString() : input.mid(newline + 1);

    const EditMask mask(maskText);
    const QString text = mask.filtered(value);
    checkHeld(mask, text);
    check(text.size() <= value.size());
    check(mask.filtered(text) == text);
    check(mask.isComplete(text) == (text.size() == mask.size()));
    const auto fitted = mask.fitted(value);
    check(fitted.has_value() == (value.size() == mask.size() && text.size() == mask.size()));
    if (fitted) check(*fitted == text && mask.fitted(*fitted) == fitted);

    // A typed character, then Backspace or Delete, at a place the control byte picks.
    const qsizetype at = control % (text.size() + 1);
    const QChar typed = value.isEmpty() ? QChar(u'0') : value[control % value.size()];
    QString window = text;
    window.insert(at, typed);
    const EditMask::Edit edit = mask.typed(text, window, at + 1);
    checkEdit(mask, edit);
    if (edit.refusedSet) check(edit.text == text);
    if (mask.accepts(at, typed)) check(edit.text.size() > at && edit.text[at] == mask.stored(at, typed));
    const qsizetype count = 1 + (control >> 4) % 4;
    const EditMask::Edit erased = mask.erased(edit.text, std::min(at, edit.text.size()), count, control & 1);
    checkEdit(mask, erased);
    check(erased.text.size() == edit.text.size());

    double shown = 0.0;
    if (size >= 9) std::memcpy(&shown, data + 1, sizeof shown);
    checkCoordinate(value, &ZelMFCFullMask::latitudeValue, &ZelMFCFullMask::latitudeText, 90.0, shown);
    checkCoordinate(value, &ZelMFCFullMask::longitudeValue, &ZelMFCFullMask::longitudeText, 180.0, shown);
    return 0;
}
