#include "maps/ui/SampleMap.h"

#include "platform/StationHome.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString SampleMap::install(const StationHome& home) {
    const QString folder = home.mapsDir() + QStringLiteral("/Sample");
    if (!QDir().mkpath(folder)) return {};
    QDirIterator it(QStringLiteral(":/samples"));
    while (it.hasNext()) {
        const QString resource = it.next();
        const QString target = folder + QLatin1Char('/') + QFileInfo(resource).fileName();
        if (QFileInfo::exists(target)) continue; // the user's copy, possibly edited, stays
        QFile in(resource);
        QSaveFile out(target);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) return {};
        out.write(in.readAll());
        if (!out.commit()) return {};
    }
    // The project (the picture with the roads over it) when it is there, else the picture.
    for (const char* name : {"/sample.map", "/sample-map.png"}) {
        const QString file = folder + QLatin1String(name);
        if (QFileInfo::exists(file)) return file;
    }
    return {};
}
