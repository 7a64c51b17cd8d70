#include "platform/StationHome.h"

#include <QDir>
#include <QStandardPaths>

StationHome::StationHome(QString root) : m_root(QDir::cleanPath(QDir(root).absolutePath())) {}

StationHome StationHome::resolve(const QStringList& arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--home") && i + 1 < arguments.size()) return StationHome(arguments[i + 1]);
        if (a.startsWith(QLatin1String("--home="))) return StationHome(a.mid(7));
    }
    const QString env = qEnvironmentVariable("QUILLPAD_HOME");
    if (!env.isEmpty()) return StationHome(env);
    QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (xdg.isEmpty()) xdg = QDir::homePath() + QStringLiteral("/.local/share");
    return StationHome(xdg + QStringLiteral("/Quillpad"));
}

void StationHome::createFolders() const {
    QDir().mkpath(dataDir());
    QDir().mkpath(mapsDir());
    QDir().mkpath(mapProjectsDir());
}
