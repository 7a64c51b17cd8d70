#include "aprs/ui/DlgStationStatic.h"

#include "aprs/ui/StationDetailText.h"
#include "platform/Settings.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

DlgStationStatic::DlgStationStatic(const StationRecord& record, SettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_record(record) {
    using namespace StationDetailText;
    using StationDetailRows::value;
    setObjectName(QStringLiteral("DlgStationStatic"));
    setWindowTitle(caption(m_record));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StationDetailRows::header(m_record, this));
    auto* form = new QFormLayout;
    StationDetailRows::addCommon(form, m_record, this);
    layout->addLayout(form);

    // PHG only when a power was given; a station without PHG leaves the fields empty.
    const StationRecord::Phg& phg = m_record.phg;
    const bool hasPhg = phg.power >= 1;
    const int altitudeFormat = read(settings, Settings::ALTITUDE_FORMAT);
    auto* phgBox = new QGroupBox(tr("PHG"), this);
    auto* phgForm = new QFormLayout(phgBox);
    phgForm->addRow(tr("Power:"),
                    value(QStringLiteral("power"), hasPhg ? phgPower(phg.power) : QString(), this));
    phgForm->addRow(tr("Ant.Gain:"),
                    value(QStringLiteral("gain"), hasPhg ? phgGain(phg.gain) : QString(), this));
    phgForm->addRow(tr("Height:"), value(QStringLiteral("height"),
                                         hasPhg ? phgHeight(phg.height, altitudeFormat) : QString(), this));
    phgForm->addRow(tr("Ant.Direction:"), value(QStringLiteral("directivity"),
                                                hasPhg ? phgDirectivity(phg.directivity) : QString(), this));
    layout->addWidget(phgBox);

    StationDetailRows::addPathsAndClose(layout, m_record, this);
}
