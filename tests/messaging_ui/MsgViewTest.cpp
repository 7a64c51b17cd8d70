#include "messaging/ui/MsgView.h"
#include "controls/ListCtrlWidths.h"
#include "messaging/ui/MessageListModel.h"
#include "messaging/ui/MessageNotifier.h"
#include "platform/ResourceStrings.h"
#include "tests/messaging/MessagingSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// The message view over a real manager on a manual clock; packets the manager sends are recorded.
namespace {

using Col = MessageListModel::Column;

struct MessageWindow : MessagingFixture {
    ActivePortList ports;
    std::unique_ptr<MsgView> view;

    MessageWindow() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        ports.entries = {{-1, QStringLiteral("APRS Server"), 1},
                         {0, QStringLiteral("Port 1 VHF"), 1},
                         {1, QStringLiteral("HF Port 2"), 1}};
    }

    MsgView& open() {
        view = std::make_unique<MsgView>(*messages, ports, t.settings, prompter);
        view->resize(1200, 600);
        view->show();
        QApplication::setActiveWindow(view.get());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        return *view;
    }

    template <typename T> T* child(const char* name) const {
        T* w = view->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* to() const { return child<QLineEdit>("to"); }
    QLineEdit* text() const { return child<QLineEdit>("text"); }
    QComboBox* path() const { return child<QComboBox>("path"); }
    QComboBox* port() const { return child<QComboBox>("radioPort"); }
    QPushButton* send() const { return child<QPushButton>("send"); }

    MessageListModel& model() const { return *view->model(); }
    QString cell(int row, int column) const { return model().data(model().index(row, column)).toString(); }
    // Column texts of every row, "|" between rows.
    std::string column(int c) const {
        QStringList out;
        for (int r = 0; r < model().rowCount(); ++r) out << cell(r, c);
        return out.join(QLatin1Char('|')).toStdString();
    }
    int rowOf(const QString& from, const QString& to, const QString& seq) const {
        return model().rowOf({from, to, seq});
    }
    void selectRow(int row) { view->table()->selectRow(row); }

    // A message heard through the manager's sink, as the station database hands it over.
    void hear(const QString& info, const QString& from, int port = 0, QString header = {}) {
        if (header.isEmpty()) header = port == -1 ? serverHeader(from) : radioHeader(from);
        static_cast<MessageSink&>(*messages).ProcessMessage(info, from, header, port);
    }
    // The own message as the engine's echo brings it back into the list.
    void echo(const OutboundPacket& p) {
        QString info = p.part1;
        if (info.endsWith(QLatin1String("\r\n"))) info.chop(2);
        static_cast<MessageSink&>(*messages).ProcessMessage(info, p.fromCall, radioHeader(p.fromCall),
                                                            p.port);
    }
    void type(QLineEdit* edit, const QString& s) {
        edit->clear();
        QTest::keyClicks(edit, s);
    }
};

} // namespace

TEST(MsgViewList, ColumnsShowEachRecordAndTheNewAppearAtTheEndWhateverTheMode) {
    MessageWindow w;
    w.hear(QStringLiteral(":N0ME     :Hello there{12"), QStringLiteral("N0ABC"));
    w.hear(QStringLiteral(":BLN1     :Club net{3"), QStringLiteral("N0NET"), -1);
    MsgView& v = w.open();
    ASSERT_EQ(w.model().rowCount(), 2);
    EXPECT_EQ(w.column(Col::From), "N0ABC|N0NET");
    EXPECT_EQ(w.column(Col::To), "N0ME|BLN1");
    EXPECT_EQ(w.column(Col::Message), "Hello there|Club net");
    EXPECT_EQ(w.column(Col::Sequence), "12|3");
    EXPECT_EQ(w.column(Col::Time), "1/15/26 12:00|1/15/26 12:00") << "UTC as stored, short date then HH:mm";
    EXPECT_EQ(w.column(Col::PortNode), "1:WIDE1-1|GT:MYGATE");
    EXPECT_FALSE(w.model().data(w.model().index(0, Col::From), Qt::DecorationRole).value<QIcon>().isNull());
    for (int c = 0; c < Col::ColumnCount; ++c)
        EXPECT_FALSE(w.model().headerData(c, Qt::Horizontal).toString().isEmpty()) << c;
    EXPECT_EQ(w.model().headerData(Col::PortNode, Qt::Horizontal).toString(), "Port/Node");

    // Only mine: the bulletin goes; a foreign message then heard still shows, at the end.
    v.runCommand(Command::ViewOnlyMine);
    EXPECT_TRUE(v.isCommandChecked(Command::ViewOnlyMine));
    EXPECT_EQ(w.column(Col::From), "N0ABC");
    w.hear(QStringLiteral(":N0XYZ    :not for us{1"), QStringLiteral("N0OTH"), -1);
    EXPECT_EQ(w.column(Col::From), "N0ABC|N0OTH");
    EXPECT_EQ(w.column(Col::PortNode), "1:WIDE1-1|GT:MYGATE")
        << "appended rows read the same as refilled ones";
    v.runCommand(Command::ViewOnlyBulletins);
    EXPECT_EQ(w.column(Col::From), "N0NET");

    // An acknowledgement of an own message refills in mode all.
    ASSERT_EQ(w.messages->QueueMessage(QStringLiteral("N0ABC"), QStringLiteral("Hi"), {}, 0), 1);
    w.hear(QStringLiteral(":N0ME     :ack1"), QStringLiteral("N0ABC"));
    EXPECT_EQ(v.viewMode(), MessageViewMode::All);
    EXPECT_TRUE(v.isCommandChecked(Command::ViewAllMessages));
    EXPECT_EQ(w.model().rowCount(), 3);
}

TEST(MsgViewList, SortFlipsOnEveryClickComparesNumbersAsTextAndKeepsTheSelection) {
    MessageWindow w;
    for (const char* seq : {"9", "10", "2"}) w.hear(QStringLiteral(":N0ME     :m%1{%1").arg(seq), "N0ABC");
    MsgView& v = w.open();
    w.selectRow(w.rowOf("N0ABC", "N0ME", "2"));
    v.sortByColumnClick(Col::Sequence);
    EXPECT_EQ(w.column(Col::Sequence), "10|2|9") << "text order: 10 before 9";
    EXPECT_EQ(v.table()->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    v.sortByColumnClick(Col::Message); // another column: the direction still flips
    EXPECT_EQ(w.column(Col::Message), "m9|m2|m10");
    v.sortByColumnClick(Col::Sequence);
    EXPECT_EQ(w.column(Col::Sequence), "10|2|9");
    ASSERT_TRUE(v.selectedMessage());
    EXPECT_EQ(v.selectedMessage()->key.seq, "2") << "the selection follows the message";

    // A refill (a new message and an expiry) keeps it too, by identity.
    w.clock.advance(80000LL * 1000);
    w.hear(QStringLiteral(":N0ME     :late{77"), "N0ABC");
    EXPECT_EQ(w.column(Col::Sequence), "77") << "the old three expired";
    w.hear(QStringLiteral(":N0ME     :later{78"), "N0ABC");
    w.selectRow(w.rowOf("N0ABC", "N0ME", "77"));
    v.refill(MessageViewMode::All);
    EXPECT_EQ(v.selectedMessage()->key.seq, "77");
}

TEST(MsgViewCompose, SendIsEnabledOnlyWithTextAndQueuesUpperCaseOnTheChosenPort) {
    MessageWindow w;
    write(w.t.settings, Settings::VIAPATH_BEACON, 0, QStringLiteral("WIDE1-1"));
    MsgView& v = w.open();
    EXPECT_EQ(w.port()->itemText(0), "APRS Server");
    EXPECT_EQ(w.port()->itemText(1), "HF Port 2") << "ports sorted by name";
    EXPECT_EQ(w.port()->itemText(2), "Port 1 VHF");
    w.port()->setCurrentIndex(2);
    EXPECT_FALSE(w.send()->isEnabled());

    w.type(w.to(), QStringLiteral("bob-7"));
    EXPECT_EQ(w.to()->text(), "BOB-7") << "shown in upper case as typed";
    w.path()->setEditText(QStringLiteral("wide2-2"));
    w.type(w.text(), QStringLiteral("Hello Bob"));
    EXPECT_TRUE(w.send()->isEnabled());
    QTest::mouseClick(w.send(), Qt::LeftButton);
    ASSERT_EQ(w.sent.size(), 1u);
    EXPECT_EQ(w.sent[0].packet.part1, ":BOB-7    :Hello Bob{1\r\n");
    EXPECT_EQ(w.sent[0].packet.viaPath, "WIDE2-2");
    EXPECT_EQ(w.sent[0].packet.port, 0);
    EXPECT_TRUE(w.text()->text().isEmpty());
    EXPECT_EQ(w.to()->text(), "BOB-7");
    EXPECT_FALSE(w.send()->isEnabled());
    EXPECT_TRUE(w.prompter.reported.isEmpty());

    // Enter in the Text field sends as well.
    w.type(w.text(), QStringLiteral("Again"));
    QTest::keyClick(w.text(), Qt::Key_Return);
    EXPECT_EQ(w.sent.size(), 2u);

    // A bulletin already being sent is refused and the text stays.
    w.type(w.to(), QStringLiteral("BLN1"));
    w.type(w.text(), QStringLiteral("News"));
    v.send();
    w.type(w.text(), QStringLiteral("News again"));
    v.send();
    EXPECT_EQ(w.prompter.reported.last(), ResourceStrings::text(ResourceStrings::BulletinNumberInUse));
    EXPECT_EQ(w.text()->text(), "News again");
}

TEST(MsgViewCompose, FaultyFormsAreRefusedWithAReasonAndKeepTheirContent) {
    MessageWindow w;
    MsgView& v = w.open();
    const auto refusedWith = [&](const QString& to, const QString& text, const QString& path = {}) {
        w.prompter.reported.clear();
        w.to()->setText(to);
        w.text()->setText(text);
        w.path()->setEditText(path);
        v.send();
        EXPECT_EQ(w.text()->text(), text) << "the form keeps its content";
        EXPECT_EQ(w.prompter.reportedIcons.back(), Prompter::Icon::Stop);
        return w.prompter.reported.value(0).toStdString();
    };
    EXPECT_EQ(refusedWith({}, "hi"), ResourceStrings::text(ResourceStrings::NoAddressee).toStdString());
    EXPECT_NE(refusedWith("NOT A CALL", "hi").find("is not a call sign"), std::string::npos);
    EXPECT_NE(refusedWith("BOB", "brace { here").find("{, | or ~"), std::string::npos);
    EXPECT_NE(refusedWith("BOB", "pipe | here").find("{, | or ~"), std::string::npos);
    EXPECT_NE(refusedWith("BOB", "tilde ~ here").find("{, | or ~"), std::string::npos);
    EXPECT_NE(refusedWith("BOB", QStringLiteral("tab\there")).find("control character"), std::string::npos);
    EXPECT_NE(refusedWith("BOB", "hi", "WIDE1-1,,X").find("calls separated by commas"), std::string::npos);
    EXPECT_TRUE(w.sent.empty());

    w.ports.entries.clear();
    v.RefillPorts();
    EXPECT_EQ(refusedWith("BOB", "hi"),
              ResourceStrings::text(ResourceStrings::SelectRadioPortFirst).toStdString());

    // Above 67 characters a warning shows; the text may still be sent.
    auto* warning = w.child<QLabel>("lengthWarning");
    w.text()->setText(QString(67, QLatin1Char('a')));
    EXPECT_TRUE(warning->isHidden());
    w.text()->setText(QString(68, QLatin1Char('a')));
    EXPECT_FALSE(warning->isHidden());
    EXPECT_TRUE(warning->text().contains("68"));
}

TEST(MsgViewCompose, PortsRefillKeepingThePortAndOfferingItsPath) {
    MessageWindow w;
    write(w.t.settings, Settings::VIAPATH_BEACON, 1, QStringLiteral("WIDE2-1"));
    MsgView& v = w.open();
    w.port()->setCurrentIndex(w.port()->findData(1));
    w.ports.entries.erase(w.ports.entries.begin()); // the server went away
    v.RefillPorts();
    EXPECT_EQ(w.port()->count(), 2);
    EXPECT_EQ(w.port()->currentData().toInt(), 1) << "the same port, though its place changed";
    EXPECT_EQ(w.path()->currentText(), "WIDE2-1");
    EXPECT_GE(w.path()->findText("WIDE2-1"), 0);
    v.RefillPorts();
    EXPECT_EQ(w.path()->count(), 1) << "the port's path is offered once";
}

TEST(MsgViewCommands, ReplyAndForwardFillTheForm) {
    MessageWindow w;
    // Heard twice over different paths on the second radio port: the copy adds a return path.
    w.hear(QStringLiteral(":N0ME     :Where are you?{5"), "N0ABC", 1,
           MessagingFixture::radioHeader("N0ABC", "APZEL", "DB0XYZ*,WIDE2-1"));
    w.hear(QStringLiteral(":N0ME     :Where are you?{5"), "N0ABC", 1,
           MessagingFixture::radioHeader("N0ABC", "APZEL", "DB0UVW*"));
    w.hear(QStringLiteral(":N0ME     :no number"), "N0DEF", 0);
    MsgView& v = w.open();
    EXPECT_FALSE(v.handlesCommand(Command::Reply)) << "nothing selected";

    w.selectRow(w.rowOf("N0ABC", "N0ME", "5"));
    ASSERT_TRUE(v.handlesCommand(Command::Reply));
    v.runCommand(Command::Reply);
    EXPECT_EQ(w.to()->text(), "N0ABC");
    EXPECT_EQ(w.path()->currentText(), "DB0UVW");
    EXPECT_EQ(w.port()->currentData().toInt(), 1);
    EXPECT_TRUE(w.text()->hasFocus());

    v.runCommand(Command::Forward);
    EXPECT_EQ(w.text()->text(), "N0ABC:Where are you?");
    EXPECT_EQ(w.text()->selectedText(), w.text()->text());
    EXPECT_EQ(w.to()->text(), "N0ABC") << "forward leaves To alone";

    // No number: To is set, path and port stay as they were. A double click replies too.
    w.port()->setCurrentIndex(w.port()->findData(-1));
    const int row = w.rowOf("N0DEF", "N0ME", "");
    const QRect cell = v.table()->visualRect(w.model().index(row, Col::Message));
    QTest::mouseClick(v.table()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(v.table()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(w.to()->text(), "N0DEF");
    EXPECT_EQ(w.path()->currentText(), "DB0UVW");
    EXPECT_EQ(w.port()->currentData().toInt(), -1);
}

TEST(MsgViewCommands, StopSendingEndsTheRetriesAndOnlyOwnRowsOfferIt) {
    MessageWindow w;
    w.hear(QStringLiteral(":N0ME     :foreign{4"), "N0ABC");
    MsgView& v = w.open();
    w.sent.clear(); // the acknowledgement of the foreign message
    w.onSend = [&](const OutboundPacket& p) {
        if (w.sent.size() == 1) w.echo(p); // the first send comes back through the station database
    };
    ASSERT_EQ(w.messages->QueueMessage(QStringLiteral("BOB"), QStringLiteral("Stop me"), {}, 0), 1);
    w.clock.advance(20000);
    ASSERT_EQ(w.sent.size(), 3u);

    w.selectRow(w.rowOf("N0ABC", "N0ME", "4"));
    EXPECT_FALSE(v.handlesCommand(Command::StopSending)) << "another station's message";
    const int own = w.rowOf("N0ME", "BOB", "1");
    ASSERT_GE(own, 0);
    w.selectRow(own);
    EXPECT_TRUE(v.handlesCommand(Command::StopSending));

    // Through the context menu on the row.
    const QRect cell = v.table()->visualRect(w.model().index(own, Col::Message));
    emit v.table()->customContextMenuRequested(cell.center());
    QMenu* menu = v.messageMenu();
    ASSERT_TRUE(menu->isVisible());
    QStringList entries;
    for (QAction* a : menu->actions()) entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(entries.join(',').toStdString(), "Reply,Forward,-,Stop Sending It");
    for (QAction* a : menu->actions())
        if (a->data().toInt() == Command::StopSending) a->trigger();
    menu->hide();

    EXPECT_EQ(w.prompter.reported.value(0), ResourceStrings::text(ResourceStrings::MessageKilled));
    w.clock.advance(120000);
    EXPECT_EQ(w.sent.size(), 3u) << "no send after Stop Sending";
    const int row = w.rowOf("N0ME", "BOB", "1");
    EXPECT_EQ(w.cell(row, Col::State), "stopped");
    EXPECT_EQ(w.model().rowAt(row).status, MessageStatus::Stopped);

    w.selectRow(row);
    v.stopSending();
    EXPECT_EQ(w.prompter.reported.value(1), ResourceStrings::text(ResourceStrings::MessageKillFailed));
}

TEST(MsgViewStates, EachOwnLineShowsWhereItsTransmissionStands) {
    MessageWindow w;
    MsgView& v = w.open();
    QSignalSpy commands(&v, &MsgView::unreadChanged);
    ASSERT_EQ(w.messages->QueueMessage(QStringLiteral("BOB"), QStringLiteral("one"), {}, 0), 1);
    // Not heard back yet: a queued line of its own, with the time of the next try (local time).
    ASSERT_EQ(w.model().rowCount(), 1);
    const QString next = Clock::toLocal(w.clock.nowUtc().addSecs(10)).toString("HH:mm:ss");
    EXPECT_EQ(w.cell(0, Col::State), "queued, sent 1 of 10, next " + next);
    EXPECT_EQ(w.cell(0, Col::Message), "one");

    // The echo turns the same line into the record's.
    w.echo(w.sent.back().packet);
    ASSERT_EQ(w.model().rowCount(), 1);
    EXPECT_EQ(w.cell(0, Col::State), "sent 1 of 10, next " + next);
    w.clock.advance(10000);
    EXPECT_EQ(w.cell(0, Col::State),
              "sent 2 of 10, next " + Clock::toLocal(w.clock.nowUtc().addSecs(10)).toString("HH:mm:ss"));

    // Acknowledged.
    w.hear(QStringLiteral(":N0ME     :ack1"), "BOB");
    EXPECT_EQ(w.cell(0, Col::State), "acknowledged");

    // Unanswered: after ten sends it is given up.
    ASSERT_EQ(w.messages->QueueMessage(QStringLiteral("CAROL"), QStringLiteral("two"), {}, 0), 1);
    w.echo(w.sent.back().packet);
    w.clock.advance(200000);
    const int row = w.rowOf("N0ME", "CAROL", "2");
    EXPECT_EQ(w.cell(row, Col::State), "given up");

    // A bulletin counts its sends without an end.
    ASSERT_EQ(w.messages->QueueMessage(QStringLiteral("BLN1"), QStringLiteral("news"), {}, 0), 1);
    w.clock.advance(30000);
    EXPECT_TRUE(w.cell(w.rowOf("N0ME", "BLN1", ""), Col::State).startsWith("queued, sent 3, next "));
    EXPECT_EQ(commands.count(), 0);
}

TEST(MsgViewConversation, BothDirectionsOfTheSelectedPairInTimeOrder) {
    MessageWindow w;
    MsgView& v = w.open();
    w.onSend = [&](const OutboundPacket& p) {
        if (!p.part1.contains(":ack")) w.echo(p);
    };
    w.hear(QStringLiteral(":N0ME     :first from Ann{1"), "ANN");
    w.clock.advance(1000);
    w.hear(QStringLiteral(":N0ME     :unrelated{1"), "ZED");
    w.clock.advance(1000);
    ASSERT_EQ(w.messages->QueueMessage(QStringLiteral("ANN"), QStringLiteral("reply to Ann"), {}, 0), 1);
    w.clock.advance(1000);
    w.hear(QStringLiteral(":N0ME     :second from Ann{2"), "ANN");
    // Sorted the other way round, the list shows Ann's second message first; the conversation
    // stays in time order.
    v.sortByColumnClick(Col::Message);
    v.sortByColumnClick(Col::Message);
    w.selectRow(w.rowOf("ANN", "N0ME", "1"));
    MessageListModel& c = *v.conversationModel();
    QStringList texts;
    for (int r = 0; r < c.rowCount(); ++r) texts << c.rowAt(r).text;
    EXPECT_EQ(texts.join('|').toStdString(), "first from Ann|reply to Ann|second from Ann");
    EXPECT_EQ(v.findChild<QLabel*>("conversationTitle")->text(), "Conversation with ANN");
    // A new message of the pair joins it at once.
    w.clock.advance(1000);
    w.hear(QStringLiteral(":N0ME     :third{3"), "ANN");
    EXPECT_EQ(c.rowAt(c.rowCount() - 1).text, "third");
}

TEST(MsgViewAnnouncement, NewMessagesForUsAreCountedWhileHiddenAndAnnounced) {
    MessageWindow w;
    MsgView& v = w.open();
    QSignalSpy unread(&v, &MsgView::unreadChanged);
    QSignalSpy announced(&v, &MsgView::announcement);
    w.hear(QStringLiteral(":N0ME     :<b>seen</b>{1"), "ANN");
    EXPECT_EQ(v.unreadCount(), 0) << "shown: read at once";
    ASSERT_EQ(announced.count(), 1);
    EXPECT_EQ(announced.at(0).at(0).toString(), "ANN");
    EXPECT_EQ(announced.at(0).at(1).toString(), "<b>seen</b>");

    v.hide();
    w.hear(QStringLiteral(":N0ME     :one{2"), "ANN");
    w.hear(QStringLiteral(":N0ME     :one{2"), "ANN"); // a duplicate is no new message
    w.hear(QStringLiteral(":BOB      :not ours{2"), "ANN");
    write(w.t.settings, Settings::NARRATEMYMSG, 0);
    w.hear(QStringLiteral(":N0ME     :two{3"), "ANN");
    EXPECT_EQ(v.unreadCount(), 2);
    EXPECT_EQ(unread.last().at(0).toInt(), 2);
    EXPECT_EQ(announced.count(), 2) << "NARRATEMYMSG 0 stops the announcement, not the count";
    v.show();
    EXPECT_EQ(v.unreadCount(), 0);
    EXPECT_EQ(unread.last().at(0).toInt(), 0);

    // Without a notification service or a tray only the beep remains; nothing breaks.
    EXPECT_EQ(MessageNotifier::announcementText("ANN", "hi"), "Quillon\r\nFrom : ANN\r\nhi");
    MessageNotifier notifier;
    const auto channel = notifier.announce("ANN", "<i>plain</i>");
    if (!MessageNotifier::desktopServiceAvailable()) {
        EXPECT_EQ(channel, MessageNotifier::Channel::None);
    }
}

TEST(MsgViewLayout, ColumnWidthsAndTheSplitterAreKept) {
    MessageWindow w;
    {
        MsgView& v = w.open();
        v.table()->horizontalHeader()->resizeSection(Col::Message, 333);
        v.splitter()->setSizes({700, 300});
        w.view.reset();
    }
    const auto widths = ListCtrlWidths::load(w.t.settings, MsgView::kListNumber);
    ASSERT_TRUE(widths);
    ASSERT_EQ(widths->size(), size_t(Col::ColumnCount));
    EXPECT_EQ((*widths)[Col::Message], 333);
    QSettings file(w.t.settings.filePath(), QSettings::IniFormat);
    EXPECT_TRUE(file.value("ListCtrls/1097").isValid());
    MsgView& again = w.open();
    EXPECT_EQ(again.table()->horizontalHeader()->sectionSize(Col::Message), 333);
    const QList<int> sizes = again.splitter()->sizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_GT(sizes[0], sizes[1]);
}
