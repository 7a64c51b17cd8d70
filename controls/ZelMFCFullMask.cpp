#include "controls/ZelMFCFullMask.h"

#include "gps/CoordText.h"
#include "platform/Prompter.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPointer>
#include <algorithm>
#include <cmath>

EditMask::EditMask(const QString& mask) {
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (c == u']') continue; // closes a set; never a literal
        if (c != u'[') {
            m_slots.push_back({false, QString(c)});
            continue;
        }
        // Characters up to the closing bracket belong to the set, brackets included.
        Slot slot{true, {}};
        qsizetype j = i + 1;
        for (; j < mask.size() && mask[j] != u']'; ++j) {
            const bool range =
                mask[j] == u'-' && !slot.chars.isEmpty() && j + 1 < mask.size() && mask[j + 1] != u']';
            if (!range) {
                slot.chars.append(mask[j]);
                continue;
            }
            const char32_t last = slot.chars.back().unicode();
            const char32_t end = mask[++j].unicode();
            for (char32_t u = last + 1; u <= end; ++u) slot.chars.append(QChar(static_cast<char16_t>(u)));
        }
        m_slots.push_back(std::move(slot));
        i = j;
    }
}

bool EditMask::accepts(qsizetype i, QChar ch) const {
    if (i < 0 || i >= size()) return false;
    const Slot& slot = m_slots[static_cast<size_t>(i)];
    return !slot.isSet || slot.chars.contains(ch);
}

QChar EditMask::stored(qsizetype i, QChar ch) const {
    const Slot& slot = m_slots[static_cast<size_t>(i)];
    return slot.isSet ? ch : slot.chars[0];
}

QChar EditMask::restored(qsizetype i) const {
    const Slot& slot = m_slots[static_cast<size_t>(i)];
    return slot.isSet ? kPrompt : slot.chars[0];
}

QString EditMask::filtered(const QString& value) const {
    QString text;
    for (qsizetype i = 0; i < value.size() && accepts(i, value[i]); ++i) text.append(stored(i, value[i]));
    return text;
}

std::optional<QString> EditMask::fitted(const QString& value) const {
    if (value.size() != size()) return std::nullopt;
    QString text = filtered(value);
    if (text.size() != size()) return std::nullopt;
    return text;
}

bool EditMask::isComplete(const QString& text) const {
    if (text.size() != size()) return false;
    for (qsizetype i = 0; i < size(); ++i) {
        const Slot& slot = m_slots[static_cast<size_t>(i)];
        if (slot.isSet ? !slot.chars.contains(text[i]) : text[i] != slot.chars[0]) return false;
    }
    return true;
}

qsizetype EditMask::nextSet(qsizetype from) const {
    for (qsizetype i = std::max<qsizetype>(from, 0); i < size(); ++i)
        if (m_slots[static_cast<size_t>(i)].isSet) return i;
    return size();
}

EditMask::Edit EditMask::typed(const QString& text, const QString& window, qsizetype s) const {
    Edit edit{text, std::clamp<qsizetype>(s, 0, text.size()), {}};
    const qsizetype p = s - 1;
    if (p < 0 || p >= window.size()) return edit;
    const QChar ch = window[p];
    if (!accepts(p, ch)) {
        if (p < size()) edit.refusedSet = m_slots[static_cast<size_t>(p)].chars;
        edit.caret = std::min(p, text.size());
        return edit;
    }
    if (text.size() >= s)
        edit.text[p] = stored(p, ch);
    else if (text.size() == p)
        edit.text.append(stored(p, ch));
    else
        return edit; // a gap before p; the line edit never makes one
    const qsizetype caret = nextSet(s);
    // Literals the caret skips are filled in, so a text typed from empty keeps its shape.
    while (edit.text.size() < caret) edit.text.append(restored(edit.text.size()));
    edit.caret = caret;
    return edit;
}

EditMask::Edit EditMask::erased(const QString& text, qsizetype s, qsizetype count, bool backspace) const {
    Edit edit{text, std::clamp<qsizetype>(s, 0, text.size()), {}};
    if (s < 0 || s >= size() || count < 1) return edit;
    const qsizetype end = std::min({s + count, size(), text.size()});
    for (qsizetype i = s; i < end; ++i) edit.text[i] = restored(i);
    if (count > 1) return edit; // a selection or a word: the caret stays where it began
    qsizetype caret = 0;
    if (backspace) {
        for (qsizetype j = s - 1; j >= 0; --j) {
            if (m_slots[static_cast<size_t>(j)].isSet) {
                caret = j + 1;
                break;
            }
        }
    } else {
        caret = nextSet(s + 1);
    }
    edit.caret = std::min(caret, edit.text.size());
    return edit;
}

namespace {

const EditMask& latitudeSlots() {
    static const EditMask mask(ZelMFCFullMask::latitudeMask());
    return mask;
}

const EditMask& longitudeSlots() {
    static const EditMask mask(ZelMFCFullMask::longitudeMask());
    return mask;
}

int digitsAt(const QString& text, qsizetype from, qsizetype count) {
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) value = value * 10 + text[i].digitValue();
    return value;
}

// Hemisphere letter at 0, degrees from 2, then the degree sign and mm.mm.
std::optional<double> coordinateValue(const QString& text, const EditMask& mask, int degreeDigits,
                                      int limit) {
    if (!mask.isComplete(text)) return std::nullopt;
    const int degrees = digitsAt(text, 2, degreeDigits);
    const qsizetype minutesAt = 2 + degreeDigits + 1;
    const int minutes = digitsAt(text, minutesAt, 2);
    const int hundredths = digitsAt(text, minutesAt + 3, 2);
    if (minutes >= 60) return std::nullopt;
    if (degrees > limit || (degrees == limit && (minutes > 0 || hundredths > 0))) return std::nullopt;
    return Coord::fromDegreesMinutes(degrees, minutes + hundredths / 100.0, text[0]);
}

double bounded(double value, double limit) {
    return std::isfinite(value) ? std::clamp(value, -limit, limit) : 0.0;
}

} // namespace

ZelMFCFullMask::ZelMFCFullMask(QWidget* parent) : QLineEdit(parent) {
    // Edits made outside this field's events (a caller's paste() or insert(), an accessibility
    // client) are judged as a whole once they are done.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (m_depth > 0 || QLineEdit::text() == m_text) return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (QLineEdit::text() != m_text)
                    settle(Change::Other, {}, Before{m_text, cursorPosition(), -1, 0});
            },
            Qt::QueuedConnection);
    });
}

void ZelMFCFullMask::setEditMask(const QString& mask) {
    m_mask = EditMask(mask);
    m_text.clear();
    putBack(0);
}

void ZelMFCFullMask::setText(const QString& value) {
    m_text = m_mask.filtered(value);
    putBack(m_text.size());
}

void ZelMFCFullMask::setupLatitude() {
    setEditMask(latitudeMask());
    setText(latitudeText(0.0));
}

void ZelMFCFullMask::setupLongitude() {
    setEditMask(longitudeMask());
    setText(longitudeText(0.0));
}

QString ZelMFCFullMask::latitudeMask() {
    return QStringLiteral("[NS] [0-9][0-9]\u00B0[0-9][0-9].[0-9][0-9]'");
}

QString ZelMFCFullMask::longitudeMask() {
    return QStringLiteral("[WE] [0-9][0-9][0-9]\u00B0[0-9][0-9].[0-9][0-9]'");
}

// The locations form puts a '0' after the hemisphere letter; the mask keeps its blank there.
QString ZelMFCFullMask::latitudeText(double value) {
    return latitudeSlots().filtered(Coord::latitudeText(bounded(value, 90.0), Coord::Location));
}

QString ZelMFCFullMask::longitudeText(double value) {
    return longitudeSlots().filtered(Coord::longitudeText(bounded(value, 180.0), Coord::Location));
}

std::optional<double> ZelMFCFullMask::latitudeValue(const QString& text) {
    return coordinateValue(text, latitudeSlots(), 2, 90);
}

std::optional<double> ZelMFCFullMask::longitudeValue(const QString& text) {
    return coordinateValue(text, longitudeSlots(), 3, 180);
}

bool ZelMFCFullMask::event(QEvent* event) {
    const Before before{QLineEdit::text(), cursorPosition(), selectionStart(), selectionLength()};
    Change change = Change::Other;
    QString typedText;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        change = key->key() == Qt::Key_Backspace ? Change::Backspace
                 : key->key() == Qt::Key_Delete  ? Change::Delete
                                                 : Change::Key;
        typedText = key->text();
    } else if (event->type() == QEvent::InputMethod) {
        // A composed character arrives as a commit; anything longer counts as a paste.
        const auto* input = static_cast<const QInputMethodEvent*>(event);
        if (input->preeditString().isEmpty() && input->replacementLength() == 0) {
            change = Change::Key;
            typedText = input->commitString();
        }
    }
    // A context menu or a drop runs an event loop of its own, in which this field may go.
    const QPointer<ZelMFCFullMask> alive(this);
    ++m_depth;
    const bool handled = QLineEdit::event(event);
    if (!alive) return handled;
    --m_depth;
    // Only the outermost event judges the change: while a key is handled the line edit sends
    // itself events of its own (input-method queries in an active window), and judging the half-done
    // change there would take the typed character back.
    if (m_depth == 0 && QLineEdit::text() != m_text) settle(change, typedText, before);
    return handled;
}

void ZelMFCFullMask::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (event->reason() != Qt::MouseFocusReason) {
        deselect();
        setCursorPosition(0);
    }
}

void ZelMFCFullMask::settle(Change change, const QString& typedText, const Before& before) {
    const QString window = QLineEdit::text();
    const int s = cursorPosition();
    std::optional<EditMask::Edit> edit;
    // The key rules read one step from the valid text; anything else is judged as a whole.
    if (before.text == m_text) {
        if (change == Change::Key && typedText.size() == 1) {
            const qsizetype at = before.selectionLength > 0 ? before.selectionStart : before.cursor;
            QString expected = before.text;
            expected.replace(at, before.selectionLength, typedText);
            if (window == expected && s == at + 1) edit = m_mask.typed(m_text, window, s);
        } else if (change == Change::Backspace || change == Change::Delete) {
            const qsizetype count = before.text.size() - window.size();
            if (count > 0 && window == before.text.left(s) + before.text.mid(s + count))
                edit = m_mask.erased(m_text, s, count, change == Change::Backspace);
        }
    }
    if (!edit) {
        if (auto fitted = m_mask.fitted(window)) {
            edit = EditMask::Edit{*fitted, s, {}};
        } else {
            QLineEdit::setText(m_text);
            if (before.selectionLength > 0 && before.cursor == before.selectionStart)
                setSelection(before.selectionStart + static_cast<int>(before.selectionLength),
                             -static_cast<int>(before.selectionLength));
            else if (before.selectionLength > 0)
                setSelection(before.selectionStart, static_cast<int>(before.selectionLength));
            else
                setCursorPosition(before.cursor);
            return;
        }
    }
    const bool changed = edit->text != m_text;
    m_text = edit->text;
    putBack(edit->caret);
    if (changed) emit maskedTextEdited(m_text);
    if (edit->refusedSet) {
        Prompter& prompter = m_prompter ? *m_prompter : m_ownPrompter;
        prompter.report(QStringLiteral("You can Only Type [%1] here.").arg(*edit->refusedSet),
                        Prompter::Icon::Stop);
    }
}

void ZelMFCFullMask::putBack(qsizetype caret) {
    if (QLineEdit::text() != m_text) QLineEdit::setText(m_text);
    setCursorPosition(static_cast<int>(std::clamp<qsizetype>(caret, 0, m_text.size())));
}
