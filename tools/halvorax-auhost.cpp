// halvorax-auhost: a command-line Audio Unit host. Opens the Audio Unit of a bundle through its
// TandemEntry, lists its properties and parameters, plays a Standard MIDI File through it into a
// WAV file, saves and restores its state as an .aupreset file, and opens its editor.
#include <getopt.h>

#include <X11/Xlib.h>

#include <AudioUnit/AudioUnit.h>
#include <Carbon/Carbon.h>
#include <StandIn/StandIn.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "AuHost.h"
#include "AuHostPresets.h"
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
};

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

bool parseOptions(int argc, char** argv, Options& options) {
    static const option longOptions[] = {
        {"rate", required_argument, nullptr, 'r'},        {"block", required_argument, nullptr, 'b'},
        {"tail", required_argument, nullptr, 't'},        {"param", required_argument, nullptr, 'p'},
        {"info", no_argument, nullptr, 'i'},              {"load-preset", required_argument, nullptr, 'l'},
        {"save-preset", required_argument, nullptr, 's'}, {"editor", optional_argument, nullptr, 'e'},
        {"help", no_argument, nullptr, 'h'},              {"factory-presets", no_argument, nullptr, 'P'},
        {"factory-preset", required_argument, nullptr, 'f'}, {"convert", required_argument, nullptr, 'c'},
        {nullptr, 0, nullptr, 0},
    };
    int c;
    while ((c = getopt_long(argc, argv, "r:b:t:p:il:s:e::hPf:c:", longOptions, nullptr)) != -1) {
        switch (c) {
            case 'r': options.render.sampleRate = std::atof(optarg); break;
            case 'b': options.render.blockSize = std::atoi(optarg); break;
            case 't': options.render.tailSeconds = std::atof(optarg); break;
            case 'p': {
                const std::string text = optarg;
                const size_t equals = text.find('=');
                if (equals == std::string::npos) return false;
                options.parameters.push_back({AudioUnitParameterID(std::atoi(text.substr(0, equals).c_str())),
                                              float(std::atof(text.substr(equals + 1).c_str()))});
                break;
            }
            case 'i': options.info = true; break;
            case 'l': options.loadPreset = optarg; break;
            case 's': options.savePreset = optarg; break;
            case 'e': options.editorSeconds = optarg ? std::atof(optarg) : 0.0; break;
            case 'h': usage(stdout); std::exit(0);
            case 'P': options.listFactory = true; break;
            case 'f': options.factoryPreset = optarg; break;
            case 'c': options.convertFolder = optarg; break;
            default: return false;
        }
    }
    for (int i = optind; i < argc; ++i) options.positional.push_back(argv[i]);
    return options.render.sampleRate > 0 && options.render.blockSize > 0 &&
           (options.positional.size() == 1 || options.positional.size() == 3);
}

// Opens the editor through the CocoaUI property and the bundle's view factory, maps its window
// and runs the event loop (which drives the unit's idle timer) until the time is up or the
// window is gone.
int runEditor(AudioUnitHost& host, double seconds) {
    AudioUnitCocoaViewInfo info{};
    UInt32 size = sizeof info;
    if (AudioUnitGetProperty(host.unit(), kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info, &size) != noErr) {
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

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        usage(stderr);
        return 2;
    }
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
    for (const auto& [id, value] : options.parameters) {
        const OSStatus result = AudioUnitSetParameter(host->unit(), id, kAudioUnitScope_Global, 0, value, 0);
        if (result != noErr) {
            std::fprintf(stderr, "halvorax-auhost: cannot set parameter %u (error %d)\n", id, int(result));
            return 1;
        }
    }
    if (options.info) std::fputs(host->describe().c_str(), stdout);
    if (options.editorSeconds >= 0.0 && runEditor(*host, options.editorSeconds) != 0) return 1;

    if (options.positional.size() == 3) {
        MidiSong song;
        if (!readMidiFile(options.positional[1], song, error)) {
            std::fprintf(stderr, "halvorax-auhost: %s\n", error.c_str());
            return 1;
        }
        OSStatus result = host->start(options.render);
        std::vector<float> interleaved;
        if (result == noErr) result = host->renderSong(song, options.render, interleaved);
        if (result != noErr) {
            std::fprintf(stderr, "halvorax-auhost: rendering failed (error %d)\n", int(result));
            return 1;
        }
        if (!writeWav(options.positional[2], interleaved, options.render.sampleRate, error)) {
            std::fprintf(stderr, "halvorax-auhost: %s\n", error.c_str());
            return 1;
        }
    }
    if (!options.savePreset.empty() && host->savePreset(options.savePreset, error) != noErr) {
        std::fprintf(stderr, "halvorax-auhost: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
