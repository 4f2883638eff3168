#include "EditorModes.h"

#include <cairo.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "EditorWindow.h"
#include "HalvoVST2.h"
#include "MidiFile.h"
#include "ToolFiles.h"
#include "VstHost.h"
#include "vstgui.h"

namespace halvorax {

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::filesystem::path toolFolder() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int) { interrupted = 1; }

// Plays a song in a loop at the pace of the wall clock, block by block.
class LoopPlayer {
public:
    LoopPlayer(HostedPlugin& plugin, const MidiSong& song) : plugin(plugin), song(song) {}

    void advance(double seconds) {
        long long due = static_cast<long long>(seconds * kRate);
        while (rendered + kBlock <= due) renderBlock();
    }

private:
    static constexpr double kRate = 44100.0;
    static constexpr int kBlock = 512;

    void renderBlock() {
        const double loopLength = song.lengthSeconds + 1.0;
        std::vector<HostedPlugin::Midi> events;
        for (int frame = 0; frame < kBlock; ++frame) {
            const double t = (rendered + frame) / kRate - loops * loopLength;
            while (next < song.messages.size() && song.messages[next].seconds <= t) {
                const TimedMidi& m = song.messages[next++];
                events.push_back({frame, {m.bytes[0], m.bytes[1], m.bytes[2]}});
            }
            if (t >= loopLength) {  // start over, with every note let go
                events.push_back({frame, {0xb0, 123, 0}});
                next = 0;
                ++loops;
            }
        }
        plugin.sendMidi(events);
        float* outputs[2] = {left, right};
        plugin.process(outputs, kBlock);
        rendered += kBlock;
    }

    HostedPlugin& plugin;
    const MidiSong& song;
    std::size_t next = 0;
    long long rendered = 0;
    long long loops = 0;
    float left[kBlock], right[kBlock];
};

// Collects cairo's PNG stream, which is written to the file whole once it is complete.
cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string defaultBundleResources() {
    return (toolFolder().parent_path() / "Halvorax.vst" / "Contents" / "Resources").string();
}

std::string defaultPluginPath() { return (toolFolder().parent_path() / "Halvorax.vst").string(); }

int runScreenshot(const ScreenshotSettings& settings) {
    // The effect is linked into this tool: tell it where the bundle's bitmaps are.
    if (const char* forced = std::getenv("HALVORAX_RESOURCES"); forced == nullptr || forced[0] == 0)
        setenv("HALVORAX_RESOURCES", defaultBundleResources().c_str(), 1);
    auto* effect = new HalvoVST2(quietHost);
    AEffect* record = effect->getAeffect();
    int status = 0;
    for (const std::string& patch : settings.patches) {
        if (!effect->LoadPatch(patch.c_str())) {
            std::fprintf(stderr, "halvorax-render: cannot load patch %s\n", patch.c_str());
            status = 1;
        }
    }
    for (auto [index, value] : settings.overrides) effect->setParameter(index, value);
    record->dispatcher(record, effEditOpen, 0, 0, nullptr, 0.0f);  // no window: off-screen
    for (int tick = 0; tick < settings.idleTicks; ++tick) record->dispatcher(record, effEditIdle, 0, 0, nullptr, 0.0f);
    auto* editor = static_cast<VSTGUI::AEffGUIEditor*>(effect->getEditor());
    cairo_surface_t* image = editor->getFrame()->createOffscreenImage();
    std::string png;
    std::string problem = "cannot encode " + settings.pngPath;
    if (cairo_surface_write_to_png_stream(image, appendBytes, &png) == CAIRO_STATUS_SUCCESS) {
        try {
            writeOutputFile(settings.pngPath, png);
            problem.clear();
        } catch (const std::runtime_error& failure) {
            problem = failure.what();
        }
    }
    if (!problem.empty()) {
        std::fprintf(stderr, "halvorax-render: %s\n", problem.c_str());
        status = 1;
    } else {
        std::printf("wrote %s: %dx%d\n", settings.pngPath.c_str(), cairo_image_surface_get_width(image),
                    cairo_image_surface_get_height(image));
    }
    cairo_surface_destroy(image);
    record->dispatcher(record, effEditClose, 0, 0, nullptr, 0.0f);
    record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);  // deletes the effect
    return status;
}

int runEditorWindow(const std::string& pluginPath, const std::string& midiPath) {
    MidiSong song;
    std::string error;
    if (!midiPath.empty() && !readMidiFile(midiPath, song, error)) {
        std::fprintf(stderr, "halvorax-render: %s\n", error.c_str());
        return 1;
    }
    auto plugin = HostedPlugin::load(pluginPath, error);
    if (!plugin) {
        std::fprintf(stderr, "halvorax-render: %s\n", error.c_str());
        return 1;
    }
    if (!(plugin->effect()->flags & effFlagsHasEditor)) {
        std::fprintf(stderr, "halvorax-render: %s has no editor\n", pluginPath.c_str());
        return 1;
    }
    plugin->start(44100.0, 512);
    auto window =
        EditorWindow::open(plugin->effect(), "halvorax-render: " + plugin->effectString(effGetEffectName), error);
    if (!window) {
        std::fprintf(stderr, "halvorax-render: %s\n", error.c_str());
        return 1;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    LoopPlayer player(*plugin, song);
    const auto begin = std::chrono::steady_clock::now();
    auto nextTick = begin;
    while (!interrupted && window->idle()) {
        plugin->automations.clear();  // a long session would collect them without end
        plugin->beginEdits.clear();
        plugin->endEdits.clear();
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (!song.messages.empty()) player.advance(elapsed);
        nextTick += std::chrono::milliseconds(33);
        std::this_thread::sleep_until(nextTick);
    }
    return 0;
}

}  // namespace halvorax
