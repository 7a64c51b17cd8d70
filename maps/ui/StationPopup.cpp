#include "maps/ui/StationPopup.h"

#include "controls/CommandIds.h"

#include <QMenu>

void showStationPopup(QWidget* parent, const QString& call, QPoint globalPos,
                      const std::function<bool(int)>& checked,
                      const std::function<void(int, const QString&)>& run) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("stationPopup"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* title = menu->addAction(QString(call).replace(QLatin1Char('&'), QLatin1String("&&")));
    title->setEnabled(false);
    menu->addSeparator();
    for (int id :
         {int(Command::StationDetails), int(Command::StationSendMessage), int(Command::FindBestMap), 0,
          int(Command::StationTrack), int(Command::StationCoverage), 0, int(Command::DeleteTracks)}) {
        if (id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(Command::text(id));
        a->setData(id);
        a->setCheckable(id == Command::StationTrack || id == Command::StationCoverage);
        a->setChecked(checked(id));
        QObject::connect(a, &QAction::triggered, menu, [run, id, call] { run(id, call); });
    }
    menu->popup(globalPos);
}
