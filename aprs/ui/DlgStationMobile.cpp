#include "aprs/ui/DlgStationMobile.h"

#include "aprs/ui/StationDetailText.h"
#include "gps/CoordText.h"
#include "platform/Settings.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

DlgStationMobile::DlgStationMobile(const StationRecord& record, SettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_record(record) {
    using namespace StationDetailText;
    using StationDetailRows::value;
    setObjectName(QStringLiteral("DlgStationMobile"));
    setWindowTitle(caption(m_record));
    const StationRecord& r = m_record;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StationDetailRows::header(r, this));
    auto* form = new QFormLayout;
    form->addRow(tr("Lat:"), value(QStringLiteral("lat"),
                                   Coord::latitudeText(r.latitude, Coord::DegreesDecimalMinutes), this));
    form->addRow(tr("Lon:"), value(QStringLiteral("lon"),
                                   Coord::longitudeText(r.longitude, Coord::DegreesDecimalMinutes), this));
    form->addRow(tr("Heard first:"), value(QStringLiteral("heardFirst"), heardText(r.firstHeard), this));
    form->addRow(tr("Heard last:"), value(QStringLiteral("heardLast"), heardText(r.lastHeard), this));
    form->addRow(tr("Course:"), value(QStringLiteral("course"), course(r.course), this));
    form->addRow(tr("Speed:"),
                 value(QStringLiteral("speed"),
                       mobileSpeed(r.speed, read(settings, Settings::SPEED_FORMAT_UNITS)), this));
    form->addRow(tr("Height:"),
                 value(QStringLiteral("height"),
                       mobileHeight(r.altitude, read(settings, Settings::ALTITUDE_FORMAT)), this));
    form->addRow(tr("Beacon:"), value(QStringLiteral("beacon"), r.comment, this));
    form->addRow(tr("Status:"), value(QStringLiteral("status"), r.status, this));
    auto* packet = value(QStringLiteral("packet"), r.lastPacket, this);
    packet->setMinimumWidth(200);
    form->addRow(tr("Packet:"), packet);
    layout->addLayout(form);

    StationDetailRows::addPathsAndClose(layout, r, this);
}
