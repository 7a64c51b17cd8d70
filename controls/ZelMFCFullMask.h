#pragma once

#include "controls/QtPrompter.h"

#include <QLineEdit>
#include <QString>
#include <optional>
#include <vector>

class Prompter;

// The shape a masked field's text must have, one slot per character position, and what the
// field's edits make of a text of that shape. Free of any widget, so the rules can be tested and
// fuzzed on their own.
//
// A mask is literal characters and bracketed sets: "[NS] [0-9][0-9]" is a set of N and S, a
// literal blank and two digit sets. In a set, "-" between two characters stands for the range
// from the first to the second; a "-" with no character before or after it is itself a member.
class EditMask {
public:
    struct Slot {
        bool isSet = false;
        QString chars; // the set's characters, or the one literal character
    };
    // What an edit leaves: the valid text, where the caret goes, and the characters of the slot
    // that refused a typed character (for the message), when one did.
    struct Edit {
        QString text;
        qsizetype caret = 0;
        std::optional<QString> refusedSet;
    };

    // Stands in a set position whose character was deleted.
    static constexpr QChar kPrompt = u'_';

    EditMask() = default;
    explicit EditMask(const QString& mask);

    qsizetype size() const { return static_cast<qsizetype>(m_slots.size()); }
    const std::vector<Slot>& positions() const { return m_slots; }

    // A literal position takes any character and keeps its own; a set position takes its members.
    bool accepts(qsizetype i, QChar ch) const;
    // What position i keeps for a character it accepts.
    QChar stored(qsizetype i, QChar ch) const;
    // The leading part of value that the mask accepts position by position.
    QString filtered(const QString& value) const;
    // value as the mask keeps it, when every position accepts its character and value has
    // exactly one character per position; otherwise none.
    std::optional<QString> fitted(const QString& value) const;
    // Every position filled: a member of its set, or its own literal.
    bool isComplete(const QString& text) const;
    // The first set position at or after `from`, or size() when there is none.
    qsizetype nextSet(qsizetype from) const;

    // A character typed: `window` is what the line edit made of `text`, with the caret at s just
    // after the new character.
    Edit typed(const QString& text, const QString& window, qsizetype s) const;
    // `count` characters from position s taken out by Backspace or Delete: set positions get the
    // prompt back, literals themselves.
    Edit erased(const QString& text, qsizetype s, qsizetype count, bool backspace) const;

private:
    QChar restored(qsizetype i) const;

    std::vector<Slot> m_slots;
};

// A single-line edit that holds only text of the shape of its mask. It keeps its own copy of the
// valid text and puts it back after every change, so the field never shows a character the mask
// refuses: a typed character goes into the position at the caret (literals fill themselves and
// the caret skips them), Backspace and Delete blank a position, and any other change (a paste,
// a drop, a cut) is taken only when the whole resulting text fits the mask.
class ZelMFCFullMask : public QLineEdit {
    Q_OBJECT
public:
    explicit ZelMFCFullMask(QWidget* parent = nullptr);

    // Replaces the mask; the text becomes empty.
    void setEditMask(const QString& mask);
    const EditMask& editMask() const { return m_mask; }
    // As much of value as the mask accepts from the start; the caret goes to the end.
    void setText(const QString& value);
    // Every position filled.
    bool isComplete() const { return m_mask.isComplete(m_text); }
    // Where a refused character is reported; null reports in a message box over the field.
    void setPrompter(Prompter* prompter) { m_prompter = prompter; }

    // The latitude and longitude fields of a stored location, showing their empty form
    // ("N 00°00.00'", "E 000°00.00'").
    void setupLatitude();
    void setupLongitude();
    static QString latitudeMask();
    static QString longitudeMask();
    // The masked form of decimal degrees (out-of-range values are clamped, others give 0).
    static QString latitudeText(double value);
    static QString longitudeText(double value);
    // Decimal degrees from a complete masked text; none for a blanked position, minutes of 60 or
    // more, or beyond 90 (180) degrees.
    static std::optional<double> latitudeValue(const QString& text);
    static std::optional<double> longitudeValue(const QString& text);

signals:
    // The user changed the valid text.
    void maskedTextEdited(const QString& text);

protected:
    bool event(QEvent* event) override;
    // Reached by the keyboard, the field is typed over from its first position: a line edit would
    // select everything, and a typed character cannot replace the whole shape.
    void focusInEvent(QFocusEvent* event) override;

private:
    struct Before {
        QString text;
        int cursor = 0;
        int selectionStart = -1;
        qsizetype selectionLength = 0;
    };
    enum class Change { Other, Key, Backspace, Delete };

    void settle(Change change, const QString& typedText, const Before& before);
    void putBack(qsizetype caret);

    EditMask m_mask;
    QString m_text;
    QtPrompter m_ownPrompter{this};
    Prompter* m_prompter = nullptr;
    int m_depth = 0; // events of this field being handled
};
