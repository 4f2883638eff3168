#include "Renderer.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "ToolFiles.h"

namespace halvorax {

void renderSong(RenderTarget& plugin, const MidiSong& song, const RenderSettings& settings, WavWriter& output,
                const std::function<void(double)>& progress, const std::function<void(long long)>& beforeBlock) {
    const long long total =
        static_cast<long long>(std::ceil((song.lengthSeconds + settings.tailSeconds) * settings.sampleRate));
    std::vector<float> left(settings.blockSize), right(settings.blockSize);
    float* outputs[2] = {left.data(), right.data()};
    std::vector<RenderTarget::Midi> block;
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
        output.write(left.data(), right.data(), frames);
        if (progress) progress(static_cast<double>(start + frames) / static_cast<double>(total));
    }
}

WavWriter::WavWriter(const std::string& path, double sampleRate) : path_(path), sampleRate_(sampleRate), output_(path) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(sampleRate);
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    file_ = sf_open_fd(output_.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr) throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
}

WavWriter::~WavWriter() {
    if (file_) sf_close(file_);
}

void WavWriter::write(const float* left, const float* right, int frames) {
    interleaved_.resize(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        interleaved_[static_cast<std::size_t>(i) * 2] = left[i];
        interleaved_[static_cast<std::size_t>(i) * 2 + 1] = right[i];
    }
    if (sf_writef_float(file_, interleaved_.data(), frames) != frames)
        throw std::runtime_error("cannot write " + path_ + ": " + sf_strerror(file_));
    frames_ += frames;
}

void WavWriter::commit() {
    // Closing writes the header's final sizes; a failure there shows in its result.
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0) throw std::runtime_error("cannot write " + path_ + ": " + sf_error_number(closed));
    output_.commit();
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
