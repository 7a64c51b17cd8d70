#include "gps/ui/GPSView.h"

#include "controls/ZelGPSSatDisplay.h"
#include "controls/ZelMfcCompass.h"
#include "gps/GpsController.h"
#include "platform/ResourceStrings.h"
#include "platform/Settings.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

// A heading from the receiver as whole degrees; values no int holds saturate.
int wholeDegrees(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(v);
}

} // namespace

GPSView::GPSView(GpsController& gps, SettingsStore& settings, QWidget* parent)
    : QWidget(parent), m_gps(gps), m_settings(settings) {
    setObjectName(QStringLiteral("GPSView"));

    // The values in the system font, bold and larger, so they read at a glance.
    QFont valueFont = font();
    valueFont.setBold(true);
    if (valueFont.pointSizeF() > 0)
        valueFont.setPointSizeF(valueFont.pointSizeF() * 1.6);
    else
        valueFont.setPixelSize(valueFont.pixelSize() * 8 / 5);

    auto* position = new QGroupBox(tr("Position"), this);
    auto* form = new QFormLayout(position);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setVerticalSpacing(10);
    form->setHorizontalSpacing(18);
    m_lat = addField(form, tr("Latitude"), "LAT", QStringLiteral("00.00.000"));
    m_lon = addField(form, tr("Longitude"), "LON", QStringLiteral("000.00.000"));
    m_course = addField(form, tr("Course"), "COURSE", QStringLiteral("000"));
    m_speed = addField(form, tr("Speed"), "SPEED", QStringLiteral("00"));
    m_height = addField(form, tr("Height"), "HEIGHT", QStringLiteral("00"));
    m_dateTime = addField(form, tr("Date/Time"), "DATETIME", QStringLiteral("No Fix Yet"));

    // Wide enough for the longest texts, so the layout does not move when a fix arrives.
    const QFontMetrics valueMetrics(valueFont);
    const int valueWidth = std::max({valueMetrics.horizontalAdvance(QStringLiteral("000°00.0000W")),
                                     valueMetrics.horizontalAdvance(QStringLiteral("2026/12/31 23:59:59")),
                                     valueMetrics.horizontalAdvance(QStringLiteral("0000.00Km/h"))}) +
                           valueMetrics.averageCharWidth();
    for (QLabel* value : {m_lat, m_lon, m_course, m_speed, m_height, m_dateTime}) {
        value->setFont(valueFont);
        value->setMinimumWidth(valueWidth);
    }

    m_startStop = new QPushButton(this);
    m_startStop->setObjectName(QStringLiteral("startStop"));
    m_startStop->setMinimumWidth(m_startStop->fontMetrics().horizontalAdvance(QStringLiteral("Start")) * 3);
    connect(m_startStop, &QPushButton::clicked, this, &GPSView::toggleReading);

    auto* left = new QVBoxLayout;
    left->addWidget(position);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_startStop);
    buttonRow->addStretch();
    left->addLayout(buttonRow);
    left->addStretch();

    m_compass = new ZelMfcCompass(this);
    m_compass->setObjectName(QStringLiteral("compass"));
    m_compass->setHeading(120);
    m_compass->setCaption(ResourceStrings::text(ResourceStrings::Course));
    auto* compassBox = new QGroupBox(m_compass->caption(), this);
    (new QVBoxLayout(compassBox))->addWidget(m_compass);

    m_satellites = new ZelGPSSatDisplay(this);
    m_satellites->setObjectName(QStringLiteral("satellites"));
    auto* satellitesBox = new QGroupBox(tr("Satellites"), this);
    (new QVBoxLayout(satellitesBox))->addWidget(m_satellites);

    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(12);
    layout->addLayout(left, 0);
    layout->addWidget(compassBox, 1);
    layout->addWidget(satellitesBox, 1);

    connect(&m_gps, &GpsController::positionUpdated, this, &GPSView::showUpdate);
    connect(&m_gps, &GpsController::runningChanged, this, &GPSView::showRunning);
    showRunning(m_gps.isRunning());
    // A view made while the receiver already runs shows the last position at once.
    if (m_gps.lastUpdate()) showUpdate(*m_gps.lastUpdate());
}

QLabel* GPSView::addField(QFormLayout* form, const QString& caption, const char* name, const QString& text) {
    auto* value = new QLabel(text);
    value->setObjectName(QString::fromLatin1(name));
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* label = new QLabel(caption);
    label->setBuddy(value);
    form->addRow(label, value);
    return value;
}

QString GPSView::speedText(double knots, int speedFormat) {
    switch (speedFormat) {
    case 2:
        return QString::asprintf("%.2fKm/h", knots * 1.8520000893004895);
    case 3:
        return QString::asprintf("%.2fMi/h", knots * 1.150779503512294);
    default:
        return QString::asprintf("%.2fKn", knots);
    }
}

void GPSView::showUpdate(const GpsUpdate& update) {
    const GpsTexts& t = update.texts;
    m_lat->setText(t.latitudeDisplay);
    m_lon->setText(t.longitudeDisplay);
    m_dateTime->setText(t.date + QLatin1Char(' ') + t.time);
    m_speed->setText(speedText(update.position.speed, read(m_settings, Settings::SPEED_FORMAT_UNITS)));
    m_height->setText(t.height);
    m_course->setText(t.course);
    m_compass->setHeading(wholeDegrees(update.position.heading));
    m_satellites->setPosition(update.position);
}

void GPSView::toggleReading() {
    if (m_gps.isRunning())
        m_gps.stop();
    else
        m_gps.start();
    showRunning(m_gps.isRunning());
}

void GPSView::showRunning(bool running) {
    m_startStop->setText(running ? tr("Stop") : tr("Start"));
}
