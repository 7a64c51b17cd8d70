#pragma once

#include "controls/DialogRunner.h"

#include <QColor>
#include <QComboBox>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

class SettingsStore;
namespace Settings {
struct Int;
}

// A drop-down of named colours with a swatch each: "Automatic" first (no stored value, so the
// setting's default applies), "Other..." last (any colour, through a colour chooser). A colour
// that is not one of the named ones shows as an item of its own. Values are the stored form,
// 0x00BBGGRR.
class CColourPicker : public QComboBox {
    Q_OBJECT
public:
    struct NamedColour {
        const char* name;
        std::uint32_t value;
    };
    static std::span<const NamedColour> namedColours();

    explicit CColourPicker(QWidget* parent = nullptr);

    // None while "Automatic" is chosen.
    std::optional<std::uint32_t> colour() const;
    // None chooses "Automatic". The high byte is no part of the colour and is dropped.
    void setColour(std::optional<std::uint32_t> value);
    // The colour "Automatic" stands for, shown on its swatch; none draws an empty swatch.
    void setAutomaticColour(std::optional<std::uint32_t> value);

    // Asks for the colour of "Other..."; none when the user cancels. By default a QColorDialog
    // run through the dialog runner.
    std::function<std::optional<QColor>(QColor initial)> chooseOther;
    // Null runs dialogs modally.
    void setDialogRunner(DialogRunner* runner) { m_runner = runner; }

    // A stored colour: none when the value is missing (or unreadable), so the default applies.
    static std::optional<std::uint32_t> read(const SettingsStore& settings, const Settings::Int& setting);
    // None removes the value, so the default applies again.
    static void write(SettingsStore& settings, const Settings::Int& setting,
                      std::optional<std::uint32_t> value);
    // The stored colour, with the setting's default on the "Automatic" swatch.
    void load(const SettingsStore& settings, const Settings::Int& setting);
    void save(SettingsStore& settings, const Settings::Int& setting) const;

signals:
    void colourChanged();

protected:
    void changeEvent(QEvent* event) override;

private:
    enum Kind { Automatic, Named, Custom, Other };

    int indexOfKind(Kind kind) const;
    int indexOfValue(std::uint32_t value) const;
    void select(std::optional<std::uint32_t> value);
    void indexChanged(int index);
    void askOther();
    void noteChange();
    void refreshSwatches();
    std::optional<QColor> runColourDialog(QColor initial);

    DialogRunner m_modal;
    DialogRunner* m_runner = nullptr;
    std::optional<std::uint32_t> m_automatic;
    std::optional<std::uint32_t> m_reported; // the colour last announced
    int m_lastIndex = 0;                     // the last item other than "Other..."
    bool m_updating = false;
};
