// The factory patch library in resources/patches/: each sound is listed here by the settings
// that differ from the default patch, written through SavePatch, and the committed files must
// be exactly what SavePatch writes. To rewrite the files after changing a sound:
//   state_tests --gtest_also_run_disabled_tests --gtest_filter='*DISABLED_WriteFactoryLibrary'
#include <initializer_list>
#include <set>
#include <utility>
#include <vector>

#include "StateTestSupport.h"

namespace halvorax::test {
namespace {

struct Setting {
    const char* id;  // patch-file id
    int value;       // integer value as it stands in the file
};

struct FactorySound {
    const char* name;
    std::vector<int> chord;  // intervals; the chord memory saved with the sound
    std::vector<Setting> settings;
};

// Shorthands for the settings most sounds share.
const std::vector<int> kMajor = {0, 4, 7};
const std::vector<int> kMinor7 = {0, 3, 7, 10};

const std::vector<FactorySound>& factorySounds() {
    static const std::vector<FactorySound> sounds = {
        // The default sound: a warm, slowly breathing poly brass pad, PWM under a saw,
        // opened by the envelope and widened by a slow chorus.
        {"RoriVerov1", kMajor,
         {{"dcorange", 1}, {"dcosaw", 1}, {"dcopulse", 3}, {"dcopwm", 70}, {"dcopwmrate", 45},
          {"dcosub", 0}, {"dcosublevel", 1}, {"vcfhpf", 1}, {"vcffreq", 62}, {"vcfreso", 14},
          {"vcfenv", 40}, {"vcfkeyfollow", 50}, {"vcalevel", 20}, {"vcaenv", 0}, {"envt1", 52},
          {"envl1", 110}, {"envt2", 70}, {"envl2", 95}, {"envt3", 80}, {"envl3", 90}, {"envt4", 72},
          {"chorusenabled", 1}, {"chorusrate", 58}, {"lforate", 80}, {"lfodelay", 70},
          {"dcoafterdepth", 24}, {"benderrange", 2}}},

        // Basses.
        {"Juno Sub Bass", kMajor,
         {{"dcorange", 2}, {"dcosaw", 0}, {"dcopulse", 1}, {"dcosub", 1}, {"dcosublevel", 3},
          {"vcfhpf", 0}, {"vcffreq", 40}, {"vcfreso", 6}, {"vcfenv", 45}, {"vcfkeyfollow", 40},
          {"vcaenv", 0}, {"envt1", 0}, {"envl1", 127}, {"envt2", 40}, {"envl2", 90}, {"envt3", 60},
          {"envl3", 70}, {"envt4", 20}, {"monopoly", 0}, {"portatime", 10}, {"filtermode", 1},
          {"benderrange", 2}}},
        {"Acid Mono Bass", kMajor,
         {{"dcorange", 2}, {"dcosaw", 1}, {"vcfhpf", 1}, {"vcffreq", 52}, {"vcfreso", 85},
          {"vcfenv", 75}, {"vcfenvmode", 2}, {"vcfkeyfollow", 30}, {"vcalevel", 60}, {"vcaenv", 1},
          {"envt1", 0}, {"envl1", 127}, {"envt2", 45}, {"envl2", 0}, {"envt3", 50}, {"envl3", 0},
          {"envt4", 20}, {"monopoly", 0}, {"portatime", 25}, {"benderrange", 2}}},
        {"Rubber Pluck Bass", kMajor,
         {{"dcorange", 2}, {"dcosaw", 0}, {"dcopulse", 2}, {"dcosub", 0}, {"dcosublevel", 2},
          {"vcfhpf", 0}, {"vcffreq", 45}, {"vcfreso", 40}, {"vcfenv", 55}, {"vcfkeyfollow", 40},
          {"vcaenv", 0}, {"envt1", 0}, {"envl1", 127}, {"envt2", 55}, {"envl2", 40}, {"envt3", 70},
          {"envl3", 30}, {"envt4", 30}, {"benderrange", 2}}},
        {"Deep Saw Bass", kMajor,
         {{"dcorange", 2}, {"dcosaw", 2}, {"dcosub", 3}, {"dcosublevel", 2}, {"vcfhpf", 0},
          {"vcffreq", 50}, {"vcfreso", 20}, {"vcfenv", 35}, {"vcfkeyfollow", 30}, {"vcaenv", 1},
          {"envt1", 0}, {"envl1", 127}, {"envt2", 60}, {"envl2", 70}, {"envt3", 70}, {"envl3", 60},
          {"envt4", 25}, {"monopoly", 0}, {"filtermode", 1}, {"benderrange", 2}}},
        {"Hoover Bass", kMajor,
         {{"dcorange", 2}, {"dcosaw", 3}, {"dcopulse", 3}, {"dcopwm", 100}, {"dcopwmrate", 70},
          {"dcosub", 0}, {"dcosublevel", 2}, {"dcoenvdepth", 45}, {"dcoenvmode", 1}, {"vcfhpf", 0},
          {"vcffreq", 70}, {"vcfreso", 10}, {"vcfenv", 20}, {"vcalevel", 30}, {"vcaenv", 1},
          {"envt1", 0}, {"envl1", 127}, {"envt2", 60}, {"envl2", 0}, {"envt3", 60}, {"envl3", 0},
          {"envt4", 30}, {"monopoly", 0}, {"portatime", 35}, {"chorusenabled", 1}, {"chorusrate", 92},
          {"benderrange", 12}}},

        // Brass.
        {"Poly Brass", kMajor,
         {{"dcorange", 1}, {"dcosaw", 1}, {"vcfhpf", 1}, {"vcffreq", 45}, {"vcfreso", 8},
          {"vcfenv", 55}, {"vcfkeyfollow", 60}, {"vcalevel", 30}, {"vcaenv", 0}, {"envt1", 40},
          {"envl1", 115}, {"envt2", 60}, {"envl2", 85}, {"envt3", 75}, {"envl3", 85}, {"envt4", 55},
          {"chorusenabled", 1}, {"chorusrate", 45}, {"lforate", 82}, {"lfodelay", 60},
          {"dcoafterdepth", 20}, {"benderrange", 2}}},
        {"Brass Swell", kMajor,
         {{"dcorange", 1}, {"dcosaw", 3}, {"dcopwm", 60}, {"dcopwmrate", 40}, {"vcfhpf", 1},
          {"vcffreq", 40}, {"vcfreso", 10}, {"vcfenv", 60}, {"vcfkeyfollow", 50}, {"vcalevel", 25},
          {"vcaenv", 0}, {"envt1", 72}, {"envl1", 120}, {"envt2", 75}, {"envl2", 100}, {"envt3", 80},
          {"envl3", 95}, {"envt4", 65}, {"chorusenabled", 1}, {"chorusrate", 50}, {"lforate", 82},
          {"lfodelay", 75}, {"dcoafterdepth", 25}, {"benderrange", 2}}},
        {"Eighties Brass Stab", kMajor,
         {{"dcorange", 1}, {"dcosaw", 2}, {"dcosub", 0}, {"dcosublevel", 1}, {"vcfhpf", 1},
          {"vcffreq", 50}, {"vcfreso", 20}, {"vcfenv", 60}, {"vcfkeyfollow", 55}, {"vcalevel", 35},
          {"vcaenv", 0}, {"envt1", 20}, {"envl1", 127}, {"envt2", 55}, {"envl2", 60}, {"envt3", 60},
          {"envl3", 60}, {"envt4", 40}, {"chorusenabled", 1}, {"chorusrate", 70}, {"benderrange", 2}}},

        // Strings.
        {"Juno Strings", kMajor,
         {{"dcorange", 1}, {"dcosaw", 3}, {"dcopwm", 80}, {"dcopwmrate", 60}, {"vcfhpf", 2},
          {"vcffreq", 80}, {"vcfreso", 5}, {"vcfenv", 10}, {"vcfkeyfollow", 40}, {"vcaenv", 0},
          {"envt1", 65}, {"envl1", 110}, {"envt2", 70}, {"envl2", 100}, {"envt3", 80}, {"envl3", 100},
          {"envt4", 75}, {"chorusenabled", 1}, {"chorusrate", 70}, {"lforate", 85}, {"lfodelay", 80},
          {"dcoafterdepth", 30}, {"benderrange", 2}}},
        {"Ensemble Strings", kMajor,
         {{"dcorange", 1}, {"dcosaw", 1}, {"dcopulse", 3}, {"dcopwm", 90}, {"dcopwmrate", 70},
          {"vcfhpf", 2}, {"vcffreq", 76}, {"vcfreso", 4}, {"vcfenv", 12}, {"vcfkeyfollow", 45},
          {"vcaenv", 0}, {"envt1", 70}, {"envl1", 115}, {"envt2", 70}, {"envl2", 105}, {"envt3", 80},
          {"envl3", 105}, {"envt4", 80}, {"chorusenabled", 1}, {"chorusrate", 85}, {"lforate", 86},
          {"lfodelay", 85}, {"dcoafterdepth", 35}, {"benderrange", 2}}},
        {"Slow Octave Strings", kMajor,
         {{"dcorange", 1}, {"dcosaw", 1}, {"dcosub", 0}, {"dcosublevel", 2}, {"vcfhpf", 1},
          {"vcffreq", 70}, {"vcfreso", 6}, {"vcfenv", 15}, {"vcfkeyfollow", 50}, {"vcaenv", 0},
          {"envt1", 88}, {"envl1", 105}, {"envt2", 80}, {"envl2", 100}, {"envt3", 85}, {"envl3", 100},
          {"envt4", 90}, {"chorusenabled", 1}, {"chorusrate", 62}, {"lforate", 84}, {"lfodelay", 90},
          {"dcoafterdepth", 30}, {"benderrange", 2}}},

        // Pads.
        {"Warm Analog Pad", kMajor,
         {{"dcorange", 1}, {"dcosaw", 1}, {"dcopulse", 1}, {"dcosub", 0}, {"dcosublevel", 1},
          {"vcfhpf", 0}, {"vcffreq", 55}, {"vcfreso", 15}, {"vcfenv", 25}, {"vcfkeyfollow", 45},
          {"vcaenv", 0}, {"envt1", 80}, {"envl1", 110}, {"envt2", 85}, {"envl2", 100}, {"envt3", 90},
          {"envl3", 100}, {"envt4", 88}, {"chorusenabled", 1}, {"chorusrate", 55}, {"benderrange", 2}}},
        {"Glass Pad", kMajor,
         {{"dcorange", 1}, {"dcosaw", 0}, {"dcopulse", 2}, {"vcfhpf", 2}, {"vcffreq", 95},
          {"vcfreso", 45}, {"vcfenv", 20}, {"vcfkeyfollow", 60}, {"vcalevel", 30}, {"vcaenv", 0}, {"envt1", 75},
          {"envl1", 120}, {"envt2", 90}, {"envl2", 80}, {"envt3", 95}, {"envl3", 85}, {"envt4", 95},
          {"chorusenabled", 1}, {"chorusrate", 48}, {"envkeyfollow", 10}, {"benderrange", 2}}},
        {"PWM Dream Pad", kMajor,
         {{"dcorange", 1}, {"dcosaw", 0}, {"dcopulse", 3}, {"dcopwm", 110}, {"dcopwmrate", 52},
          {"dcosub", 2}, {"dcosublevel", 1}, {"vcfhpf", 1}, {"vcffreq", 68}, {"vcfreso", 10},
          {"vcfenv", 18}, {"vcfkeyfollow", 40}, {"vcaenv", 0}, {"envt1", 85}, {"envl1", 110},
          {"envt2", 80}, {"envl2", 100}, {"envt3", 85}, {"envl3", 100}, {"envt4", 92},
          {"chorusenabled", 1}, {"chorusrate", 66}, {"benderrange", 2}}},
        {"Dark Sweep Pad", kMajor,
         {{"dcorange", 1}, {"dcosaw", 2}, {"dcosub", 0}, {"dcosublevel", 2}, {"vcfhpf", 0},
          {"vcffreq", 42}, {"vcfreso", 55}, {"vcflfo", 75}, {"vcfenv", 20}, {"vcfkeyfollow", 40},
          {"vcaenv", 0}, {"envt1", 90}, {"envl1", 110}, {"envt2", 85}, {"envl2", 100}, {"envt3", 90},
          {"envl3", 100}, {"envt4", 95}, {"lforate", 52}, {"lfodelay", 60}, {"chorusenabled", 1},
          {"chorusrate", 40}, {"benderrange", 2}}},
        {"Choir Pad", kMajor,
         {{"dcorange", 1}, {"dcosaw", 5}, {"dcopulse", 0}, {"dconoiselevel", 1}, {"vcfhpf", 2},
          {"vcffreq", 66}, {"vcfreso", 35}, {"vcfenv", 8}, {"vcfkeyfollow", 70}, {"vcaenv", 0},
          {"envt1", 82}, {"envl1", 110}, {"envt2", 80}, {"envl2", 100}, {"envt3", 85}, {"envl3", 100},
          {"envt4", 88}, {"chorusenabled", 1}, {"chorusrate", 75}, {"lforate", 86}, {"lfodelay", 85},
          {"dcoafterdepth", 25}, {"benderrange", 2}}},
        {"Pulse Width Heaven", kMajor,
         {{"dcorange", 1}, {"dcosaw", 3}, {"dcopulse", 3}, {"dcopwm", 120}, {"dcopwmrate", 66},
          {"vcfhpf", 2}, {"vcffreq", 78}, {"vcfreso", 8}, {"vcfenv", 10}, {"vcfkeyfollow", 40},
          {"vcaenv", 0}, {"envt1", 78}, {"envl1", 110}, {"envt2", 80}, {"envl2", 100}, {"envt3", 85},
          {"envl3", 100}, {"envt4", 90}, {"chorusenabled", 1}, {"chorusrate", 96}, {"benderrange", 2}}},

        // Leads.
        {"Mono Saw Lead", kMajor,
         {{"dcorange", 1}, {"dcosaw", 1}, {"dcosub", 0}, {"dcosublevel", 1}, {"vcfhpf", 1},
          {"vcffreq", 70}, {"vcfreso", 25}, {"vcfenv", 30}, {"vcfkeyfollow", 60}, {"vcalevel", 40},
          {"vcaenv", 0}, {"envt1", 10}, {"envl1", 127}, {"envt2", 60}, {"envl2", 100}, {"envt3", 70},
          {"envl3", 100}, {"envt4", 40}, {"monopoly", 0}, {"portatime", 30}, {"lforate", 88},
          {"lfodelay", 75}, {"dcolfo", 12}, {"dcoafterdepth", 40}, {"benderrange", 2}}},
        {"Square Lead", kMajor,
         {{"dcorange", 1}, {"dcosaw", 0}, {"dcopulse", 1}, {"vcfhpf", 1}, {"vcffreq", 75},
          {"vcfreso", 30}, {"vcfenv", 20}, {"vcfkeyfollow", 60}, {"vcalevel", 55}, {"vcaenv", 1},
          {"envt1", 0}, {"envl1", 127}, {"envt2", 60}, {"envl2", 90}, {"envt3", 70}, {"envl3", 90},
          {"envt4", 35}, {"monopoly", 0}, {"portatime", 20}, {"lforate", 90}, {"lfodelay", 80},
          {"dcoafterdepth", 45}, {"benderrange", 2}}},
        {"Hoover Rave Lead", kMajor,
         {{"dcorange", 1}, {"dcosaw", 3}, {"dcopulse", 3}, {"dcopwm", 105}, {"dcopwmrate", 80},
          {"dcosub", 0}, {"dcosublevel", 1}, {"dcoenvdepth", 40}, {"dcoenvmode", 1}, {"vcfhpf", 1},
          {"vcffreq", 95}, {"vcfreso", 10}, {"vcalevel", 40}, {"vcaenv", 1}, {"envt1", 0},
          {"envl1", 127}, {"envt2", 62}, {"envl2", 0}, {"envt3", 60}, {"envl3", 0}, {"envt4", 45},
          {"monopoly", 0}, {"portatime", 40}, {"chorusenabled", 1}, {"chorusrate", 95},
          {"benderrange", 12}}},
        {"Hoover Stab", kMajor,
         {{"dcorange", 2}, {"dcosaw", 3}, {"dcopulse", 3}, {"dcopwm", 110}, {"dcopwmrate", 75},
          {"dcoenvdepth", 35}, {"dcoenvmode", 1}, {"vcfhpf", 1}, {"vcffreq", 90}, {"vcfreso", 12},
          {"vcfenv", 15}, {"vcalevel", 35}, {"vcaenv", 0}, {"envt1", 0}, {"envl1", 127}, {"envt2", 62},
          {"envl2", 70}, {"envt3", 70}, {"envl3", 60}, {"envt4", 50}, {"chorusenabled", 1},
          {"chorusrate", 90}, {"benderrange", 12}}},
        {"Screamer Lead", kMajor,
         {{"dcorange", 1}, {"dcosaw", 2}, {"dcopulse", 2}, {"vcfhpf", 2}, {"vcffreq", 72},
          {"vcfreso", 95}, {"vcfenv", 45}, {"vcfkeyfollow", 70}, {"vcalevel", 90}, {"vcaenv", 1},
          {"envt1", 30}, {"envl1", 127}, {"envt2", 70}, {"envl2", 80}, {"envt3", 75}, {"envl3", 80},
          {"envt4", 40}, {"monopoly", 0}, {"portatime", 25}, {"lforate", 90}, {"lfodelay", 70},
          {"dcoafterdepth", 45}, {"vcfafterdepth", 30}, {"benderrange", 2}, {"filtermode", 1}}},
        {"Soft Flute", kMajor,
         {{"dcorange", 1}, {"dcosaw", 0}, {"dcopulse", 1}, {"dconoiselevel", 1}, {"vcfhpf", 1},
          {"vcffreq", 58}, {"vcfreso", 12}, {"vcfenv", 15}, {"vcfkeyfollow", 80}, {"vcaenv", 0},
          {"envt1", 45}, {"envl1", 110}, {"envt2", 60}, {"envl2", 100}, {"envt3", 70}, {"envl3", 100},
          {"envt4", 45}, {"lforate", 86}, {"lfodelay", 85}, {"dcolfo", 8}, {"dcoafterdepth", 30},
          {"benderrange", 2}}},

        // Organs.
        {"Drawbar Organ", kMajor,
         {{"dcorange", 1}, {"dcosaw", 0}, {"dcopulse", 1}, {"dcosub", 0}, {"dcosublevel", 3},
          {"vcfhpf", 1}, {"vcffreq", 100}, {"vcfkeyfollow", 40}, {"vcaenv", 1}, {"envt1", 0},
          {"envl1", 127}, {"envl2", 127}, {"envl3", 127}, {"envt4", 8}, {"chorusenabled", 1},
          {"chorusrate", 100}}},
        {"Percussive Organ", kMajor,
         {{"dcorange", 1}, {"dcosaw", 0}, {"dcopulse", 2}, {"dcosub", 4}, {"dcosublevel", 2},
          {"vcfhpf", 1}, {"vcffreq", 78}, {"vcfenv", 30}, {"vcfkeyfollow", 50}, {"vcaenv", 0},
          {"envt1", 0}, {"envl1", 127}, {"envt2", 40}, {"envl2", 90}, {"envt3", 60}, {"envl3", 90},
          {"envt4", 8}, {"chorusenabled", 1}, {"chorusrate", 82}}},

        // Keys.
        {"Electric Piano", kMajor,
         {{"dcorange", 1}, {"dcosaw", 0}, {"dcopulse", 1}, {"vcfhpf", 1}, {"vcffreq", 55},
          {"vcfreso", 5}, {"vcfenv", 45}, {"vcfenvmode", 2}, {"vcfkeyfollow", 60}, {"vcaenv", 2},
          {"envt1", 0}, {"envl1", 127}, {"envt2", 70}, {"envl2", 60}, {"envt3", 95}, {"envl3", 0},
          {"envt4", 50}, {"envkeyfollow", 20}, {"chorusenabled", 1}, {"chorusrate", 50},
          {"benderrange", 2}}},
        {"Clav Pluck", kMajor,
         {{"dcorange", 1}, {"dcosaw", 0}, {"dcopulse", 2}, {"vcfhpf", 2}, {"vcffreq", 72},
          {"vcfreso", 30}, {"vcfenv", 60}, {"vcfenvmode", 2}, {"vcfkeyfollow", 60}, {"vcalevel", 40}, {"vcaenv", 2},
          {"envt1", 0}, {"envl1", 127}, {"envt2", 45}, {"envl2", 20}, {"envt3", 55}, {"envl3", 0},
          {"envt4", 10}, {"envkeyfollow", 15}, {"benderrange", 2}}},
        {"Harpsichord", kMajor,
         {{"dcorange", 1}, {"dcosaw", 1}, {"dcopulse", 2}, {"vcfhpf", 2}, {"vcffreq", 85},
          {"vcfreso", 8}, {"vcfenv", 30}, {"vcfkeyfollow", 50}, {"vcaenv", 0}, {"envt1", 0},
          {"envl1", 127}, {"envt2", 60}, {"envl2", 30}, {"envt3", 80}, {"envl3", 0}, {"envt4", 25},
          {"envkeyfollow", 20}, {"benderrange", 2}}},

        // Bells.
        {"Glass Bells", kMajor,
         {{"dcorange", 0}, {"dcosaw", 5}, {"dcopulse", 2}, {"vcfhpf", 2}, {"vcffreq", 90},
          {"vcfreso", 60}, {"vcfenv", 20}, {"vcfkeyfollow", 50}, {"vcaenv", 2}, {"envt1", 0},
          {"envl1", 127}, {"envt2", 80}, {"envl2", 40}, {"envt3", 100}, {"envl3", 0}, {"envt4", 85},
          {"envkeyfollow", 10}, {"chorusenabled", 1}, {"chorusrate", 40}, {"benderrange", 2}}},
        {"Tubular Chimes", kMajor,
         {{"dcorange", 1}, {"dcosaw", 2}, {"dcopulse", 1}, {"vcfhpf", 2}, {"vcffreq", 75},
          {"vcfreso", 70}, {"vcfenv", 25}, {"vcfkeyfollow", 50}, {"vcaenv", 2}, {"envt1", 0},
          {"envl1", 127}, {"envt2", 75}, {"envl2", 50}, {"envt3", 105}, {"envl3", 0}, {"envt4", 95},
          {"envkeyfollow", 8}, {"chorusenabled", 1}, {"chorusrate", 35}, {"benderrange", 2}}},

        // Sweeps and effects.
        {"Resonant Sweep", kMajor,
         {{"dcorange", 2}, {"dcosaw", 1}, {"dcopulse", 1}, {"vcfhpf", 1}, {"vcffreq", 55},
          {"vcfreso", 90}, {"vcflfo", 80}, {"vcfkeyfollow", 40}, {"vcaenv", 1}, {"envt4", 60},
          {"lforate", 55}, {"chorusenabled", 1}, {"chorusrate", 45}, {"benderrange", 2}}},
        {"Noise Wind", kMajor,
         {{"dcosaw", 0}, {"dconoiselevel", 3}, {"vcfhpf", 1}, {"vcffreq", 72}, {"vcfreso", 90},
          {"vcflfo", 70}, {"vcfkeyfollow", 60}, {"vcaenv", 0}, {"envt1", 90}, {"envl1", 110},
          {"envt2", 85}, {"envl2", 100}, {"envt3", 90}, {"envl3", 100}, {"envt4", 95}, {"lforate", 50},
          {"chorusenabled", 1}, {"chorusrate", 30}}},
        {"Laser Zap", kMajor,
         {{"dcorange", 0}, {"dcosaw", 1}, {"dcopulse", 2}, {"dcoenvdepth", 110}, {"dcoenvmode", 0},
          {"vcfhpf", 2}, {"vcffreq", 90}, {"vcfreso", 60}, {"vcfenv", 30}, {"vcaenv", 0}, {"envt1", 0},
          {"envl1", 127}, {"envt2", 50}, {"envl2", 0}, {"envt3", 55}, {"envl3", 0}, {"envt4", 40},
          {"mastervolume", 90}}},
        {"Wobble Siren", kMajor,
         {{"dcorange", 1}, {"dcosaw", 1}, {"dcopulse", 3}, {"dcopwm", 90}, {"dcopwmrate", 85},
          {"dcolfo", 127}, {"vcfhpf", 1}, {"vcffreq", 60}, {"vcfreso", 70}, {"vcflfo", 90},
          {"vcaenv", 1}, {"envt4", 40}, {"lforate", 88}, {"monopoly", 0}, {"portatime", 50},
          {"chorusenabled", 1}, {"chorusrate", 80}, {"benderrange", 12}}},
        // Chord memory: one key plays a minor seventh chord, the classic house stab.
        {"Chord Memory Stab", kMinor7,
         {{"dcorange", 1}, {"dcosaw", 1}, {"dcopulse", 1}, {"vcfhpf", 1}, {"vcffreq", 55},
          {"vcfreso", 30}, {"vcfenv", 50}, {"vcfkeyfollow", 50}, {"vcaenv", 0}, {"envt1", 0},
          {"envl1", 127}, {"envt2", 55}, {"envl2", 50}, {"envt3", 65}, {"envl3", 40}, {"envt4", 35},
          {"chordmode", 1}, {"chorusenabled", 1}, {"chorusrate", 60}, {"benderrange", 2}}},
    };
    return sounds;
}

// Sets up the effect with a sound and saves it as folder/<name>.repatch.
bool writeSound(InspectableEffect& effect, const FactorySound& sound, const fs::path& folder) {
    effect.InitializePatch();
    for (const Setting& setting : sound.settings) {
        const ParameterRow* row = rowForId(setting.id);
        if (row == nullptr || setting.value < 0 || setting.value > row->maximum) {
            ADD_FAILURE() << sound.name << ": bad setting " << setting.id;
            return false;
        }
        effect.setParameter(row->index, static_cast<float>(setting.value) / static_cast<float>(row->maximum));
    }
    int notes[6] = {};
    for (std::size_t i = 0; i < sound.chord.size() && i < 6; ++i) notes[i] = sound.chord[i];
    effect.writeChordMemory(static_cast<int>(sound.chord.size()), notes);
    return effect.SavePatch((folder / (std::string(sound.name) + ".repatch")).c_str());
}

const fs::path kLibrary = fs::path(HALVORAX_SOURCE_DIR) / "resources" / "patches";

using FactoryLibraryTest = StateTest;

TEST_F(FactoryLibraryTest, CommittedFilesAreExactlyWhatSavePatchWrites) {
    InspectableEffect effect;
    std::set<std::string> names;
    for (const FactorySound& sound : factorySounds()) {
        ASSERT_TRUE(writeSound(effect, sound, root));
        const std::string file = std::string(sound.name) + ".repatch";
        EXPECT_TRUE(names.insert(file).second) << "duplicate " << file;
        EXPECT_EQ(readText((kLibrary / file).string()), readText(path(file))) << file;
    }
    EXPECT_GE(names.size(), 32u);
    EXPECT_EQ(names.count("RoriVerov1.repatch"), 1u);
    for (const auto& entry : fs::directory_iterator(kLibrary))
        EXPECT_EQ(names.count(entry.path().filename().string()), 1u) << "stray " << entry.path();
}

TEST_F(FactoryLibraryTest, EverySoundLoadsAndRoundTrips) {
    for (const FactorySound& sound : factorySounds()) {
        const std::string file = (kLibrary / (std::string(sound.name) + ".repatch")).string();
        InspectableEffect effect;
        ASSERT_TRUE(effect.LoadPatch(file.c_str())) << file;
        EXPECT_EQ(effect.chordCount(), static_cast<int>(sound.chord.size()));
        ASSERT_TRUE(effect.SavePatch(path("again.repatch").c_str()));
        EXPECT_EQ(readText(path("again.repatch")), readText(file)) << file;
    }
}

TEST_F(FactoryLibraryTest, DISABLED_WriteFactoryLibrary) {
    fs::create_directories(kLibrary);
    InspectableEffect effect;
    for (const FactorySound& sound : factorySounds()) ASSERT_TRUE(writeSound(effect, sound, kLibrary));
}

}  // namespace
}  // namespace halvorax::test
