#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/ui/StationListModel.h"
#include "aprs/ui/StationListView.h"
#include "controls/DialogRunner.h"
#include "controls/ListCtrlWidths.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "support/TemporaryStation.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Col = StationListModel::Column;

QString radioHeader(const QString& call, const QString& via = QStringLiteral("WIDE1-1*")) {
    return QStringLiteral("1:Fm %1 To APRS Via %2 <UI pid=F0 Len=10 >[12:00:00]").arg(call, via);
}
QString directHeader(const QString& call) {
    return QStringLiteral("1:Fm %1 To APRS <UI pid=F0 Len=10 >[12:00:00]").arg(call);
}
QString internetHeader(const QString& call) {
    return QStringLiteral("GT:Fm %1 To APRS Via MYGATE* <UI pid=F0 Len=10 >[12:00:00]").arg(call);
}

struct StationList {
    TemporaryStation s;
    ScriptedPrompter prompter;
    ScriptedDialogRunner runner;
    std::unique_ptr<StationListView> view;

    StationList() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        write(s.settings, Settings::POSLATITUDE, QStringLiteral("0000.00N"));
        write(s.settings, Settings::POSLONGITUDE, QStringLiteral("00000.00E"));
    }

    // A station heard now at (lat, lon), appended to the list.
    StationRecord& add(const QString& call, double lat = 1, double lon = 1) {
        StationRecord* r = s.stations.Create();
        r->call = call;
        r->setPosition(lat, lon);
        r->firstHeard = r->lastHeard = s.stations.heardTimeNow();
        return *r;
    }
    SystemTime minutesAgo(double minutes) const {
        return SystemTime::fromDateTime(s.clock.nowLocal().addMSecs(static_cast<qint64>(-minutes * 60000)));
    }

    StationListView& open() {
        view = std::make_unique<StationListView>(s.stations, s.tracks, s.settings, s.clock, prompter, runner);
        view->resize(1100, 400);
        view->show();
        QApplication::setActiveWindow(view.get());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        return *view;
    }
    StationListModel& model() const { return *view->model(); }
    QString cell(int row, int column) const { return model().data(model().index(row, column)).toString(); }
    QString cellOf(const QString& call, int column) const { return cell(model().rowOf({call, {}}), column); }
    // The calls in display order, blank-separated.
    std::string calls() const {
        QStringList out;
        for (int r = 0; r < model().rowCount(); ++r) out << model().rowAt(r).key.call;
        return out.join(QLatin1Char(' ')).toStdString();
    }
    std::string selectedCalls() const {
        QStringList out;
        for (const StationKey& k : view->selectedStations()) out << k.call;
        return out.join(QLatin1Char(' ')).toStdString();
    }
    static std::vector<StationKey> keys(const QStringList& calls) {
        std::vector<StationKey> out;
        for (const QString& c : calls) out.push_back({c, {}});
        return out;
    }
    void clickHeader(int column) {
        QHeaderView* header = view->table()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    // The station menu as a right click on the row of `call` opens it.
    QMenu& rightClick(const QString& call) {
        QTableView* table = view->table();
        const QRect rect = table->visualRect(model().index(model().rowOf({call, {}}), 0));
        emit table->customContextMenuRequested(rect.center());
        return *view->stationMenu();
    }
    static QAction* entry(QMenu& menu, int command) {
        for (QAction* a : menu.actions())
            if (!a->isSeparator() && a->data().toInt() == command) return a;
        return nullptr;
    }
    template <typename T> T* child(const char* name) const {
        return view->findChild<T*>(QString::fromLatin1(name));
    }
};

// --- texts

TEST(StationListTexts, EveryColumnOfAStation) {
    StationList w;
    StationRecord& r = w.add(QStringLiteral("EA1ABC-9"), 0, 1);
    r.symbolTable = '/';
    r.symbolCode = '>';
    r.stationType = StationType::Mobile;
    r.firstHeard = SystemTime::fromDateTime(QDateTime(QDate(2026, 1, 15), QTime(9, 5, 7)));
    r.lastHeard = SystemTime::fromDateTime(QDateTime(QDate(2026, 1, 14), QTime(23, 58)));
    r.RecordHeardPath(radioHeader(r.call));
    r.RecordHeardPath(internetHeader(r.call));
    r.comment = QStringLiteral("QRV <b>145.500</b>");
    w.open().refresh();

    const QStringList expected = {
        "EA1ABC-9",    "Car",           "Mobile",        "111.19Km",       "000°0.00'N ",
        "001°0.00'E ", "09:05 1/15/26", "23:58 1/14/26", "WIDE1-1,MYGATE", "QRV <b>145.500</b>"};
    for (int c = 0; c < StationListModel::ColumnCount; ++c)
        EXPECT_EQ(w.cell(0, c), expected[c]) << "column " << c;
    EXPECT_FALSE(
        w.model().data(w.model().index(0, Col::Station), Qt::DecorationRole).value<QIcon>().isNull());
    // Markup from the air is escaped in the tooltip.
    EXPECT_TRUE(
        w.model().data(w.model().index(0, Col::Beacon), Qt::ToolTipRole).toString().contains("&lt;b&gt;"));

    const QStringList titles = {"Station",   "ID",          "Type",       "Distance", "Latitude",
                                "Longitude", "First Heard", "Last Heard", "Digi",     "Beacon"};
    for (int c = 0; c < StationListModel::ColumnCount; ++c)
        EXPECT_EQ(w.model().headerData(c, Qt::Horizontal).toString(), titles[c]);
}

TEST(StationListTexts, DistanceFollowsTheFormatAndElevenLeavesItEmpty) {
    StationList w;
    w.add(QStringLiteral("A"), 0, 1);
    w.add(QStringLiteral("B"), 1, 0);
    StationListView& v = w.open();
    const std::pair<int, const char*> cases[] = {{5, "111.19Km"}, {7, "111.19Km"}, {8, "69.09Mi"},
                                                 {10, "69.09Mi"}, {11, ""},        {4, ""}};
    for (const auto& [format, text] : cases) {
        write(w.s.settings, Settings::DISTANCE_FORMAT, format);
        v.refresh();
        EXPECT_EQ(w.cellOf("A", Col::Distance), text) << format;
        EXPECT_EQ(w.cellOf("B", Col::Distance), text) << format;
    }
}

TEST(StationListTexts, CoordinatesTypesDigisAndIcons) {
    EXPECT_EQ(StationListModel::latitudeText(37.5), "037°30.00'N ");
    EXPECT_EQ(StationListModel::latitudeText(-33.8675), "033°52.05'S ");
    EXPECT_EQ(StationListModel::longitudeText(-122.25), "122°15.00'W ");
    EXPECT_EQ(StationListModel::longitudeText(151.2), "151°12.00'E ");
    // Minutes that round to 60 carry into the degrees.
    EXPECT_EQ(StationListModel::latitudeText(-0.9999999), "001°0.00'S ");
    EXPECT_EQ(StationListModel::longitudeText(12.99999), "013°0.00'E ");

    const char* types[] = {"Fixed", "Mobile", "Weather", "Digi", "TCP/IP", "Object"};
    for (int t = 0; t < 6; ++t) EXPECT_EQ(StationListModel::typeText(t), types[t]);
    EXPECT_EQ(StationListModel::typeText(6), "Unknown");
    EXPECT_EQ(StationListModel::typeText(-1), "Unknown");

    StationRecord r;
    EXPECT_EQ(StationListModel::digiText(r), "");
    r.RecordHeardPath(directHeader("X"));
    EXPECT_EQ(StationListModel::digiText(r), "Direct");
    r.RecordHeardPath(radioHeader("X", "RELAY,WIDE2*"));
    r.heardPaths.heardVia[5] = QStringLiteral("ODD,");
    EXPECT_EQ(StationListModel::digiText(r), "Direct,WIDE2,ODD");

    EXPECT_EQ(StationListModel::iconIndex('/', '>'), 29);
    EXPECT_EQ(StationListModel::iconIndex('\\', '>'), 29 + 94);
    EXPECT_EQ(StationListModel::iconIndex('D', '>'), 29 + 94); // overlays use the alternate table
    EXPECT_EQ(StationListModel::iconIndex('/', 200), 1);       // out of range: the double quote
}

// --- sorting

struct SortCase {
    int column;
    std::function<void(StationList&, StationRecord&, int)> set; // station i of 4, in list order
    const char* ascending;
    const char* descending;
};

TEST(StationListSort, EveryColumnBothWaysKeepingTiesInListOrder) {
    const auto at = [](const double(&v)[4]) {
        return [v](StationList&, StationRecord& r, int i) { r.setPosition(v[i], v[i]); };
    };
    const SortCase cases[] = {
        {Col::Station,
         [](StationList&, StationRecord& r, int i) {
             r.call = QStringList{"N3C", "K2B", "k1low", "K9UP"}[i];
         },
         "K2B K9UP N3C k1low", "k1low N3C K9UP K2B"},
        {Col::Id, [](StationList&, StationRecord& r, int i) { r.symbolCode = QByteArray(">_>#")[i]; },
         "S1 S3 S4 S2", "S2 S4 S1 S3"}, // Car, Car, Digi, Weather Station(Blue)
        {Col::Type,
         [](StationList&, StationRecord& r, int i) {
             r.stationType = std::array<int, 4>{1, 2, 1, 0}[static_cast<size_t>(i)];
         },
         "S4 S1 S3 S2", "S2 S1 S3 S4"},
        // 10.9 km, 10.4 km, 10.9 km, 55.6 km: the half kilometre counts.
        {Col::Distance,
         [](StationList&, StationRecord& r, int i) {
             r.setPosition(std::array<double, 4>{0.098, 0.0935, -0.098, 0.5}[static_cast<size_t>(i)], 0);
         },
         "S2 S1 S3 S4", "S4 S1 S3 S2"},
        {Col::Latitude, at({10.7, 10.2, 10.7, -5}), "S4 S2 S1 S3", "S1 S3 S2 S4"},
        {Col::Longitude, at({10.7, 10.2, 10.7, -5}), "S4 S2 S1 S3", "S1 S3 S2 S4"},
        {Col::FirstHeard,
         [](StationList& w, StationRecord& r, int i) {
             r.firstHeard = w.minutesAgo(std::array<double, 4>{10, 20, 10, 19.99}[static_cast<size_t>(i)]);
         },
         "S2 S4 S1 S3", "S1 S3 S4 S2"},
        {Col::LastHeard,
         [](StationList& w, StationRecord& r, int i) {
             r.lastHeard = w.minutesAgo(std::array<double, 4>{10, 20, 10, 19.99}[static_cast<size_t>(i)]);
         },
         "S2 S4 S1 S3", "S1 S3 S4 S2"},
        {Col::Digi,
         [](StationList&, StationRecord& r, int i) {
             if (i == 1) r.RecordHeardPath(directHeader(r.call));
             if (i == 0 || i == 2) r.RecordHeardPath(radioHeader(r.call));
         },
         "S4 S2 S1 S3", "S1 S3 S2 S4"},
        {Col::Beacon,
         [](StationList&, StationRecord& r, int i) {
             r.comment = QStringList{"beta", "Alpha", "beta", "alpha"}[i];
         },
         "S2 S4 S1 S3", "S1 S3 S4 S2"},
    };
    for (const SortCase& c : cases) {
        StationList w;
        for (int i = 0; i < 4; ++i) c.set(w, w.add(QStringLiteral("S%1").arg(i + 1)), i);
        w.open().refresh();
        w.model().sort(c.column, Qt::AscendingOrder);
        EXPECT_EQ(w.calls(), c.ascending) << "column " << c.column;
        w.model().sort(c.column, Qt::DescendingOrder);
        EXPECT_EQ(w.calls(), c.descending) << "column " << c.column;
    }
}

TEST(StationListSort, HeaderClicksToggleOnlyTheSortColumnAndSelectionFollows) {
    StationList w;
    const double km[] = {10.9, 10.4, 30};
    const int types[] = {2, 0, 1};
    for (int i = 0; i < 3; ++i) {
        StationRecord& r = w.add(QStringLiteral("S%1").arg(i + 1), km[i] / 111.1949, 0);
        r.stationType = types[i];
    }
    StationListView& v = w.open();
    QHeaderView* header = v.table()->horizontalHeader();
    EXPECT_EQ(header->sortIndicatorSection(), Col::Station);
    v.selectStations(StationList::keys({"S1"}));

    const struct {
        int column;
        Qt::SortOrder order;
        const char* calls;
    } clicks[] = {
        {Col::Type, Qt::AscendingOrder, "S2 S3 S1"},     {Col::Type, Qt::DescendingOrder, "S1 S3 S2"},
        {Col::Distance, Qt::AscendingOrder, "S2 S1 S3"}, {Col::Distance, Qt::DescendingOrder, "S3 S1 S2"},
        {Col::Distance, Qt::AscendingOrder, "S2 S1 S3"}, {Col::Type, Qt::AscendingOrder, "S2 S3 S1"}};
    for (const auto& click : clicks) {
        w.clickHeader(click.column);
        EXPECT_EQ(w.calls(), click.calls);
        EXPECT_EQ(header->sortIndicatorSection(), click.column);
        EXPECT_EQ(header->sortIndicatorOrder(), click.order);
        EXPECT_EQ(w.model().sortOrder(), click.order);
        EXPECT_EQ(w.selectedCalls(), "S1");
        EXPECT_EQ(v.table()->currentIndex().row(), w.model().rowOf({"S1", {}}));
    }
}

// --- column widths

TEST(StationListWidths, LoadedWhenTheCountFitsAndSavedWhenTheViewGoes) {
    {
        StationList w;
        w.s.settings.writeBinary("ListCtrls", "10001",
                                 ListCtrlWidths::encode({90, 90, 90, 90, 90, 90, 90, 90, 90}));
        w.open();
        QHeaderView* header = w.view->table()->horizontalHeader();
        const std::vector<int> initial = w.view->initialColumnWidths();
        for (int c = 0; c < StationListModel::ColumnCount; ++c) {
            EXPECT_EQ(header->sectionSize(c), initial[static_cast<size_t>(c)]) << c;
            EXPECT_GE(initial[static_cast<size_t>(c)], StationListModel::kInitialWidths[c]) << c;
        }
    }
    StationList w;
    const std::vector<int> stored = {41, 42, 43, 44, 55, 66, 77, 88, 99, 111};
    w.s.settings.writeBinary("ListCtrls", "10001", ListCtrlWidths::encode(stored));
    w.open();
    QHeaderView* header = w.view->table()->horizontalHeader();
    for (int c = 0; c < StationListModel::ColumnCount; ++c) EXPECT_EQ(header->sectionSize(c), stored[c]) << c;
    // Dragged columns still save in column order.
    header->moveSection(9, 0);
    header->resizeSection(Col::Beacon, 250);
    w.view.reset();
    std::vector<int> expected = stored;
    expected[Col::Beacon] = 250;
    EXPECT_EQ(ListCtrlWidths::load(w.s.settings, 10001), expected);
}

// --- commands

TEST(StationListCommands, DeleteRemovesExactlyTheSelectedStationsEvenAfterAnExpiry) {
    StationList w;
    for (const char* c : {"A", "B", "C", "D", "E"}) w.add(c);
    StationListView& v = w.open();
    v.selectStations(StationList::keys({"B", "C", "D"}));
    ASSERT_EQ(w.selectedCalls(), "B C D");

    // C expires between the selection and the command; the rows have not been refreshed yet.
    w.s.stations.FindByCall(u"C")->lastHeard = w.minutesAgo(181);
    w.s.stations.Expire();
    ASSERT_EQ(w.s.stations.count(), 4);
    ASSERT_EQ(w.calls(), "A B C D E");

    ASSERT_TRUE(v.handlesCommand(Command::StationDelete));
    v.runCommand(Command::StationDelete);
    EXPECT_EQ(w.s.stations.count(), 2);
    EXPECT_NE(w.s.stations.FindByCall(u"A"), nullptr);
    EXPECT_NE(w.s.stations.FindByCall(u"E"), nullptr);
    EXPECT_EQ(w.calls(), "A E");
    EXPECT_EQ(w.selectedCalls(), "");
    EXPECT_FALSE(v.handlesCommand(Command::StationDelete));
}

TEST(StationListCommands, ThePopupActsOnTheRowUnderThePointer) {
    StationList w;
    for (const char* c : {"A", "B", "C"}) w.add(c);
    StationListView& v = w.open();
    QSignalSpy messages(&v, &StationListView::sendMessageRequested);
    QSignalSpy maps(&v, &StationListView::findBestMapRequested);
    QSignalSpy tracks(&v, &StationListView::trackToggled);
    v.selectStations(StationList::keys({"A", "C"}));

    // Outside the selection: that row alone.
    QMenu& menu = w.rightClick("B");
    EXPECT_EQ(menu.title(), "Station");
    EXPECT_EQ(w.selectedCalls(), "B");
    QStringList entries;
    for (QAction* a : menu.actions()) entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(entries.join('|'), "Details...|Send Message...|Find Best Map|Track|-|Delete Tracks...|Delete");
    StationList::entry(menu, Command::StationSendMessage)->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0][0].toString(), "B");

    StationList::entry(w.rightClick("C"), Command::FindBestMap)->trigger();
    ASSERT_EQ(maps.size(), 1);
    EXPECT_EQ(maps[0][0].toString(), "C");

    StationList::entry(w.rightClick("A"), Command::StationTrack)->trigger();
    EXPECT_EQ(w.s.stations.FindByCall(u"A")->showTrack, 1);
    ASSERT_EQ(tracks.size(), 1);
    EXPECT_EQ(tracks[0][0].toString(), "A");
    EXPECT_TRUE(StationList::entry(w.rightClick("A"), Command::StationTrack)->isChecked());
    w.view->stationMenu()->hide();

    // Inside a selection: the selection stays and Delete takes all of it.
    v.selectStations(StationList::keys({"A", "B"}));
    StationList::entry(w.rightClick("B"), Command::StationDelete)->trigger();
    EXPECT_EQ(w.calls(), "C");
}

TEST(StationListCommands, DetailsOpenByMenuDoubleClickAndEnter) {
    StationList w;
    StationRecord& mobile = w.add("M");
    mobile.stationType = StationType::Mobile;
    w.add("F");
    StationListView& v = w.open();

    StationList::entry(w.rightClick("M"), Command::StationDetails)->trigger();
    ASSERT_EQ(w.runner.shown.size(), 1);
    EXPECT_EQ(w.runner.shown[0], "DlgStationMobile");

    QTableView* table = v.table();
    const QRect f = table->visualRect(w.model().index(w.model().rowOf({"F", {}}), 1));
    // The events of a real double click: press, release, double click, release.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, f.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, f.center());
    QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, f.center());
    ASSERT_EQ(w.runner.shown.size(), 2);
    EXPECT_EQ(w.runner.shown[1], "DlgStationStatic");

    table->setFocus();
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(w.runner.shown.size(), 3);

    // A station that went meanwhile is reported, not opened.
    v.selectStations(StationList::keys({"M"}));
    w.s.stations.Remove(w.s.stations.FindByCall(u"M"));
    v.runCommand(Command::StationDetails);
    EXPECT_EQ(w.runner.shown.size(), 3);
    EXPECT_EQ(w.prompter.reported.size(), 1);
    EXPECT_EQ(w.calls(), "F");
}

// --- refresh

TEST(StationListRefresh, SelectionCurrentRowAndScrollFollowTheStations) {
    StationList w;
    for (int i = 0; i < 100; ++i)
        w.add(QStringLiteral("N%1").arg(i, 3, 10, QLatin1Char('0'))).lastHeard = w.minutesAgo(100 - i);
    StationListView& v = w.open();
    w.model().sort(Col::LastHeard, Qt::DescendingOrder);
    v.selectStations(StationList::keys({"N060", "N010"}));
    ASSERT_EQ(w.selectedCalls(), "N060 N010");
    v.table()->scrollTo(w.model().index(w.model().rowOf({"N050", {}}), 0), QAbstractItemView::PositionAtTop);
    const int topRowBefore = v.table()->rowAt(0);

    // N010 and N030 are heard again: both move to the top (equal times: list order), the rows
    // between them shift.
    for (const char16_t* call : {u"N010", u"N030"}) {
        StationRecord* r = w.s.stations.FindByCall(call);
        r->lastHeard = w.s.stations.heardTimeNow();
        w.s.stations.MoveToEnd(r);
    }
    v.refresh();
    EXPECT_EQ(w.model().rowAt(0).key.call, "N010");
    EXPECT_EQ(w.model().rowAt(1).key.call, "N030");
    EXPECT_EQ(w.selectedCalls(), "N010 N060");
    EXPECT_EQ(w.model().rowAt(v.table()->currentIndex().row()).key.call, "N060");
    EXPECT_EQ(w.model().rowAt(v.table()->rowAt(0)).key.call, "N050");
    EXPECT_EQ(v.table()->rowAt(0), topRowBefore + 2);
}

TEST(StationListRefresh, TimersActivationAndLiveChanges) {
    StationList w;
    w.add("A");
    StationListView& v = w.open(); // shown: refreshed at once
    EXPECT_EQ(w.calls(), "A");
    w.add("B");
    w.s.clock.advance(4999);
    EXPECT_EQ(w.calls(), "A");
    w.s.clock.advance(1);
    EXPECT_EQ(w.calls(), "A B");
    w.add("C");
    w.s.clock.advance(59999);
    EXPECT_EQ(w.calls(), "A B");
    w.s.clock.advance(1);
    EXPECT_EQ(w.calls(), "A B C");

    // Heard stations: one refresh within half a second however many arrive.
    w.add("D");
    v.noteChanged();
    w.add("E");
    v.noteChanged();
    w.s.clock.advance(499);
    EXPECT_EQ(w.calls(), "A B C");
    w.s.clock.advance(1);
    EXPECT_EQ(w.calls(), "A B C D E");

    // Hidden: nothing until it is shown again.
    v.hide();
    w.add("F");
    v.noteChanged();
    w.s.clock.advance(60000);
    EXPECT_EQ(w.calls(), "A B C D E");
    v.show();
    EXPECT_EQ(w.calls(), "A B C D E F");
}

// --- filters and find

TEST(StationListFilters, TypeHeardAgeAndFind) {
    StationList w;
    StationRecord& fixed = w.add("DL1AB");
    fixed.RecordHeardPath(radioHeader(fixed.call));
    StationRecord& mobile = w.add("DL2CD");
    mobile.stationType = StationType::Mobile;
    mobile.RecordHeardPath(internetHeader(mobile.call));
    StationRecord& wx = w.add("F4XYZ");
    wx.stationType = StationType::Weather;
    wx.RecordHeardPath(radioHeader(wx.call));
    wx.RecordHeardPath(internetHeader(wx.call));
    StationRecord& object = w.add("DL3EF");
    object.stationType = StationType::Object;
    object.RecordHeardPath(directHeader(object.call));
    object.lastHeard = w.minutesAgo(120);
    StationListView& v = w.open();

    auto choose = [&](const char* box, const QString& text) {
        QComboBox* combo = w.child<QComboBox>(box);
        ASSERT_NE(combo, nullptr) << box;
        const int i = combo->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        combo->setCurrentIndex(i);
    };
    choose("typeFilter", "Mobile");
    EXPECT_EQ(w.calls(), "DL2CD");
    choose("typeFilter", "All");
    choose("heardFilter", "Radio");
    EXPECT_EQ(w.calls(), "DL1AB DL3EF F4XYZ");
    choose("heardFilter", "Internet");
    EXPECT_EQ(w.calls(), "DL2CD F4XYZ");
    choose("heardFilter", "Radio and internet");
    EXPECT_EQ(w.calls(), "F4XYZ");
    choose("heardFilter", "Radio or internet");
    choose("ageFilter", "1 hour");
    EXPECT_EQ(w.calls(), "DL1AB DL2CD F4XYZ");
    choose("ageFilter", "6 hours");
    EXPECT_EQ(w.calls(), "DL1AB DL2CD DL3EF F4XYZ");

    // Ctrl+F, a prefix in any case, Enter steps through the matches.
    v.table()->setFocus();
    QTest::keyClick(v.table(), Qt::Key_F, Qt::ControlModifier);
    QLineEdit* find = w.child<QLineEdit>("find");
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->hasFocus());
    QTest::keyClicks(find, "dl");
    EXPECT_EQ(w.calls(), "DL1AB DL2CD DL3EF");
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(w.selectedCalls(), "DL1AB");
    EXPECT_TRUE(v.table()->hasFocus());
    find->setFocus();
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(w.selectedCalls(), "DL2CD");
    QTest::keyClicks(find, "3");
    EXPECT_EQ(w.calls(), "DL3EF");
    EXPECT_EQ(w.selectedCalls(), ""); // DL2CD is no longer shown
    find->clear();
    EXPECT_EQ(w.calls(), "DL1AB DL2CD DL3EF F4XYZ");
}

} // namespace
