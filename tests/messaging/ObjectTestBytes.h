#pragma once

#include "messaging/OwnObjectsManager.h"
#include "platform/Clock.h"
#include "support/TempHome.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

// MyObjects.dat assembled by hand from the documented layout, independent of the station's
// writer, in either string form.
struct ObjectBytes {
    QByteArray b;
    bool wideStrings = true;

    explicit ObjectBytes(uint32_t version = 0x0001007A) {
        wideStrings = (version & 0x10000) != 0;
        u32(version);
    }
    ObjectBytes& u32(uint32_t v) {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
        return *this;
    }
    ObjectBytes& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    ObjectBytes& f64(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        char x[8];
        qToLittleEndian(bits, x);
        b.append(x, 8);
        return *this;
    }
    ObjectBytes& time(int y, int mo, int dow, int d, int h, int mi, int s = 0, int ms = 0) {
        for (int v : {y, mo, dow, d, h, mi, s, ms}) {
            b.append(static_cast<char>(v & 0xFF));
            b.append(static_cast<char>((v >> 8) & 0xFF));
        }
        return *this;
    }
    ObjectBytes& text(const QString& s) {
        if (s.isEmpty()) return u32(0);
        if (!wideStrings) {
            const QByteArray narrow = s.toLatin1();
            u32(static_cast<uint32_t>(narrow.size() + 1));
            b.append(narrow);
            b.append('\0');
            return *this;
        }
        u32(static_cast<uint32_t>(2 * (s.size() + 1)));
        for (QChar c : s) {
            b.append(static_cast<char>(c.unicode() & 0xFF));
            b.append(static_cast<char>(c.unicode() >> 8));
        }
        b.append(2, '\0');
        return *this;
    }

    struct Object {
        QString name = QStringLiteral("OBJ1");
        QString comment = QStringLiteral("a comment");
        double latitude = 40.5;
        double longitude = 22.75;
        int table = '/';
        int code = '/';
        int interval = 10;
        // 2026-01-15 12:00:00, a Thursday: the test clock's start.
        int year = 2026, month = 1, dayOfWeek = 4, day = 15, hour = 12, minute = 0;
    };

    // One object: the station record with the fields a new own object has, then time and interval.
    ObjectBytes& object(const Object& o) {
        text(o.name).text(QString()).text(o.comment);
        u32(0);                            // course
        time(2026, 1, 4, 15, 12, 0, 0, 0); // first heard
        i32(0).i32(o.code).i32(o.table);   // altitude, symbol code, symbol table
        time(2026, 1, 4, 15, 12, 0, 0, 0); // last heard
        text(QString());                   // last packet
        f64(o.latitude).f64(o.longitude).f64(0);
        text(QString()).i32(5);             // status, station type Object
        i32(0).i32(0).i32(0).i32(0).f64(0); // PHG
        i32(-1).i32(-1).i32(-1).i32(-50000).i32(-1).i32(-1).i32(-1).i32(-1);
        text(QString()); // weather software
        i32(-1).i32(-1).i32(-1).f64(0).f64(0).i32(0).f64(0);
        for (int i = 0; i < 40; ++i) text(QString()); // heard-path keys and heard-via entries
        i32(0);                                       // next heard-path slot
        time(o.year, o.month, o.dayOfWeek, o.day, o.hour, o.minute);
        i32(o.interval);
        return *this;
    }
};

// An own-objects manager in a temporary home on the manual clock, recording what it sends.
struct ObjectsFixture {
    TempHome t;
    ManualClock clock;
    QStringList sent;
    std::unique_ptr<OwnObjectsManager> objects;

    ObjectsFixture() { make(); }
    void make() {
        objects = std::make_unique<OwnObjectsManager>(t.home, clock, [this](const QString& r) { sent << r; });
    }
    QString path() const { return t.home.dataFile(QStringLiteral("MyObjects.dat")); }
    QString badPath() const { return t.home.dataFile(QStringLiteral("MyObjects.dat.bad")); }
    void writeFile(const QByteArray& bytes) const {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray fileBytes(const QString& p) const {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Minute ticks, each after a minute of the clock.
    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            clock.advance(60000);
            objects->minuteTick();
        }
    }
    static OwnObjectFields fields(const QString& name, int interval = 10) {
        OwnObjectFields f;
        f.name = name;
        f.latitude = 40.5;
        f.longitude = 22.75;
        f.comment = QStringLiteral("a comment");
        f.interval = interval;
        return f;
    }
};
