#include "controls/ZelMFCFullMask.h"
#include "platform/Prompter.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <cmath>
#include <gtest/gtest.h>

namespace {

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

const QString kSample = u8("N 40°35.90'");

// A latitude field on screen holding kSample, with messages caught.
class MaskedField : public ::testing::Test {
protected:
    void SetUp() override {
        field.setPrompter(&prompter);
        field.setupLatitude();
        field.setText(kSample);
        field.show();
        field.setFocus();
    }
    // Text and caret after keys pressed at a caret position.
    std::pair<QString, int> press(int caret, const QString& keys, Qt::Key key = Qt::Key_unknown) {
        field.setCursorPosition(caret);
        if (key != Qt::Key_unknown) QTest::keyClick(&field, key);
        QTest::keyClicks(&field, keys);
        return {field.text(), field.cursorPosition()};
    }
    std::pair<QString, int> press(int caret, Qt::Key key) { return press(caret, {}, key); }
    static std::pair<QString, int> is(const char* text, int caret) { return {u8(text), caret}; }

    ScriptedPrompter prompter;
    ZelMFCFullMask field;
};

} // namespace

TEST(EditMask, MaskTextBecomesLiteralAndSetPositions) {
    const EditMask mask(ZelMFCFullMask::latitudeMask());
    ASSERT_EQ(mask.size(), 11);
    const auto& at = mask.positions();
    EXPECT_TRUE(at[0].isSet && at[2].isSet && !at[1].isSet && !at[4].isSet);
    EXPECT_EQ(at[0].chars + at[1].chars + at[2].chars + at[4].chars + at[10].chars, u8("NS 0123456789°'"));
    EXPECT_EQ(EditMask(ZelMFCFullMask::longitudeMask()).size(), 12);

    // Ranges continue from the set's last character; a dash with nothing before or after is itself.
    EXPECT_EQ(EditMask("[A-Fx]").positions()[0].chars, "ABCDEFx");
    const EditMask sets("[-a][a-][a-c-e][z-a]");
    QStringList chars;
    for (const EditMask::Slot& slot : sets.positions()) chars << slot.chars;
    EXPECT_EQ(chars.join('|'), "-a|a-|abcde|z");
    // A stray closing bracket is no position; an open set runs to the end.
    EXPECT_EQ(EditMask("a]b").size(), 2);
    EXPECT_EQ(EditMask("x[ab").positions().back().chars, "ab");
}

TEST(EditMask, SetTextKeepsTheAcceptedStartAndWholeTextsMustFit) {
    const EditMask mask(ZelMFCFullMask::latitudeMask());
    EXPECT_EQ(mask.filtered(kSample + "99"), kSample);
    EXPECT_EQ(mask.filtered("X 40"), "");
    EXPECT_EQ(mask.filtered("N 4x0"), "N 4");
    EXPECT_EQ(mask.filtered(u8("N040°35.90'")), kSample); // literal positions keep their own

    EXPECT_EQ(mask.fitted(u8("S012#34!56x")), u8("S 12°34.56'"));
    for (const QString& bad : {QString("N 40"), kSample + "1", u8("N 4_°35.90'")})
        EXPECT_FALSE(mask.fitted(bad).has_value()) << bad.toStdString();

    EXPECT_TRUE(mask.isComplete(kSample));
    for (const char* bad : {"N 4_°35.90'", "N040°35.90'", "N 40°35.9"})
        EXPECT_FALSE(mask.isComplete(u8(bad))) << bad;
}

TEST_F(MaskedField, TypedCharactersReplaceTheirPositionAndSkipLiterals) {
    QSignalSpy edited(&field, &ZelMFCFullMask::maskedTextEdited);
    EXPECT_EQ(press(0, "S"), is("S 40°35.90'", 2));     // past the blank
    EXPECT_EQ(press(2, "12"), is("S 12°35.90'", 5));    // past the degree sign
    EXPECT_EQ(press(5, "3456"), is("S 12°34.56'", 11)); // the last digit skips the closing quote
    EXPECT_EQ(edited.count(), 6);                       // typing 3 over the 3 changed nothing
    // Anything typed on a literal keeps the literal and moves on.
    EXPECT_EQ(press(1, "7"), is("S 12°34.56'", 2));
    // Over a selection only the first selected position changes.
    field.setSelection(2, 4);
    QTest::keyClicks(&field, "8");
    EXPECT_EQ(field.text(), u8("S 82°34.56'"));
    EXPECT_TRUE(prompter.reported.isEmpty());

    // From empty, the literals fill themselves.
    field.setEditMask(ZelMFCFullMask::latitudeMask());
    EXPECT_EQ(press(0, "N4035"), is("N 40°35.", 8));
    EXPECT_FALSE(field.isComplete());
    EXPECT_EQ(press(8, "90"), std::pair(kSample, 11));
    EXPECT_TRUE(field.isComplete());
}

TEST_F(MaskedField, RefusedCharactersChangeNothingAndSayWhatFits) {
    QSignalSpy edited(&field, &ZelMFCFullMask::maskedTextEdited);
    EXPECT_EQ(press(0, "X"), std::pair(kSample, 0));
    EXPECT_EQ(press(5, "a"), std::pair(kSample, 5));
    EXPECT_EQ(prompter.reported,
              QStringList({"You can Only Type [NS] here.", "You can Only Type [0123456789] here."}));
    // Beyond the mask nothing changes and nothing is said.
    EXPECT_EQ(press(11, "5"), std::pair(kSample, 11));
    EXPECT_EQ(prompter.reported.size(), 2);
    EXPECT_EQ(edited.count(), 0);
}

TEST_F(MaskedField, BackspaceAndDeleteBlankPositions) {
    EXPECT_EQ(press(4, Qt::Key_Backspace), is("N 4_°35.90'", 3));
    EXPECT_FALSE(field.isComplete());
    EXPECT_EQ(press(3, Qt::Key_Backspace), is("N __°35.90'", 1)); // just after the hemisphere
    field.setText(kSample);
    EXPECT_EQ(press(5, Qt::Key_Backspace), std::pair(kSample, 4)); // a literal stays
    EXPECT_EQ(press(0, Qt::Key_Backspace), std::pair(kSample, 0));
    // Delete moves on to the next set position.
    EXPECT_EQ(press(3, Qt::Key_Delete), is("N 4_°35.90'", 5));
    EXPECT_EQ(press(10, Qt::Key_Delete), is("N 4_°35.90'", 11));

    // A selection is blanked as a whole.
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Delete);
    EXPECT_EQ(field.text(), u8("_ __°__.__'"));
    field.setText(kSample);
    field.setSelection(5, 3);
    QTest::keyClick(&field, Qt::Key_Backspace);
    EXPECT_EQ(std::pair(field.text(), field.cursorPosition()), is("N 40°__.90'", 5));
}

TEST_F(MaskedField, APasteIsTakenOnlyWhenTheWholeTextFits) {
    QClipboard* clipboard = QApplication::clipboard();
    auto pasteOver = [&](int start, int length, const QString& text) {
        field.setSelection(start, length);
        clipboard->setText(text);
        QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
        return field.text();
    };
    EXPECT_EQ(pasteOver(0, 11, u8("S 12°34.56'")), u8("S 12°34.56'"));
    EXPECT_EQ(pasteOver(2, 2, "77"), u8("S 77°34.56'")); // judged by what the whole becomes
    for (const char* bad : {"hello", "4", "7777"}) {
        EXPECT_EQ(pasteOver(2, 2, bad), u8("S 77°34.56'")) << bad;
        EXPECT_EQ(field.selectedText(), "77"); // the selection is left as it was
    }
    // A cut would leave a text of the wrong shape.
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(field.text(), u8("S 77°34.56'"));
    EXPECT_TRUE(prompter.reported.isEmpty());

    // A paste made by code, outside the field's events, is judged once it is done.
    field.selectAll();
    clipboard->setText("rubbish");
    field.paste();
    QApplication::processEvents();
    EXPECT_EQ(field.text(), u8("S 77°34.56'"));
}

TEST(CoordinateFields, DegreesBecomeTheMaskedFormAndBack) {
    ZelMFCFullMask latitude, longitude;
    latitude.setupLatitude();
    longitude.setupLongitude();
    EXPECT_EQ(latitude.text() + longitude.text(), u8("N 00°00.00'E 000°00.00'"));
    EXPECT_TRUE(latitude.isComplete() && longitude.isComplete());

    using F = ZelMFCFullMask;
    EXPECT_EQ(F::latitudeText(40.598333333), kSample);
    EXPECT_EQ(F::latitudeText(-37.5) + F::latitudeText(5.5), u8("S 37°30.00'N 05°30.00'"));
    EXPECT_EQ(F::longitudeText(-122.4) + F::longitudeText(22.97), u8("W 122°24.00'E 022°58.20'"));
    EXPECT_EQ(F::latitudeText(40.9999999), u8("N 41°00.00'")); // minutes of 60 carry
    // What the fields cannot show is bounded, not cut off.
    EXPECT_EQ(F::latitudeText(123.0) + F::longitudeText(-500.0), u8("N 90°00.00'W 180°00.00'"));
    EXPECT_EQ(F::latitudeText(std::nan("")) + F::longitudeText(INFINITY), u8("N 00°00.00'E 000°00.00'"));

    EXPECT_NEAR(*F::latitudeValue(kSample), 40.598333333, 1e-9);
    EXPECT_DOUBLE_EQ(*F::latitudeValue(u8("S 37°30.00'")), -37.5);
    EXPECT_DOUBLE_EQ(*F::latitudeValue(u8("N 90°00.00'")), 90.0);
    EXPECT_DOUBLE_EQ(*F::longitudeValue(u8("W 180°00.00'")), -180.0);
    for (const char* bad :
         {"N 91°00.00'", "N 90°00.01'", "N 45°60.00'", "N 4_°35.90'", "N 40°35.9", "N040°35.90'"})
        EXPECT_FALSE(F::latitudeValue(u8(bad)).has_value()) << bad;
    for (const char* bad : {"E 181°00.00'", "W 180°00.01'", "E 010°60.00'", "N 010°00.00'"})
        EXPECT_FALSE(F::longitudeValue(u8(bad)).has_value()) << bad;

    // Every value the fields show reads back within the shown precision.
    for (double v = -180.0; v <= 180.0; v += 0.3701) {
        if (std::fabs(v) <= 90) {
            EXPECT_NEAR(F::latitudeValue(F::latitudeText(v)).value_or(999), v, 0.0001) << v;
        }
        EXPECT_NEAR(F::longitudeValue(F::longitudeText(v)).value_or(999), v, 0.0001) << v;
    }
}

// In an active window the line edit asks itself input-method questions while a key is handled;
// the typed character must survive them, and a field reached by Tab is typed over from the start.
TEST(MaskedEdit, InAnActiveWindowTabbingInAndTypingFillsTheFieldFromTheStart) {
    QWidget form;
    auto* before = new QLineEdit(&form);
    auto* latitude = new ZelMFCFullMask(&form);
    ScriptedPrompter prompter;
    latitude->setPrompter(&prompter);
    latitude->setupLatitude();
    auto* layout = new QVBoxLayout(&form);
    layout->addWidget(before);
    layout->addWidget(latitude);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_TRUE(latitude->hasFocus());
    QTest::keyClicks(latitude, QStringLiteral("N403590"));
    EXPECT_EQ(latitude->text(), QStringLiteral("N 40\u00B035.90'"));
}
