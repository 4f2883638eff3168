// A WAV file read whole: its samples, interleaved, and its format; no samples when unreadable.
#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

namespace halvorax::test {

inline std::vector<float> readWav(const std::string& path, SF_INFO& info) {
    info = SF_INFO{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {};
    std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

}  // namespace halvorax::test
