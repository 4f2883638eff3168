// Offline rendering of a MIDI song through a hosted plug-in into a WAV file.
#pragma once

#include <sndfile.h>

#include <functional>
#include <string>
#include <vector>

#include "MidiFile.h"
#include "RenderTarget.h"
#include "ToolFiles.h"

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

// A stereo 32-bit float WAV file (libsndfile) written block by block into a temporary file
// beside `path`, which replaces `path` only once commit() succeeds: a failed render or write
// keeps the old file. Failures raise std::runtime_error with a one-line reason.
class WavWriter {
public:
    WavWriter(const std::string& path, double sampleRate);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void write(const float* left, const float* right, int frames);
    void commit();
    double seconds() const { return static_cast<double>(frames_) / sampleRate_; }

private:
    std::string path_;
    double sampleRate_;
    OutputFile output_;
    SNDFILE* file_ = nullptr;
    std::vector<float> interleaved_;
    long long frames_ = 0;
};

// Renders the song block by block, handing each block its events at their frame offsets,
// and each block's frames to `output`. `beforeBlock`, when set, is called with each block's
// first frame before it renders; `progress`, when set, with the fraction done after every block.
void renderSong(RenderTarget& plugin, const MidiSong& song, const RenderSettings& settings, WavWriter& output,
                const std::function<void(double)>& progress = {},
                const std::function<void(long long)>& beforeBlock = {});

}  // namespace halvorax
