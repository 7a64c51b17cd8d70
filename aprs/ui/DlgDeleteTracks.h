#pragma once

#include <QDialog>

class QSpinBox;

// "Delete Station Tracks": shows how many minutes the track spans and asks how many of the most
// recent minutes to keep (45 at first).
class DlgDeleteTracks : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDefaultKeepMinutes = 45;

    explicit DlgDeleteTracks(int durationMinutes, QWidget* parent = nullptr);
    int keepMinutes() const;

private:
    QSpinBox* m_keep = nullptr;
};
