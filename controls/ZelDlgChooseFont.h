#pragma once

#include "platform/gui/LogFont.h"

#include <QByteArray>
#include <QFont>
#include <QFontDialog>
#include <optional>

class DialogRunner;
class SettingsStore;
namespace Settings {
struct Binary;
}

// The font chooser of the "Font..." buttons: a font dialog that starts from a stored font record
// and gives back a record in which only what the user changed is rewritten, so choosing Ok on
// the font as it was keeps the stored bytes as they were.
//
// A face the desktop does not have (the default Tahoma, on most Linux systems) is shown as the
// family the font actually resolves to (the record asks for a sans-serif, so a sans-serif); the
// record keeps its face unless the user picks another family.
class ZelDlgChooseFont : public QFontDialog {
    Q_OBJECT
public:
    explicit ZelDlgChooseFont(const LogFont& start, QWidget* parent = nullptr);

    // Height -11, weight 400, no italic, underline or strike-out, pitch-and-family 0x20, Tahoma.
    static LogFont defaultRecord();
    // The stored record when it is one (exactly LogFont::kSize bytes), else the default.
    static LogFont startRecord(const std::optional<QByteArray>& stored);

    const LogFont& start() const { return m_start; }
    // The record of the font the dialog shows now.
    LogFont chosen() const;

private:
    LogFont m_start;
    QFont m_shown; // the start as the dialog first reported it
};

// Runs the chooser on the stored value; the new record on Ok, none on Cancel.
std::optional<QByteArray> chooseFont(QWidget* parent, DialogRunner& runner,
                                     const std::optional<QByteArray>& stored);
// The same on a setting, written at once on Ok. Whether it was.
bool chooseFont(QWidget* parent, DialogRunner& runner, SettingsStore& settings,
                const Settings::Binary& setting);
