// halvorax-render: a command-line VST 2.4 host. Plays a Standard MIDI File through any Linux
// VST2 instrument into a WAV file, reports what an effect says about itself (--info), and
// measures an instrument's CPU cost (--bench), draws Halvorax's editor panel into a PNG
// (--screenshot) and opens a plug-in's editor in a window of its own (--editor).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "CommandLine.h"
#include "EditorModes.h"
#include "Lv2Host.h"
#include "MidiFile.h"
#include "PatchFile.h"
#include "Renderer.h"
#include "ToolFiles.h"
#include "SysexImport.h"
#include "VstHost.h"

using namespace halvorax;

namespace {

struct Options {
    RenderSettings render;
    std::vector<std::pair<int, float>> overrides;
    bool info = false;
    bool bench = false;
    double benchSeconds = 10.0;
    int benchRounds = 3;
    std::vector<int> benchVoices = {1, 4, 16};
    std::vector<std::string> positional;
    std::vector<std::string> patches;  // Halvorax patch files, played in turn
    double patchSeconds = 0.0;         // how long each plays; 0 shares the song evenly
    std::string screenshot;            // PNG path of the panel picture
    bool editor = false;
    bool help = false;
    std::string sysex;  // an Alpha Juno .syx whose tone plays
    int tone = 1;       // which of its tones: in a bank by number, else in file order
};

// --set takes any index up to this; the plug-in's own count is checked once it is loaded.
constexpr long kMaxParameterIndex = 9999;

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: halvorax-render [options] PLUGIN MIDIFILE OUT.wav\n"
                 "       halvorax-render --info PLUGIN\n"
                 "       halvorax-render --bench [--set I=V ...] PLUGIN [OTHER ...]   (--set applies to PLUGIN)\n"
                 "       halvorax-render --screenshot PANEL.png [--patch F.repatch] [--set I=V ...]\n"
                 "       halvorax-render --editor [PLUGIN] [MIDIFILE]\n"
                 "PLUGIN is a Linux VST 2.4 .so or a bundle folder (Name.vst); to render and --bench, also\n"
                 "an LV2 instrument by URI or bundle folder (Name.lv2).\n"
                 "  -r, --rate HZ         sample rate (default 44100)\n"
                 "  -b, --block FRAMES    block size (default 512)\n"
                 "  -t, --tail SECONDS    render after the last event (default 2)\n"
                 "  -s, --set INDEX=VALUE set a parameter (normalized 0..1) before playing\n"
                 "  -p, --patch FILE      a Halvorax .repatch to play; several play in turn\n"
                 "      --patch-seconds S how long each patch plays (default: the song shared evenly)\n"
                 "      --sysex FILE.syx  play an Alpha Juno tone from FILE (the first, or --tone N)\n"
                 "      --tone N          the tone of --sysex to play (1..64 in a bank)\n"
                 "  -i, --info            print what the effect reports and exit\n"
                 "      --bench           measure CPU seconds per second of audio with 1, 4, 16 held notes\n"
                 "      --bench-seconds S audio seconds rendered per measurement (default 10)\n"
                 "      --bench-rounds N  measurements per plug-in and voice count, fastest kept (default 3)\n"
                 "      --screenshot PNG  draw Halvorax's editor panel (off-screen, no X server) into PNG\n"
                 "      --editor          open the plug-in's editor in a window (default plug-in: Halvorax),\n"
                 "                        playing MIDIFILE in a loop if given; close the window to quit\n"
                 "  -h, --help            this text\n");
}

// One row per option: its names and what it does with its value.
std::vector<OptionRow> optionTable(Options& o) {
    return {
        numberOption("rate", 'r', 8000, 768000, o.render.sampleRate),
        integerOption("block", 'b', 1, 65536, o.render.blockSize),
        numberOption("tail", 't', 0, kMaxRenderSeconds, o.render.tailSeconds),
        {"set", 's', OptionRow::kRequired,
         [&](const char* v) {
             const IndexedValue set = indexedArgument(v, kMaxParameterIndex, 0.0, 1.0, "--set");
             o.overrides.emplace_back(int(set.index), float(set.value));
         }},
        {"patch", 'p', OptionRow::kRequired, [&](const char* v) { o.patches.push_back(v); }},
        numberOption("patch-seconds", 0, 0, kMaxRenderSeconds, o.patchSeconds),
        flagOption("info", 'i', o.info),
        flagOption("bench", 0, o.bench),
        numberOption("bench-seconds", 0, 0.001, kMaxRenderSeconds, o.benchSeconds),
        integerOption("bench-rounds", 0, 1, 100, o.benchRounds),
        textOption("screenshot", 0, o.screenshot),
        flagOption("editor", 0, o.editor),
        textOption("sysex", 0, o.sysex),
        integerOption("tone", 0, 1, 9999, o.tone),
        flagOption("help", 'h', o.help),
    };
}

std::unique_ptr<HostedPlugin> openInstrument(const std::string& path, const Options& options) {
    std::string error;
    auto plugin = HostedPlugin::load(path, error);
    if (!plugin) {
        std::fprintf(stderr, "halvorax-render: %s\n", error.c_str());
        return nullptr;
    }
    if (!plugin->isInstrument()) {
        std::fprintf(stderr, "halvorax-render: %s is not an instrument (it does not declare itself a synth)\n",
                     path.c_str());
        return nullptr;
    }
    for (auto [index, value] : options.overrides)
        if (index >= plugin->effect()->numParams)
            throw UsageError("--set " + std::to_string(index) + "=...: the plug-in has " +
                             std::to_string(plugin->effect()->numParams) + " parameters");
    plugin->start(options.render.sampleRate, options.render.blockSize);
    for (auto [index, value] : options.overrides) plugin->setParameter(index, value);
    return plugin;
}

// A VST 2.4 or LV2 instrument, started, with the --set overrides applied.
std::unique_ptr<RenderTarget> openRenderTarget(const std::string& path, const Options& options, double tempo) {
    if (!isLv2Plugin(path)) {
        auto plugin = openInstrument(path, options);
        if (plugin) plugin->tempo = tempo;
        return plugin;
    }
    std::string error;
    auto plugin = Lv2Instrument::load(path, options.render.sampleRate, error);
    if (!plugin) {
        std::fprintf(stderr, "halvorax-render: %s\n", error.c_str());
        return nullptr;
    }
    for (auto [index, value] : options.overrides) plugin->setParameter(index, value);
    return plugin;
}

void printInfo(HostedPlugin& plugin) {
    AEffect* e = plugin.effect();
    const unsigned id = static_cast<unsigned>(e->uniqueID);
    std::printf("effect:   %s\nvendor:   %s\nproduct:  %s\n", plugin.effectString(effGetEffectName).c_str(),
                plugin.effectString(effGetVendorString).c_str(), plugin.effectString(effGetProductString).c_str());
    std::printf("id:       '%c%c%c%c'  version %d  VST %ld  category %ld\n", id >> 24, (id >> 16) & 0xff,
                (id >> 8) & 0xff, id & 0xff, e->version, static_cast<long>(plugin.dispatch(effGetVstVersion)),
                static_cast<long>(plugin.dispatch(effGetPlugCategory)));
    std::printf("pins:     %d in, %d out\nflags:   %s%s%s%s\nprograms: %d\n", e->numInputs, e->numOutputs,
                e->flags & effFlagsHasEditor ? " editor" : "", e->flags & effFlagsCanReplacing ? " replacing" : "",
                e->flags & effFlagsProgramChunks ? " chunks" : "", e->flags & effFlagsIsSynth ? " synth" : "",
                e->numPrograms);
    for (int pin = 0; pin < e->numOutputs; ++pin) {
        VstPinProperties properties{};
        if (plugin.dispatch(effGetOutputProperties, pin, 0, &properties))
            std::printf("output %d: \"%s\" flags %d\n", pin, properties.label, properties.flags);
    }
    for (const char* question :
         {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo", "sendVstMidiEvent", "offline", "bypass"}) {
        std::printf("canDo %-20s %ld\n", question,
                    static_cast<long>(plugin.dispatch(effCanDo, 0, 0, const_cast<char*>(question))));
    }
    std::printf("parameters: %d\n", e->numParams);
    for (int i = 0; i < e->numParams; ++i) {
        const std::string name = plugin.parameterName(i);
        if (name.empty()) continue;
        std::printf("  %3d  %-20s %8.5f  %s\n", i, name.c_str(), plugin.getParameter(i),
                    plugin.parameterDisplay(i).c_str());
    }
}

// The tone of an Alpha Juno sysex file as parameter settings, placed before the --set ones.
void applySysexTone(Options& options) {
    std::string bytes, error;
    if (!readInputFile(options.sysex, 16u << 20, bytes, error)) throw std::runtime_error("cannot read sysex: " + error);
    const SysexContents contents = readSysex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    // A bank's tones go by their number in the bank, single tones by their order in the file.
    const juno::Tone* chosen = nullptr;
    for (const NumberedTone& tone : contents.bankTones)
        if (tone.number == options.tone) chosen = &tone.tone;
    const std::size_t singles = contents.singleTones.size();
    if (contents.bankTones.empty() && options.tone >= 1 && static_cast<std::size_t>(options.tone) <= singles)
        chosen = &contents.singleTones[options.tone - 1];
    if (chosen == nullptr) throw std::runtime_error(options.sysex + " has no tone " + std::to_string(options.tone));
    std::vector<std::pair<int, float>> settings;
    for (int position = 0; position < kNumSysexRows; ++position)
        settings.emplace_back(sysexRow(position).index, toneValue(*chosen, position));
    options.overrides.insert(options.overrides.begin(), settings.begin(), settings.end());
}

// The parameter values of a Halvorax patch file: the defaults, overwritten by its entries.
bool readPatchValues(const std::string& path, std::vector<float>& values) {
    std::string text, error;
    if (!readInputFile(path, PatchFile::kMaxFileSize, text, error)) {
        std::fprintf(stderr, "halvorax-render: cannot read patch: %s\n", error.c_str());
        return false;
    }
    float parsed[kNumParameters];
    defaultParameterValues(parsed);
    if (PatchFile::parse(text.data(), text.size(), parsed) == 0) {
        std::fprintf(stderr, "halvorax-render: %s holds no patch values\n", path.c_str());
        return false;
    }
    values.assign(parsed, parsed + kNumParameters);
    return true;
}

void drawProgress(double fraction) {
    static int shown = -1;
    const int percent = static_cast<int>(fraction * 100.0);
    if (percent == shown) return;
    shown = percent;
    const int width = 40, filled = percent * width / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################", width - filled, "",
                 percent);
    if (percent >= 100) std::fputc('\n', stderr);
}

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// CPU seconds spent per second of audio while `voices` keys are held.
double measure(RenderTarget& plugin, int voices, const Options& options) {
    const int block = options.render.blockSize;
    std::vector<float> left(block), right(block);
    float* outputs[2] = {left.data(), right.data()};
    std::vector<RenderTarget::Midi> notes;
    for (int v = 0; v < voices; ++v) notes.push_back({0, {0x90, static_cast<unsigned char>(36 + 3 * v), 100}});
    plugin.sendMidi(notes);
    plugin.process(outputs, block);
    const long blocks = static_cast<long>(options.benchSeconds * options.render.sampleRate / block);
    const double begin = cpuSeconds();
    for (long b = 0; b < blocks; ++b) {
        plugin.sendMidi({});
        plugin.process(outputs, block);
    }
    const double spent = cpuSeconds() - begin;
    std::vector<RenderTarget::Midi> offs;
    for (const auto& n : notes) offs.push_back({0, {0x80, n.bytes[1], 0}});
    plugin.sendMidi(offs);
    plugin.process(outputs, block);
    return spent / (blocks * static_cast<double>(block) / options.render.sampleRate);
}

// The plug-ins take turns, round after round, and each keeps its fastest round:
// a shared machine's slow spells then fall on no plug-in in particular.
int runBench(const Options& options) {
    std::vector<std::unique_ptr<RenderTarget>> plugins;
    for (const std::string& path : options.positional) {
        // --set overrides are meant for the first plug-in (ours); the others play their defaults.
        Options forThis = options;
        if (&path != &options.positional.front()) forThis.overrides.clear();
        auto plugin = openRenderTarget(path, forThis, 120.0);
        if (!plugin) return 1;
        plugins.push_back(std::move(plugin));
    }
    const std::size_t counts = options.benchVoices.size();
    std::vector<std::vector<double>> best(plugins.size(), std::vector<double>(counts, 1e300));
    for (int round = 0; round < options.benchRounds; ++round)
        for (std::size_t v = 0; v < counts; ++v)
            for (std::size_t p = 0; p < plugins.size(); ++p)
                best[p][v] = std::min(best[p][v], measure(*plugins[p], options.benchVoices[v], options));

    std::printf("%-40s %7s %14s\n", "plug-in", "voices", "cpu s/audio s");
    for (std::size_t p = 0; p < plugins.size(); ++p)
        for (std::size_t v = 0; v < counts; ++v)
            std::printf("%-40s %7d %14.5f\n", options.positional[p].c_str(), options.benchVoices[v], best[p][v]);
    for (std::size_t p = 1; p < plugins.size(); ++p)
        std::printf("ratio %s / %s at %d voices: %.3f\n", options.positional[0].c_str(), options.positional[p].c_str(),
                    options.benchVoices.back(), best[0].back() / best[p].back());
    return 0;
}

void requireArguments(const Options& options, std::size_t least, std::size_t most, const char* form) {
    const std::size_t count = options.positional.size();
    if (count < least || count > most) throw UsageError(std::string("expected ") + form);
}

int run(int argc, char** argv) {
    Options options;
    options.positional = parseCommandLine(argc, argv, optionTable(options));
    if (options.help) return usage(stdout), 0;
    if (!options.sysex.empty()) applySysexTone(options);
    if (!options.screenshot.empty()) {
        requireArguments(options, 0, 0, "no PLUGIN with --screenshot");
        for (auto [index, value] : options.overrides)
            if (index >= kNumReportedParameters)
                throw UsageError("--set " + std::to_string(index) + "=...: Halvorax has " +
                                 std::to_string(kNumReportedParameters) + " parameters");
        ScreenshotSettings settings;
        settings.pngPath = options.screenshot;
        settings.patches = options.patches;
        settings.overrides = options.overrides;
        return runScreenshot(settings);
    }
    if (options.editor) {
        requireArguments(options, 0, 2, "[PLUGIN] [MIDIFILE] with --editor");
        const std::string plugin = options.positional.empty() ? defaultPluginPath() : options.positional[0];
        return runEditorWindow(plugin, options.positional.size() > 1 ? options.positional[1] : "");
    }
    if (options.bench) {
        requireArguments(options, 1, SIZE_MAX, "PLUGIN [OTHER ...] with --bench");
        return runBench(options);
    }
    if (options.info) {
        requireArguments(options, 1, 1, "one PLUGIN with --info");
        auto plugin = openInstrument(options.positional[0], options);
        if (!plugin) return 1;
        printInfo(*plugin);
        return 0;
    }
    requireArguments(options, 3, 3, "PLUGIN MIDIFILE OUT.wav");
    MidiSong song;
    std::string error;
    if (!readMidiFile(options.positional[1], song, error) ||
        !renderLengthAllowed(song, options.render.tailSeconds, error)) {
        std::fprintf(stderr, "halvorax-render: %s\n", error.c_str());
        return 1;
    }
    auto plugin = openRenderTarget(options.positional[0], options, song.firstTempo);
    if (!plugin) return 1;
    std::vector<std::vector<float>> patches(options.patches.size());
    for (std::size_t i = 0; i < patches.size(); ++i)
        if (!readPatchValues(options.patches[i], patches[i])) return 1;
    const double patchSeconds =
        options.patchSeconds > 0 ? options.patchSeconds : song.lengthSeconds / std::max<std::size_t>(1, patches.size());
    std::size_t current = patches.size();
    auto switchPatches = [&](long long frame) {
        if (patches.empty()) return;
        // In double up to the last patch: a song of no length or a tiny --patch-seconds must not
        // turn into a count no integer holds.
        const double turn = patchSeconds > 0 ? frame / options.render.sampleRate / patchSeconds : 0.0;
        const std::size_t last = patches.size() - 1;
        const std::size_t due = turn >= double(last) ? last : static_cast<std::size_t>(turn);
        if (due == current) return;
        current = due;
        // Notes sounding now finish on the new sound, as on the hardware.
        for (int i = 0; i < kNumParameters; ++i) plugin->setParameter(i, patches[current][i]);
        for (auto [index, value] : options.overrides) plugin->setParameter(index, value);
    };
    const bool showProgress = isatty(STDERR_FILENO);
    WavWriter output(options.positional[2], options.render.sampleRate);
    renderSong(*plugin, song, options.render, output, showProgress ? drawProgress : nullptr, switchPatches);
    output.commit();
    std::printf("wrote %s: %.2f s at %.0f Hz\n", options.positional[2].c_str(), output.seconds(),
                options.render.sampleRate);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return runTool("halvorax-render", [&] { return run(argc, argv); });
}
