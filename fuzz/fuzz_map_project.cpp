// Map project files are shared between users: any bytes are refused or read within their own
// size, written back in the current form and read again to the same bytes; a project loads them
// (layer files named in them are never opened here) and saves them.
#include "maps/MapProject.h"
#include "maps/MapProjectFile.h"
#include "platform/DataFile.h"
#include "platform/Prompter.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"

#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {
struct World {
    QTemporaryDir dir;
    StationHome home{dir.path()};
    SettingsStore settings{home.settingsFile()};
    HeadlessPrompter prompter;
    World() { home.createFolders(); }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* world = new World;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto parsed = MapProjectFile::parse(bytes);
    if (!parsed) return 0;
    if (parsed->layers.size() > static_cast<size_t>(size / MapProjectFile::kMinLayerRecord)) std::abort();
    const QByteArray written = MapProjectFile::serialize(*parsed);
    const auto again = MapProjectFile::parse(written);
    if (!again || again->layers.size() != parsed->layers.size()) std::abort();
    if (MapProjectFile::serialize(*again) != written) std::abort();

    const QString path = world->home.mapProjectsDir() + QStringLiteral("/fuzz.map");
    if (!DataFiles::saveAtomically(path, bytes)) std::abort();
    // No layer content is made: only the project's handling of the records is under test.
    MapProject project(world->settings, world->home, world->prompter,
                       [](MapLayerContent::Kind) { return std::unique_ptr<MapLayerContent>(); });
    project.load(path);
    if (project.layerCount() != static_cast<int>(parsed->layers.size())) std::abort();
    if (project.canvasSize().width() > MapProject::kMaxCanvasSide) std::abort();
    (void)project.snapshot();
    if (!project.save(path, {})) std::abort();
    const auto saved = MapProjectFile::parse(DataFiles::readAll(path).value_or(QByteArray()));
    if (!saved || saved->layers.size() != parsed->layers.size()) std::abort();
    return 0;
}
