#include "Renderer.h"

#include <sndfile.h>

#include <cmath>

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
    SF_INFO info{};
    info.samplerate = static_cast<int>(sampleRate);
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    const sf_count_t frames = static_cast<sf_count_t>(interleaved.size() / 2);
    const sf_count_t written = sf_writef_float(file, interleaved.data(), frames);
    sf_close(file);
    if (written != frames) {
        error = "cannot write " + path + ": short write";
        return false;
    }
    return true;
}

}  // namespace halvorax
