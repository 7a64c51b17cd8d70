#include "aprs/ui/DlgStationWether.h"

#include "aprs/ui/StationDetailText.h"
#include "controls/HumidityGauge.h"
#include "controls/RainGauge.h"
#include "controls/ZelDirectionmeter.h"
#include "controls/ZelMFCThermometer.h"
#include "gps/Units.h"
#include "platform/Settings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kTwoHours = 7200;
constexpr int kNoTemperature = -50000;

Thermometer::Scale scaleFor(int temperatureFormat) {
    return temperatureFormat == Units::Fahrenheit ? Thermometer::Scale::Fahrenheit
                                                  : Thermometer::Scale::Celsius;
}

// A derived temperature (wind chill, heat index, dew point) means something only when the
// temperature it comes from was reported.
std::optional<double> temperatureValue(bool reported, double fahrenheit, int temperatureFormat) {
    if (!reported) return std::nullopt;
    return StationDetailText::temperature(fahrenheit, temperatureFormat);
}

ZelMFCThermometer* thermometer(const QString& name, const QString& title, std::optional<double> value,
                               int temperatureFormat, QWidget* parent) {
    auto* t = new ZelMFCThermometer(parent);
    t->setObjectName(name);
    t->setMinimumSize(60, 150); // the gauges ask for no size of their own
    t->setState({title, scaleFor(temperatureFormat), value});
    return t;
}

} // namespace

PressureTrend pressureTrend(const std::vector<TrackPoint>& track) {
    PressureTrend trend = PressureTrend::Steady;
    const TrackPoint* reference = nullptr;
    for (const TrackPoint& point : track) {
        if (point.pressure < 0) continue;
        if (!reference) {
            reference = &point;
            continue;
        }
        if (point.time.wallClockSeconds() - reference->time.wallClockSeconds() <= kTwoHours) continue;
        trend = point.pressure < reference->pressure   ? PressureTrend::Worse
                : point.pressure > reference->pressure ? PressureTrend::Better
                                                       : PressureTrend::Steady;
        reference = &point;
    }
    return trend;
}

DlgStationWether::DlgStationWether(const StationRecord& record, PressureTrend trend, SettingsStore& settings,
                                   QWidget* parent)
    : QDialog(parent), m_record(record) {
    setObjectName(QStringLiteral("DlgStationWether"));
    setWindowTitle(StationDetailText::caption(m_record));

    auto* layout = new QVBoxLayout(this);
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(firstPage(trend, settings));
    m_pages->addWidget(secondPage(settings));
    // The gauges draw to the room they get and ask for little: without a floor the dialog opens
    // too small for the pressure caption and the thermometers.
    m_pages->setMinimumSize(440, 520);
    layout->addWidget(m_pages, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int DlgStationWether::page() const {
    return m_pages->currentIndex();
}

QWidget* DlgStationWether::firstPage(PressureTrend trend, SettingsStore& settings) {
    const StationRecord::Weather& w = m_record.weather;
    auto* page = new QWidget(m_pages);
    page->setObjectName(QStringLiteral("weatherPage1"));
    auto* grid = new QGridLayout(page);

    auto* pressure = new ZelPressure(page);
    pressure->setObjectName(QStringLiteral("pressure"));
    pressure->setState({StationDetailText::hectopascals(w.pressure), trend});
    grid->addWidget(pressure, 0, 0);

    // The wind's direction means nothing in a calm or when no speed came with it.
    auto* wind = new ZelDirectionmeter(page);
    wind->setObjectName(QStringLiteral("wind"));
    const bool blowing = w.windSpeed > 0 && w.windDirection >= 0;
    wind->setState({tr("Wind"), blowing ? std::optional<int>(w.windDirection % 360) : std::nullopt});
    auto* windText = StationDetailRows::value(
        QStringLiteral("windText"),
        StationDetailText::windText(w.windSpeed, read(settings, Settings::SPEED_FORMAT_STATIONS)), page);
    windText->setAlignment(Qt::AlignCenter);
    auto* windBox = new QVBoxLayout;
    windBox->addWidget(wind, 1);
    windBox->addWidget(windText);
    grid->addLayout(windBox, 0, 1);

    const int format = read(settings, Settings::TEMPERATURE_FORMAT_WEATHER);
    const bool hasTemperature = w.temperature != kNoTemperature;
    auto* thermometers = new QHBoxLayout;
    thermometers->addWidget(thermometer(QStringLiteral("temperature"), tr("Tempr."),
                                        temperatureValue(hasTemperature, w.temperature, format), format,
                                        page));
    thermometers->addWidget(thermometer(QStringLiteral("windChill"), tr("Win.Ch."),
                                        temperatureValue(hasTemperature, w.windChill, format), format, page));
    thermometers->addWidget(thermometer(QStringLiteral("heatIndex"), tr("HeatIdx"),
                                        temperatureValue(hasTemperature, w.heatIndex, format), format, page));
    grid->addLayout(thermometers, 1, 0, 1, 2);

    auto* next = new QPushButton(tr("Next >"), page);
    next->setObjectName(QStringLiteral("next"));
    connect(next, &QPushButton::clicked, this, [this] { m_pages->setCurrentIndex(1); });
    grid->addWidget(next, 2, 1, Qt::AlignRight);
    return page;
}

QWidget* DlgStationWether::secondPage(SettingsStore& settings) {
    const StationRecord::Weather& w = m_record.weather;
    auto* page = new QWidget(m_pages);
    page->setObjectName(QStringLiteral("weatherPage2"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(StationDetailRows::header(m_record, page));
    auto* form = new QFormLayout;
    StationDetailRows::addCommon(form, m_record, page);
    layout->addLayout(form);

    auto* gauges = new QHBoxLayout;
    const int format = read(settings, Settings::TEMPERATURE_FORMAT_WEATHER);
    // The dew point needs both a temperature and a humidity.
    const bool hasDewPoint = w.temperature != kNoTemperature && w.humidity > 0 && w.humidity <= 100;
    gauges->addWidget(thermometer(QStringLiteral("dewPoint"), tr("DewPoint"),
                                  temperatureValue(hasDewPoint, w.dewPoint, format), format, page));

    const int rainFormat = read(settings, Settings::RAIN_FORMAT);
    const struct {
        const char* name;
        QString title;
        int32_t value;
    } rains[] = {{"rainHour", tr("Hour"), w.rainLastHour},
                 {"rain24h", tr("24h"), w.rainLast24h},
                 {"rainToday", tr("Today"), w.rainSinceMidnight}};
    for (const auto& r : rains) {
        auto* gauge = new RainGauge(page);
        gauge->setObjectName(QString::fromLatin1(r.name));
        gauge->setState(
            {r.title, StationDetailText::rainUnit(rainFormat), StationDetailText::rain(r.value, rainFormat)});
        gauges->addWidget(gauge);
    }

    auto* humidity = new HumidityGauge(page);
    humidity->setObjectName(QStringLiteral("humidity"));
    humidity->setState({tr("Humidity"), w.humidity >= 0 ? std::optional<int>(w.humidity) : std::nullopt});
    gauges->addWidget(humidity);
    layout->addLayout(gauges, 1);

    auto* back = new QPushButton(tr("Back"), page);
    back->setObjectName(QStringLiteral("back"));
    connect(back, &QPushButton::clicked, this, [this] { m_pages->setCurrentIndex(0); });
    layout->addWidget(back, 0, Qt::AlignLeft);
    return page;
}
