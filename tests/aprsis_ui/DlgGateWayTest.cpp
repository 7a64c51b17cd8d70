#include "aprsis/ui/DlgGateWay.h"
#include "aprsis/APRSServerClient.h"
#include "aprsis/Passcode.h"
#include "aprsis/ServerList.h"
#include "aprsis/ui/DlgAPRSFilter.h"
#include "controls/DialogRunner.h"
#include "platform/Prompter.h"
#include "platform/ResourceStrings.h"
#include "platform/Settings.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr const char* kUnset = "<unset>";

struct Gateway {
    TempHome t;
    ScriptedPrompter prompter;
    ScriptedDialogRunner dialogs;
    std::unique_ptr<DlgGateWay> dlg;

    QString listPath() const { return ServerList::filePath(t.home); }
    void writeList(const QByteArray& bytes) {
        QFile f(listPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray listBytes() const {
        QFile f(listPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void storeLogin(const QString& login, const QString& pass) {
        write(t.settings, Settings::APRSRVLOGIN, login);
        write(t.settings, Settings::APRSRVPASSWORD, pass);
    }
    // Shown and active, so focus moves as it does for a user.
    DlgGateWay& open() {
        dlg = std::make_unique<DlgGateWay>(t.settings, t.home, prompter, dialogs);
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        return *dlg;
    }
    template <typename T> T* child(const char* name) const {
        T* w = dlg->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QComboBox* server() const { return child<QComboBox>("server"); }
    QLineEdit* filter() const { return child<QLineEdit>("filter"); }
    QLineEdit* login() const { return child<QLineEdit>("login"); }
    QLineEdit* pass() const { return child<QLineEdit>("pass"); }
    QCheckBox* box(const char* name) const { return child<QCheckBox>(name); }
    QLabel* labelOf(QWidget* field) const {
        for (QLabel* l : dlg->findChildren<QLabel*>())
            if (l->buddy() == field) return l;
        return nullptr;
    }
    void type(QWidget* field, const QString& text) {
        field->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->clear();
        if (auto* combo = qobject_cast<QComboBox*>(field)) combo->clearEditText();
        QTest::keyClicks(field, text);
    }
    // On the box's indicator: a box in a form row is wider than what it answers to.
    void click(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }
    void pressOk() {
        QTest::mouseClick(child<QDialogButtonBox>("")->button(QDialogButtonBox::Ok), Qt::LeftButton);
    }
    // The value as a new reader of the file sees it.
    std::string stored(const char* name) const {
        QSettings file(t.settings.filePath(), QSettings::IniFormat);
        file.sync();
        const QVariant v = file.value(QStringLiteral("STATUS/") + QString::fromLatin1(name));
        return v.isValid() ? v.toString().toStdString() : std::string(kUnset);
    }
};

const QString kDefault = QString::fromLatin1(APRSServerClient::kDefaultServer);
const QByteArray kList = "; servers\r\n\r\nfirst.example:14580\r\nsecond.example:10152\r\n";

} // namespace

TEST(DlgGateWay, WithoutAServerListItOffersTheDefaultAndStillShowsTheStoredValues) {
    Gateway g;
    g.storeLogin("N0CALL-9", "12345");
    write(g.t.settings, Settings::APRSERVER, QStringLiteral("mine.example:14580"));
    write(g.t.settings, Settings::APRSRVFILTER, QStringLiteral("Filter r/40.6/22.9/50"));
    write(g.t.settings, Settings::APRSRVCONNECTSTARTUP, 1);
    DlgGateWay& d = g.open();
    EXPECT_EQ(d.windowTitle(), "Server Connection");
    ASSERT_EQ(g.server()->count(), 1);
    EXPECT_EQ(g.server()->itemText(0), kDefault);
    EXPECT_EQ(g.server()->currentText(), "mine.example:14580");
    EXPECT_EQ(g.filter()->text(), "Filter r/40.6/22.9/50");
    EXPECT_EQ(g.login()->text(), "N0CALL-9");
    EXPECT_EQ(g.pass()->text(), "12345");
    EXPECT_TRUE(g.box("haveLogin")->isChecked());
    EXPECT_TRUE(g.box("connectOnStartup")->isChecked());
    EXPECT_FALSE(g.box("reconnect")->isChecked());

    // Ok keeps them: nothing is erased for want of a file.
    g.pressOk();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(g.stored("APRSRVLOGIN"), "N0CALL-9");
    EXPECT_EQ(g.stored("APRSRVPASSWORD"), "12345");
    EXPECT_EQ(g.stored("APRSRVFILTER"), "Filter r/40.6/22.9/50");
    EXPECT_EQ(g.stored("APRSRVCONNECTSTARTUP"), "1");
}

TEST(DlgGateWay, WithAServerListItListsTheFileAndSelectsTheStoredServer) {
    Gateway g;
    g.writeList(kList);
    write(g.t.settings, Settings::APRSERVER, QStringLiteral("second.example:10152"));
    g.open();
    ASSERT_EQ(g.server()->count(), 2);
    EXPECT_EQ(g.server()->itemText(0), "first.example:14580");
    EXPECT_EQ(g.server()->itemText(1), "second.example:10152");
    EXPECT_EQ(g.server()->currentIndex(), 1);
    // Nothing stored: empty fields, boxes unchecked, login and pass disabled with their labels.
    EXPECT_TRUE(g.login()->text().isEmpty());
    EXPECT_FALSE(g.box("haveLogin")->isChecked());
    EXPECT_FALSE(g.box("connectOnStartup")->isChecked());
    for (QWidget* w :
         {static_cast<QWidget*>(g.login()), static_cast<QWidget*>(g.pass()),
          static_cast<QWidget*>(g.labelOf(g.login())), static_cast<QWidget*>(g.labelOf(g.pass()))}) {
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(w->isEnabled());
    }
    EXPECT_EQ(g.labelOf(g.login())->text().remove('&'), "Login");
    EXPECT_EQ(g.labelOf(g.pass())->text().remove('&'), "Pass");

    // A server that is not listed is shown as typed, with no entry selected.
    Gateway other;
    other.writeList(kList);
    write(other.t.settings, Settings::APRSERVER, QStringLiteral("first.example"));
    other.open();
    EXPECT_EQ(other.server()->currentIndex(), -1);
    EXPECT_EQ(other.server()->currentText(), "first.example");
}

TEST(DlgGateWay, TheLoginBoxEnablesLoginAndPassAndKeepsTheirContents) {
    Gateway g;
    g.writeList(kList);
    g.storeLogin("N0CALL", "13023");
    g.open();
    EXPECT_TRUE(g.box("haveLogin")->isChecked());
    EXPECT_TRUE(g.login()->isEnabled());
    EXPECT_TRUE(g.labelOf(g.pass())->isEnabled());
    g.click(g.box("haveLogin"));
    EXPECT_FALSE(g.login()->isEnabled());
    EXPECT_FALSE(g.pass()->isEnabled());
    EXPECT_FALSE(g.labelOf(g.login())->isEnabled());
    EXPECT_EQ(g.login()->text(), "N0CALL");
    g.server()->setCurrentIndex(0);
    g.pressOk();
    EXPECT_EQ(g.dlg->result(), QDialog::Accepted);
    EXPECT_EQ(g.stored("APRSRVLOGIN"), "N0CALL");
    EXPECT_EQ(g.stored("APRSRVPASSWORD"), "13023");

    // One of the two empty leaves the box unchecked.
    Gateway half;
    half.storeLogin("N0CALL", "");
    half.open();
    EXPECT_FALSE(half.box("haveLogin")->isChecked());
}

TEST(DlgGateWay, LeavingTheLoginFillsThePasscodeUpToTenCharacters) {
    Gateway g;
    g.storeLogin("X", "old");
    g.open();
    g.type(g.login(), "n0call-abc");
    QTest::keyClick(g.login(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), g.pass());
    EXPECT_EQ(g.login()->text(), "N0CALL-ABC");
    bool ok = false;
    const uint code = g.pass()->text().toUInt(&ok);
    EXPECT_TRUE(ok);
    EXPECT_LE(code, 32767u);
    EXPECT_EQ(code, aprsPasscode("N0CALL"));

    // Eleven characters: neither field changes.
    g.type(g.pass(), "old");
    g.type(g.login(), "n0call-abcd");
    QTest::keyClick(g.login(), Qt::Key_Tab);
    EXPECT_EQ(g.login()->text(), "n0call-abcd");
    EXPECT_EQ(g.pass()->text(), "old");

    // Leaving an empty login keeps whatever Pass holds.
    g.type(g.login(), "");
    QTest::keyClick(g.login(), Qt::Key_Tab);
    EXPECT_EQ(g.pass()->text(), "old");
}

TEST(DlgGateWay, OkWithAnEmptyServerStaysOpenButStoresTheOptionBoxes) {
    Gateway g;
    g.writeList(kList);
    write(g.t.settings, Settings::APRSRVLOGIN, QStringLiteral("KEEP"));
    DlgGateWay& d = g.open();
    g.click(g.box("reconnect"));
    g.type(g.login(), "");
    g.type(g.server(), "   ");
    g.pressOk();
    EXPECT_TRUE(d.isVisible());
    EXPECT_NE(d.result(), QDialog::Accepted);
    ASSERT_EQ(g.prompter.reported.size(), 1);
    EXPECT_EQ(g.prompter.reported[0], ResourceStrings::text(ResourceStrings::SelectServerOrCancel));
    EXPECT_EQ(g.prompter.reportedIcons[0], Prompter::Icon::Stop);
    EXPECT_TRUE(g.prompter.asked.isEmpty());
    EXPECT_EQ(g.stored("APRSRVRECONNECT"), "1");
    EXPECT_EQ(g.stored("APRSRVCONNECTSTARTUP"), "0");
    EXPECT_EQ(g.stored("APRSRVLOGIN"), "KEEP");
    EXPECT_EQ(g.stored("APRSERVER"), kUnset);
}

TEST(DlgGateWay, ATypedServerIsUsedOnNoAndAddedAsTheLastLineOnYes) {
    Gateway g;
    g.writeList(kList);
    g.open();
    g.type(g.server(), "typed.example:14580");
    g.prompter.answers = {Prompter::Answer::No};
    g.pressOk();
    EXPECT_EQ(g.dlg->result(), QDialog::Accepted);
    ASSERT_EQ(g.prompter.asked.size(), 1);
    EXPECT_EQ(g.prompter.asked[0], ResourceStrings::text(ResourceStrings::AddServerToList));
    EXPECT_EQ(g.prompter.askedIcons[0], Prompter::Icon::Question);
    EXPECT_EQ(g.stored("APRSERVER"), "typed.example:14580");
    EXPECT_EQ(g.listBytes(), kList);

    g.open();
    g.type(g.server(), "  added.example:14580 ");
    g.prompter.answers = {Prompter::Answer::Yes};
    g.pressOk();
    EXPECT_EQ(g.dlg->result(), QDialog::Accepted);
    EXPECT_EQ(g.stored("APRSERVER"), "added.example:14580");
    EXPECT_EQ(g.listBytes(), kList + "added.example:14580\r\n");

    // The next opening lists it last and selects it; choosing or typing a listed server asks nothing.
    g.prompter.asked.clear();
    g.open();
    ASSERT_EQ(g.server()->count(), 3);
    EXPECT_EQ(g.server()->currentIndex(), 2);
    g.pressOk();
    g.open();
    g.type(g.server(), "first.example:14580");
    g.pressOk();
    EXPECT_EQ(g.dlg->result(), QDialog::Accepted);
    EXPECT_TRUE(g.prompter.asked.isEmpty());
    EXPECT_EQ(g.stored("APRSERVER"), "first.example:14580");

    // An edited selection is a typed server.
    g.open();
    g.server()->setCurrentIndex(0);
    g.server()->setFocus();
    QTest::keyClick(g.server(), Qt::Key_End);
    QTest::keyClicks(g.server(), "0");
    g.prompter.answers = {Prompter::Answer::No};
    g.pressOk();
    EXPECT_EQ(g.prompter.asked.size(), 1);
    EXPECT_EQ(g.stored("APRSERVER"), "first.example:145800");
}

TEST(DlgGateWay, CancelStoresNothing) {
    Gateway g;
    g.writeList(kList);
    g.storeLogin("N0CALL", "13023");
    DlgGateWay& d = g.open();
    g.server()->setCurrentIndex(1);
    g.type(g.login(), "N1CALL");
    g.type(g.filter(), "Filter m/10");
    g.click(g.box("connectOnStartup"));
    g.click(g.box("reconnect"));
    QTest::mouseClick(g.child<QDialogButtonBox>("")->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(g.stored("APRSERVER"), kUnset);
    EXPECT_EQ(g.stored("APRSRVFILTER"), kUnset);
    EXPECT_EQ(g.stored("APRSRVCONNECTSTARTUP"), kUnset);
    EXPECT_EQ(g.stored("APRSRVRECONNECT"), kUnset);
    EXPECT_EQ(g.stored("APRSRVLOGIN"), "N0CALL");
    EXPECT_EQ(g.listBytes(), kList);
}

TEST(DlgGateWay, OkStoresEveryFieldForTheNextReaderOfTheFile) {
    Gateway g;
    g.writeList(kList);
    g.open();
    g.server()->setCurrentIndex(0);
    g.type(g.filter(), "Filter r/40.6/22.9/50");
    g.click(g.box("haveLogin"));
    g.type(g.login(), "N0CALL-7");
    g.type(g.pass(), "-1");
    g.click(g.box("connectOnStartup"));
    g.pressOk();
    EXPECT_EQ(g.dlg->result(), QDialog::Accepted);
    EXPECT_TRUE(g.prompter.asked.isEmpty());
    EXPECT_TRUE(g.prompter.reported.isEmpty());
    EXPECT_EQ(g.stored("APRSERVER"), "first.example:14580");
    EXPECT_EQ(g.stored("APRSRVFILTER"), "Filter r/40.6/22.9/50");
    EXPECT_EQ(g.stored("APRSRVLOGIN"), "N0CALL-7");
    EXPECT_EQ(g.stored("APRSRVPASSWORD"), "-1");
    EXPECT_EQ(g.stored("APRSRVCONNECTSTARTUP"), "1");
    EXPECT_EQ(g.stored("APRSRVRECONNECT"), "0");
}

TEST(DlgGateWay, FieldsThatWouldBreakTheLoginLineAreRefused) {
    struct Case {
        const char* field;
        QString text;
    };
    const Case cases[] = {
        {"server", QStringLiteral("a.example:14580\r\nuser X")},
        {"server", QString::fromLatin1("a.example\0:14580", 16)},
        {"filter", QStringLiteral("Filter m/10\r\n#")},
        {"filter", QStringLiteral("Filter\tm/10")},
        {"login", QStringLiteral("N0CALL\n")},
        {"login", QStringLiteral("N0CALL-10X")},
        {"login", QStringLiteral("N0-CALL-1")},
        {"login", QStringLiteral("N0CALL 1")},
        {"login", QStringLiteral("-1")},
        {"login", QStringLiteral("N0CALL-")},
        {"login", QStringLiteral("N\u00D8CALL")},
        {"pass", QStringLiteral("123\r\n45")},
        {"pass", QStringLiteral("123 45")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + ": " + c.text.toStdString());
        Gateway g;
        g.writeList(kList);
        g.storeLogin("N0CALL", "13023");
        write(g.t.settings, Settings::APRSRVFILTER, QStringLiteral("Filter m/50"));
        DlgGateWay& d = g.open();
        g.server()->setCurrentIndex(0);
        // Set directly: some of these cannot be typed.
        QWidget* field = nullptr;
        if (QByteArray(c.field) == "server") {
            g.server()->setEditText(c.text);
            field = g.server();
        } else {
            field = g.child<QLineEdit>(c.field);
            static_cast<QLineEdit*>(field)->setText(c.text);
        }
        // A refused login must be reachable even with the box unchecked.
        g.click(g.box("haveLogin"));
        g.pressOk();
        EXPECT_TRUE(d.isVisible());
        EXPECT_NE(d.result(), QDialog::Accepted);
        ASSERT_EQ(g.prompter.reported.size(), 1);
        EXPECT_EQ(g.prompter.reportedIcons[0], Prompter::Icon::Stop);
        EXPECT_TRUE(g.prompter.asked.isEmpty());
        EXPECT_TRUE(field->isEnabled());
        EXPECT_TRUE(field->hasFocus() || field->isAncestorOf(QApplication::focusWidget()));
        EXPECT_EQ(g.stored("APRSERVER"), kUnset);
        EXPECT_EQ(g.stored("APRSRVLOGIN"), "N0CALL");
        EXPECT_EQ(g.stored("APRSRVFILTER"), "Filter m/50");
        EXPECT_EQ(g.listBytes(), kList);
    }

    // An empty login is accepted: the station then logs in listen-only with its own call.
    Gateway g;
    g.writeList(kList);
    g.open();
    g.server()->setCurrentIndex(0);
    g.pressOk();
    EXPECT_EQ(g.dlg->result(), QDialog::Accepted);
    EXPECT_EQ(g.stored("APRSRVLOGIN"), "");
}

TEST(DlgGateWay, TheFilterBuilderChangesOnlyTheFilter) {
    Gateway g;
    g.writeList(kList);
    write(g.t.settings, Settings::APRSRVFILTER, QStringLiteral("Filter m/50"));
    g.open();
    g.click(g.box("haveLogin"));
    g.type(g.login(), "N1CALL");
    g.type(g.filter(), "m/25");
    QString built;
    g.dialogs.script = [&](QDialog& d) {
        auto* builder = dynamic_cast<DlgAPRSFilter*>(&d);
        EXPECT_NE(builder, nullptr);
        if (builder) built = builder->filterText();
        return QDialog::Rejected;
    };
    QTest::mouseClick(g.child<QToolButton>("filterBuilder"), Qt::LeftButton);
    ASSERT_EQ(g.dialogs.shown, QStringList{"DlgAPRSFilter"});
    // It starts from the filter as shown, typed text included.
    EXPECT_EQ(built, "m/25");
    EXPECT_EQ(g.filter()->text(), "m/25");

    // Ok in the builder: its rebuilt text replaces the field's.
    g.dialogs.script = [&](QDialog& d) {
        d.accept();
        if (auto* builder = dynamic_cast<DlgAPRSFilter*>(&d)) built = builder->filterText();
        return d.result();
    };
    QTest::mouseClick(g.child<QToolButton>("filterBuilder"), Qt::LeftButton);
    ASSERT_EQ(g.dialogs.shown.size(), 2);
    EXPECT_FALSE(built.isEmpty());
    EXPECT_EQ(g.filter()->text(), built);
    EXPECT_EQ(g.login()->text(), "N1CALL");
}

TEST(DlgGateWay, TabGoesThroughTheFieldsInReadingOrder) {
    Gateway g;
    g.storeLogin("N0CALL", "13023");
    g.open();
    ASSERT_TRUE(g.server()->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == g.server());
    QStringList order;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order, (QStringList{"filter", "filterBuilder", "haveLogin", "login", "pass", "connectOnStartup",
                                  "reconnect"}));
}

TEST(DlgGateWay, EnterInTheServerFieldIsOk) {
    Gateway g;
    g.writeList(kList);
    g.open();
    g.type(g.server(), "second.example:10152");
    QTest::keyClick(g.server(), Qt::Key_Return);
    EXPECT_EQ(g.dlg->result(), QDialog::Accepted);
    EXPECT_EQ(g.stored("APRSERVER"), "second.example:10152");
    // Enter added nothing to the drop-down behind the user's back.
    EXPECT_EQ(g.server()->count(), 2);
}
