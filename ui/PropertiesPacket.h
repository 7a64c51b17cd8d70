#pragma once

#include "ui/PropertyPage.h"

#include <array>
#include <map>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QSpinBox;

// The Ports page: per port (the APRS-IS server first, then the packet engine's radio ports)
// whether it transmits, its via path, beacon text and period, Unicode texts and the PHG extension.
// Every port the user looked at keeps its edits while another is shown, and all of them are
// written on Ok.
class PropertiesPacket : public PropertyPage {
    Q_OBJECT
public:
    explicit PropertiesPacket(PropertiesContext& context, QWidget* parent = nullptr);

    QString problem() const override;
    void save() override;

    static constexpr int kMaxPeriod = 1440;
    // AX.25 carries at most eight digipeaters.
    static constexpr int kMaxDigipeaters = 8;
    // Why a typed via path cannot be used, or empty: calls or aliases ("WIDE2-2") separated by
    // commas, no blanks. The GPS page holds its path to the same rule.
    static QString pathProblem(const QString& path);
    // Upper-cases a line edit as the user types, keeping the cursor where it was.
    static void upperCaseAsTyped(QLineEdit* edit);

protected:
    void load() override;

private:
    // The page's working copy of one port's values; PHG digits are -1 while a list has no selection.
    struct PortValues {
        bool enabled = false;
        bool unicode = false;
        QString path;
        QString beacon;
        int period = 30;
        bool phgEnabled = false;
        std::array<int, 4> phg{-1, -1, -1, -1};
    };

    PortValues stored(int port) const;
    PortValues shownValues() const;
    void showPort(int port);
    void updateEnabled();
    QString portName(int port) const;
    QString portProblem(int port, const PortValues& values) const;

    QListWidget* m_ports;
    QGroupBox* m_portBox;
    QCheckBox* m_enable;
    QCheckBox* m_unicode;
    QLineEdit* m_path;
    QLineEdit* m_beacon;
    QSpinBox* m_every;
    QGroupBox* m_sendPhg;
    std::array<QComboBox*, 4> m_phg{};
    // Every port shown so far, by number; the one on screen is m_shown and lives in the controls.
    std::map<int, PortValues> m_edited;
    int m_shown = -1;
    bool m_showing = false;
};
