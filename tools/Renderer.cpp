#include "Renderer.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "ToolFiles.h"

namespace halvorax {

std::vector<float> renderSong(HostedPlugin& plugin, const MidiSong& song, const RenderSettings& settings,
                              const std::function<void(double)>& progress,
                              const std::function<void(long long)>& beforeBlock) {
    const long long total = static_cast<long long>(std::ceil((song.lengthSeconds + settings.tailSeconds) * settings.sampleRate));
    std::vector<float> interleaved(static_cast<std::size_t>(total) * 2);
    std::vector<float> left(settings.blockSize), right(settings.blockSize);
    float* outputs[2] = {left.data(), right.data()};
    std::vector<HostedPlugin::Midi> block;
    std::size_t next = 0;
    for (long long start = 0; start < total; start += settings.blockSize) {
        const int frames = static_cast<int>(std::min<long long>(settings.blockSize, total - start));
        if (beforeBlock) beforeBlock(start);
        block.clear();
        while (next < song.messages.size()) {
            const long long frame = std::llround(song.messages[next].seconds * settings.sampleRate);
            if (frame >= start + frames) break;
            const TimedMidi& m = song.messages[next++];
            block.push_back({static_cast<int>(std::max(0LL, frame - start)), {m.bytes[0], m.bytes[1], m.bytes[2]}});
        }
        plugin.sendMidi(block);
        plugin.process(outputs, frames);
        for (int i = 0; i < frames; ++i) {
            interleaved[static_cast<std::size_t>(start + i) * 2] = left[i];
            interleaved[static_cast<std::size_t>(start + i) * 2 + 1] = right[i];
        }
        if (progress) progress(static_cast<double>(start + frames) / static_cast<double>(total));
    }
    return interleaved;
}

bool writeWav(const std::string& path, const std::vector<float>& interleaved, double sampleRate, std::string& error) {
    try {
        OutputFile output(path);
        SF_INFO info{};
        info.samplerate = static_cast<int>(sampleRate);
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open_fd(output.descriptor(), SFM_WRITE, &info, SF_FALSE);
        if (file == nullptr) {
            error = "cannot write " + path + ": " + sf_strerror(nullptr);
            return false;
        }
        const sf_count_t frames = static_cast<sf_count_t>(interleaved.size() / 2);
        const bool written = sf_writef_float(file, interleaved.data(), frames) == frames;
        // Closing writes the header's final sizes; its failure shows in the error state.
        const std::string problem = written ? "" : sf_strerror(file);
        if (sf_close(file) != 0 || !written) {
            error = "cannot write " + path + ": " + (problem.empty() ? "the file could not be completed" : problem);
            return false;
        }
        output.commit();
    } catch (const std::runtime_error& failure) {
        error = failure.what();
        return false;
    }
    return true;
}

bool renderLengthAllowed(const MidiSong& song, double tailSeconds, std::string& error) {
    if (song.lengthSeconds + tailSeconds <= kMaxRenderSeconds) return true;
    char text[160];
    std::snprintf(text, sizeof text, "the song lasts %.6g s with its tail; at most %.0f s are rendered",
                  song.lengthSeconds + tailSeconds, kMaxRenderSeconds);
    error = text;
    return false;
}

}  // namespace halvorax
