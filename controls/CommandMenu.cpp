#include "controls/CommandMenu.h"

#include "controls/CommandIds.h"

#include <QAction>
#include <QMenu>

QMenu* makeCommandMenu(QWidget* owner, const QString& title, const QString& objectName, int menuId,
                       std::span<const int> ids, const std::function<void(int)>& run,
                       const std::function<bool(int)>& checkable) {
    auto* menu = new QMenu(title, owner);
    menu->setObjectName(objectName);
    menu->setProperty("menuId", menuId);
    for (int id : ids) {
        if (id == Command::Separator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(Command::text(id));
        action->setData(id);
        action->setCheckable(checkable && checkable(id));
        QObject::connect(action, &QAction::triggered, menu, [run, id] { run(id); });
    }
    return menu;
}
