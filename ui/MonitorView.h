#pragma once

#include "controls/CommandIds.h"
#include "engine/ReceivedFrame.h"

#include <QString>
#include <QWidget>

class SettingsStore;
class TOutputWnd;

// The monitor tab: every frame the station receives or sends, as coloured lines in a
// TOutputWnd. Header lines are coloured by who they concern: palette entry 5 for the station's
// own transmissions, 2 for headers naming the own or the mobile call, 3 for the others; the
// information lines stay in the default colour.
//
// Received text is shown, never interpreted: control characters in it appear as "\xNN" escapes,
// so nothing from the air can change the monitor's colours.
class MonitorView : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    static constexpr int kOutputControlId = 59848;
    static constexpr int kOwnTransmissionColour = 5;
    static constexpr int kOwnCallColour = 2;
    static constexpr int kHeaderColour = 3;

    explicit MonitorView(SettingsStore& settings, QWidget* parent = nullptr);

    void addFrame(const ReceivedFrame& frame);
    // The calls a header is matched against, as the main window read them (MYCALL and the
    // mobile CALL); an empty call matches nothing.
    void setOwnCalls(const QString& myCall, const QString& mobileCall);
    // The three monitor colours and the monitor font, read again from the settings.
    void reloadSettings();

    TOutputWnd* output() const { return m_output; }

    // Control characters (C0, DEL, C1) and the characters that would reorder or break the line
    // (bidirectional embeddings, overrides and isolates; line and paragraph separators) as
    // visible escapes: "\x03", "\u202E".
    static QString escaped(const QString& text);

    bool handlesCommand(int id) const override;
    bool isCommandChecked(int id) const override;
    void runCommand(int id) override;

private:
    void addFrameLines(const ReceivedFrame& frame);
    bool namesOwnCall(const QString& line) const;

    SettingsStore& m_settings;
    TOutputWnd* m_output = nullptr;
    QString m_myCall;
    QString m_mobileCall;
};
