// The patch folder scan and the patch menu rebuild for folders of growing size: what a
// user with a very large patch folder waits for when the editor opens or a patch is saved.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "DirList.h"
#include "HalvoGui.h"
#include "HalvoVST2.h"

namespace {

namespace fs = std::filesystem;

// A folder of `count` patch files (empty: the scan reads names only) and as many others.
fs::path makeFolder(int count) {
    const fs::path folder = fs::temp_directory_path() / ("halvorax-bench-" + std::to_string(count));
    if (!fs::exists(folder / "done")) {
        fs::create_directories(folder);
        for (int i = 0; i < count; ++i) {
            std::ofstream(folder / ("Patch " + std::to_string(i) + ".repatch"));
            std::ofstream(folder / ("Sample " + std::to_string(i) + ".wav"));
        }
        std::ofstream(folder / "done");
    }
    return folder;
}

void ScanPatchFolder(benchmark::State& state) {
    const fs::path folder = makeFolder(static_cast<int>(state.range(0)));
    halvorax::dirList list;
    list.setPath(folder.c_str());
    list.addExtension("repatch");
    list.setRecurse(false);
    for (auto _ : state) {
        list.refresh();
        benchmark::DoNotOptimize(list.head);
    }
    state.counters["files"] = static_cast<double>(list.getCount());
}
BENCHMARK(ScanPatchFolder)->Arg(40)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void RebuildPatchMenu(benchmark::State& state) {
    const fs::path folder = makeFolder(static_cast<int>(state.range(0)));
    // The panel's bitmaps from the built bundle; a patch folder of the bench's own.
    setenv("HALVORAX_RESOURCES", HALVORAX_BUNDLE_PATH "/Contents/Resources/", 1);
    setenv("XDG_DATA_HOME", (fs::temp_directory_path() / "halvorax-bench-data").c_str(), 1);
    halvorax::HalvoVST2 effect(nullptr);
    effect.splitPatchFilename((folder / "Patch 0.repatch").c_str());
    auto* gui = static_cast<halvorax::HalvoGui*>(effect.getEditor());
    gui->open(nullptr);  // off-screen
    for (auto _ : state) gui->buildPatchMenu(gui->getPatchMenu());
    state.counters["entries"] = gui->getPatchMenu()->getNbEntries();
    gui->close();
}
BENCHMARK(RebuildPatchMenu)->Arg(40)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Laying out the pop-up (every entry's text measured) before it shows.
void LayOutPatchMenuPopup(benchmark::State& state) {
    VSTGUI::COptionMenu menu(VSTGUI::CRect(0, 0, 0, 0), nullptr, 0);
    for (int i = 0; i < state.range(0); ++i) menu.addEntry(("Patch " + std::to_string(i) + ".repatch").c_str());
    menu.setMaxPopupHeight(1000);
    for (auto _ : state) benchmark::DoNotOptimize(menu.getPopupSize());
}
BENCHMARK(LayOutPatchMenuPopup)->Arg(40)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
