#include "controls/CColourPicker.h"
#include "controls/DialogRunner.h"
#include "controls/ZelDlgChooseFont.h"
#include "platform/Settings.h"
#include "platform/gui/LogFont.h"
#include "support/TempHome.h"

#include <QColorDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// A record with fields Qt has no use for set, which an unchanged font must keep.
QByteArray storedRecord(const QString& face) {
    QByteArray b = ZelDlgChooseFont::defaultRecord().bytes();
    b[4] = 7;                        // width
    b[8] = 0x10;                     // escapement
    b[23] = static_cast<char>(0xA1); // Greek character set
    b[26] = 5;                       // ClearType quality
    b.replace(28, 64, QByteArray(64, '\0'));
    for (int i = 0; i < face.size(); ++i) b[28 + 2 * i] = static_cast<char>(face.at(i).unicode());
    b[28 + 2 * 20] = 'x'; // garbage after the face name's terminator
    return b;
}

int accept(QDialog&) {
    return QDialog::Accepted;
}

} // namespace

TEST(ColourPicker, NamedAndCustomColoursAndTheirSignal) {
    CColourPicker picker;
    EXPECT_EQ(picker.count(), static_cast<int>(CColourPicker::namedColours().size()) + 2);
    EXPECT_EQ(picker.itemText(0) + "|" + picker.itemText(picker.count() - 1), "Automatic|Other...");
    EXPECT_FALSE(picker.colour().has_value());
    // The program's default colours have names.
    for (std::uint32_t v : {0x808000u, 0xFF0000u, 0xFF00FFu, 0xC0C0C0u, 0x0000FFu, 0u, 0xFFFFFFu}) {
        picker.setColour(v);
        EXPECT_EQ(picker.colour(), v);
        EXPECT_FALSE(picker.currentText().startsWith("Custom")) << picker.currentText().toStdString();
    }

    QSignalSpy changed(&picker, &CColourPicker::colourChanged);
    picker.setColour(0x01808000); // a flag in the high byte is no part of the colour
    EXPECT_EQ(picker.currentText(), "Teal");
    EXPECT_EQ(picker.colour(), 0x808000u);
    picker.setColour(0x00E400);
    EXPECT_EQ(picker.currentText(), "Custom (#00E400)");
    EXPECT_EQ(picker.currentIndex(), picker.count() - 2); // just above "Other..."
    picker.setColour(0x123456);
    EXPECT_EQ(picker.currentText(), "Custom (#563412)");
    EXPECT_EQ(picker.count(), static_cast<int>(CColourPicker::namedColours().size()) + 3); // one custom item
    picker.setColour(std::nullopt);
    EXPECT_EQ(picker.currentIndex(), 0);
    QTest::keyClick(&picker, Qt::Key_Down);
    EXPECT_EQ(picker.colour(), CColourPicker::namedColours()[0].value);
    EXPECT_EQ(changed.count(), 5);
}

TEST(ColourPicker, OtherAsksForAColourAndKeepsTheOldOneOnCancel) {
    CColourPicker picker;
    picker.setColour(0x0000FF);
    std::optional<QColor> answer = QColor(1, 2, 3);
    QColor asked;
    picker.chooseOther = [&](QColor initial) {
        asked = initial;
        return answer;
    };
    QSignalSpy changed(&picker, &CColourPicker::colourChanged);
    QTest::keyClick(&picker, Qt::Key_End);
    EXPECT_EQ(asked, QColor(255, 0, 0)); // starts from the colour shown
    EXPECT_EQ(picker.currentText(), "Custom (#010203)");
    EXPECT_EQ(picker.colour(), 0x030201u);

    answer.reset();
    asked = QColor();
    picker.setCurrentIndex(picker.count() - 1);
    EXPECT_TRUE(asked.isValid());
    EXPECT_EQ(picker.currentText(), "Custom (#010203)");
    answer = QColor(0, 128, 128); // a colour with a name selects the named item
    picker.setCurrentIndex(picker.count() - 1);
    EXPECT_EQ(picker.currentText(), "Teal");
    EXPECT_EQ(changed.count(), 2);

    // By default a colour dialog, through the runner.
    CColourPicker plain;
    ScriptedDialogRunner runner;
    plain.setDialogRunner(&runner);
    runner.script = [](QDialog& dialog) {
        static_cast<QColorDialog&>(dialog).setCurrentColor(QColor(0x12, 0x34, 0x56));
        return static_cast<int>(QDialog::Accepted);
    };
    plain.setCurrentIndex(plain.count() - 1);
    EXPECT_EQ(runner.shown, QStringList{"QColorDialog"});
    EXPECT_EQ(plain.colour(), 0x563412u);
    runner.script = nullptr; // closed
    plain.setCurrentIndex(plain.count() - 1);
    EXPECT_EQ(plain.colour(), 0x563412u);
}

TEST(ColourPicker, AutomaticIsAMissingValueAndSavingItRemovesTheValue) {
    TempHome t;
    CColourPicker picker;
    picker.load(t.settings, Settings::LABELBACKCOLOR);
    EXPECT_FALSE(picker.colour().has_value());
    for (int stored : {0x01123456, 0, 1}) { // values equal to any default are values all the same
        t.settings.writeInt("SETTINGS", "LABELBACKCOLOR", stored);
        picker.load(t.settings, Settings::LABELBACKCOLOR);
        EXPECT_EQ(picker.colour(), static_cast<std::uint32_t>(stored) & 0xFFFFFF);
    }

    picker.setColour(0x0000FF);
    picker.save(t.settings, Settings::LABELBACKCOLOR);
    EXPECT_EQ(QSettings(t.settings.filePath(), QSettings::IniFormat).value("SETTINGS/LABELBACKCOLOR").toInt(),
              0x0000FF);
    picker.setColour(std::nullopt);
    picker.save(t.settings, Settings::LABELBACKCOLOR);
    EXPECT_FALSE(QSettings(t.settings.filePath(), QSettings::IniFormat).contains("SETTINGS/LABELBACKCOLOR"));
    EXPECT_EQ(read(t.settings, Settings::LABELBACKCOLOR), 0xC0C0C0); // the default applies again
}

TEST(ColourPicker, SwatchesShowTheColourWithAnEdgeFromThePalette) {
    CColourPicker picker;
    picker.setAutomaticColour(0xC0C0C0);
    const int black = 1;
    auto pixel = [&](int item, int x) {
        return QColor::fromRgba(picker.itemIcon(item).pixmap(QSize(28, 14), 1.0).toImage().pixel(x, 7));
    };
    EXPECT_EQ(pixel(black, 14), QColor(Qt::black));
    EXPECT_EQ(pixel(0, 14), QColor(0xC0, 0xC0, 0xC0)); // Automatic shows the default

    QPalette dark = picker.palette();
    dark.setColor(QPalette::Text, Qt::white);
    picker.setPalette(dark);
    const QColor edge = pixel(black, 0); // still visible on a dark theme
    EXPECT_GT(edge.alpha() * edge.lightnessF(), 100) << edge.name(QColor::HexArgb).toStdString();
}

TEST(FontChooser, StartsFromTheStoredRecordOrTheDefault) {
    const LogFont d = ZelDlgChooseFont::defaultRecord();
    EXPECT_EQ(d.height(), -11);
    EXPECT_EQ(d.weight(), 400);
    EXPECT_FALSE(d.italic() || d.underline() || d.strikeOut());
    EXPECT_EQ(d.pitchAndFamily(), 0x20);
    EXPECT_EQ(d.faceName(), "Tahoma");
    const QByteArray stored = storedRecord("DejaVu Sans Mono");
    EXPECT_EQ(ZelDlgChooseFont::startRecord(stored).bytes(), stored);
    for (const auto& other :
         {std::optional<QByteArray>(), std::optional(stored.left(60)), std::optional(stored + 'x')})
        EXPECT_EQ(ZelDlgChooseFont::startRecord(other), d);

    // A face the desktop lacks is shown as the sans-serif it resolves to, in its upright style.
    const QString resolved = QFontInfo(d.toQFont()).family();
    if (!QFontDatabase::hasFamily("Tahoma")) {
        EXPECT_EQ(resolved, QFontInfo(QFont("sans-serif")).family());
    }
    ZelDlgChooseFont dialog(d);
    EXPECT_EQ(dialog.currentFont().family(), resolved);
    EXPECT_FALSE(dialog.currentFont().italic());
    EXPECT_EQ(dialog.currentFont().weight(), QFont::Normal);
    EXPECT_FALSE(dialog.currentFont().styleName().contains("Condensed"));
    QByteArray boldItalic = d.bytes();
    boldItalic[16] = static_cast<char>(700 & 0xFF);
    boldItalic[17] = static_cast<char>(700 >> 8);
    boldItalic[20] = 1;
    ZelDlgChooseFont styled(*LogFont::fromBytes(boldItalic));
    EXPECT_TRUE(styled.currentFont().italic() && styled.currentFont().weight() == QFont::Bold);
}

TEST(FontChooser, OkOnTheFontAsItWasKeepsEveryByte) {
    ScriptedDialogRunner runner;
    runner.script = accept;
    for (const QByteArray& stored : {storedRecord("Tahoma"), storedRecord("DejaVu Serif")})
        EXPECT_EQ(chooseFont(nullptr, runner, stored), stored);
    EXPECT_EQ(chooseFont(nullptr, runner, QByteArray("short")), ZelDlgChooseFont::defaultRecord().bytes());
    EXPECT_EQ(runner.shown.value(0), "ZelDlgChooseFont");

    // On a setting: written on Ok only.
    TempHome t;
    EXPECT_TRUE(chooseFont(nullptr, runner, t.settings, Settings::MAPLABELFONT));
    EXPECT_EQ(read(t.settings, Settings::MAPLABELFONT), ZelDlgChooseFont::defaultRecord().bytes());
    runner.script = nullptr; // cancelled
    EXPECT_FALSE(chooseFont(nullptr, runner, storedRecord("Tahoma")).has_value());
    EXPECT_FALSE(chooseFont(nullptr, runner, t.settings, Settings::TEXTFONT));
    EXPECT_FALSE(read(t.settings, Settings::TEXTFONT).has_value());
}

TEST(FontChooser, AChangedFontRewritesOnlyWhatChanged) {
    const QByteArray stored = storedRecord("Tahoma");
    ScriptedDialogRunner runner;
    auto pick = [&](std::function<void(QFont&)> change) {
        runner.script = [&](QDialog& dialog) {
            auto& chooser = static_cast<QFontDialog&>(dialog);
            QFont f = chooser.currentFont();
            change(f);
            chooser.setCurrentFont(f);
            return static_cast<int>(QDialog::Accepted);
        };
        return LogFont::fromBytes(chooseFont(nullptr, runner, stored).value_or(QByteArray()))
            .value_or(LogFont());
    };
    const LogFont bigger = pick([](QFont& f) {
        f.setPointSize(14);
        f.setStyleName(QString()); // as picking "Bold" from the styles
        f.setBold(true);
        f.setUnderline(true);
    });
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    EXPECT_EQ(bigger.height(), -std::lround(14 * dpi / 72));
    EXPECT_EQ(bigger.weight(), 700);
    EXPECT_TRUE(bigger.underline() && !bigger.italic());
    // The family shown for the missing face was left alone, and so were the unused fields.
    EXPECT_EQ(bigger.bytes().mid(4, 12) + bigger.bytes().mid(23, 4) + bigger.bytes().mid(28),
              stored.mid(4, 12) + stored.mid(23, 4) + stored.mid(28));

    // Another family replaces the face and its family class.
    const QString mono = QFontInfo(QFont("DejaVu Sans Mono")).family();
    const LogFont moved = pick([&](QFont& f) { f.setFamily(mono); });
    EXPECT_EQ(moved.faceName(), mono);
    EXPECT_EQ(moved.height(), -11);
    EXPECT_EQ(moved.weight(), 400);
    if (QFontInfo(QFont(mono)).fixedPitch()) {
        EXPECT_EQ(moved.pitchAndFamily(), 0x31);
    }
}
