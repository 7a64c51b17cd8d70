#include "ui/ScreenshotWriter.h"

#include "maps/ui/CQuillonView.h"
#include "maps/ui/CTileMapView.h"

#include "ui/CMainFrame.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QPixmap>
#include <QRegularExpression>
#include <QTabWidget>

namespace {
QString fileWord(QString text) {
    text.remove(QLatin1Char('&'));
    text.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]+")), QStringLiteral("_"));
    return text.isEmpty() ? QStringLiteral("untitled") : text;
}

void settle() {
    // Layouts, deferred updates and queued refreshes run before the picture is taken.
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

bool save(const QPixmap& picture, const QString& path, QStringList& written, QString* error) {
    if (!picture.save(path, "PNG")) {
        if (error) *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    written << path;
    return true;
}
} // namespace

QStringList writeScreenshots(CMainFrame& frame, const QString& dir, QString* error, int width, int height) {
    QStringList written;
    if (!QDir().mkpath(dir)) {
        if (error) *error = QStringLiteral("cannot create %1").arg(dir);
        return written;
    }
    const QDir out(dir);
    frame.resize(width, height);
    frame.show();
    settle();
    QTabWidget* tabs = frame.tabs();
    const int previous = tabs->currentIndex();
    for (int i = 0; i < tabs->count(); ++i) {
        // A map renders its layers in the background; the picture must show them.
        if (auto* map = qobject_cast<CQuillonView*>(tabs->widget(i))) map->setSynchronousRendering(true);
        auto* tiles = qobject_cast<CTileMapView*>(tabs->widget(i));
        if (tiles) tiles->setSynchronousLoading(true);
        tabs->setCurrentIndex(i);
        settle();
        // Tiles still coming from a (loopback) tile server get a few seconds to arrive.
        for (QDeadlineTimer deadline(5000); tiles && !tiles->isComplete() && !deadline.hasExpired();)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        const QString name = QStringLiteral("tab-%1-%2.png").arg(i).arg(fileWord(tabs->tabText(i)));
        if (!save(frame.grab(), out.filePath(name), written, error)) return written;
    }
    tabs->setCurrentIndex(previous);

    for (const auto& [className, make] : frame.dialogFactories()) {
        QDialog* dialog = make(&frame);
        if (!dialog) continue;
        dialog->setAttribute(Qt::WA_DontShowOnScreen, false);
        dialog->show();
        dialog->adjustSize();
        settle();
        bool ok = true;
        // A property sheet (its pages a tab widget named "propertyPages") is written page by page.
        if (auto* pages = dialog->findChild<QTabWidget*>(QStringLiteral("propertyPages"))) {
            for (int p = 0; ok && p < pages->count(); ++p) {
                pages->setCurrentIndex(p);
                settle();
                ok = save(dialog->grab(),
                          out.filePath(
                              QStringLiteral("dialog-%1-%2.png").arg(className, fileWord(pages->tabText(p)))),
                          written, error);
            }
        } else {
            ok = save(dialog->grab(), out.filePath(QStringLiteral("dialog-%1.png").arg(className)), written,
                      error);
        }
        dialog->close();
        delete dialog;
        if (!ok) return written;
    }
    return written;
}
