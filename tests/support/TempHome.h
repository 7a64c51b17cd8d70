#pragma once

#include "platform/SettingsStore.h"
#include "platform/StationHome.h"

#include <QTemporaryDir>

// A fresh station home in a temporary folder, with its folders made and its settings store.
struct TempHome {
    QTemporaryDir dir;
    StationHome home{dir.path()};
    SettingsStore settings{home.settingsFile()};
    TempHome() { home.createFolders(); }
};
