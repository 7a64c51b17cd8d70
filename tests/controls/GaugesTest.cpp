#include "controls/GaugePainting.h"
#include "controls/HumidityGauge.h"
#include "controls/RainGauge.h"
#include "controls/ZelDirectionmeter.h"
#include "controls/ZelMFCThermometer.h"
#include "controls/ZelPressure.h"

#include <QImage>
#include <QPainter>
#include <QPalette>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

const QRgb kBackground = qRgb(255, 0, 255);

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(30, 30, 34));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(0, 0, 70));
    p.setColor(QPalette::Text, QColor(200, 200, 200));
    p.setColor(QPalette::Mid, QColor(110, 110, 110));
    return p;
}

template <typename Paint> QImage render(QSize size, Paint paint) {
    QImage image(size, QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    image.fill(kBackground);
    QPainter p(&image);
    paint(p);
    return image;
}

QRgb at(const QImage& image, QPointF point) {
    return image.pixel(static_cast<int>(std::lround(point.x())), static_cast<int>(std::lround(point.y())));
}

bool near(QRgb a, QRgb b, int tolerance = 40) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QPointF onDial(QPointF centre, double radius, double qtDegrees) {
    const double a = qtDegrees * std::numbers::pi / 180.0;
    return centre + QPointF(radius * std::cos(a), -radius * std::sin(a));
}

// The colour at column x, moving up from y until it is no longer `colour`: the column's top.
int topOf(const QImage& image, int x, int fromY, QRgb colour) {
    int y = fromY;
    while (y > 0 && near(image.pixel(x, y - 1), colour)) --y;
    return y;
}

} // namespace

TEST(PressureGauge, PointerFollowsTheReadingOnTheScale) {
    const QRectF rect(0, 0, 220, 240);
    const QPalette palette = darkPalette();
    EXPECT_DOUBLE_EQ(PressureDial::angle(900), 210);
    EXPECT_DOUBLE_EQ(PressureDial::angle(1000), 90);
    EXPECT_DOUBLE_EQ(PressureDial::angle(1100), -30);
    EXPECT_DOUBLE_EQ(PressureDial::angle(1200), -30) << "beyond the scale the pointer rests at its end";

    for (int hPa : {920, 1013, 1080}) {
        const QImage image = render(rect.size().toSize(), [&](QPainter& p) {
            PressureDial::paint(p, rect, {hPa, PressureTrend::Better}, palette);
        });
        const PressureDial::Geometry g = PressureDial::geometry(rect, QFont());
        const QPointF onPointer = onDial(g.centre, g.radius * 0.55, PressureDial::angle(hPa));
        EXPECT_TRUE(near(at(image, onPointer), Gauge::kPointer)) << hPa;
        // Half the dial away there is only the face.
        const QPointF elsewhere = onDial(g.centre, g.radius * 0.55, PressureDial::angle(hPa) + 60);
        EXPECT_FALSE(near(at(image, elsewhere), Gauge::kPointer)) << hPa;
        EXPECT_TRUE(near(at(image, onDial(g.centre, g.radius * 0.3, PressureDial::angle(hPa) + 60)),
                         palette.color(QPalette::Base).rgb(), 5))
            << "the face takes the palette's base colour";
    }
}

TEST(PressureGauge, NoPointerWithoutAReading) {
    const QRectF rect(0, 0, 220, 240);
    const QImage image =
        render(rect.size().toSize(), [&](QPainter& p) { PressureDial::paint(p, rect, {}, darkPalette()); });
    const PressureDial::Geometry g = PressureDial::geometry(rect, QFont());
    for (int hPa = 900; hPa <= 1100; hPa += 25)
        EXPECT_FALSE(
            near(at(image, onDial(g.centre, g.radius * 0.55, PressureDial::angle(hPa))), Gauge::kPointer));
    EXPECT_EQ(pressureTrendText(PressureTrend::Better), QStringLiteral("Better"));
    EXPECT_EQ(pressureTrendText(PressureTrend::Worse), QStringLiteral("Worse"));
    EXPECT_EQ(pressureTrendText(PressureTrend::Steady), QStringLiteral("Steady"));
}

TEST(DirectionMeter, PointsToTheWindDirectionOrNowhere) {
    const QRectF rect(0, 0, 180, 200);
    for (int degrees : {0, 90, 225}) {
        const QImage image = render(rect.size().toSize(), [&](QPainter& p) {
            DirectionMeter::paint(p, rect, {QStringLiteral("Wind"), degrees}, darkPalette());
        });
        const DirectionMeter::Geometry g = DirectionMeter::geometry(rect, QFont());
        EXPECT_TRUE(near(at(image, DirectionMeter::toward(g, degrees, 0.5)), Gauge::kPointer)) << degrees;
        EXPECT_FALSE(near(at(image, DirectionMeter::toward(g, degrees + 90, 0.5)), Gauge::kPointer))
            << degrees;
        EXPECT_FALSE(near(at(image, DirectionMeter::toward(g, degrees + 180, 0.4)), Gauge::kPointer))
            << "the tail is not the pointer: " << degrees;
    }
    const QImage calm = render(rect.size().toSize(), [&](QPainter& p) {
        DirectionMeter::paint(p, rect, {QStringLiteral("Wind"), std::nullopt}, darkPalette());
    });
    const DirectionMeter::Geometry g = DirectionMeter::geometry(rect, QFont());
    for (int d = 0; d < 360; d += 30)
        EXPECT_FALSE(near(at(calm, DirectionMeter::toward(g, d, 0.5)), Gauge::kPointer));
}

TEST(Thermometer, MercuryTopAtTheReadingOnBothScales) {
    const QRectF rect(0, 0, 90, 260);
    struct Case {
        Thermometer::Scale scale;
        double value;
    } cases[] = {{Thermometer::Scale::Fahrenheit, 68},
                 {Thermometer::Scale::Fahrenheit, 150},
                 {Thermometer::Scale::Celsius, 0},
                 {Thermometer::Scale::Celsius, 200}};
    for (const Case& c : cases) {
        const Thermometer::State state{QStringLiteral("Tempr."), c.scale, c.value};
        const QImage image = render(rect.size().toSize(),
                                    [&](QPainter& p) { Thermometer::paint(p, rect, state, darkPalette()); });
        const Gauge::Column column = Thermometer::column(state);
        const Gauge::ColumnGeometry g = Gauge::columnGeometry(rect, QFont(), column);
        const double expected = Gauge::columnTop(g, column, c.value);
        const int x = static_cast<int>(g.tube.center().x());
        const int top = topOf(image, x, static_cast<int>(g.bulb.center().y()), Gauge::kPointer);
        EXPECT_NEAR(top, expected, 1.5) << c.value;
    }
    EXPECT_EQ(Thermometer::low(Thermometer::Scale::Fahrenheit), -4);
    EXPECT_EQ(Thermometer::high(Thermometer::Scale::Fahrenheit), 158);
    EXPECT_EQ(Thermometer::low(Thermometer::Scale::Celsius), -20);
    EXPECT_EQ(Thermometer::high(Thermometer::Scale::Celsius), 70);
}

TEST(Thermometer, EmptyWithoutAReading) {
    const QRectF rect(0, 0, 90, 260);
    const Thermometer::State state{QStringLiteral("Tempr."), Thermometer::Scale::Celsius, std::nullopt};
    const QImage image =
        render(rect.size().toSize(), [&](QPainter& p) { Thermometer::paint(p, rect, state, darkPalette()); });
    const Gauge::ColumnGeometry g = Gauge::columnGeometry(rect, QFont(), Thermometer::column(state));
    EXPECT_FALSE(near(at(image, g.bulb.center()), Gauge::kPointer));
    EXPECT_FALSE(near(at(image, g.tube.center()), Gauge::kPointer));
}

TEST(RainGauge, ScaleEndsAtFiftyOrTenAboveTheValue) {
    EXPECT_EQ(Rain::scaleEnd(0), 50);
    EXPECT_EQ(Rain::scaleEnd(49), 50);
    EXPECT_EQ(Rain::scaleEnd(50), 60);
    EXPECT_EQ(Rain::scaleEnd(120), 130);

    const QRectF rect(0, 0, 80, 200);
    for (int value : {25, 50, 120}) {
        const Rain::State state{QStringLiteral("Hour"), QStringLiteral("(mm)"), value};
        const QImage image =
            render(rect.size().toSize(), [&](QPainter& p) { Rain::paint(p, rect, state, darkPalette()); });
        const Gauge::Column column = Rain::column(state);
        const Gauge::ColumnGeometry g = Gauge::columnGeometry(rect, QFont(), column);
        const int x = static_cast<int>(g.tube.center().x());
        const int top = topOf(image, x, static_cast<int>(g.tube.bottom()) - 3, Gauge::kWater);
        const double expected = g.tube.bottom() - g.tube.height() * value / Rain::scaleEnd(value);
        EXPECT_NEAR(top, expected, 1.5) << value;
    }
}

TEST(HumidityGauge, ColumnTopAtThePercentage) {
    const QRectF rect(0, 0, 80, 200);
    for (int percent : {10, 55, 100}) {
        const Humidity::State state{QStringLiteral("Humidity"), percent};
        const QImage image = render(rect.size().toSize(),
                                    [&](QPainter& p) { Humidity::paint(p, rect, state, darkPalette()); });
        const Gauge::ColumnGeometry g = Gauge::columnGeometry(rect, QFont(), Humidity::column(state));
        const int x = static_cast<int>(g.tube.center().x());
        const int top = topOf(image, x, static_cast<int>(g.tube.bottom()) - 3, Gauge::kHumidity);
        const double expected = g.tube.bottom() - g.tube.height() * percent / 100.0;
        // Full: the rounded end of the tube takes the last pixels.
        EXPECT_NEAR(top, expected, percent == 100 ? 4.0 : 1.5) << percent;
    }
    const Humidity::State none{QStringLiteral("Humidity"), std::nullopt};
    const QImage image =
        render(rect.size().toSize(), [&](QPainter& p) { Humidity::paint(p, rect, none, darkPalette()); });
    const Gauge::ColumnGeometry g = Gauge::columnGeometry(rect, QFont(), Humidity::column(none));
    EXPECT_FALSE(near(at(image, QPointF(g.tube.center().x(), g.tube.bottom() - 4)), Gauge::kHumidity));
}

TEST(Gauges, WidgetsPaintTheirState) {
    ZelPressure pressure;
    pressure.resize(220, 240);
    pressure.setState({1013, PressureTrend::Worse});
    const QImage image = pressure.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const PressureDial::Geometry g =
        PressureDial::geometry(QRectF(pressure.rect()).adjusted(2, 2, -2, -2), pressure.font());
    EXPECT_TRUE(
        near(at(image, onDial(g.centre, g.radius * 0.55, PressureDial::angle(1013))), Gauge::kPointer));
}
