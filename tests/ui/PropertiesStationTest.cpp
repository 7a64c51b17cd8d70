#include "ui/PropertiesStation.h"
#include "controls/DialogRunner.h"
#include "controls/ZelMFCFullMask.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "support/TempHome.h"
#include "ui/PropertiesSheet.h"
#include "ui/PropertiesUnits.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {
struct Sheet {
    TempHome t;
    ScriptedPrompter prompter;
    ScriptedDialogRunner dialogs;
    std::unique_ptr<PropertiesSheet> sheet;

    PropertiesSheet& open() {
        sheet = std::make_unique<PropertiesSheet>(t.settings, prompter, dialogs, EnginePortList{});
        return *sheet;
    }
    template <typename T> T* find(const char* name) const {
        T* w = sheet->findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    QVariant stored(const QString& key) const {
        QSettings file(t.settings.filePath(), QSettings::IniFormat);
        return file.value(key);
    }
    // Ok as the user presses it: the sheet either closes (true) or stays open.
    bool ok() {
        sheet->setResult(QDialog::Rejected);
        sheet->accept();
        return sheet->result() == QDialog::Accepted;
    }
};
} // namespace

TEST(StationPage, AnEmptyStoreShowsTheDefaultLocationCallAndTheHouse) {
    Sheet s;
    s.open();
    auto* location = s.find<QComboBox>("location");
    ASSERT_EQ(location->count(), 1);
    EXPECT_EQ(location->itemText(0), "Default Location");
    EXPECT_EQ(location->currentIndex(), 0);
    EXPECT_EQ(s.find<QLineEdit>("myCall")->text(), "NOCALL");
    EXPECT_EQ(s.find<QComboBox>("symbol")->currentData().toInt(), 12);
    EXPECT_EQ(s.find<QSpinBox>("txEvery")->value(), 30);
    EXPECT_TRUE(s.find<QCheckBox>("beep")->isChecked());
    EXPECT_EQ(s.find<QLineEdit>("beacon")->text(), "Quillon");
}

TEST(StationPage, SavesThePositionInBothFormsAndTheAlternateSymbolAsTable1) {
    Sheet s;
    s.open();
    s.find<QLineEdit>("myCall")->setText(QStringLiteral("N0QPA-9"));
    s.find<ZelMFCFullMask>("latitude")->setText(ZelMFCFullMask::latitudeText(37.5));
    s.find<ZelMFCFullMask>("longitude")->setText(ZelMFCFullMask::longitudeText(-5.1));
    auto* symbol = s.find<QComboBox>("symbol");
    symbol->setCurrentIndex(symbol->findData(94));
    s.find<QSpinBox>("txEvery")->setValue(0);
    ASSERT_TRUE(s.ok()) << s.prompter.reported.join('|').toStdString();
    EXPECT_EQ(s.stored("SETTINGS/MYCALL").toString(), "N0QPA-9");
    EXPECT_EQ(s.stored("SETTINGS/LATITUDE").toString(), "37.500000");
    EXPECT_EQ(s.stored("SETTINGS/POSLATITUDE").toString(), "3730.00N");
    EXPECT_EQ(s.stored("SETTINGS/LONGITUDE").toString(), "-5.100000");
    EXPECT_EQ(s.stored("SETTINGS/POSLONGITUDE").toString(), "00506.00W");
    EXPECT_EQ(s.stored("SETTINGS/POSICONTABLE").toString(), "1");
    EXPECT_EQ(s.stored("SETTINGS/POSICON").toString(), "0");
    EXPECT_EQ(s.stored("SETTINGS/POSEVERY").toString(), "0");
    // The selected location gets the same values under its number.
    EXPECT_EQ(s.stored("SETTINGS/LOCATIONS/LOCNAME0").toString(), "Default Location");
    EXPECT_EQ(s.stored("SETTINGS/LOCATIONS/MYCALL0").toString(), "N0QPA-9");
    EXPECT_EQ(s.stored("SETTINGS/LOCATIONS/POSICONTABLE0").toString(), "1");
    EXPECT_EQ(s.stored("SETTINGS/HOWMANY").isValid(), false);
    EXPECT_EQ(s.stored("SETTINGS/LOCATIONS/HOWMANY").toString(), "1");
}

TEST(StationPage, BrokenCallsAndPositionsKeepTheSheetOpenAndStoreNothing) {
    Sheet s;
    s.open();
    auto* call = s.find<QLineEdit>("myCall");
    for (const char* bad : {"", "N0 QPA", "N0QPA-", "N0/QPA"}) {
        call->setText(QString::fromLatin1(bad));
        EXPECT_FALSE(s.ok()) << bad;
    }
    call->setText(QStringLiteral("N0QPA"));
    auto* latitude = s.find<ZelMFCFullMask>("latitude");
    latitude->setText(QStringLiteral("N 91°00.00'"));
    EXPECT_FALSE(s.ok());
    latitude->setText(QStringLiteral("N 45°60.00'"));
    EXPECT_FALSE(s.ok());
    latitude->setText(ZelMFCFullMask::latitudeText(45.25));
    s.find<QLineEdit>("beacon")->setText(QStringLiteral("two\nlines"));
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.prompter.reported.size(), 7);
    EXPECT_FALSE(s.stored("SETTINGS/MYCALL").isValid());
    s.find<QLineEdit>("beacon")->setText(QStringLiteral("one line"));
    EXPECT_TRUE(s.ok());
}

TEST(StationPage, TypedCallsBecomeUpperCase) {
    Sheet s;
    s.open();
    auto* call = s.find<QLineEdit>("myCall");
    call->clear();
    QTest::keyClicks(call, QStringLiteral("n0qpa-7"));
    EXPECT_EQ(call->text(), "N0QPA-7");
}

TEST(StationPage, LocationsAreAddedSwitchedAndSavedUnderTheirNumbers) {
    Sheet s;
    write(s.t.settings, Settings::HOWMANY, 2);
    write(s.t.settings, Settings::LOCNAME, 0, QStringLiteral("Home"));
    write(s.t.settings, Settings::LOCNAME, 1, QStringLiteral("Field Day"));
    write(s.t.settings, Settings::LOC_MYCALL, 1, QStringLiteral("N0QPA-7"));
    write(s.t.settings, Settings::LOC_LATITUDE, 1, QStringLiteral("not a number"));
    write(s.t.settings, Settings::LOC_LONGITUDE, 1, QStringLiteral("200"));
    write(s.t.settings, Settings::ACTIVE_LOCATION, QStringLiteral("Home"));
    s.open();
    auto* location = s.find<QComboBox>("location");
    EXPECT_EQ(location->currentText(), "Home");
    location->setCurrentIndex(1);
    emit location->activated(1);
    EXPECT_EQ(s.find<QLineEdit>("myCall")->text(), "N0QPA-7");
    // A stored position that is no number or out of range shows as 0.
    EXPECT_EQ(ZelMFCFullMask::latitudeValue(s.find<ZelMFCFullMask>("latitude")->text()), 0.0);
    EXPECT_EQ(ZelMFCFullMask::longitudeValue(s.find<ZelMFCFullMask>("longitude")->text()), 0.0);

    s.find<QPushButton>("addLocation")->click();
    ASSERT_EQ(s.prompter.reported.size(), 1);
    EXPECT_TRUE(s.prompter.reported.front().startsWith("A New Location Added."));
    EXPECT_EQ(location->currentText(), "New Location");
    location->lineEdit()->selectAll();
    QTest::keyClicks(location->lineEdit(), QStringLiteral("Portable"));
    s.find<QLineEdit>("myCall")->setText(QStringLiteral("N0QPA-8"));
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.stored("SETTINGS/LOCATIONS/HOWMANY").toString(), "3");
    EXPECT_EQ(s.stored("SETTINGS/ACTIVE_LOCATION").toString(), "Portable");
    EXPECT_EQ(s.stored("SETTINGS/LOCATIONS/LOCNAME2").toString(), "Portable");
    EXPECT_EQ(s.stored("SETTINGS/LOCATIONS/MYCALL2").toString(), "N0QPA-8");
    EXPECT_EQ(s.stored("SETTINGS/LOCATIONS/LOCNAME1").toString(), "Field Day");
    EXPECT_EQ(s.stored("SETTINGS/LOCATIONS/MYCALL1").toString(), "N0QPA-7"); // untouched
    EXPECT_EQ(s.stored("SETTINGS/MYCALL").toString(), "N0QPA-8");
}

TEST(StationPage, WithNoLocationSelectedOnlyThePlainValuesAreWritten) {
    Sheet s;
    write(s.t.settings, Settings::ACTIVE_LOCATION, QStringLiteral("no such place"));
    s.open();
    auto* location = s.find<QComboBox>("location");
    EXPECT_EQ(location->currentIndex(), -1);
    s.find<QLineEdit>("myCall")->setText(QStringLiteral("N0QPA"));
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.stored("SETTINGS/MYCALL").toString(), "N0QPA");
    QSettings file(s.t.settings.filePath(), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("SETTINGS/LOCATIONS"));
    for (const QString& key : file.childKeys()) EXPECT_FALSE(key.endsWith("-1")) << key.toStdString();
    EXPECT_FALSE(file.contains(QStringLiteral("MYCALL0")));
}

TEST(UnitsPage, MetricAndImperialOnlyChangeTheSelectionsUntilOk) {
    Sheet s;
    PropertiesSheet& sheet = s.open();
    sheet.pages()->setCurrentIndex(1);
    s.find<QPushButton>("imperial")->click();
    EXPECT_FALSE(s.stored("SETTINGS/SPEED_FORMAT").isValid());
    s.find<QPushButton>("metric")->click();
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.stored("SETTINGS/SPEED_FORMAT").toString(), "2");
    EXPECT_EQ(s.stored("SETTINGS/DISTANCE_FORMAT").toString(), "7");
    EXPECT_EQ(s.stored("SETTINGS/TEMPERATURE_FORMAT").toString(), "0");
    EXPECT_EQ(s.stored("SETTINGS/ALTITUDE_FORMAT").toString(), "6");
    EXPECT_EQ(s.stored("SETTINGS/RAIN_FORMAT").toString(), "16");

    Sheet imperial;
    imperial.open().pages()->setCurrentIndex(1);
    imperial.find<QPushButton>("imperial")->click();
    ASSERT_TRUE(imperial.ok());
    EXPECT_EQ(imperial.stored("SETTINGS/SPEED_FORMAT").toString(), "3");
    EXPECT_EQ(imperial.stored("SETTINGS/DISTANCE_FORMAT").toString(), "10");
    EXPECT_EQ(imperial.stored("SETTINGS/TEMPERATURE_FORMAT").toString(), "1");
    EXPECT_EQ(imperial.stored("SETTINGS/ALTITUDE_FORMAT").toString(), "9");
    EXPECT_EQ(imperial.stored("SETTINGS/RAIN_FORMAT").toString(), "17");
}

TEST(PropertiesSheet, PagesNeverShownWriteNothingAndCancelWritesNothing) {
    Sheet s;
    s.open();
    ASSERT_TRUE(s.ok());
    // Only the Station page was shown.
    EXPECT_TRUE(s.stored("SETTINGS/MYCALL").isValid());
    EXPECT_FALSE(s.stored("SETTINGS/SPEED_FORMAT").isValid());

    Sheet c;
    c.open();
    c.find<QLineEdit>("myCall")->setText(QStringLiteral("N0QPA"));
    c.sheet->reject();
    EXPECT_FALSE(c.stored("SETTINGS/MYCALL").isValid());
}

TEST(PropertiesSheet, CtrlTabGoesFromPageToPageFromAnyFieldAndTheFocusFollows) {
    Sheet s;
    PropertiesSheet& sheet = s.open();
    sheet.show();
    sheet.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
    s.find<QComboBox>("symbol")->setFocus();
    for (int expected : {1, 2, 3, 4, 5, 6, 0}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(sheet.pages()->currentIndex(), expected);
        EXPECT_TRUE(sheet.page(expected)->isAncestorOf(QApplication::focusWidget())) << expected;
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(sheet.pages()->currentIndex(), 6);
}
