// The editor modes of halvorax-render: a screenshot of the whole panel drawn off-screen
// (no X server needed), and the editor opened in a real X window for a person to play with.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace halvorax {

struct ScreenshotSettings {
    std::string pngPath;
    std::vector<std::string> patches;              // the last one is shown
    std::vector<std::pair<int, float>> overrides;  // parameter index, normalized value
    int idleTicks = 81;                            // past the version banner and its fade: the status line shows
};

// Makes the effect in this process, opens its editor off-screen, idles it and writes the
// frame as a PNG. Returns the process exit code.
int runScreenshot(const ScreenshotSettings& settings);

// Opens the plug-in's editor inside a top-level window of this tool, idling it about 30
// times a second; with a MIDI file, plays it in a loop (rendered in real time, not heard).
// Runs until the window is closed or the process is interrupted.
int runEditorWindow(const std::string& pluginPath, const std::string& midiPath);

// The bundle's Resources folder beside this tool's build (bin/../Halvorax.vst/...), used
// when HALVORAX_RESOURCES is not set.
std::string defaultBundleResources();
std::string defaultPluginPath();

}  // namespace halvorax
