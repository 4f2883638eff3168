// halvorax-auhost: a command-line Audio Unit host. Opens the Audio Unit of a bundle through its
// TandemEntry, lists its properties and parameters, plays a Standard MIDI File through it into a
// WAV file, saves and restores its state as an .aupreset file, and opens its editor.

#include <X11/Xlib.h>

#include <AudioUnit/AudioUnit.h>
#include <Carbon/Carbon.h>
#include <StandIn/StandIn.h>

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "AuHost.h"
#include "AuHostPresets.h"
#include "CommandLine.h"
#include "MidiFile.h"
#include "Renderer.h"

using namespace halvorax;

namespace {

// The view factory's table as the bundle exports it (see auwrapper/TandemView.h).
struct AUCocoaUIBase {
    unsigned (*interfaceVersion)(void);
    CFStringRef (*description)(void);
    void* (*uiViewForAudioUnit)(AudioUnit unit, double width, double height);
    void (*releaseView)(void* view);
    unsigned long (*viewWindow)(void* view);
};

struct Options {
    AuRenderSettings render;
    bool info = false;
    double editorSeconds = -1.0;
    std::string savePreset, loadPreset;
    bool listFactory = false;
    std::string factoryPreset, convertFolder;
    std::vector<std::pair<AudioUnitParameterID, float>> parameters;
    std::vector<std::string> positional;
    bool help = false;
};

constexpr long kMaxParameterId = 0x7fffffff;

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: halvorax-auhost [options] BUNDLE [MIDIFILE OUT.wav]\n"
                 "BUNDLE is a bundle folder (Name.vst) or the .so inside it.\n"
                 "  -r, --rate HZ            sample rate (default 44100)\n"
                 "  -b, --block FRAMES       frames per render call (default 512)\n"
                 "  -t, --tail SECONDS       render after the last event (default 2)\n"
                 "  -p, --param ID=VALUE     set an Audio Unit parameter before playing\n"
                 "  -i, --info               list properties, parameters and presets\n"
                 "  -l, --load-preset FILE   restore the state from an .aupreset file before playing\n"
                 "  -s, --save-preset FILE   save the state as an .aupreset file (after playing)\n"
                 "  -e, --editor [SECONDS]   open the editor window (default: until it is closed)\n"
                 "  -P, --factory-presets    list the factory presets (number and name)\n"
                 "  -f, --factory-preset P   select factory preset P (number or name) before playing\n"
                 "  -c, --convert FOLDER     convert the .fxp/.fxb files of FOLDER into .aupreset files\n"
                 "  -h, --help               this text\n");
}

// One row per option: its names and what it does with its value.
std::vector<OptionRow> optionTable(Options& o) {
    return {
        numberOption("rate", 'r', 8000, 768000, o.render.sampleRate),
        integerOption("block", 'b', 1, 65536, o.render.blockSize),
        numberOption("tail", 't', 0, kMaxRenderSeconds, o.render.tailSeconds),
        {"param", 'p', OptionRow::kRequired,
         [&](const char* v) {
             // The unit's own range is checked once it is open.
             const IndexedValue set = indexedArgument(v, kMaxParameterId, -FLT_MAX, FLT_MAX, "--param");
             o.parameters.push_back({AudioUnitParameterID(set.index), float(set.value)});
         }},
        flagOption("info", 'i', o.info),
        textOption("load-preset", 'l', o.loadPreset),
        textOption("save-preset", 's', o.savePreset),
        {"editor", 'e', OptionRow::kOptional,
         [&](const char* v) { o.editorSeconds = v ? numberArgument(v, 0, 86400, "--editor") : 0.0; }},
        flagOption("factory-presets", 'P', o.listFactory),
        textOption("factory-preset", 'f', o.factoryPreset),
        textOption("convert", 'c', o.convertFolder),
        flagOption("help", 'h', o.help),
    };
}

// Sets a parameter the command line asked for, within the range the unit gives it.
void setParameter(AudioUnit unit, AudioUnitParameterID id, float value) {
    AudioUnitParameterInfo info{};
    UInt32 size = sizeof info;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, &info, &size) != noErr)
        throw UsageError("--param " + std::to_string(id) + ": the unit has no such parameter");
    if (!(value >= info.minValue && value <= info.maxValue)) {
        char range[96];
        std::snprintf(range, sizeof range, "from %g to %g", double(info.minValue), double(info.maxValue));
        throw UsageError("--param " + std::to_string(id) + " wants a value " + range);
    }
    const OSStatus result = AudioUnitSetParameter(unit, id, kAudioUnitScope_Global, 0, value, 0);
    if (result != noErr)
        throw std::runtime_error("cannot set parameter " + std::to_string(id) + " (error " + std::to_string(result) +
                                 ")");
}

// Opens the editor through the CocoaUI property and the bundle's view factory, maps its window
// and runs the event loop (which drives the unit's idle timer) until the time is up or the
// window is gone.
int runEditor(AudioUnitHost& host, double seconds) {
    AudioUnitCocoaViewInfo info{};
    UInt32 size = sizeof info;
    if (AudioUnitGetProperty(host.unit(), kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info, &size) !=
        noErr) {
        std::fprintf(stderr, "halvorax-auhost: the plug-in has no editor\n");
        return 1;
    }
    CFBundleRef viewBundle = CFBundleCreate(nullptr, info.mCocoaAUViewBundleLocation);
    char className[256] = {};
    CFStringGetCString(info.mCocoaAUViewClass[0], className, sizeof className, kCFStringEncodingUTF8);
    CFRelease(info.mCocoaAUViewBundleLocation);
    CFRelease(info.mCocoaAUViewClass[0]);
    CFStringRef symbol = CFStringCreateWithCString(nullptr, className, kCFStringEncodingUTF8);
    auto factoryFunction = reinterpret_cast<const AUCocoaUIBase* (*)()>(
        viewBundle ? CFBundleGetFunctionPointerForName(viewBundle, symbol) : nullptr);
    CFRelease(symbol);
    if (viewBundle) CFRelease(viewBundle);
    if (factoryFunction == nullptr) {
        std::fprintf(stderr, "halvorax-auhost: no view factory %s in the bundle\n", className);
        return 1;
    }
    const AUCocoaUIBase* factory = factoryFunction();
    void* view = factory->uiViewForAudioUnit(host.unit(), 0.0, 0.0);
    if (view == nullptr) {
        std::fprintf(stderr, "halvorax-auhost: the editor could not be opened (is DISPLAY set?)\n");
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    const Window window = factory->viewWindow(view);
    if (display) {
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        XFlush(display);
    }
    const EventTime end = GetCurrentEventTime() + seconds;
    bool open = true;
    while (open && (seconds <= 0.0 || GetCurrentEventTime() < end)) {
        RunCurrentEventLoop(0.025);
        while (display && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == DestroyNotify || event.type == UnmapNotify) open = false;
        }
    }
    factory->releaseView(view);
    if (display) XCloseDisplay(display);
    return 0;
}

int run(int argc, char** argv) {
    Options options;
    options.positional = parseCommandLine(argc, argv, optionTable(options));
    if (options.help) return usage(stdout), 0;
    if (options.positional.size() != 1 && options.positional.size() != 3)
        throw UsageError("expected BUNDLE [MIDIFILE OUT.wav]");
    std::string error;
    std::unique_ptr<AudioUnitHost> host(AudioUnitHost::open(options.positional[0], error));
    if (!host) {
        std::fprintf(stderr, "halvorax-auhost: %s\n", error.c_str());
        return 1;
    }
    if (!options.loadPreset.empty() && host->loadPreset(options.loadPreset, error) != noErr) {
        std::fprintf(stderr, "halvorax-auhost: %s\n", error.c_str());
        return 1;
    }
    // ---- preset options (AuHostPresets.cpp) ----
    if (options.listFactory) std::fputs(listFactoryPresets(host->unit()).c_str(), stdout);
    if (!options.factoryPreset.empty() && !selectFactoryPreset(host->unit(), options.factoryPreset, error)) {
        std::fprintf(stderr, "halvorax-auhost: %s\n", error.c_str());
        return 1;
    }
    if (!options.convertFolder.empty()) {
        std::string report;
        const int converted = convertPresetFolder(*host, options.convertFolder, report);
        std::printf("%s%d converted\n", report.c_str(), converted);
    }
    // ---- end of preset options ----
    for (const auto& [id, value] : options.parameters) setParameter(host->unit(), id, value);
    if (options.info) std::fputs(host->describe().c_str(), stdout);
    if (options.editorSeconds >= 0.0 && runEditor(*host, options.editorSeconds) != 0) return 1;

    if (options.positional.size() == 3) {
        MidiSong song;
        if (!readMidiFile(options.positional[1], song, error) ||
            !renderLengthAllowed(song, options.render.tailSeconds, error)) {
            std::fprintf(stderr, "halvorax-auhost: %s\n", error.c_str());
            return 1;
        }
        OSStatus result = host->start(options.render);
        WavWriter output(options.positional[2], options.render.sampleRate);
        if (result == noErr) result = host->renderSong(song, options.render, output);
        if (result != noErr) {
            std::fprintf(stderr, "halvorax-auhost: rendering failed (error %d)\n", int(result));
            return 1;
        }
        output.commit();
    }
    if (!options.savePreset.empty() && host->savePreset(options.savePreset, error) != noErr) {
        std::fprintf(stderr, "halvorax-auhost: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return runTool("halvorax-auhost", [&] { return run(argc, argv); });
}
