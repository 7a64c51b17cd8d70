#include "platform/Settings.h"
#include "support/TempHome.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <gtest/gtest.h>

TEST(SettingsStore, EmptyStoreGivesTheDefaultsWithoutStoringThem) {
    TempHome t;
    EXPECT_EQ(read(t.settings, Settings::MYCALL), "NOCALL");
    EXPECT_EQ(read(t.settings, Settings::POSLATITUDE), "4035.90N");
    EXPECT_EQ(read(t.settings, Settings::POSLONGITUDE), "02258.20E");
    EXPECT_EQ(read(t.settings, Settings::POSEVERY), 30);
    EXPECT_EQ(read(t.settings, Settings::ComputerName), "127.0.0.1");
    EXPECT_EQ(read(t.settings, Settings::Port), 8000);
    EXPECT_EQ(read(t.settings, Settings::ENABLERP, 0), 0);
    EXPECT_EQ(read(t.settings, Settings::ENABLERP, -1), 0);
    EXPECT_EQ(read(t.settings, Settings::VIAPATH_POSITION, 3), "RELAY");
    EXPECT_EQ(read(t.settings, Settings::VIAPATH_BEACON, 3), "");
    EXPECT_FALSE(read(t.settings, Settings::MONITORTEXTFONT).has_value());
    // Reading never creates the file.
    EXPECT_FALSE(QFile::exists(t.home.settingsFile()));
}

TEST(SettingsStore, NumberedNamesAndNestedSectionsRoundTripThroughANewReader) {
    TempHome t;
    write(t.settings, Settings::ENABLERP, -1, 1);
    write(t.settings, Settings::BTIME, 12, 5);
    write(t.settings, Settings::LOCNAME, 0, "Home");
    write(t.settings, Settings::MAPZOOM, 0, QByteArray("\x00\x01\x02\xff", 4));
    write(t.settings, Settings::VIAPATH_POSITION, 0, "WIDE1-1,WIDE2-1");

    // A second store on the same file sees what the first wrote (nothing is cached).
    SettingsStore other(t.home.settingsFile());
    EXPECT_EQ(read(other, Settings::ENABLERP, -1), 1);
    EXPECT_EQ(read(other, Settings::BTIME, 12), 5);
    EXPECT_EQ(read(other, Settings::BTIME, 1), 30);
    EXPECT_EQ(read(other, Settings::LOCNAME, 0), "Home");
    EXPECT_EQ(read(other, Settings::MAPZOOM, 0).value(), QByteArray("\x00\x01\x02\xff", 4));
    EXPECT_EQ(read(other, Settings::VIAPATH_POSITION, 0), "WIDE1-1,WIDE2-1");

    QFile f(t.home.settingsFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("ENABLERP-1=1"));
    EXPECT_TRUE(text.contains("BTIME12=5"));
    // Owner-only: the file will hold the APRS-IS passcode.
    EXPECT_EQ(f.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup |
                                 QFileDevice::WriteOther),
              QFileDevice::Permissions());
}

TEST(SettingsStore, ValuesOfTheWrongTypeReadAsMissing) {
    TempHome t;
    QFile f(t.home.settingsFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[SETTINGS]\nPOSEVERY=often\nPort=0x1F40\nMONITORTEXTFONT=plain text\nEXPIRETIME=99999999999\n"
            "MYCALL=@ByteArray(AB)\nVIAPATH0=WIDE1-1,WIDE2-1\n");
    f.close();
    EXPECT_EQ(read(t.settings, Settings::POSEVERY), 30);
    EXPECT_EQ(read(t.settings, Settings::Port), 8000);
    EXPECT_FALSE(read(t.settings, Settings::MONITORTEXTFONT).has_value());
    EXPECT_EQ(read(t.settings, Settings::EXPIRETIME), 180);
    EXPECT_EQ(read(t.settings, Settings::MYCALL), "NOCALL");
    EXPECT_EQ(read(t.settings, Settings::VIAPATH_POSITION, 0), "WIDE1-1,WIDE2-1");
}

TEST(SettingsStore, AChangeTakesEffectAtTheNextRead) {
    TempHome t;
    EXPECT_EQ(read(t.settings, Settings::POSEVERY), 30);
    SettingsStore writer(t.home.settingsFile());
    write(writer, Settings::POSEVERY, 0);
    EXPECT_EQ(read(t.settings, Settings::POSEVERY), 0);
}
