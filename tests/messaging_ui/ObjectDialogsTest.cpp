#include "controls/ZelMFCFullMask.h"
#include "messaging/OwnObjectsManager.h"
#include "messaging/ui/DlgEditObject.h"
#include "messaging/ui/DlgKillObject.h"
#include "messaging/ui/DlgNewObject.h"
#include "messaging/ui/ObjectForm.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "support/TempHome.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

template <class W> W* child(const QWidget& parent, const char* name) {
    W* w = parent.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

int pressOk(QDialog& dialog) {
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    return dialog.result();
}

void selectSymbol(QWidget& dialog, const QString& shownCode) {
    auto* symbol = child<QComboBox>(dialog, "symbol");
    const int i = symbol->findText(QStringLiteral("(%1)").arg(shownCode), Qt::MatchEndsWith);
    ASSERT_GE(i, 0) << shownCode.toStdString();
    symbol->setCurrentIndex(i);
}

struct Objects {
    TempHome t;
    ManualClock clock;
    ScriptedPrompter prompter;
    QStringList sent;
    OwnObjectsManager objects{t.home, clock, [this](const QString& r) { sent << r; }};

    void add(const QString& name, double lat, double lon, const QString& comment, int interval = 10) {
        OwnObjectFields f;
        f.name = name;
        f.latitude = lat;
        f.longitude = lon;
        f.comment = comment;
        f.interval = interval;
        ASSERT_EQ(objects.addObject(f), ObjectRefusal::None);
    }
};

} // namespace

TEST(ObjectDialogs, NewObjectOpensAtTheGivenPointAndOkAddsAndSendsIt) {
    Objects o;
    DlgNewObject dialog(o.objects, o.prompter, 40.6125, -22.95);
    EXPECT_EQ(child<ZelMFCFullMask>(dialog, "latitude")->text(), "N 40°36.75'");
    EXPECT_EQ(child<ZelMFCFullMask>(dialog, "longitude")->text(), "W 022°57.00'");
    EXPECT_EQ(child<QSpinBox>(dialog, "interval")->value(), 10);

    auto* name = child<QLineEdit>(dialog, "name");
    QTest::keyClicks(name, QStringLiteral("FIELDDAY2026"));
    EXPECT_EQ(name->text(), "FIELDDAY2") << "at most 9 characters";
    name->clear();
    QTest::keyClicks(name, QStringLiteral("CAF\u00c9 1"));
    EXPECT_EQ(name->text(), "CAF 1") << "printable ASCII only";
    name->setText(QStringLiteral("FIELD DAY"));
    QTest::keyClicks(child<QLineEdit>(dialog, "comment"), QStringLiteral("Club tent"));
    selectSymbol(dialog, QStringLiteral("/;"));
    child<QSpinBox>(dialog, "interval")->setValue(20);

    ASSERT_EQ(pressOk(dialog), QDialog::Accepted);
    EXPECT_TRUE(o.prompter.reported.isEmpty());
    EXPECT_EQ(dialog.addedName(), "FIELD DAY");
    const OwnObjectRecord* added = o.objects.findLive(QStringLiteral("FIELD DAY"));
    ASSERT_NE(added, nullptr);
    EXPECT_NEAR(added->latitude, 40.6125, 1e-9);
    EXPECT_NEAR(added->longitude, -22.95, 1e-9);
    EXPECT_EQ(added->interval, 20);
    EXPECT_EQ(o.sent, QStringList{";FIELD DAY*151200z4036.75N/02257.00W;Club tent"});
}

TEST(ObjectDialogs, NewObjectRefusesABadNameOrPositionAndStaysOpen) {
    Objects o;
    o.add(QStringLiteral("TAKEN"), 1, 1, {});
    DlgNewObject dialog(o.objects, o.prompter, 10, 20);
    dialog.show();
    auto* name = child<QLineEdit>(dialog, "name");

    EXPECT_NE(pressOk(dialog), QDialog::Accepted);
    ASSERT_EQ(o.prompter.reported.size(), 1) << "an empty name";
    EXPECT_EQ(o.prompter.reported.back(), ObjectForm::refusalText(ObjectRefusal::Name));
    EXPECT_EQ(o.prompter.reportedIcons.back(), Prompter::Icon::Stop);
    EXPECT_EQ(dialog.focusWidget(), name);

    name->setText(QStringLiteral(" LEADING"));
    EXPECT_NE(pressOk(dialog), QDialog::Accepted);
    EXPECT_EQ(o.prompter.reported.back(), ObjectForm::refusalText(ObjectRefusal::Name));

    name->setText(QStringLiteral("TAKEN"));
    EXPECT_NE(pressOk(dialog), QDialog::Accepted);
    EXPECT_EQ(o.prompter.reported.back(), ObjectForm::refusalText(ObjectRefusal::NameTaken));

    // A blanked digit in the latitude, then a longitude beyond 180°.
    name->setText(QStringLiteral("NEWONE"));
    auto* latitude = child<ZelMFCFullMask>(dialog, "latitude");
    latitude->setFocus();
    latitude->setCursorPosition(3);
    QTest::keyClick(latitude, Qt::Key_Backspace);
    EXPECT_FALSE(latitude->isComplete());
    EXPECT_NE(pressOk(dialog), QDialog::Accepted);
    EXPECT_EQ(o.prompter.reported.back(), ObjectForm::refusalText(ObjectRefusal::Position));
    EXPECT_EQ(dialog.focusWidget(), latitude);
    latitude->setText(ZelMFCFullMask::latitudeText(10));
    auto* longitude = child<ZelMFCFullMask>(dialog, "longitude");
    longitude->setText(QStringLiteral("E 190°00.00'"));
    EXPECT_NE(pressOk(dialog), QDialog::Accepted);
    EXPECT_EQ(o.prompter.reported.back(), ObjectForm::refusalText(ObjectRefusal::Position));
    EXPECT_EQ(dialog.focusWidget(), longitude);

    longitude->setText(ZelMFCFullMask::longitudeText(20));
    EXPECT_EQ(pressOk(dialog), QDialog::Accepted);
    EXPECT_EQ(o.objects.liveNames(), (QStringList{"TAKEN", "NEWONE"}));
    EXPECT_EQ(o.prompter.reported.size(), 5);
}

TEST(ObjectDialogs, TheSymbolTakesAnOverlayOnlyOnTheAlternateTable) {
    Objects o;
    ScriptedPrompter prompter;
    ObjectForm form(prompter);
    auto* overlay = child<QComboBox>(form, "overlay");
    selectSymbol(form, QStringLiteral("/>"));
    EXPECT_FALSE(overlay->isEnabled());
    EXPECT_EQ(form.fields().symbolTable, '/');
    EXPECT_EQ(form.fields().symbolCode, '>');
    selectSymbol(form, QStringLiteral("\\#"));
    ASSERT_TRUE(overlay->isEnabled());
    EXPECT_EQ(form.fields().symbolTable, '\\');
    overlay->setCurrentIndex(overlay->findText(QStringLiteral("R")));
    EXPECT_EQ(form.fields().symbolTable, 'R');
    EXPECT_EQ(form.fields().symbolCode, '#');

    OwnObjectFields f;
    f.name = QStringLiteral("X");
    f.symbolTable = '4';
    f.symbolCode = 'a';
    form.setFields(f);
    EXPECT_EQ(overlay->currentText(), "4");
    EXPECT_EQ(form.fields().symbolTable, '4');
    EXPECT_EQ(form.fields().symbolCode, 'a');
}

TEST(ObjectDialogs, EditObjectFillsFromTheChosenObjectAndOkSendsTheChange) {
    Objects o;
    o.add(QStringLiteral("FIRST"), 37.5, 23.75, QStringLiteral("first one"), 15);
    o.add(QStringLiteral("SECOND"), -12.25, -45.5, QStringLiteral("second one"), 45);
    o.sent.clear();
    DlgEditObject dialog(o.objects, o.prompter, QStringLiteral("SECOND"));
    auto* list = child<QComboBox>(dialog, "objects");
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentText(), "SECOND");
    EXPECT_EQ(child<QLineEdit>(dialog, "name")->text(), "SECOND");
    EXPECT_EQ(child<ZelMFCFullMask>(dialog, "latitude")->text(), "S 12°15.00'");
    EXPECT_EQ(child<ZelMFCFullMask>(dialog, "longitude")->text(), "W 045°30.00'");
    EXPECT_EQ(child<QLineEdit>(dialog, "comment")->text(), "second one");
    EXPECT_EQ(child<QSpinBox>(dialog, "interval")->value(), 45);

    list->setCurrentIndex(0);
    EXPECT_EQ(child<QLineEdit>(dialog, "name")->text(), "FIRST");
    EXPECT_EQ(child<QLineEdit>(dialog, "comment")->text(), "first one");
    child<QLineEdit>(dialog, "comment")->setText(QStringLiteral("moved"));
    child<ZelMFCFullMask>(dialog, "latitude")->setText(ZelMFCFullMask::latitudeText(38));
    o.clock.advance(3 * 60000);
    ASSERT_EQ(pressOk(dialog), QDialog::Accepted);
    EXPECT_EQ(o.sent, QStringList{";FIRST    *151203z3800.00N/02345.00E/moved"});
    EXPECT_EQ(o.objects.findLive(QStringLiteral("FIRST"))->comment, "moved");
    EXPECT_EQ(o.objects.liveNames(), (QStringList{"FIRST", "SECOND"}));

    Objects empty;
    DlgEditObject nothing(empty.objects, empty.prompter);
    EXPECT_FALSE(nothing.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
    EXPECT_FALSE(nothing.form()->isEnabled());
}

TEST(ObjectDialogs, EditObjectRefusesAnEmptyNameAndANameTaken) {
    Objects o;
    o.add(QStringLiteral("ONE"), 1, 1, {});
    o.add(QStringLiteral("TWO"), 2, 2, {});
    DlgEditObject dialog(o.objects, o.prompter, QStringLiteral("ONE"));
    auto* name = child<QLineEdit>(dialog, "name");
    name->clear();
    EXPECT_NE(pressOk(dialog), QDialog::Accepted);
    EXPECT_EQ(o.prompter.reported.back(), ObjectForm::refusalText(ObjectRefusal::Name));
    name->setText(QStringLiteral("TWO"));
    EXPECT_NE(pressOk(dialog), QDialog::Accepted);
    EXPECT_EQ(o.prompter.reported.back(), ObjectForm::refusalText(ObjectRefusal::NameTaken));
    EXPECT_EQ(o.objects.liveNames(), (QStringList{"ONE", "TWO"}));
}

TEST(ObjectDialogs, KillObjectWithdrawsTheChosenObject) {
    Objects o;
    o.add(QStringLiteral("ONE"), 1, 1, QStringLiteral("c1"));
    o.add(QStringLiteral("TWO"), 2, 2, QStringLiteral("c2"));
    DlgKillObject dialog(o.objects, QStringLiteral("TWO"));
    auto* list = child<QListWidget>(dialog, "objects");
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(0)->text().startsWith(QStringLiteral("ONE\t0100.00N 00100.00E")));
    EXPECT_EQ(list->currentRow(), 1);
    list->setCurrentRow(0);
    child<QPushButton>(dialog, "kill")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.killedName(), "ONE");
    EXPECT_EQ(o.objects.liveNames(), QStringList{"TWO"});
    o.sent.clear();
    o.objects.minuteTick();
    EXPECT_EQ(o.sent, QStringList{";ONE      _151200z0100.00N/00100.00E/c1"});

    DlgKillObject again(o.objects);
    EXPECT_EQ(child<QListWidget>(again, "objects")->count(), 1) << "a killed object is not offered again";
}
