// halvorax: the instrument as a program of its own, on JACK (audio and MIDI) and the ALSA
// sequencer (MIDI), with its panel in a window and its sound remembered between runs.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "AlsaMidiInput.h"
#include "EditorWindow.h"
#include "HalvoGui.h"
#include "HalvoVST2.h"
#include "JackHost.h"
#include "Options.h"
#include "StateFile.h"

using namespace halvorax;

namespace {

volatile sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

void catchSignals() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// The effect asks its host for the version and the time; this host has no transport.
VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The effect is linked into this program: its bitmaps and factory patches are those of the
// bundle built beside it (bin/../Halvorax.vst), unless HALVORAX_RESOURCES says otherwise.
void findBundleResources() {
    if (const char* forced = std::getenv("HALVORAX_RESOURCES"); forced && forced[0]) return;
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto resources = program.parent_path().parent_path() / "Halvorax.vst" / "Contents" / "Resources";
    setenv("HALVORAX_RESOURCES", resources.c_str(), 1);
}

struct EffectCloser {
    void operator()(HalvoVST2* effect) const {
        AEffect* record = effect->getAeffect();
        record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);  // deletes the effect
    }
};

std::string windowTitle(const HalvoVST2& effect) {
    std::string patch = effect.getPatchFile();
    if (const auto dot = patch.rfind('.'); dot != std::string::npos && dot > 0) patch.erase(dot);
    return "Halvorax - " + patch;
}

// Notices patch loads (from the panel, the command line or a restored state): each one is
// saved, and the window's title follows the patch name.
class PatchWatch {
public:
    explicit PatchWatch(const HalvoVST2& effect) : effect(effect) { take(); }
    bool changed() {
        if (effect.getPatchLoads() == loads && name == effect.getPatchFile()) return false;
        take();
        return true;
    }

private:
    void take() {
        loads = effect.getPatchLoads();
        name = effect.getPatchFile();
    }
    const HalvoVST2& effect;
    unsigned loads = 0;
    std::string name;
};

bool applyStartSound(HalvoVST2& effect, const StandaloneOptions& options) {
    if (!options.sysex.empty() && !effect.ImportSysex(options.sysex.c_str())) {
        std::fprintf(stderr, "halvorax: cannot import the sysex dump %s\n", options.sysex.c_str());
        return false;
    }
    if (!options.patch.empty() && !effect.LoadPatch(options.patch.c_str())) {
        std::fprintf(stderr, "halvorax: cannot load the patch %s\n", options.patch.c_str());
        return false;
    }
    return true;
}

int run(const StandaloneOptions& options) {
    findBundleResources();
    std::unique_ptr<HalvoVST2, EffectCloser> effect(new HalvoVST2(hostCallback));
    const StateFile state;
    state.restore(*effect);
    PatchWatch patchWatch(*effect);
    if (!applyStartSound(*effect, options)) return 1;

    AlsaMidiRing alsaRing;
    auto jack = std::make_unique<JackHost>(effect->getAeffect(), alsaRing);
    std::string error;
    bool noServer = false;
    if (!jack->open(options.name, error, noServer)) {
        std::fprintf(stderr, "halvorax: %s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<EditorWindow> window;
    if (options.gui) {
        window = EditorWindow::open(effect->getAeffect(), windowTitle(*effect), error);
        if (!window) {
            std::fprintf(stderr, "halvorax: %s; --no-gui runs without the panel\n", error.c_str());
            return 1;
        }
    }
    AlsaMidiInput alsa(alsaRing);
    if (!alsa.start(jack->clientName(), error))
        std::fprintf(stderr, "halvorax: no ALSA sequencer (%s): JACK MIDI only\n", error.c_str());
    catchSignals();
    if (!jack->activate(error)) {
        std::fprintf(stderr, "halvorax: %s\n", error.c_str());
        return 1;
    }
    if (options.connect) jack->connectToSystem();
    std::printf("halvorax: playing as JACK client %s\n", jack->clientName().c_str());
    std::fflush(stdout);

    auto* gui = static_cast<HalvoGui*>(effect->getEditor());
    auto nextTick = std::chrono::steady_clock::now();
    while (!stopRequested && !jack->serverGone()) {
        if (window) {
            char note[kStatusNoteSize];
            std::snprintf(note, sizeof note, "xruns %u", jack->xruns());
            gui->setStatusNote(note);
            if (!window->idle()) break;  // closed by the user
        }
        if (patchWatch.changed()) {
            state.save(*effect);
            if (window) window->setTitle(windowTitle(*effect));
        }
        nextTick += std::chrono::milliseconds(33);
        std::this_thread::sleep_until(nextTick);
    }
    const bool serverGone = jack->serverGone();
    if (serverGone) std::fprintf(stderr, "halvorax: the JACK server has gone away; quitting\n");
    jack.reset();  // no more audio callbacks from here on
    window.reset();
    return state.save(*effect) && !serverGone ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    StandaloneOptions options;
    switch (parseOptions(argc, argv, options)) {
        case ParseResult::Exit:
            return 0;
        case ParseResult::Error:
            return 2;
        case ParseResult::Run:
            break;
    }
    return run(options);
}
