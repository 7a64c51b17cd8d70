#include "aprsis/APRSServerClient.h"
#include "aprsis/Passcode.h"
#include "controls/DialogRunner.h"
#include "controls/ZelMFCFullMask.h"
#include "engine/EngineFrame.h"
#include "support/LinkedStation.h"
#include "ui/CMainFrame.h"
#include "ui/FirstRunBanner.h"
#include "ui/PropertiesSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

// A new user's first session, through the dialogs only: the station starts without a call sign,
// the user sets the call, the position and a port beacon in the setup, then connects to an
// APRS-IS server; both simulators see the new login and the beacons without a restart.
namespace {
template <typename T> T* child(QWidget& parent, const char* name) {
    T* w = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(w) << name;
    return w;
}

void typeInto(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->setCursorPosition(0);
    QTest::keyClicks(field, text);
}
} // namespace

TEST(SetupFlow, ANewStationIsSetUpAndConnectedWithoutARestart) {
    LinkedStation s;
    // An empty home but for where the engine runs and where the server is.
    write(s.t.settings, Settings::MYCALL, QStringLiteral("NOCALL"));
    for (int port : {-1, 0})
        s.t.settings.remove(QStringLiteral("SETTINGS"), QStringLiteral("ENABLERP%1").arg(port));
    write(s.t.settings, Settings::APRSRVCONNECTSTARTUP, 0);
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    ScriptedDialogRunner dialogs;
    CMainFrame frame(*s.station, s.prompter, dialogs);
    frame.show();
    auto* banner = frame.findChild<FirstRunBanner*>(QStringLiteral("firstRunBanner"));
    ASSERT_TRUE(banner && banner->isVisible());

    dialogs.script = [&](QDialog& dialog) {
        auto& sheet = dynamic_cast<PropertiesSheet&>(dialog);
        auto* call = child<QLineEdit>(sheet, "myCall");
        call->clear();
        QTest::keyClicks(call, QStringLiteral("n0qpa-9"));
        typeInto(child<ZelMFCFullMask>(sheet, "latitude"), QStringLiteral("N403590"));
        typeInto(child<ZelMFCFullMask>(sheet, "longitude"), QStringLiteral("E0225820"));
        sheet.pages()->setCurrentIndex(3); // Ports
        auto* ports = child<QListWidget>(sheet, "ports");
        EXPECT_EQ(ports->count(), 3); // APRS Server and the engine's two ports
        ports->setCurrentRow(1);      // Port 1 VHF
        child<QCheckBox>(sheet, "enable")->setChecked(true);
        auto* beacon = child<QLineEdit>(sheet, "beaconText");
        beacon->clear();
        QTest::keyClicks(beacon, QStringLiteral("Quillpad on VHF"));
        child<QSpinBox>(sheet, "beaconEvery")->setValue(1);
        ports->setCurrentRow(0); // APRS Server: its own beacon
        child<QCheckBox>(sheet, "enable")->setChecked(true);
        child<QSpinBox>(sheet, "beaconEvery")->setValue(1);
        sheet.accept();
        return sheet.result();
    };
    frame.runCommand(Command::Properties);
    ASSERT_EQ(dialogs.shown, QStringList{"PropertiesSheet"});
    EXPECT_TRUE(s.prompter.reported.isEmpty()) << s.prompter.reported.join('|').toStdString();
    EXPECT_FALSE(banner->isVisible());
    EXPECT_EQ(read(s.t.settings, Settings::POSLATITUDE), "4035.90N");
    EXPECT_EQ(read(s.t.settings, Settings::POSLONGITUDE), "02258.20E");
    // The enabled radio port is active at once.
    ASSERT_EQ(s.station->activePorts().count(), 1);
    EXPECT_EQ(s.station->activePorts().entries[0].port, 0);

    dialogs.script = [&](QDialog& dialog) {
        // Shown and active, so that focus moves as the user's clicks move it.
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        auto* server = child<QComboBox>(dialog, "server");
        server->setCurrentText(QStringLiteral("127.0.0.1:%1").arg(s.server.port()));
        child<QCheckBox>(dialog, "haveLogin")->click();
        auto* login = child<QLineEdit>(dialog, "login");
        login->setFocus();
        QTest::keyClicks(login, QStringLiteral("N0QPA-9"));
        child<QLineEdit>(dialog, "pass")->setFocus(); // leaving Login fills the passcode
        s.prompter.answers = {Prompter::Answer::No};  // not added to the server list
        dialog.accept();
        return dialog.result();
    };
    frame.runCommand(Command::ConnectAprsServer);
    const QByteArray passcode = QByteArray::number(aprsPasscode(QStringLiteral("N0QPA-9")));
    ASSERT_TRUE(waitUntil([&] { return s.server.loginLines().size() == 1; }));
    EXPECT_TRUE(s.server.loginLines().front().startsWith("user N0QPA-9 pass " + passcode + " vers "))
        << s.server.loginLines().front().toStdString();
    ASSERT_TRUE(waitUntil([&] { return s.station->activePorts().count() == 2; }));

    s.engine->clearReceived();
    s.tick();
    ASSERT_TRUE(
        waitUntil([&] { return s.server.receivedLines().size() >= 2 && s.framesOfKind("MV").size() >= 2; }));
    EXPECT_TRUE(s.server.receivedLines().contains("N0QPA-9>APZEL,TCPIP*:=4035.90N/02258.20E-Quillon"));
    bool vhfBeacon = false;
    for (const EngineFrame& f : s.framesOfKind("MV"))
        vhfBeacon |= f.header.port == 0 && EngineCodec::parseUnproto(f).info == ">Quillpad on VHF";
    EXPECT_TRUE(vhfBeacon);
}
