#pragma once

#include <QString>
#include <QStringList>

// The station home folder: everything the station keeps (settings, Data, Maps) lives under it.
// Chosen by --home DIR, else QUILLPAD_HOME, else $XDG_DATA_HOME/Quillpad.
class StationHome {
public:
    explicit StationHome(QString root);

    // Resolve from the command line (arguments after the program name) and the environment.
    static StationHome resolve(const QStringList& arguments);

    const QString& root() const { return m_root; }
    QString dataDir() const { return m_root + QStringLiteral("/Data"); }
    QString mapsDir() const { return m_root + QStringLiteral("/Maps"); }
    QString mapProjectsDir() const { return m_root + QStringLiteral("/Maps/Map Projects"); }
    QString settingsFile() const { return m_root + QStringLiteral("/Quillpad.conf"); }
    QString dataFile(const QString& name) const { return dataDir() + QLatin1Char('/') + name; }
    QString file(const QString& name) const { return m_root + QLatin1Char('/') + name; }

    // Creates Data, Maps and Maps/Map Projects; existing folders stay; failures are ignored.
    void createFolders() const;

private:
    QString m_root;
};
