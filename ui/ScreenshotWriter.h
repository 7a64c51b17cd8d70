#pragma once

#include <QString>
#include <QStringList>

class CMainFrame;

// Writes the window as the user would see it: every tab as DIR/tab-N-NAME.png and every dialog the
// window can open as DIR/dialog-CLASS.png, all at the given window size. Returns the files
// written; errors go into *error.
QStringList writeScreenshots(CMainFrame& frame, const QString& dir, QString* error, int width = 1280,
                             int height = 800);
