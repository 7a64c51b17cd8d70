#include "aprs/SymbolAtlas.h"

#include "aprs/SymbolTable.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QTransform>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace {

// Pictures are drawn in a 32 x 32 unit box and scaled to the target.
constexpr qreal kUnits = 32.0;
constexpr qreal kOutline = 1.3;
// A light rim outside the dark outline keeps a picture readable on dark backgrounds.
constexpr qreal kHaloExtra = 2.4;

const QColor kInk(28, 28, 28);
const QColor kHalo(255, 255, 255);
const QColor kWhite(255, 255, 255);
const QColor kRed(214, 38, 43);
const QColor kBlue(38, 110, 200);
const QColor kNavy(26, 62, 130);
const QColor kGreen(40, 150, 60);
const QColor kYellow(245, 190, 10);
const QColor kOrange(240, 122, 26);
const QColor kGlass(150, 205, 240);
const QColor kGrey(150, 155, 160);
const QColor kCloud(232, 236, 240);

struct Item {
    QPainterPath path;
    QColor fill; // transparent: a stroke
    QColor line; // invalid: no outline
    qreal width; // outline or stroke width
    bool halo;
};

struct Label {
    QString text;
    QRectF box;
    int size; // font pixel size in units
    QColor colour;
};

// One symbol's picture in unit coordinates: shapes drawn in order, halos of all first, so that a
// later shape's rim never cuts into an earlier one.
struct Picture {
    std::vector<Item> items;
    std::vector<Label> labels;
    bool pictogram = true;

    // A filled shape with a dark outline.
    Picture& shape(const QPainterPath& p, const QColor& fill, qreal width = kOutline) {
        items.push_back({p, fill, kInk, width, true});
        return *this;
    }
    // A fill inside an earlier shape: no outline, no halo.
    Picture& detail(const QPainterPath& p, const QColor& fill) {
        items.push_back({p, fill, QColor(), 0, false});
        return *this;
    }
    // A line of the given width, round capped.
    Picture& stroke(const QPainterPath& p, const QColor& colour, qreal width, bool halo = true) {
        items.push_back({p, Qt::transparent, colour, width, halo});
        return *this;
    }
    Picture& label(const QString& text, const QRectF& box, int size, const QColor& colour = kWhite) {
        labels.push_back({text, box, size, colour});
        return *this;
    }
};

QPainterPath poly(std::initializer_list<QPointF> pts) {
    QPainterPath p;
    p.addPolygon(QPolygonF(pts));
    p.closeSubpath();
    return p;
}

QPainterPath polyline(std::initializer_list<QPointF> pts) {
    QPainterPath p;
    p.addPolygon(QPolygonF(pts));
    return p;
}

QPainterPath line(qreal x1, qreal y1, qreal x2, qreal y2) {
    QPainterPath p(QPointF(x1, y1));
    p.lineTo(x2, y2);
    return p;
}

QPainterPath rect(qreal x, qreal y, qreal w, qreal h, qreal r = 0) {
    QPainterPath p;
    if (r > 0)
        p.addRoundedRect(QRectF(x, y, w, h), r, r);
    else
        p.addRect(QRectF(x, y, w, h));
    return p;
}

QPainterPath circle(qreal cx, qreal cy, qreal r) {
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), r, r);
    return p;
}

QPainterPath ellipse(qreal cx, qreal cy, qreal rx, qreal ry) {
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), rx, ry);
    return p;
}

QPainterPath star(qreal cx, qreal cy, qreal outer, qreal inner, int points, qreal turn = -90) {
    QPolygonF poly;
    for (int i = 0; i < points * 2; ++i) {
        const qreal a = (turn + i * 180.0 / points) * M_PI / 180.0;
        const qreal r = i % 2 ? inner : outer;
        poly << QPointF(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    QPainterPath p;
    p.addPolygon(poly);
    p.closeSubpath();
    return p;
}

QPainterPath cross(qreal cx, qreal cy, qreal arm, qreal half) {
    return rect(cx - half, cy - arm, 2 * half, 2 * arm).united(rect(cx - arm, cy - half, 2 * arm, 2 * half));
}

void wheels(Picture& pic, std::initializer_list<qreal> xs, qreal y, qreal r) {
    for (qreal x : xs) pic.shape(circle(x, y, r), kInk, 0.8).detail(circle(x, y, r * 0.4), kGrey);
}

// Vehicles, side view, facing right.
Picture car(const QColor& body) {
    Picture pic;
    pic.shape(rect(2, 14, 28, 9, 3).united(poly({{7, 15}, {11, 8}, {21, 8}, {26, 15}})), body);
    pic.detail(poly({{10.5, 14.5}, {12.6, 10}, {15.3, 10}, {15.3, 14.5}}), kGlass);
    pic.detail(poly({{17, 14.5}, {17, 10}, {20.2, 10}, {23.2, 14.5}}), kGlass);
    wheels(pic, {8.5, 23.5}, 23, 3.6);
    return pic;
}

Picture van(const QColor& body) {
    Picture pic;
    pic.shape(poly({{2, 8}, {22, 8}, {29, 15}, {30, 22}, {2, 22}}), body);
    pic.detail(poly({{21.5, 10}, {26.5, 15}, {21.5, 15}}), kGlass);
    pic.detail(rect(5, 10, 5, 4.5), kGlass).detail(rect(12, 10, 7, 4.5), kGlass);
    wheels(pic, {8, 24}, 22.5, 3.4);
    return pic;
}

Picture truck(const QColor& cargo, bool articulated) {
    Picture pic;
    if (articulated) {
        pic.shape(rect(1, 7, 20, 14), cargo);
        pic.shape(poly({{22, 10}, {27, 10}, {31, 15}, {31, 21}, {22, 21}}), kRed);
        pic.detail(poly({{23.5, 11.5}, {26.3, 11.5}, {29, 15}, {23.5, 15}}), kGlass);
        wheels(pic, {5, 10.5, 26.5}, 22.5, 2.8);
    } else {
        pic.shape(rect(2, 7, 18, 15), cargo);
        pic.shape(poly({{21, 11}, {26, 11}, {30, 16}, {30, 22}, {21, 22}}), kRed);
        pic.detail(poly({{22.5, 12.5}, {25.3, 12.5}, {28, 16}, {22.5, 16}}), kGlass);
        wheels(pic, {8, 25}, 23, 3.4);
    }
    return pic;
}

Picture jeep() {
    Picture pic;
    const QColor olive(95, 125, 45);
    pic.stroke(polyline({{6, 13}, {8, 6}, {17, 6}, {19, 13}}), kInk, 1.8);
    pic.stroke(line(21, 13, 23, 6.5), kInk, 1.8);
    pic.shape(poly({{2, 13}, {28, 13}, {30, 17}, {30, 22}, {2, 22}}), olive);
    pic.shape(rect(0.8, 13.5, 2.8, 8, 1.2), kInk, 0.8);
    wheels(pic, {8, 24}, 22.5, 4.2);
    return pic;
}

Picture bus() {
    Picture pic;
    pic.shape(rect(1.5, 7, 29, 15, 2.5), kYellow);
    for (int i = 0; i < 5; ++i) pic.detail(rect(3.5 + i * 5, 9.5, 3.8, 5), kGlass);
    pic.detail(rect(1.5, 17, 29, 1.5), kInk);
    wheels(pic, {8, 24}, 22.5, 3.2);
    return pic;
}

Picture rv() {
    Picture pic;
    pic.shape(poly({{1.5, 6}, {24, 6}, {24, 10}, {29, 14}, {30.5, 22}, {1.5, 22}}), QColor(240, 228, 196));
    pic.detail(rect(1.5, 16, 29, 2), QColor(170, 90, 40));
    pic.detail(poly({{24.6, 11.5}, {28, 14.3}, {24.6, 14.3}}), kGlass);
    pic.detail(rect(4, 9, 6, 4), kGlass).detail(rect(13, 9, 6, 4), kGlass);
    wheels(pic, {7.5, 24.5}, 22.5, 3.2);
    return pic;
}

Picture fireTruck() {
    Picture pic = truck(kRed, false);
    pic.stroke(line(3, 5, 19, 5), kWhite, 1.6, false);
    pic.stroke(line(3, 5, 19, 5), kInk, 0.7, false);
    return pic;
}

Picture ambulance() {
    Picture pic = van(kWhite);
    pic.detail(cross(13, 17.5, 3.2, 1.2), kRed);
    return pic;
}

Picture motorcycle() {
    Picture pic;
    pic.stroke(circle(7, 22, 4.8), kInk, 2.4).stroke(circle(25, 22, 4.8), kInk, 2.4);
    pic.stroke(polyline({{7, 22}, {13, 15}, {20, 15}, {25, 22}}), kGrey, 1.6);
    pic.stroke(polyline({{22, 15}, {22.5, 8.5}, {26, 8.5}}), kInk, 1.8);
    pic.shape(poly({{10, 15}, {13, 11.5}, {20, 11.5}, {23, 15}, {19, 19}, {13, 19}}), kRed);
    pic.shape(rect(7, 12.5, 7, 2.5, 1), kInk, 0.6);
    return pic;
}

Picture bicycle() {
    Picture pic;
    pic.stroke(circle(7, 21, 5.3), kInk, 2.2).stroke(circle(25, 21, 5.3), kInk, 2.2);
    QPainterPath frame = polyline({{7, 21}, {13, 12}, {22.5, 12}, {25, 21}});
    frame.addPolygon(QPolygonF(QList<QPointF>{{13, 12}, {16, 21}, {7, 21}}));
    frame.addPolygon(QPolygonF(QList<QPointF>{{16, 21}, {22.5, 12}}));
    frame.addPolygon(QPolygonF(QList<QPointF>{{13, 12}, {12, 8.5}}));
    frame.addPolygon(QPolygonF(QList<QPointF>{{22.5, 12}, {21.5, 7.5}, {25, 7.5}}));
    pic.stroke(frame, kBlue, 2.1);
    pic.stroke(line(9.5, 8.5, 14.5, 8.5), kInk, 2.2);
    return pic;
}

Picture train() {
    Picture pic;
    pic.shape(rect(2, 12, 20, 10, 1.5), kGreen);
    pic.shape(rect(20, 6, 10, 16, 1), kGreen);
    pic.shape(rect(5, 6, 4, 6), kInk, 0.8);
    pic.detail(rect(22.5, 8.5, 5, 5), kGlass);
    wheels(pic, {7, 14, 25}, 24, 3.2);
    return pic;
}

// Aircraft, top view, nose up.
Picture smallAircraft(const QColor& body) {
    Picture pic;
    QPainterPath plane = rect(14.3, 3, 3.4, 26, 1.7).united(rect(2, 10.5, 28, 5, 2.5));
    plane = plane.united(rect(9.5, 24, 13, 4, 1.5));
    pic.shape(plane, body);
    pic.detail(rect(14.8, 6, 2.4, 3, 1), kGlass);
    return pic;
}

Picture airliner(const QColor& body) {
    Picture pic;
    QPainterPath plane = rect(13.8, 1.5, 4.4, 28, 2.2);
    plane = plane.united(poly({{14.5, 10.5},
                               {1.5, 19},
                               {1.5, 21.5},
                               {14.5, 17.5},
                               {17.5, 17.5},
                               {30.5, 21.5},
                               {30.5, 19},
                               {17.5, 10.5}}));
    plane = plane.united(
        poly({{14.5, 24}, {9, 28.5}, {9, 30}, {14.5, 28.5}, {17.5, 28.5}, {23, 30}, {23, 28.5}, {17.5, 24}}));
    pic.shape(plane, body);
    return pic;
}

Picture glider() {
    Picture pic;
    QPainterPath plane = rect(14.7, 5, 2.6, 23, 1.3).united(rect(0.8, 11.5, 30.4, 3.4, 1.7));
    plane = plane.united(rect(11, 25, 10, 2.6, 1.2));
    pic.shape(plane, kYellow);
    return pic;
}

Picture helicopter() {
    Picture pic;
    pic.stroke(line(2, 7.5, 28, 7.5), kInk, 1.8).stroke(line(15, 7.5, 15, 12), kInk, 1.8);
    pic.stroke(polyline({{8, 26}, {24, 26}}), kInk, 1.6).stroke(polyline({{11, 22}, {11, 26}}), kInk, 1.4);
    pic.stroke(polyline({{19, 22}, {19, 26}}), kInk, 1.4);
    pic.shape(ellipse(14, 17, 8, 6).united(poly({{20, 15}, {30, 15.5}, {30, 18}, {20, 19}})), kBlue);
    pic.shape(rect(27.5, 11.5, 3, 6, 1.5), kBlue, 1.0);
    pic.detail(ellipse(10.5, 16, 3.5, 3), kGlass);
    return pic;
}

Picture balloon() {
    Picture pic;
    QPainterPath envelope =
        ellipse(16, 11.5, 10, 10.5).united(poly({{8, 16}, {24, 16}, {18.5, 23.5}, {13.5, 23.5}}));
    pic.stroke(line(13.8, 23.5, 14, 26), kInk, 1.0).stroke(line(18.2, 23.5, 18, 26), kInk, 1.0);
    pic.shape(envelope, kRed);
    pic.detail(ellipse(16, 12, 3.5, 10), kYellow);
    pic.shape(rect(13, 26, 6, 4.5, 0.8), QColor(150, 95, 45), 1.0);
    return pic;
}

// Boats, side view.
Picture ship(const QColor& hull) {
    Picture pic;
    pic.shape(rect(9, 11, 14, 7), kWhite).shape(rect(12, 7, 7, 4), kWhite);
    pic.shape(rect(20, 4.5, 3.5, 6.5), kRed, 1.0);
    pic.shape(poly({{1, 17.5}, {31, 17.5}, {27, 26}, {5, 26}}), hull);
    pic.detail(rect(13.5, 8.3, 4, 1.6), kGlass);
    return pic;
}

Picture yacht() {
    Picture pic;
    pic.stroke(line(15, 2.5, 15, 22), kInk, 1.4);
    pic.shape(poly({{16.3, 3.5}, {16.3, 20}, {28, 20}}), kWhite);
    pic.shape(poly({{13.7, 7}, {13.7, 20}, {4, 20}}), kWhite);
    pic.shape(poly({{3, 21.5}, {29, 21.5}, {25.5, 27.5}, {7, 27.5}}), kNavy);
    return pic;
}

Picture canoe() {
    Picture pic;
    pic.stroke(line(21, 5, 12, 25), QColor(150, 95, 45), 1.8);
    QPainterPath hull(QPointF(1, 17));
    hull.quadTo(16, 20, 31, 17);
    hull.quadTo(27, 26, 16, 26);
    hull.quadTo(5, 26, 1, 17);
    pic.shape(hull, kRed);
    return pic;
}

// Buildings.
Picture house(const QColor& roof, const QColor& walls) {
    Picture pic;
    pic.shape(rect(6, 15, 20, 14), walls);
    pic.shape(poly({{2.5, 16.5}, {16, 4}, {29.5, 16.5}}), roof);
    pic.detail(rect(9, 18, 5, 4.5), kGlass).detail(rect(18, 20, 5, 9), QColor(130, 80, 40));
    return pic;
}

Picture yagiHouse() {
    Picture pic = house(kRed, QColor(243, 226, 184));
    pic.items.erase(pic.items.begin() + 1); // the roof comes back after the mast
    pic.stroke(line(24, 2, 24, 12), kInk, 1.4);
    pic.stroke(line(19, 3.5, 30, 3.5), kInk, 1.4);
    for (qreal x : {20.5, 24.0, 27.5}) pic.stroke(line(x, 1.5, x, 5.5), kInk, 1.1);
    pic.shape(poly({{2.5, 16.5}, {16, 4}, {29.5, 16.5}}), kRed);
    return pic;
}

Picture school() {
    Picture pic;
    const QColor brick(180, 70, 46);
    pic.stroke(line(16, 1.5, 16, 7), kInk, 1.2);
    pic.shape(poly({{16.5, 1.5}, {22, 3}, {16.5, 4.5}}), kRed, 0.8);
    pic.shape(rect(2.5, 15, 27, 14), brick);
    pic.shape(poly({{11.5, 15}, {11.5, 10}, {16, 6.5}, {20.5, 10}, {20.5, 15}}), brick);
    pic.shape(poly({{1, 16}, {11.5, 11}, {20.5, 11}, {31, 16}}), kGrey);
    pic.detail(rect(5, 18.5, 4, 4), kGlass).detail(rect(23, 18.5, 4, 4), kGlass);
    pic.detail(rect(13.5, 20, 5, 9), kWhite);
    return pic;
}

Picture fireStation() {
    Picture pic;
    pic.shape(rect(3, 12, 26, 17), kRed);
    pic.shape(poly({{1.5, 13}, {16, 4}, {30.5, 13}}), kGrey);
    pic.detail(rect(6, 17, 8.5, 12), kWhite).detail(rect(17.5, 17, 8.5, 12), kWhite);
    return pic;
}

Picture church() {
    Picture pic;
    pic.shape(rect(6, 14, 20, 15), kWhite);
    pic.shape(poly({{4, 15}, {16, 7}, {28, 15}}), kGrey);
    pic.stroke(line(16, 0.8, 16, 7.5), kInk, 1.6).stroke(line(13.3, 3.2, 18.7, 3.2), kInk, 1.6);
    pic.detail(rect(13.5, 20, 5, 9, 2), QColor(130, 80, 40));
    return pic;
}

Picture tent() {
    Picture pic;
    pic.shape(poly({{2, 27}, {16, 5}, {30, 27}}), kGreen);
    pic.detail(poly({{16, 14}, {11.5, 27}, {20.5, 27}}), kInk);
    return pic;
}

Picture lighthouse() {
    Picture pic;
    pic.shape(poly({{12, 10}, {20, 10}, {22, 29}, {10, 29}}), kWhite);
    pic.detail(poly({{11.4, 16}, {20.6, 16}, {21.1, 20.5}, {10.9, 20.5}}), kRed);
    pic.shape(rect(11.5, 5, 9, 5), kYellow);
    pic.shape(poly({{10.5, 5.5}, {16, 1}, {21.5, 5.5}}), kRed);
    return pic;
}

// Badges with a sign in them.
Picture squareSign(const QColor& ground, const QPainterPath& sign, const QColor& signColour) {
    Picture pic;
    pic.shape(rect(3, 3, 26, 26, 5), ground);
    pic.detail(sign, signColour);
    return pic;
}

Picture redCross() {
    return squareSign(kWhite, cross(16, 16, 10, 3.6), kRed);
}

QPainterPath letterH() {
    return rect(9, 7, 4.2, 18).united(rect(18.8, 7, 4.2, 18)).united(rect(9, 14, 14, 4));
}

Picture police() {
    Picture pic;
    QPainterPath shield(QPointF(16, 2));
    shield.lineTo(28, 6);
    shield.cubicTo(28, 18, 23, 26, 16, 30);
    shield.cubicTo(9, 26, 4, 18, 4, 6);
    shield.closeSubpath();
    pic.shape(shield, kNavy);
    pic.detail(star(16, 15, 7.5, 3.2, 5), kYellow);
    return pic;
}

Picture sheriff() {
    Picture pic;
    pic.shape(star(16, 16, 14.5, 7.5, 6), kYellow);
    pic.detail(circle(16, 16, 4), QColor(190, 140, 0));
    return pic;
}

Picture digi(const QColor& colour) {
    Picture pic;
    pic.shape(star(16, 17, 15, 6.3, 5), colour);
    return pic;
}

Picture globe() {
    Picture pic;
    pic.shape(circle(16, 16, 13.5), kBlue);
    QPainterPath grid = ellipse(16, 16, 5.5, 13.5);
    grid.addPolygon(QPolygonF(QList<QPointF>{{16, 2.5}, {16, 29.5}}));
    grid.addPolygon(QPolygonF(QList<QPointF>{{2.5, 16}, {29.5, 16}}));
    grid.addPolygon(QPolygonF(QList<QPointF>{{5, 9}, {27, 9}}));
    grid.addPolygon(QPolygonF(QList<QPointF>{{5, 23}, {27, 23}}));
    pic.stroke(grid, kWhite, 1.3, false);
    return pic;
}

Picture diamond(const QColor& colour) {
    Picture pic;
    pic.shape(poly({{16, 1.5}, {30.5, 16}, {16, 30.5}, {1.5, 16}}), colour);
    return pic;
}

Picture weatherStation(const QColor& ground) {
    Picture pic;
    pic.shape(circle(16, 16, 14), ground);
    pic.detail(rect(13.6, 5, 4.8, 16, 2.4).united(circle(16, 22, 4.5)), kWhite);
    pic.detail(rect(15, 12, 2, 9).united(circle(16, 22, 2.8)), kRed);
    return pic;
}

Picture phone() {
    Picture pic;
    pic.shape(rect(9.5, 2, 13, 28, 3), kInk, 1.0);
    pic.detail(rect(11.5, 5, 9, 11, 1), kGlass);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) pic.detail(circle(12.7 + col * 3.3, 19.5 + row * 3, 1), kWhite);
    return pic;
}

Picture emergency() {
    Picture pic;
    pic.shape(poly({{16, 2}, {31, 28.5}, {1, 28.5}}), kRed);
    pic.detail(poly({{14.3, 10}, {17.7, 10}, {17, 21}, {15, 21}}).united(circle(16, 24.6, 1.8)), kWhite);
    return pic;
}

Picture person(bool running) {
    Picture pic;
    const QColor body(200, 60, 20);
    QPainterPath limbs;
    if (running) {
        limbs.addPolygon(QPolygonF(QList<QPointF>{{18.5, 10}, {15, 18}}));
        limbs.addPolygon(QPolygonF(QList<QPointF>{{11, 13}, {17.5, 11.5}, {22, 15}}));
        limbs.addPolygon(QPolygonF(QList<QPointF>{{15, 18}, {20, 22}, {19, 28.5}}));
        limbs.addPolygon(QPolygonF(QList<QPointF>{{15, 18}, {11.5, 23.5}, {6, 24.5}}));
    } else {
        limbs.addPolygon(QPolygonF(QList<QPointF>{{16, 10}, {16, 19}}));
        limbs.addPolygon(QPolygonF(QList<QPointF>{{11.5, 18}, {16, 11.5}, {20.5, 18}}));
        limbs.addPolygon(QPolygonF(QList<QPointF>{{16, 19}, {12.5, 29}}));
        limbs.addPolygon(QPolygonF(QList<QPointF>{{16, 19}, {19.5, 29}}));
    }
    pic.stroke(limbs, body, 3.2);
    pic.shape(circle(running ? 20 : 16, 5.5, 3.3), body, 0.9);
    return pic;
}

Picture fire() {
    Picture pic;
    QPainterPath flame(QPointF(16, 1.5));
    flame.cubicTo(21, 9, 27, 13, 26, 21);
    flame.cubicTo(25.5, 27, 21, 30.5, 16, 30.5);
    flame.cubicTo(10.5, 30.5, 6, 27, 6, 21);
    flame.cubicTo(6, 16, 9.5, 12.5, 11, 8);
    flame.cubicTo(13, 11.5, 14, 13, 14.5, 15.5);
    flame.cubicTo(16, 10.5, 17.5, 6, 16, 1.5);
    pic.shape(flame, kOrange);
    QPainterPath core(QPointF(16, 14));
    core.cubicTo(19, 18, 22, 21, 21, 25);
    core.cubicTo(20, 28, 12, 28, 11, 25);
    core.cubicTo(10.5, 22, 13, 20, 16, 14);
    pic.detail(core, kYellow);
    return pic;
}

Picture satellite() {
    Picture pic;
    pic.stroke(line(16, 12, 16, 5), kInk, 1.3);
    pic.shape(ellipse(16, 4.5, 4, 1.8), kGrey, 1.0);
    pic.shape(rect(1.5, 13, 10, 7), kNavy).shape(rect(20.5, 13, 10, 7), kNavy);
    pic.stroke(line(6.5, 13, 6.5, 20), kGlass, 0.8, false)
        .stroke(line(25.5, 13, 25.5, 20), kGlass, 0.8, false);
    pic.shape(rect(11.5, 11, 9, 11, 1), kYellow);
    return pic;
}

Picture shuttle() {
    Picture pic;
    pic.shape(
        poly({{16, 1.5}, {19, 7}, {19.5, 14}, {29, 24}, {29, 28.5}, {3, 28.5}, {3, 24}, {12.5, 14}, {13, 7}}),
        kWhite);
    pic.detail(poly({{16, 1.5}, {18.2, 5.5}, {13.8, 5.5}}), kInk);
    pic.shape(rect(13, 28.5, 6, 2.5), kGrey, 0.8);
    return pic;
}

Picture tower(bool waves) {
    Picture pic;
    const QColor steel(180, 40, 40);
    QPainterPath lattice = polyline({{9.5, 30}, {16, 9}, {22.5, 30}});
    lattice.addPolygon(
        QPolygonF(QList<QPointF>{{11.3, 24}, {20.7, 24}, {12.6, 19.5}, {19.4, 19.5}, {13.9, 15}, {18.1, 15}}));
    pic.stroke(lattice, steel, 1.8);
    pic.shape(circle(16, 8, 2.4), kRed, 0.9);
    if (waves) {
        QPainterPath w;
        for (qreal r : {7.0, 12.0}) {
            const QRectF arc(16 - r, 8 - r, 2 * r, 2 * r);
            w.arcMoveTo(arc, 155);
            w.arcTo(arc, 155, 50);
            w.arcMoveTo(arc, -25);
            w.arcTo(arc, -25, 50);
        }
        pic.stroke(w, kInk, 1.5);
    }
    return pic;
}

Picture dish() {
    Picture pic;
    pic.stroke(polyline({{16, 18}, {11, 29.5}, {21, 29.5}, {16, 18}}), kInk, 1.6);
    QPainterPath bowl;
    bowl.moveTo(4, 6);
    bowl.quadTo(6, 24, 26, 22);
    bowl.closeSubpath();
    pic.shape(bowl, kWhite);
    pic.stroke(line(15, 14, 23, 6), kInk, 1.3);
    pic.shape(circle(23.5, 5.5, 1.8), kRed, 0.8);
    return pic;
}

Picture dot() {
    Picture pic;
    pic.shape(circle(16, 16, 8), kRed);
    return pic;
}

Picture xMark() {
    Picture pic;
    QPainterPath x = line(6, 6, 26, 26);
    x.addPolygon(QPolygonF(QList<QPointF>{{26, 6}, {6, 26}}));
    pic.stroke(x, kRed, 4.5);
    return pic;
}

Picture plainCircle(qreal r) {
    Picture pic;
    pic.shape(circle(16, 16, r), kWhite, 1.6);
    return pic;
}

Picture numberedCircle(int digit) {
    Picture pic = plainCircle(14);
    pic.label(QString::number(digit), QRectF(2, 2, 28, 28), 20, kInk);
    return pic;
}

Picture triangle(const QColor& colour) {
    Picture pic;
    pic.shape(poly({{16, 3}, {30, 28}, {2, 28}}), colour);
    return pic;
}

Picture box() {
    Picture pic;
    pic.shape(rect(3.5, 3.5, 25, 25, 1.5), kWhite, 1.6);
    return pic;
}

Picture water() {
    Picture pic;
    QPainterPath drop(QPointF(16, 2));
    drop.cubicTo(20, 10, 26, 15, 26, 21);
    drop.cubicTo(26, 27, 21.5, 30.5, 16, 30.5);
    drop.cubicTo(10.5, 30.5, 6, 27, 6, 21);
    drop.cubicTo(6, 15, 12, 10, 16, 2);
    pic.shape(drop, kBlue);
    pic.detail(ellipse(11.5, 21.5, 1.6, 3.2), kGlass);
    return pic;
}

Picture eye() {
    Picture pic;
    QPainterPath lids(QPointF(2, 16));
    lids.quadTo(16, 2, 30, 16);
    lids.quadTo(16, 30, 2, 16);
    pic.shape(lids, kWhite);
    pic.detail(circle(16, 16, 6), kBlue).detail(circle(16, 16, 2.8), kInk);
    return pic;
}

Picture television() {
    Picture pic;
    pic.stroke(polyline({{10, 3}, {16, 9}, {22, 3}}), kInk, 1.4);
    pic.shape(rect(2.5, 9, 27, 19, 3), QColor(90, 90, 100));
    pic.detail(rect(5.5, 12, 21, 13, 2), kGlass);
    return pic;
}

Picture gridSquare() {
    Picture pic;
    pic.shape(rect(4, 4, 24, 24), kWhite);
    QPainterPath g;
    for (qreal v : {12.0, 20.0}) {
        g.addPolygon(QPolygonF(QList<QPointF>{{v, 4}, {v, 28}}));
        g.addPolygon(QPolygonF(QList<QPointF>{{4, v}, {28, v}}));
    }
    pic.stroke(g, kInk, 1.1, false);
    return pic;
}

Picture hurricane(const QColor& colour) {
    Picture pic;
    QPainterPath arms(QPointF(16, 16));
    arms.cubicTo(16, 6, 21, 3, 27, 3);
    arms.cubicTo(22, 5, 21, 10, 22, 16);
    arms.moveTo(16, 16);
    arms.cubicTo(16, 26, 11, 29, 5, 29);
    arms.cubicTo(10, 27, 11, 22, 10, 16);
    pic.shape(arms.united(circle(16, 16, 6.5)), colour);
    pic.detail(circle(16, 16, 2.6), kWhite);
    return pic;
}

// Weather.
QPainterPath cloudPath(qreal dy = 0) {
    QPainterPath c = circle(11, 15 + dy, 5.5).united(circle(18, 11 + dy, 7)).united(circle(24, 16 + dy, 5));
    return c.united(rect(6, 15 + dy, 19, 6.5 + 0.0, 3));
}

Picture cloud() {
    Picture pic;
    pic.shape(cloudPath(2), kCloud);
    return pic;
}

Picture sun() {
    Picture pic;
    pic.shape(star(16, 16, 15, 10.5, 12), kOrange, 1.0);
    pic.shape(circle(16, 16, 8.5), kYellow, 1.0);
    return pic;
}

Picture partlyCloudy() {
    Picture pic;
    pic.shape(star(20, 11, 10.5, 7.3, 10), kOrange, 1.0).shape(circle(20, 11, 6), kYellow, 1.0);
    pic.shape(cloudPath(6), kCloud);
    return pic;
}

Picture cloudWith(const std::function<void(Picture&)>& below) {
    Picture pic;
    below(pic);
    pic.shape(cloudPath(-4), kCloud);
    return pic;
}

Picture rain(bool heavy) {
    return cloudWith([heavy](Picture& pic) {
        QPainterPath drops;
        for (qreal x : {10.0, 16.0, 22.0})
            drops.addPolygon(QPolygonF(QList<QPointF>{{x + 1.5, 21}, {x - 1.5, heavy ? 30.0 : 27.0}}));
        pic.stroke(drops, kBlue, 1.8);
    });
}

Picture dots(const QColor& colour, qreal r) {
    return cloudWith([colour, r](Picture& pic) {
        for (qreal x : {10.0, 16.0, 22.0}) pic.shape(circle(x, 25, r), colour, 0.9);
    });
}

QPainterPath boltPath(qreal dx, qreal dy, qreal s) {
    QPainterPath p;
    p.addPolygon(QTransform().translate(dx, dy).scale(s, s).map(
        QPolygonF(QList<QPointF>{{9, 0}, {18, 0}, {13, 9}, {19, 9}, {6, 24}, {9.5, 13}, {4, 13}})));
    p.closeSubpath();
    return p;
}

Picture lightning() {
    Picture pic;
    pic.shape(boltPath(5, 2, 1.15), kYellow);
    return pic;
}

Picture thunderstorm() {
    return cloudWith([](Picture& pic) { pic.shape(boltPath(9, 14, 0.7), kYellow, 1.0); });
}

Picture snowflake(const QColor& colour) {
    Picture pic;
    QPainterPath f;
    for (int i = 0; i < 3; ++i) {
        const qreal a = i * M_PI / 3 + M_PI / 2;
        f.addPolygon(QPolygonF(QList<QPointF>{{16 + 13 * std::cos(a), 16 + 13 * std::sin(a)},
                                {16 - 13 * std::cos(a), 16 - 13 * std::sin(a)}}));
    }
    pic.stroke(f, colour, 2.4);
    pic.shape(circle(16, 16, 2.5), colour, 0.8);
    return pic;
}

Picture tornado() {
    Picture pic;
    pic.shape(poly({{4, 4}, {28, 4}, {22, 11}, {20, 17}, {17, 23}, {16, 30}, {13.5, 22}, {11, 15}, {8, 9}}),
              kGrey);
    QPainterPath bands = line(6, 7, 26, 7);
    bands.addPolygon(QPolygonF(QList<QPointF>{{9.5, 13}, {21.5, 13}}));
    bands.addPolygon(QPolygonF(QList<QPointF>{{12, 19}, {19, 19}}));
    pic.stroke(bands, kInk, 1.0, false);
    return pic;
}

Picture fog() {
    Picture pic;
    QPainterPath bands;
    for (qreal y : {8.0, 14.0, 20.0, 26.0}) bands.addPolygon(QPolygonF(QList<QPointF>{{4, y}, {28, y}}));
    pic.stroke(bands, kGrey, 3.2);
    return pic;
}

Picture flood() {
    Picture pic;
    QPainterPath w;
    for (qreal y : {10.0, 18.0, 26.0}) {
        w.moveTo(2, y);
        for (int i = 0; i < 4; ++i) {
            w.quadTo(3.75 + i * 7, y - 3.5, 5.5 + i * 7, y);
            w.quadTo(7.25 + i * 7, y + 3.5, 9 + i * 7, y);
        }
    }
    pic.stroke(w, kBlue, 2.4);
    return pic;
}

Picture gasPump() {
    Picture pic;
    pic.stroke(polyline({{20, 11}, {26, 11}, {26, 24}, {23, 24}}), kInk, 1.6);
    pic.shape(rect(6, 4, 14, 25, 2), kRed);
    pic.detail(rect(8.5, 7, 9, 6, 1), kWhite);
    return pic;
}

// The lettered badge of every symbol without a pictogram of its own.
Picture badge(int stationType, int code) {
    Picture pic;
    pic.pictogram = false;
    const QColor colour = SymbolAtlas::typeColour(stationType);
    pic.shape(rect(2, 2, 28, 28, 6), colour, 1.0);
    pic.items.back().line = colour.darker(160);
    pic.label(QString(QChar(code)), QRectF(2, 2, 28, 28), 20);
    return pic;
}

Picture pictogram(bool primary, int code) {
    if (primary) {
        switch (code) {
        case '!':
            return sheriff();
        case '#':
            return digi(kGreen);
        case '$':
            return phone();
        case '\'':
            return smallAircraft(kOrange);
        case '(':
            return satellite();
        case '+':
            return redCross();
        case '-':
            return house(kRed, QColor(243, 226, 184));
        case '.':
            return xMark();
        case '/':
            return dot();
        case ':':
            return fire();
        case ';':
            return tent();
        case '<':
            return motorcycle();
        case '=':
            return train();
        case '>':
            return car(kRed);
        case '@':
            return hurricane(kWhite);
        case 'A':
            return squareSign(kGreen, cross(16, 16, 10, 3.6), kWhite);
        case 'C':
            return canoe();
        case 'E':
            return eye();
        case 'G':
            return gridSquare();
        case 'I':
            return globe();
        case 'K':
            return school();
        case 'O':
            return balloon();
        case 'P':
            return police();
        case 'R':
            return rv();
        case 'S':
            return shuttle();
        case 'T':
        case 'V':
            return television();
        case 'U':
            return bus();
        case 'W':
            return weatherStation(kNavy);
        case 'X':
            return helicopter();
        case 'Y':
            return yacht();
        case '[':
            return person(true);
        case '\\':
            return triangle(kWhite);
        case '^':
            return airliner(kBlue);
        case '_':
            return weatherStation(kBlue);
        case '`':
            return dish();
        case 'a':
            return ambulance();
        case 'b':
            return bicycle();
        case 'd':
            return fireStation();
        case 'f':
            return fireTruck();
        case 'g':
            return glider();
        case 'h':
            return squareSign(kBlue, letterH(), kWhite);
        case 'j':
            return jeep();
        case 'k':
            return truck(kBlue, false);
        case 'm':
        case 'r':
            return tower(true);
        case 'n':
            return digi(kRed);
        case 's':
            return ship(kNavy);
        case 'u':
            return truck(kWhite, true);
        case 'v':
            return van(kWhite);
        case 'w':
            return water();
        case 'y':
            return yagiHouse();
        default:
            break;
        }
        if (code >= '0' && code <= '9') return numberedCircle(code - '0');
        return {};
    }
    switch (code) {
    case '!':
        return emergency();
    case '#':
        return digi(kGreen);
    case '&':
        return diamond(kInk);
    case '(':
        return cloud();
    case '*':
        return snowflake(kBlue);
    case '+':
        return church();
    case '-':
        return house(kGreen, QColor(243, 226, 184));
    case '0':
        return plainCircle(14);
    case '9':
        return gasPump();
    case ':':
        return dots(kWhite, 2.3);
    case '>':
        return car(kBlue);
    case '@':
        return hurricane(kRed);
    case 'A':
        return box();
    case 'D':
        return dots(kBlue, 1.4);
    case 'G':
        return dots(kWhite, 1.6);
    case 'I':
    case '`':
        return rain(true);
    case 'J':
        return lightning();
    case 'L':
        return lighthouse();
    case 'S':
        return satellite();
    case 'T':
        return thunderstorm();
    case 'U':
        return sun();
    case '^':
        return airliner(kWhite);
    case '_':
        return weatherStation(kGreen);
    case 'a':
        return diamond(kWhite);
    case 'c':
        return triangle(kOrange);
    case 'i':
        return digi(QColor(0, 150, 150));
    case 'n':
        return triangle(kWhite);
    case 'o':
        return plainCircle(8);
    case 'p':
        return partlyCloudy();
    case 's':
        return ship(kBlue);
    case 't':
        return tornado();
    case 'u':
        return truck(kWhite, false);
    case 'v':
        return van(kBlue);
    case 'w':
        return flood();
    case '{':
        return fog();
    default:
        return {};
    }
}

Picture build(int iconIndex) {
    const bool primary = iconIndex < SymbolTable::kEntries;
    const int code = iconIndex % SymbolTable::kEntries + SymbolTable::kFirstCode;
    Picture pic = pictogram(primary, code);
    if (pic.items.empty()) pic = badge(symbolStationType(primary ? '/' : '\\', code), code);
    return pic;
}

// Text needs the font database, which exists only under a GUI application; without one the
// badges and overlays go without their characters rather than aborting.
bool canDrawText() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

QFont labelFont(int pixelSize) {
    QFont f;
    f.setPixelSize(pixelSize);
    f.setBold(true);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void render(QPainter& p, const Picture& pic, const QRectF& target) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(target.topLeft());
    p.scale(target.width() / kUnits, target.height() / kUnits);
    p.setBrush(Qt::NoBrush);
    for (const Item& item : pic.items) {
        if (!item.halo) continue;
        p.setPen(QPen(kHalo, item.width + kHaloExtra, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(item.path);
    }
    for (const Item& item : pic.items) {
        p.setBrush(item.fill.alpha() ? QBrush(item.fill) : QBrush(Qt::NoBrush));
        if (item.line.isValid() && item.width > 0)
            p.setPen(QPen(item.line, item.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        else
            p.setPen(Qt::NoPen);
        p.drawPath(item.path);
    }
    if (!pic.labels.empty() && canDrawText()) {
        for (const Label& l : pic.labels) {
            p.setFont(labelFont(l.size));
            p.setPen(l.colour);
            p.drawText(l.box, Qt::AlignCenter, l.text);
        }
    }
    p.restore();
}

quint64 cacheKey(int iconIndex, int devicePixels) {
    return (quint64(iconIndex) << 32) | quint32(devicePixels);
}

QImage renderImage(const Picture& pic, int px, qreal dpr) {
    const int device = qMax(1, qRound(px * dpr));
    QImage img(device, device, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    QPainter p(&img);
    render(p, pic, QRectF(0, 0, device / dpr, device / dpr));
    return img;
}

bool validIndex(int iconIndex) {
    return iconIndex >= 0 && iconIndex < SymbolAtlas::kIcons;
}

} // namespace

struct SymbolAtlas::Private {
    std::array<Picture, kIcons> pictures;
    // Standard sizes at ratio 1, filled in the constructor and read-only afterwards.
    std::array<std::array<QImage, kIcons>, std::size(kStandardSizes)> standard;

    mutable QMutex mutex;
    mutable QHash<quint64, QImage> other;
    mutable QHash<int, QIcon> icons;
};

SymbolAtlas::SymbolAtlas() : d(std::make_unique<Private>()) {
    for (int i = 0; i < kIcons; ++i) d->pictures[i] = build(i);
    for (size_t s = 0; s < std::size(kStandardSizes); ++s)
        for (int i = 0; i < kIcons; ++i)
            d->standard[s][i] = renderImage(d->pictures[i], kStandardSizes[s], 1.0);
}

SymbolAtlas::~SymbolAtlas() = default;

const SymbolAtlas& SymbolAtlas::shared() {
    static const SymbolAtlas atlas;
    return atlas;
}

int SymbolAtlas::iconIndexFor(int table, int code) {
    return symbolIconIndex(table, code);
}

QColor SymbolAtlas::typeColour(int stationType) {
    switch (stationType) {
    case 1:
        return QColor(224, 110, 20); // Mobile
    case 2:
        return QColor(20, 130, 190); // Weather
    case 3:
        return QColor(40, 145, 60); // Digi
    case 4:
        return QColor(125, 75, 180); // TCP/IP
    case 5:
        return QColor(190, 50, 110); // Object
    default:
        return QColor(85, 100, 125); // Fixed
    }
}

bool SymbolAtlas::isPictogram(int iconIndex) const {
    return validIndex(iconIndex) && d->pictures[iconIndex].pictogram;
}

QImage SymbolAtlas::image(int iconIndex, int px, qreal dpr) const {
    if (!validIndex(iconIndex) || px < 1 || !(dpr > 0)) return {};
    if (dpr == 1.0)
        for (size_t s = 0; s < std::size(kStandardSizes); ++s)
            if (kStandardSizes[s] == px) return d->standard[s][iconIndex];
    const quint64 key = cacheKey(iconIndex, qRound(px * dpr)) ^ (quint64(qRound(dpr * 100)) << 48);
    QMutexLocker lock(&d->mutex);
    auto it = d->other.constFind(key);
    if (it != d->other.constEnd()) return *it;
    lock.unlock();
    // Rendered outside the lock; two threads asking at once both draw, and either result is right.
    QImage img = renderImage(d->pictures[iconIndex], px, dpr);
    lock.relock();
    d->other.insert(key, img);
    return img;
}

QIcon SymbolAtlas::icon(int iconIndex) const {
    if (!validIndex(iconIndex)) return {};
    QMutexLocker lock(&d->mutex);
    auto it = d->icons.constFind(iconIndex);
    if (it != d->icons.constEnd()) return *it;
    lock.unlock();
    QIcon icon;
    for (int px : kStandardSizes) {
        icon.addPixmap(QPixmap::fromImage(image(iconIndex, px)));
        icon.addPixmap(QPixmap::fromImage(image(iconIndex, px, 2.0)));
    }
    lock.relock();
    d->icons.insert(iconIndex, icon);
    return icon;
}

void SymbolAtlas::paintIcon(QPainter& painter, const QRectF& rect, int iconIndex) const {
    if (!validIndex(iconIndex)) return;
    render(painter, d->pictures[iconIndex], rect);
}

void SymbolAtlas::paint(QPainter& painter, const QRectF& rect, int table, int code) const {
    paintIcon(painter, rect, iconIndexFor(table, code));
    if (SymbolTable::isOverlay(table) && table > ' ' && table <= '~')
        paintOverlay(painter, rect, QChar(table));
}

void SymbolAtlas::paintOverlay(QPainter& painter, const QRectF& rect, QChar overlay) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / kUnits, rect.height() / kUnits);
    const QRectF box(7.2, 7.2, 17.6, 17.6);
    painter.setPen(QPen(kWhite, 1.6));
    painter.setBrush(QColor(20, 20, 20, 235));
    painter.drawRoundedRect(box, 3, 3);
    if (canDrawText()) {
        painter.setFont(labelFont(16));
        painter.setPen(kWhite);
        painter.drawText(box, Qt::AlignCenter, QString(overlay));
    }
    painter.restore();
}
