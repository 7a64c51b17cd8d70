#include "aprs/StationRecord.h"
#include "controls/DialogRunner.h"
#include "engine/EngineFrame.h"
#include "messaging/ui/DlgSendMessage.h"
#include "messaging/ui/MsgView.h"
#include "platform/ResourceStrings.h"
#include "support/LinkedStation.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// The message view and the send dialog on a running station whose links go to the packet engine
// and APRS-IS simulators on loopback: what is typed must arrive byte for byte.
namespace {

struct LinkedMessages : LinkedStation {
    ScriptedDialogRunner runner;
    std::unique_ptr<MsgView> view;

    LinkedMessages() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    MsgView& open() {
        view = std::make_unique<MsgView>(station->messages(), station->activePorts(), t.settings, prompter);
        QObject::connect(station.get(), &GlobalObjects::activePortsChanged, view.get(),
                         &MsgView::RefillPorts);
        view->resize(1200, 600);
        view->show();
        view->RefillPorts();
        return *view;
    }
    template <typename T> T* child(QWidget* in, const char* name) const {
        return in->findChild<T*>(QString::fromLatin1(name));
    }
    // The state text of the own message to this call with this number, or "" when not listed.
    QString stateOf(const QString& to, const QString& seq) const {
        MessageListModel& m = *view->model();
        const int row = m.rowOf({QStringLiteral("N0QPA"), to, seq});
        return row < 0 ? QStringLiteral("(none)") : m.data(m.index(row, MessageListModel::State)).toString();
    }
    std::vector<EngineFrame> unproto(const QByteArray& prefix) const {
        std::vector<EngineFrame> out;
        for (const EngineFrame& f : framesOfKind("MV"))
            if (EngineCodec::parseUnproto(f).info.startsWith(prefix)) out.push_back(f);
        return out;
    }
    void typeAndSend(const QString& to, int port, const QString& path, const QString& text) {
        child<QLineEdit>(view.get(), "to")->setText(to);
        auto* ports = child<QComboBox>(view.get(), "radioPort");
        ports->setCurrentIndex(ports->findData(port));
        child<QComboBox>(view.get(), "path")->setEditText(path);
        QTest::keyClicks(child<QLineEdit>(view.get(), "text"), text);
        QTest::mouseClick(child<QPushButton>(view.get(), "send"), Qt::LeftButton);
    }
};

} // namespace

TEST(MsgViewLoopback, ATypedMessageReachesTheEngineAndAnAcknowledgementEndsIt) {
    LinkedMessages s;
    ASSERT_TRUE(s.startAndWaitForBoth());
    s.open();
    s.engine->clearReceived();
    s.typeAndSend(QStringLiteral("n0bob-5"), 0, QStringLiteral("wide1-1,wide2-1"),
                  QStringLiteral("Hello radio"));

    ASSERT_TRUE(waitUntil([&] { return s.unproto(":N0BOB").size() == 1; }));
    const EngineFrame f = s.unproto(":N0BOB").front();
    EXPECT_EQ(f.header.port, 0u);
    EXPECT_EQ(QByteArray(f.header.fromCall), "N0QPA");
    EXPECT_EQ(QByteArray(f.header.toCall), "APZEL");
    EXPECT_EQ(f.data, QByteArray("\x02WIDE1-1\0\0\0WIDE2-1\0\0\0", 21) + ":N0BOB-5  :Hello radio{1\r\n");
    EXPECT_TRUE(s.server.receivedLines().isEmpty()) << "a radio port's message stays off the server";

    // The engine's echo brings it into the list; the acknowledgement from the air ends it.
    ASSERT_TRUE(waitUntil([&] { return s.stateOf("N0BOB-5", "1").startsWith("sent 1 of 10"); }));
    s.clock.advance(10000);
    ASSERT_TRUE(waitUntil([&] { return s.unproto(":N0BOB").size() == 2; }));
    EXPECT_TRUE(s.stateOf("N0BOB-5", "1").startsWith("sent 2 of 10"));
    s.engine->sendMonitored(
        0, 'U',
        EngineSimulator::monitorText(0, "N0BOB-5", "APRS", "WIDE1-1*", ":N0QPA    :ack1", QTime(12, 0, 30)));
    ASSERT_TRUE(waitUntil([&] { return s.stateOf("N0BOB-5", "1") == "acknowledged"; }));
    s.clock.advance(60000);
    LinkedStation::settle();
    EXPECT_EQ(s.unproto(":N0BOB").size(), 2u) << "no retry after the acknowledgement";
}

TEST(MsgViewLoopback, ATypedMessageReachesTheServerAndItsAcknowledgementComesBackThere) {
    LinkedMessages s;
    ASSERT_TRUE(s.startAndWaitForBoth());
    s.open();
    s.server.clearReceived();
    s.typeAndSend(QStringLiteral("N0NET"), -1, {}, QStringLiteral("Over the net"));
    ASSERT_TRUE(waitUntil([&] { return !s.server.receivedBytes().isEmpty(); }));
    LinkedStation::settle();
    EXPECT_EQ(s.server.receivedBytes(), "N0QPA>APZEL,TCPIP*::N0NET    :Over the net{1\r\n\r");
    EXPECT_TRUE(s.unproto(":N0NET").empty());
    ASSERT_TRUE(waitUntil([&] { return s.stateOf("N0NET", "1").startsWith("sent 1 of 10"); }));
    EXPECT_EQ(s.view->model()
                  ->data(s.view->model()->index(s.view->model()->rowOf({"N0QPA", "N0NET", "1"}),
                                                MessageListModel::PortNode))
                  .toString(),
              "GT:Direct")
        << "the client's own echo names no digipeater";

    s.server.sendLine("N0NET>APRS,TCPIP*,qAC,T2TEST::N0QPA    :ack1");
    ASSERT_TRUE(waitUntil([&] { return s.stateOf("N0NET", "1") == "acknowledged"; }));
}

TEST(MsgViewLoopback, TheSendDialogQueuesWhatItGathersOnTheChosenPort) {
    LinkedMessages s;
    ASSERT_TRUE(s.startAndWaitForBoth());
    // A station heard over a digipeater: its heard path is offered.
    s.engine->sendMonitored(0, 'U',
                            EngineSimulator::monitorText(0, "N0DIG", "APRS", "DB0ABC*,WIDE2-1",
                                                         "!4035.90N/02258.20E-heard", QTime(12, 0, 0)));
    ASSERT_TRUE(waitUntil([&] {
        QMutexLocker lock(&s.station->stations().lock());
        return s.station->stations().FindByCall(u"N0DIG") != nullptr;
    }));
    s.engine->clearReceived();

    QStringList seen;
    s.runner.script = [&](QDialog& d) {
        auto* text = d.findChild<QLineEdit*>("text");
        auto* send = d.findChild<QPushButton*>("send");
        auto* path = d.findChild<QComboBox*>("path");
        auto* port = d.findChild<QComboBox*>("radioPort");
        seen << d.findChild<QLineEdit*>("toCall")->text() << path->currentText() << text->placeholderText()
             << (send->isEnabled() ? "enabled" : "disabled");
        port->setCurrentIndex(port->findData(0));
        QTest::mouseClick(send, Qt::LeftButton); // empty: nothing happens
        EXPECT_TRUE(d.isVisible() || d.result() != QDialog::Accepted);
        QTest::keyClicks(text, "tilde ~");
        QTest::mouseClick(send, Qt::LeftButton);
        EXPECT_NE(d.result(), QDialog::Accepted) << "refused text keeps the dialog open";
        text->clear();
        QTest::keyClicks(text, "From the dialog");
        QTest::mouseClick(send, Qt::LeftButton);
        return d.result();
    };
    EXPECT_EQ(sendMessageToStation(nullptr, QStringLiteral("N0DIG"), s.station->stations(),
                                   s.station->messages(), s.station->activePorts(), s.prompter, s.runner),
              1);
    EXPECT_EQ(seen.join('|').toStdString(),
              "N0DIG|DB0ABC,WIDE2-1|Write your message and Press [Send] Button|disabled");
    EXPECT_EQ(s.prompter.reported.size(), 1);
    ASSERT_TRUE(waitUntil([&] { return s.unproto(":N0DIG").size() == 1; }));
    const auto content = EngineCodec::parseUnproto(s.unproto(":N0DIG").front());
    EXPECT_EQ(content.info, ":N0DIG    :From the dialog{1\r\n");
    EXPECT_EQ(content.via, (QStringList{"DB0ABC", "WIDE2-1"}));

    // Without a port the dialog says so and stays open; cancelled, nothing is queued.
    s.runner.script = [&](QDialog& d) {
        d.findChild<QComboBox*>("radioPort")->setCurrentIndex(-1);
        QTest::keyClicks(d.findChild<QLineEdit*>("text"), "x");
        QTest::mouseClick(d.findChild<QPushButton*>("send"), Qt::LeftButton);
        return QDialog::Rejected;
    };
    EXPECT_EQ(sendMessageToStation(nullptr, QStringLiteral("N0DIG"), s.station->stations(),
                                   s.station->messages(), s.station->activePorts(), s.prompter, s.runner),
              -1);
    EXPECT_EQ(s.prompter.reported.last(), ResourceStrings::text(ResourceStrings::SelectRadioPortFirst));
    EXPECT_EQ(s.station->messages().queueCount(), 1);
}
