#include "app/GlobalObjects.h"
#include "controls/DialogRunner.h"
#include "controls/ZelMFCFullMask.h"
#include "messaging/ui/DlgKillObject.h"
#include "messaging/ui/DlgNewObject.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "support/TempHome.h"
#include "ui/CMainFrame.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <gtest/gtest.h>

// The object commands of the main window: Tools > Objects, and New Object at a point.
namespace {
struct ObjectWindow {
    TempHome t;
    ManualClock clock;
    ScriptedPrompter prompter;
    ScriptedDialogRunner dialogs;
    std::unique_ptr<GlobalObjects> station;
    std::unique_ptr<CMainFrame> frame;
    QStringList openedAt; // the latitude field of each New Object dialog as it opened

    ObjectWindow() {
        write(t.settings, Settings::MYCALL, QStringLiteral("N0QPA"));
        write(t.settings, Settings::POSLATITUDE, QStringLiteral("3730.00N"));
        write(t.settings, Settings::POSLONGITUDE, QStringLiteral("02345.00E"));
        station = std::make_unique<GlobalObjects>(t.home, t.settings, clock, prompter);
        frame = std::make_unique<CMainFrame>(*station, prompter, dialogs);
        // New Object dialogs get a name and Ok; Kill Object dialogs Kill on the first object.
        dialogs.script = [this](QDialog& d) {
            if (auto* n = qobject_cast<DlgNewObject*>(&d)) {
                openedAt << n->findChild<ZelMFCFullMask*>(QStringLiteral("latitude"))->text();
                n->findChild<QLineEdit*>(QStringLiteral("name"))
                    ->setText(QStringLiteral("OBJ%1").arg(openedAt.size()));
            }
            d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            return d.result();
        };
    }
};
} // namespace

TEST(ObjectCommands, ToolsObjectsHoldsTheCommandsAndEditAndKillWaitForAnObject) {
    ObjectWindow w;
    QStringList texts;
    for (QAction* menu : w.frame->menuBar()->actions())
        if (menu->text() == QLatin1String("&Tools"))
            for (QAction* a : menu->menu()->actions())
                if (a->text() == QLatin1String("Objects"))
                    for (QAction* o : a->menu()->actions()) texts << o->text();
    EXPECT_EQ(texts, (QStringList{"New Object...", "Edit Object...", "Kill Object...", "Object List..."}));
    EXPECT_TRUE(w.frame->isCommandEnabled(Command::NewObject));
    EXPECT_FALSE(w.frame->isCommandEnabled(Command::EditObject));
    EXPECT_FALSE(w.frame->isCommandEnabled(Command::KillObject));

    // From the menu the dialog opens at the station's own position; from a map at the point.
    w.frame->runCommand(Command::NewObject);
    w.frame->newObjectAt(-12.5, 130.25);
    EXPECT_EQ(w.openedAt, (QStringList{"N 37°30.00'", "S 12°30.00'"}));
    EXPECT_EQ(w.dialogs.shown, (QStringList{"DlgNewObject", "DlgNewObject"}));
    OwnObjectsManager& objects = w.station->objects();
    ASSERT_EQ(objects.liveNames(), (QStringList{"OBJ1", "OBJ2"}));
    EXPECT_DOUBLE_EQ(objects.findLive(QStringLiteral("OBJ2"))->longitude, 130.25);
    EXPECT_TRUE(w.frame->action(Command::EditObject)->isEnabled());
    EXPECT_TRUE(w.frame->action(Command::KillObject)->isEnabled());
    EXPECT_TRUE(QFile::exists(objects.filePath())) << "saved as soon as it was made";

    w.frame->runCommand(Command::KillObject);
    EXPECT_EQ(w.dialogs.shown.back(), "DlgKillObject");
    EXPECT_EQ(objects.liveNames(), QStringList{"OBJ2"});
}
