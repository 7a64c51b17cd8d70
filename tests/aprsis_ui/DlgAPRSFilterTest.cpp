#include "aprsis/ui/DlgAPRSFilter.h"
#include "aprsis/ui/DlgFilterArea.h"
#include "aprsis/ui/DlgFilterBud.h"
#include "aprsis/ui/DlgFilterRange.h"
#include "controls/DialogRunner.h"
#include "platform/Prompter.h"
#include "platform/ResourceStrings.h"
#include "support/TemporaryStation.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace {

QString message(int id) {
    return ResourceStrings::text(id);
}

template <class W> W* child(const QWidget& parent, const QString& name) {
    W* w = parent.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
}

QStringList entries(const QWidget& dialog, const QString& list) {
    QStringList out;
    if (auto* l = child<QListWidget>(dialog, list))
        for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

// Presses Ok as the user would and gives the dialog's result.
int pressOk(QDialog& dialog) {
    child<QDialogButtonBox>(dialog, QString())->button(QDialogButtonBox::Ok)->click();
    return dialog.result();
}

// A runner script that fills the editor's fields (by object name) and presses Ok; what the fields
// showed when it opened is kept.
struct EditorScript {
    std::map<QString, QString> fill;
    std::map<QString, QString> opened;
    int runs = 0;
    void install(ScriptedDialogRunner& runner) {
        runner.script = [this](QDialog& d) {
            ++runs;
            opened.clear();
            for (QLineEdit* e : d.findChildren<QLineEdit*>()) opened[e->objectName()] = e->text();
            for (const auto& [name, text] : fill)
                if (auto* e = child<QLineEdit>(d, name)) e->setText(text);
            return pressOk(d);
        };
    }
};

struct Builder {
    ScriptedPrompter prompter;
    ScriptedDialogRunner dialogs;
    EditorScript editor;
    std::unique_ptr<DlgAPRSFilter> dialog;

    explicit Builder(const QString& filter, StationManager* stations = nullptr) {
        editor.install(dialogs);
        dialog = std::make_unique<DlgAPRSFilter>(filter, prompter, dialogs, nullptr, stations);
    }
    void click(const char* button) {
        if (auto* b = child<QPushButton>(*dialog, QString::fromLatin1(button))) b->click();
    }
    void select(const char* list, int row) {
        if (auto* l = child<QListWidget>(*dialog, QString::fromLatin1(list))) l->setCurrentRow(row);
    }
    QStringList list(const char* name) const { return entries(*dialog, QString::fromLatin1(name)); }
    QString label(const char* name) const {
        auto* l = child<QLabel>(*dialog, QString::fromLatin1(name));
        return l ? l->text() : QString();
    }
};

} // namespace

TEST(DlgAPRSFilter, OpensOnTheFilterAndOkWritesTheListsBackSortedWithTheOtherTermsKept) {
    Builder b(QStringLiteral("Filter r/45/9/100 b/N0CALL/AB1CD e/APRS"));
    EXPECT_EQ(b.dialog->windowTitle(), "APRS Server Filter Builder (1)");
    EXPECT_EQ(b.list("rangeList"), QStringList{"r/45/9/100"});
    EXPECT_TRUE(b.list("areaList").isEmpty());
    EXPECT_EQ(b.list("budList"), (QStringList{"AB1CD", "N0CALL"}));
    EXPECT_EQ(b.label("keptTerms"), "Also sent as they are: e/APRS");
    // Until Ok, the dialog gives back what it was opened on.
    EXPECT_EQ(b.dialog->filterText(), "Filter r/45/9/100 b/N0CALL/AB1CD e/APRS");
    EXPECT_EQ(pressOk(*b.dialog), QDialog::Accepted);
    EXPECT_EQ(b.dialog->filterText(), "Filter r/45/9/100 b/AB1CD/N0CALL e/APRS");
    EXPECT_TRUE(b.prompter.asked.isEmpty());
}

TEST(DlgAPRSFilter, CancelLeavesTheFilterAsItWas) {
    Builder b(QStringLiteral("Filter b/N0CALL"));
    b.select("budList", 0);
    b.click("budDelete");
    EXPECT_TRUE(b.list("budList").isEmpty());
    child<QDialogButtonBox>(*b.dialog, QString())->button(QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(b.dialog->result(), QDialog::Rejected);
    EXPECT_EQ(b.dialog->filterText(), "Filter b/N0CALL");
}

TEST(DlgAPRSFilter, NewEditAndDeleteGoThroughEachListsEditorAndKeepTheListSorted) {
    Builder b(QStringLiteral("Filter r/45/9/100"));

    b.editor.fill = {{"latitude", "-22"}, {"longitude", "-43"}, {"km", "50"}};
    b.click("rangeNew");
    EXPECT_TRUE(b.editor.opened.at("latitude").isEmpty());
    EXPECT_EQ(b.list("rangeList"), (QStringList{"r/-22/-43/50", "r/45/9/100"}));
    // The new entry is selected, so Edit works on it straight away.
    b.editor.fill = {{"latitude", "60"}};
    b.click("rangeEdit");
    EXPECT_EQ(b.editor.opened.at("latitude"), "-22");
    EXPECT_EQ(b.editor.opened.at("mi"), "31");
    EXPECT_EQ(b.list("rangeList"), (QStringList{"r/45/9/100", "r/60/-43/50"}));
    b.select("rangeList", 0);
    b.click("rangeDelete");
    EXPECT_EQ(b.list("rangeList"), QStringList{"r/60/-43/50"});

    b.editor.fill = {{"upperLeftLatitude", "50"},
                     {"upperLeftLongitude", "5"},
                     {"lowerRightLatitude", "40"},
                     {"lowerRightLongitude", "15"}};
    b.click("areaNew");
    b.editor.fill = {{"upperLeftLatitude", "45"}};
    b.click("areaEdit");
    EXPECT_EQ(b.editor.opened.at("lowerRightLongitude"), "15");
    EXPECT_EQ(b.list("areaList"), QStringList{"a/45/5/40/15"});

    for (const char* call : {"N0CALL", "DL*", "ab1cd"}) {
        b.editor.fill = {{"callSign", QString::fromLatin1(call)}};
        b.click("budNew");
    }
    EXPECT_EQ(b.list("budList"), (QStringList{"ab1cd", "DL*", "N0CALL"}));
    b.select("budList", 1);
    b.click("budDelete");

    EXPECT_EQ(b.dialogs.shown,
              (QStringList{"DlgFilterRange", "DlgFilterRange", "DlgFilterArea", "DlgFilterArea",
                           "DlgFilterBud", "DlgFilterBud", "DlgFilterBud"}));
    EXPECT_EQ(pressOk(*b.dialog), QDialog::Accepted);
    EXPECT_EQ(b.dialog->filterText(), "Filter r/60/-43/50 a/45/5/40/15 b/ab1cd/N0CALL");
}

TEST(DlgAPRSFilter, EditorsClosedWithCancelOrRefusedFieldsChangeNoList) {
    Builder b(QStringLiteral("Filter b/N0CALL"));
    b.dialogs.script = [](QDialog&) { return int(QDialog::Rejected); };
    b.click("rangeNew");
    b.select("budList", 0);
    b.click("budEdit");
    EXPECT_TRUE(b.list("rangeList").isEmpty());
    EXPECT_EQ(b.list("budList"), QStringList{"N0CALL"});

    // A script that says Accepted without the editor taking its fields adds nothing either.
    b.dialogs.script = [](QDialog&) { return int(QDialog::Accepted); };
    b.click("areaNew");
    EXPECT_TRUE(b.list("areaList").isEmpty());
}

TEST(DlgAPRSFilter, EditAndDeleteWithoutASelectionAskForOneFirst) {
    Builder b(QStringLiteral("Filter r/45/9/100 a/50/5/40/15 b/N0CALL"));
    for (const char* button : {"rangeEdit", "rangeDelete", "areaEdit", "areaDelete", "budEdit", "budDelete"})
        b.click(button);
    EXPECT_EQ(b.prompter.reported, QStringList(6, message(ResourceStrings::SelectItemFirst)));
    EXPECT_EQ(b.prompter.icons, std::vector<Prompter::Icon>(6, Prompter::Icon::Stop));
    EXPECT_TRUE(b.dialogs.shown.isEmpty());
    EXPECT_EQ(b.list("rangeList").size() + b.list("areaList").size() + b.list("budList").size(), 3);
}

TEST(DlgAPRSFilter, AVeryLargeFilterIsWrittenOnlyWhenTheUserSaysYes) {
    Builder b(QStringLiteral("Filter r/45/9/100"));
    b.editor.fill = {{"latitude", "45"}, {"longitude", "9"}, {"km", "600"}};
    b.click("rangeNew");
    b.prompter.answers = {Prompter::Answer::No};
    EXPECT_NE(pressOk(*b.dialog), QDialog::Accepted);
    ASSERT_EQ(b.prompter.asked.size(), 1);
    EXPECT_TRUE(b.prompter.asked.front().contains(QLatin1String("very large area")));
    EXPECT_EQ(b.prompter.icons.back(), Prompter::Icon::Warning);
    EXPECT_EQ(b.dialog->filterText(), "Filter r/45/9/100");

    b.prompter.answers = {Prompter::Answer::Yes};
    EXPECT_EQ(pressOk(*b.dialog), QDialog::Accepted);
    EXPECT_EQ(b.dialog->filterText(), "Filter r/45/9/100 r/45/9/600");

    for (const char* wide : {"Filter a/60/0/50/10", "Filter b/*", "Filter t/m"}) {
        Builder w{QString::fromLatin1(wide)};
        w.prompter.answers = {Prompter::Answer::No};
        EXPECT_NE(pressOk(*w.dialog), QDialog::Accepted) << wide;
        EXPECT_EQ(w.prompter.asked.size(), 1) << wide;
    }
}

TEST(DlgAPRSFilter, EstimatesTheStationsInsideAsTheListsChange) {
    TemporaryStation t;
    const auto add = [&t](const char* call, double lat, double lon) {
        StationRecord* r = t.stations.Create();
        r->call = QString::fromLatin1(call);
        r->latitude = lat;
        r->longitude = lon;
    };
    add("NEAR-1", 45.1, 9.1);
    add("NEAR-2", 44.5, 9.0);
    add("FAR", 52.0, 13.0);
    add("EQUATOR", 0.5, 0.5);
    add("NOPOS", 0, 0); // heard, but no position yet
    Builder b(QStringLiteral("Filter r/45/9/100"), &t.stations);
    EXPECT_EQ(b.label("estimate"), "About 2 stations heard so far fall inside this filter.");

    b.editor.fill = {{"upperLeftLatitude", "1"},
                     {"upperLeftLongitude", "-1"},
                     {"lowerRightLatitude", "-1"},
                     {"lowerRightLongitude", "1"}};
    b.click("areaNew");
    EXPECT_EQ(b.label("estimate"), "About 3 stations heard so far fall inside this filter.");
    b.select("rangeList", 0);
    b.click("rangeDelete");
    EXPECT_EQ(b.label("estimate"), "About 1 station heard so far falls inside this filter.");
    b.select("areaList", 0);
    b.click("areaDelete");
    EXPECT_EQ(b.label("estimate"), "No range or area yet to estimate the stations from.");

    // Without a station database there is nothing to estimate from, and no note.
    Builder none(QStringLiteral("Filter r/45/9/100"));
    EXPECT_TRUE(child<QLabel>(*none.dialog, QStringLiteral("estimate"))->isHidden());
    EXPECT_TRUE(child<QLabel>(*none.dialog, QStringLiteral("keptTerms"))->isHidden());
}

TEST(DlgAPRSFilter, TabGoesThroughEachListAndItsButtonsThenToOkAndCancel) {
    Builder b(QStringLiteral("Filter"));
    std::vector<QWidget*> order;
    QWidget* w = child<QWidget>(*b.dialog, QStringLiteral("rangeList"));
    for (int i = 0; w && i < 100 && order.size() < 14; ++i, w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus) order.push_back(w);
    ASSERT_EQ(order.size(), 14u);
    QStringList names;
    for (size_t i = 0; i < 12; ++i) names << order[i]->objectName();
    EXPECT_EQ(names, (QStringList{"rangeList", "rangeNew", "rangeEdit", "rangeDelete", "areaList", "areaNew",
                                  "areaEdit", "areaDelete", "budList", "budNew", "budEdit", "budDelete"}));
    for (size_t i = 12; i < 14; ++i) EXPECT_TRUE(qobject_cast<QDialogButtonBox*>(order[i]->parentWidget()));
}

TEST(DlgFilterRange, RefusesItsFieldsInOrderKeepingTheDialogOpenWithTheCursorInTheField) {
    ScriptedPrompter prompter;
    DlgFilterRange d(QString(), prompter);
    d.show();
    const auto field = [&d](const char* name) { return child<QLineEdit>(d, QString::fromLatin1(name)); };
    const std::vector<std::pair<const char*, const char*>> steps{
        {"latitude", "95"}, {"latitude", "45"}, {"longitude", "-190"}, {"longitude", "9"},
        {"km", "0"},        {"km", "25000"},    {"km", "100"}};
    QStringList expected{message(ResourceStrings::LatitudeNeeded),
                         message(ResourceStrings::LatitudeRange),
                         message(ResourceStrings::LongitudeNeeded),
                         message(ResourceStrings::LongitudeRange),
                         message(ResourceStrings::DistanceNeeded),
                         message(ResourceStrings::DistanceNeeded),
                         QStringLiteral("The distance must not be more than 20000 km.")};
    const char* focus[] = {"latitude", "latitude", "longitude", "longitude", "km", "km", "km"};
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_NE(pressOk(d), QDialog::Accepted);
        EXPECT_TRUE(d.isVisible());
        ASSERT_EQ(prompter.reported.size(), qsizetype(i + 1));
        EXPECT_EQ(prompter.reported.back(), expected[i]) << i;
        EXPECT_EQ(d.focusWidget(), field(focus[i])) << i;
        field(steps[i].first)->setText(QString::fromLatin1(steps[i].second));
    }
    EXPECT_EQ(pressOk(d), QDialog::Accepted);
    EXPECT_EQ(d.term(), "r/45/9/100");
    EXPECT_EQ(prompter.icons, std::vector<Prompter::Icon>(steps.size(), Prompter::Icon::Stop));
}

TEST(DlgFilterRange, KilometresAndMilesFollowEachOtherAsEitherIsTyped) {
    ScriptedPrompter prompter;
    DlgFilterRange d(QStringLiteral("r/45/9/100"), prompter);
    d.show();
    QLineEdit* km = child<QLineEdit>(d, QStringLiteral("km"));
    QLineEdit* mi = child<QLineEdit>(d, QStringLiteral("mi"));
    EXPECT_EQ(mi->text(), "62");
    km->clear();
    QTest::keyClicks(km, QStringLiteral("250"));
    EXPECT_EQ(mi->text(), "155");
    mi->clear();
    QTest::keyClicks(mi, QStringLiteral("62"));
    EXPECT_EQ(km->text(), "100");
    QTest::keyClick(mi, Qt::Key_Backspace);
    QTest::keyClick(mi, Qt::Key_Backspace);
    EXPECT_EQ(km->text(), "");
    // The fields take whole numbers only.
    QTest::keyClicks(km, QStringLiteral("1.5x-"));
    EXPECT_EQ(km->text(), "15");
    EXPECT_EQ(mi->text(), "9");
}

TEST(DlgFilterRange, OpensOnAnEntryInWholeDegreesAndShowsTheHelpText) {
    ScriptedPrompter prompter;
    DlgFilterRange d(QStringLiteral("r/45.7/-9.2/100"), prompter);
    EXPECT_EQ(d.windowTitle(), "Filter Builder (Range)");
    EXPECT_EQ(child<QLineEdit>(d, QStringLiteral("latitude"))->text(), "45");
    EXPECT_EQ(child<QLineEdit>(d, QStringLiteral("longitude"))->text(), "-9");
    EXPECT_TRUE(child<QLabel>(d, QStringLiteral("help"))
                    ->text()
                    .startsWith(QLatin1String("Enter Latitude and Longitude as the Center of a Circle")));
    EXPECT_EQ(pressOk(d), QDialog::Accepted);
    EXPECT_EQ(d.term(), "r/45/-9/100");
}

TEST(DlgFilterArea, RefusesItsFieldsInOrderUntilTheCornersLieNorthWestToSouthEast) {
    ScriptedPrompter prompter;
    DlgFilterArea d(QStringLiteral("a/95/190/95/190"), prompter);
    d.show();
    const auto field = [&d](const char* name) { return child<QLineEdit>(d, QString::fromLatin1(name)); };
    const std::vector<std::pair<const char*, const char*>> steps{
        {"upperLeftLatitude", "40"},  {"lowerRightLatitude", "50"}, {"lowerRightLongitude", "5"},
        {"upperLeftLongitude", "15"}, {"upperLeftLatitude", "60"},  {"upperLeftLongitude", "-5"}};
    using namespace ResourceStrings;
    const int expected[] = {LatitudeRange,  LatitudeRange,      LongitudeRange,
                            LongitudeRange, UpperLatitudeOrder, UpperLongitudeOrder};
    const char* focus[] = {"upperLeftLatitude",  "lowerRightLatitude", "lowerRightLongitude",
                           "upperLeftLongitude", "lowerRightLatitude", "upperLeftLongitude"};
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_NE(pressOk(d), QDialog::Accepted);
        EXPECT_TRUE(d.isVisible());
        ASSERT_EQ(prompter.reported.size(), qsizetype(i + 1));
        EXPECT_EQ(prompter.reported.back(), message(expected[i])) << i;
        EXPECT_EQ(d.focusWidget(), field(focus[i])) << i;
        field(steps[i].first)->setText(QString::fromLatin1(steps[i].second));
    }
    EXPECT_EQ(pressOk(d), QDialog::Accepted);
    EXPECT_EQ(d.term(), "a/60/-5/50/5");
    EXPECT_EQ(d.windowTitle(), "Filter Builder (Area)");
}

TEST(DlgFilterBud, RefusesAnEmptyCallAndOneThatWouldSplitIntoTwo) {
    ScriptedPrompter prompter;
    DlgFilterBud d(QString(), prompter);
    d.show();
    QLineEdit* call = child<QLineEdit>(d, QStringLiteral("callSign"));
    EXPECT_NE(pressOk(d), QDialog::Accepted);
    EXPECT_EQ(prompter.reported.value(0), message(ResourceStrings::CallNotEmpty));
    for (const char* wrong : {"N0CALL/P", "DL1 ABC"}) {
        call->setText(QString::fromLatin1(wrong));
        EXPECT_NE(pressOk(d), QDialog::Accepted) << wrong;
    }
    EXPECT_EQ(prompter.reported.size(), 3);
    call->setText(QStringLiteral("DL*"));
    EXPECT_EQ(pressOk(d), QDialog::Accepted);
    EXPECT_EQ(d.term(), "DL*");
    EXPECT_EQ(d.windowTitle(), "Filter Builder (Bud List)");
}
