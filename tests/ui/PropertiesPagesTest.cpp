#include "controls/CColourPicker.h"
#include "controls/DialogRunner.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "platform/gui/LogFont.h"
#include "support/TempHome.h"
#include "ui/PropertiesSheet.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <utility>

namespace {
enum Page { Labels = 2, Ports = 3, Other = 4, Gps = 5 };

// The sheet over a temporary store, with the engine's ports as given, opened on one page.
struct PageFixture {
    TempHome t;
    ScriptedPrompter prompter;
    ScriptedDialogRunner dialogs;
    EnginePortList engine;
    std::unique_ptr<PropertiesSheet> sheet;

    explicit PageFixture(QStringList ports = {QStringLiteral("Port 1 VHF"), QStringLiteral("Port 2 HF")}) {
        engine.count = static_cast<int>(ports.size());
        engine.descriptions = std::move(ports);
    }
    void open(Page page) {
        sheet = std::make_unique<PropertiesSheet>(t.settings, prompter, dialogs, engine);
        sheet->pages()->setCurrentIndex(page);
    }
    template <typename T> T* get(const char* name) const {
        T* w = sheet->findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    // What a second reader of the settings file finds.
    QVariant stored(const char* key) const {
        return QSettings(t.settings.filePath(), QSettings::IniFormat).value(QString::fromLatin1(key));
    }
    QString text(const char* key) const { return stored(key).toString(); }
    void expectStored(std::initializer_list<std::pair<const char*, const char*>> expected) const {
        for (const auto& [key, value] : expected) EXPECT_EQ(text(key), value) << key;
    }
    bool has(const char* key) const { return stored(key).isValid(); }
    bool ok() {
        sheet->accept();
        return sheet->result() == QDialog::Accepted;
    }
    QString lastReport() const { return prompter.reported.isEmpty() ? QString() : prompter.reported.last(); }
};

void selectRow(QListWidget* list, int row) {
    list->setCurrentRow(row);
}
QStringList itemTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}
void typeInto(QSpinBox* spin, const QString& keys) {
    auto* edit = spin->findChild<QLineEdit*>();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, keys);
}
} // namespace

// --- Ports

TEST(PortsPage, ListsTheServerThenTheEnginePortsWithTheDefaultsShown) {
    PageFixture s;
    s.open(Ports);
    auto* ports = s.get<QListWidget>("ports");
    EXPECT_EQ(itemTexts(ports), QStringList({"APRS Server", "Port 1 VHF", "Port 2 HF"}));
    EXPECT_EQ(ports->currentRow(), 0);
    EXPECT_FALSE(s.get<QCheckBox>("enable")->isChecked());
    EXPECT_FALSE(s.get<QCheckBox>("unicode")->isChecked());
    EXPECT_EQ(s.get<QLineEdit>("beaconText")->text(), "QUILLON");
    EXPECT_EQ(s.get<QLineEdit>("path")->text(), "");
    EXPECT_EQ(s.get<QSpinBox>("beaconEvery")->value(), 30);
    EXPECT_FALSE(s.get<QGroupBox>("sendPhg")->isChecked());
    EXPECT_EQ(s.get<QComboBox>("phgPower")->currentIndex(), -1);

    PageFixture none{QStringList()};
    none.open(Ports);
    EXPECT_EQ(itemTexts(none.get<QListWidget>("ports")), QStringList({"APRS Server"}));
}

TEST(PortsPage, TransmissionAndSendPhgEnableTheirControls) {
    PageFixture s;
    write(s.t.settings, Settings::PHG, -1, QStringLiteral("5132"));
    write(s.t.settings, Settings::PHGENABLE, -1, 1);
    s.open(Ports);
    auto* enable = s.get<QCheckBox>("enable");
    auto* sendPhg = s.get<QGroupBox>("sendPhg");
    auto* power = s.get<QComboBox>("phgPower");
    EXPECT_EQ(power->currentData().toInt(), 5);
    EXPECT_EQ(s.get<QComboBox>("phgHeight")->currentData().toInt(), 1);
    EXPECT_EQ(s.get<QComboBox>("phgGain")->currentData().toInt(), 3);
    EXPECT_EQ(s.get<QComboBox>("phgDirection")->currentText(), "E");
    EXPECT_TRUE(sendPhg->isChecked());
    // Transmission off: only the Unicode choice stays live.
    EXPECT_TRUE(s.get<QCheckBox>("unicode")->isEnabled());
    for (const char* name : {"path", "beaconText", "beaconEvery", "sendPhg", "phgPower"})
        EXPECT_FALSE(s.sheet->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled()) << name;
    enable->setChecked(true);
    for (const char* name : {"path", "beaconText", "beaconEvery", "sendPhg", "phgPower", "phgDirection"})
        EXPECT_TRUE(s.sheet->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled()) << name;
    sendPhg->setChecked(false);
    EXPECT_FALSE(power->isEnabled());
    EXPECT_TRUE(s.get<QLineEdit>("path")->isEnabled());
}

TEST(PortsPage, EditsSurviveSwitchingPortsAndEveryPortShownIsWritten) {
    PageFixture s;
    s.open(Ports);
    auto* ports = s.get<QListWidget>("ports");
    auto* enable = s.get<QCheckBox>("enable");
    auto* beacon = s.get<QLineEdit>("beaconText");
    auto* path = s.get<QLineEdit>("path");
    auto* every = s.get<QSpinBox>("beaconEvery");
    enable->setChecked(true);
    beacon->setText(QStringLiteral("Gateway"));
    path->setText(QStringLiteral("TCPIP"));

    selectRow(ports, 2);
    EXPECT_EQ(s.get<QGroupBox>("portBox")->title(), "Port 2 HF");
    EXPECT_FALSE(enable->isChecked());
    EXPECT_EQ(beacon->text(), "QUILLON");
    enable->setChecked(true);
    s.get<QCheckBox>("unicode")->setChecked(true);
    every->setValue(0);
    EXPECT_EQ(every->text(), "Never");

    selectRow(ports, 0);
    EXPECT_TRUE(enable->isChecked());
    EXPECT_EQ(beacon->text(), "Gateway");
    EXPECT_EQ(path->text(), "TCPIP");
    selectRow(ports, 2);
    EXPECT_EQ(every->value(), 0);
    selectRow(ports, 0);

    ASSERT_TRUE(s.ok()) << s.lastReport().toStdString();
    s.expectStored({
        {"SETTINGS/ENABLERP-1", "1"},
        {"SETTINGS/BTEXT-1", "Gateway"},
        {"SETTINGS/VIAPATH-1", "TCPIP"},
        {"SETTINGS/BTIME-1", "30"},
        {"SETTINGS/PHGENABLE-1", "0"},
        {"SETTINGS/ENABLERP1", "1"},
        {"SETTINGS/UNICODERP1", "1"},
        {"SETTINGS/BTIME1", "0"},
        {"SETTINGS/BTEXT1", "QUILLON"},
    });
    // Port 0 was never shown.
    EXPECT_FALSE(s.has("SETTINGS/ENABLERP0"));
    EXPECT_FALSE(s.has("SETTINGS/BTEXT0"));
}

TEST(PortsPage, PhgIsWrittenOnlyWhenAllFourListsHaveASelection) {
    PageFixture s;
    write(s.t.settings, Settings::PHG, -1, QStringLiteral("5132"));
    write(s.t.settings, Settings::PHG, 0, QStringLiteral("5139")); // no direction 9
    s.open(Ports);
    s.get<QComboBox>("phgPower")->setCurrentIndex(9);
    s.get<QComboBox>("phgDirection")->setCurrentIndex(8);
    selectRow(s.get<QListWidget>("ports"), 1);
    EXPECT_EQ(s.get<QComboBox>("phgGain")->currentData().toInt(), 3);
    EXPECT_EQ(s.get<QComboBox>("phgDirection")->currentIndex(), -1);
    ASSERT_TRUE(s.ok()) << s.lastReport().toStdString();
    EXPECT_EQ(s.text("SETTINGS/PHG-1"), "9138");
    EXPECT_EQ(s.text("SETTINGS/PHG0"), "");

    PageFixture cleared;
    write(cleared.t.settings, Settings::PHG, -1, QStringLiteral("5132"));
    cleared.open(Ports);
    cleared.get<QComboBox>("phgGain")->setCurrentIndex(-1);
    ASSERT_TRUE(cleared.ok());
    EXPECT_TRUE(cleared.has("SETTINGS/PHG-1"));
    EXPECT_EQ(cleared.text("SETTINGS/PHG-1"), "");
}

TEST(PortsPage, SendPhgWithAListClearedKeepsTheSheetOpen) {
    // Such a port would send "PHG" without its digits.
    PageFixture s;
    write(s.t.settings, Settings::PHG, 0, QStringLiteral("5132"));
    write(s.t.settings, Settings::PHGENABLE, 0, 1);
    write(s.t.settings, Settings::ENABLERP, 0, 1);
    s.open(Ports);
    selectRow(s.get<QListWidget>("ports"), 1);
    s.get<QComboBox>("phgHeight")->setCurrentIndex(-1);
    selectRow(s.get<QListWidget>("ports"), 0);
    EXPECT_FALSE(s.ok());
    EXPECT_TRUE(s.lastReport().startsWith("Port 1 VHF: Send PHG(Range)")) << s.lastReport().toStdString();
    EXPECT_EQ(s.text("SETTINGS/PHG0"), "5132");
    selectRow(s.get<QListWidget>("ports"), 1);
    s.get<QGroupBox>("sendPhg")->setChecked(false);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.text("SETTINGS/PHG0"), "");
    EXPECT_EQ(s.text("SETTINGS/PHGENABLE0"), "0");
}

TEST(PortsPage, PathsAreCommaSeparatedCallsAndTextsHaveNoControlCharacters) {
    PageFixture s;
    write(s.t.settings, Settings::VIAPATH_BEACON, 1, QStringLiteral("OLD PATH"));
    s.open(Ports);
    auto* path = s.get<QLineEdit>("path");
    auto* beacon = s.get<QLineEdit>("beaconText");
    s.get<QCheckBox>("enable")->setChecked(true);
    for (const char* bad : {"WIDE1-1 WIDE2-1", "WIDE1-1,", ",WIDE2-1", "WIDE1-1,,WIDE2-1", "WIDE2-",
                            "A,B,C,D,E,F,G,H,I", "WIDE\t1"}) {
        path->setText(QString::fromLatin1(bad));
        EXPECT_FALSE(s.ok()) << bad;
    }
    EXPECT_TRUE(s.lastReport().startsWith("APRS Server: ")) << s.lastReport().toStdString();
    path->clear();
    QTest::keyClicks(path, QStringLiteral("wide1-1,wide2-1"));
    EXPECT_EQ(path->text(), "WIDE1-1,WIDE2-1");
    beacon->setText(QStringLiteral("two\nlines"));
    EXPECT_FALSE(s.ok());
    // A port no longer shown is checked as well.
    selectRow(s.get<QListWidget>("ports"), 2);
    EXPECT_FALSE(s.ok());
    EXPECT_FALSE(s.has("SETTINGS/BTEXT-1"));
    selectRow(s.get<QListWidget>("ports"), 0);
    beacon->setText(QStringLiteral("73 de Quillpad"));
    ASSERT_TRUE(s.ok()) << s.lastReport().toStdString();
    EXPECT_EQ(s.text("SETTINGS/VIAPATH-1"), "WIDE1-1,WIDE2-1");
    EXPECT_EQ(s.text("SETTINGS/BTEXT-1"), "73 de Quillpad");
    // A port that does not transmit is not held to the rules: nothing of it is sent.
    EXPECT_EQ(s.text("SETTINGS/VIAPATH1"), "OLD PATH");
}

// --- GPS

TEST(GpsPage, OnlyTheServerCheckedStoresMinusOneAndNoneCheckedStoresNothing) {
    PageFixture s;
    s.open(Gps);
    auto* ports = s.get<QListWidget>("gpsPorts");
    EXPECT_EQ(itemTexts(ports), QStringList({"APRS SERVER", "Port 1 VHF", "Port 2 HF"}));
    EXPECT_EQ(ports->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(ports->item(1)->checkState(), Qt::Unchecked);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.text("GPS/RADIOPORTSTX"), "-1,");

    PageFixture all;
    all.open(Gps);
    ports = all.get<QListWidget>("gpsPorts");
    ports->item(1)->setCheckState(Qt::Checked);
    ports->item(2)->setCheckState(Qt::Checked);
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(all.text("GPS/RADIOPORTSTX"), "-1,0,1,");

    PageFixture none;
    none.open(Gps);
    none.get<QListWidget>("gpsPorts")->item(0)->setCheckState(Qt::Unchecked);
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none.has("GPS/RADIOPORTSTX"));
    EXPECT_EQ(none.text("GPS/RADIOPORTSTX"), "");
}

TEST(GpsPage, StoredPortsAreCheckedAndThoseTheEngineDidNotReportAreKept) {
    PageFixture s;
    write(s.t.settings, Settings::RADIOPORTSTX_SETUP, QStringLiteral("1,x,3,1,-7,"));
    s.open(Gps);
    auto* ports = s.get<QListWidget>("gpsPorts");
    ASSERT_EQ(ports->count(), 4);
    EXPECT_EQ(ports->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(ports->item(2)->checkState(), Qt::Checked);
    EXPECT_TRUE(ports->item(3)->text().startsWith("Port 3")) << ports->item(3)->text().toStdString();
    EXPECT_EQ(ports->item(3)->checkState(), Qt::Checked);
    ports->item(1)->setCheckState(Qt::Checked);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.text("GPS/RADIOPORTSTX"), "0,1,3,");
}

TEST(GpsPage, ShowsAndSavesTheMobileStation) {
    PageFixture s;
    s.open(Gps);
    EXPECT_EQ(s.get<QLineEdit>("gpsCall")->text(), "NOCALL");
    EXPECT_EQ(s.get<QComboBox>("gpsIcon")->currentData().toInt(), 29);
    EXPECT_EQ(s.get<QSpinBox>("gpsTxEvery")->value(), 10);
    EXPECT_EQ(s.get<QSpinBox>("gpsDistance")->value(), 2);
    EXPECT_EQ(s.get<QLabel>("gpsDistanceUnit")->text(), "Km");
    EXPECT_EQ(s.get<QSpinBox>("gpsAngle")->value(), 45);
    EXPECT_TRUE(s.get<QCheckBox>("gpsBeep")->isChecked());

    s.get<QLineEdit>("gpsCall")->setText(QStringLiteral("N0QPA-9"));
    auto* icon = s.get<QComboBox>("gpsIcon");
    icon->setCurrentIndex(icon->findData(94));
    s.get<QSpinBox>("gpsTxEvery")->setValue(0);
    EXPECT_EQ(s.get<QSpinBox>("gpsTxEvery")->text(), "Never");
    s.get<QSpinBox>("gpsDistance")->setValue(5);
    s.get<QSpinBox>("gpsAngle")->setValue(359);
    s.get<QLineEdit>("gpsVia")->setText(QStringLiteral("WIDE1-1,WIDE2-2"));
    s.get<QLineEdit>("gpsStatus")->setText(QStringLiteral("On the road"));
    s.get<QCheckBox>("gpsBeep")->setChecked(false);
    ASSERT_TRUE(s.ok()) << s.lastReport().toStdString();
    s.expectStored({
        {"GPS/CALL", "N0QPA-9"},
        {"GPS/POSICONTABLE", "1"},
        {"GPS/POSICON", "0"},
        {"GPS/TXEVERYTIME", "0"},
        {"GPS/TXEVERYDISTANCE", "5"},
        {"GPS/TXEVERYANGLE", "359"},
        {"GPS/VIAPATH", "WIDE1-1,WIDE2-2"},
        {"GPS/STATUS", "On the road"},
        {"GPS/DIGIBEEP", "0"},
    });
}

TEST(GpsPage, AnUnknownSymbolKeepsTheStoredPair) {
    PageFixture s;
    write(s.t.settings, Settings::GPS_POSICON, 500);
    s.open(Gps);
    EXPECT_EQ(s.get<QComboBox>("gpsIcon")->currentIndex(), -1);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.text("GPS/POSICON"), "500");
    EXPECT_EQ(s.text("GPS/POSICONTABLE"), "0");
}

TEST(GpsPage, CallSignsAreUpperCasedAsTypedAndBrokenOnesRefused) {
    PageFixture s;
    s.open(Gps);
    auto* call = s.get<QLineEdit>("gpsCall");
    call->clear();
    QTest::keyClicks(call, QStringLiteral("n0qpa-9"));
    EXPECT_EQ(call->text(), "N0QPA-9");
    for (const char* bad : {"", "N0 QPA", "N0QPA-", "N0QPA/M"}) {
        call->setText(QString::fromLatin1(bad));
        EXPECT_FALSE(s.ok()) << bad;
    }
    EXPECT_TRUE(s.lastReport().startsWith("CallSign")) << s.lastReport().toStdString();
    s.get<QLineEdit>("gpsVia")->setText(QStringLiteral("WIDE1-1 WIDE2-1"));
    call->setText(QStringLiteral("NOCALL"));
    EXPECT_FALSE(s.ok());
    s.get<QLineEdit>("gpsVia")->clear();
    s.get<QLineEdit>("gpsStatus")->setText(QStringLiteral("a\rb"));
    EXPECT_FALSE(s.ok());
    EXPECT_FALSE(s.has("GPS/CALL"));
    s.get<QLineEdit>("gpsStatus")->clear();
    EXPECT_TRUE(s.ok());
    EXPECT_EQ(s.text("GPS/CALL"), "NOCALL");
}

TEST(GpsPage, AnglesOutsideZeroTo359CannotBeKept) {
    PageFixture s;
    s.open(Gps);
    auto* angle = s.get<QSpinBox>("gpsAngle");
    typeInto(angle, QStringLiteral("400"));
    EXPECT_EQ(angle->value(), 40);
    typeInto(angle, QString());
    EXPECT_FALSE(s.ok());
    EXPECT_TRUE(s.lastReport().contains("359")) << s.lastReport().toStdString();
    EXPECT_FALSE(s.has("GPS/TXEVERYANGLE"));
    typeInto(angle, QStringLiteral("0"));
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.text("GPS/TXEVERYANGLE"), "0");
}

TEST(GpsPage, WithMilesShownTheDistanceIsEditedInMilesAndStoredInKilometres) {
    PageFixture s;
    write(s.t.settings, Settings::DISTANCE_FORMAT, 9);
    write(s.t.settings, Settings::TXEVERYDISTANCE, 4);
    s.open(Gps);
    auto* distance = s.get<QSpinBox>("gpsDistance");
    EXPECT_EQ(s.get<QLabel>("gpsDistanceUnit")->text(), "Miles");
    EXPECT_EQ(distance->value(), 2); // 2.49 miles
    ASSERT_TRUE(s.ok());
    // Left alone, the stored kilometres stay exactly as they were.
    EXPECT_EQ(s.text("GPS/TXEVERYDISTANCE"), "4");

    PageFixture typed;
    write(typed.t.settings, Settings::DISTANCE_FORMAT, 10);
    typed.open(Gps);
    typed.get<QSpinBox>("gpsDistance")->setValue(10);
    ASSERT_TRUE(typed.ok());
    EXPECT_EQ(typed.text("GPS/TXEVERYDISTANCE"), "16");

    PageFixture metres;
    write(metres.t.settings, Settings::DISTANCE_FORMAT, 6);
    metres.open(Gps);
    EXPECT_EQ(metres.get<QLabel>("gpsDistanceUnit")->text(), "Km");
}

// --- Labels

TEST(LabelsPage, ShowsTheStoredStyleAndWritesItsChoices) {
    PageFixture s;
    s.open(Labels);
    auto* text = s.get<CColourPicker>("labelTextColour");
    auto* back = s.get<CColourPicker>("labelBackColour");
    EXPECT_EQ(text->colour(), std::nullopt);
    EXPECT_EQ(back->colour(), std::nullopt);
    EXPECT_TRUE(s.get<QAbstractButton>("labelStyle0")->isChecked());
    EXPECT_EQ(s.get<QComboBox>("border")->currentText(), "Round Rect");
    EXPECT_EQ(s.get<QSpinBox>("keep")->value(), 180);

    text->setColour(0x0000FFu);
    QTest::mouseClick(s.get<QAbstractButton>("labelStyle2"), Qt::LeftButton);
    EXPECT_FALSE(s.get<QAbstractButton>("labelStyle0")->isChecked());
    s.get<QComboBox>("border")->setCurrentIndex(3);
    s.get<QSpinBox>("keep")->setValue(20000);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.text("SETTINGS/LABELTEXTCOLOR"), "255");
    EXPECT_FALSE(s.has("SETTINGS/LABELBACKCOLOR"));
    s.expectStored({
        {"SETTINGS/LABELTYPE", "2"},
        {"SETTINGS/TEXTBORDER", "3"},
        {"SETTINGS/EXPIRETIME", "10080"},
    });
}

TEST(LabelsPage, AutomaticRemovesAColourAndUnknownChoicesKeepTheirStoredValues) {
    PageFixture s;
    write(s.t.settings, Settings::LABELBACKCOLOR, 0x123456);
    write(s.t.settings, Settings::LABELTYPE, 7);
    write(s.t.settings, Settings::TEXTBORDER, 9);
    s.open(Labels);
    auto* back = s.get<CColourPicker>("labelBackColour");
    EXPECT_EQ(back->colour(), 0x123456u);
    for (const char* name : {"labelStyle0", "labelStyle1", "labelStyle2"})
        EXPECT_FALSE(s.get<QAbstractButton>(name)->isChecked()) << name;
    EXPECT_EQ(s.get<QComboBox>("border")->currentIndex(), -1);
    back->setColour(std::nullopt);
    ASSERT_TRUE(s.ok());
    EXPECT_FALSE(s.has("SETTINGS/LABELBACKCOLOR"));
    EXPECT_EQ(s.text("SETTINGS/LABELTYPE"), "7");
    EXPECT_EQ(s.text("SETTINGS/TEXTBORDER"), "9");
}

TEST(LabelsPage, KeepRefusesAnEmptyField) {
    PageFixture s;
    s.open(Labels);
    typeInto(s.get<QSpinBox>("keep"), QString());
    EXPECT_FALSE(s.ok());
    EXPECT_TRUE(s.lastReport().startsWith("Keep")) << s.lastReport().toStdString();
    EXPECT_FALSE(s.has("SETTINGS/EXPIRETIME"));
}

// --- Fonts and the Other page

namespace {
// The user picks a family in the font chooser and confirms.
std::function<int(QDialog&)> pickFamily(const char* family) {
    return [family](QDialog& d) {
        auto& chooser = static_cast<QFontDialog&>(d);
        chooser.setCurrentFont(QFont(QString::fromLatin1(family), 12));
        return static_cast<int>(QDialog::Accepted);
    };
}
QString storedFace(const PageFixture& s, const char* key) {
    const auto record = LogFont::fromBytes(s.stored(key).toByteArray());
    return record ? record->faceName() : QStringLiteral("(none)");
}
} // namespace

TEST(FontButtons, WriteTheirFontAtOnceEvenWhenTheSheetIsCancelled) {
    PageFixture s;
    s.open(Labels);
    s.dialogs.script = pickFamily("DejaVu Serif");
    s.get<QPushButton>("labelFont")->click();
    EXPECT_EQ(s.dialogs.shown, QStringList({"ZelDlgChooseFont"}));
    EXPECT_EQ(storedFace(s, "SETTINGS/TEXTFONT"), "DejaVu Serif");
    s.sheet->pages()->setCurrentIndex(Other);
    s.dialogs.script = pickFamily("DejaVu Sans Mono");
    s.get<QPushButton>("monitorFont")->click();
    s.dialogs.script = pickFamily("DejaVu Serif");
    s.get<QPushButton>("mapLabelFont")->click();
    s.sheet->reject();
    EXPECT_EQ(storedFace(s, "SETTINGS/MONITORTEXTFONT"), "DejaVu Sans Mono");
    EXPECT_EQ(storedFace(s, "SETTINGS/SHAPE/MAPLABELFONT"), "DejaVu Serif");
    EXPECT_EQ(s.stored("SETTINGS/TEXTFONT").toByteArray().size(), LogFont::kSize);
}

TEST(FontButtons, ACancelledChooserWritesNothing) {
    PageFixture s;
    s.open(Other);
    s.get<QPushButton>("monitorFont")->click();
    EXPECT_EQ(s.dialogs.shown.size(), 1);
    EXPECT_FALSE(s.has("SETTINGS/MONITORTEXTFONT"));
}

TEST(OtherPage, WritesTheEngineLinkAndTheColoursToTheirSections) {
    PageFixture s;
    s.open(Other);
    auto* host = s.get<QLineEdit>("engineHost");
    auto* port = s.get<QSpinBox>("enginePort");
    EXPECT_EQ(host->text(), "127.0.0.1");
    EXPECT_EQ(port->value(), 8000);
    EXPECT_EQ(s.get<CColourPicker>("trackColour")->colour(), std::nullopt);
    host->setText(QStringLiteral("  radio.local "));
    port->setValue(8001);
    s.get<CColourPicker>("mapFillColour")->setColour(0x00FF00u);
    s.get<CColourPicker>("mapBackColour")->setColour(0x000000u);
    s.get<CColourPicker>("monitorHeadColour")->setColour(0x0000FFu);
    s.get<CColourPicker>("alarmColour")->setColour(0xFF0000u);
    ASSERT_TRUE(s.ok()) << s.lastReport().toStdString();
    s.expectStored({
        {"SETTINGS/ComputerName", "radio.local"},
        {"SETTINGS/Port", "8001"},
        {"SETTINGS/SHAPE/MAPFILLCOLOR", "65280"},
        {"SETTINGS/SHAPE/MAPBACKCOLOR", "0"},
        {"SETTINGS/MONITORHEADCOLOR", "255"},
        {"SETTINGS/ALARMCOLOR", "16711680"},
    });
    EXPECT_FALSE(s.has("SETTINGS/TRACKCOLOR"));
    EXPECT_FALSE(s.has("SETTINGS/MAPFILLCOLOR"));
}

TEST(OtherPage, RefusesAnEngineHostThatIsEmptyOrHasBlanks) {
    PageFixture s;
    s.open(Other);
    auto* host = s.get<QLineEdit>("engineHost");
    for (const char* bad : {"", "  ", "radio local"}) {
        host->setText(QString::fromLatin1(bad));
        EXPECT_FALSE(s.ok()) << bad;
    }
    typeInto(s.get<QSpinBox>("enginePort"), QString());
    host->setText(QStringLiteral("::1"));
    EXPECT_FALSE(s.ok());
    EXPECT_TRUE(s.lastReport().startsWith("Port")) << s.lastReport().toStdString();
    EXPECT_FALSE(s.has("SETTINGS/ComputerName"));
}
