// Offline rendering of a MIDI song through a hosted plug-in into stereo frames.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "MidiFile.h"
#include "VstHost.h"

namespace halvorax {

// The longest song (with its tail) the tools render: an hour of audio.
constexpr double kMaxRenderSeconds = 3600.0;

struct RenderSettings {
    double sampleRate = 44100.0;
    int blockSize = 512;
    double tailSeconds = 2.0;  // rendered after the song's last event
};

// False, with a one-line `error`, when the song and its tail last longer than kMaxRenderSeconds.
bool renderLengthAllowed(const MidiSong& song, double tailSeconds, std::string& error);

// Renders the song block by block, handing each block its events at their frame offsets.
// `beforeBlock`, when set, is called with each block's first frame before it renders;
// `progress`, when set, with the fraction done after every block.
std::vector<float> renderSong(HostedPlugin& plugin, const MidiSong& song, const RenderSettings& settings,
                              const std::function<void(double)>& progress = {},
                              const std::function<void(long long)>& beforeBlock = {});

// Writes interleaved stereo float frames as a 32-bit float WAV file (libsndfile), through a
// temporary file renamed over `path`: a failed write keeps the old file.
bool writeWav(const std::string& path, const std::vector<float>& interleaved, double sampleRate,
              std::string& error);

}  // namespace halvorax
