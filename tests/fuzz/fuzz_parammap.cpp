// TDParameters.txt as a user may have edited it: reading must survive any bytes, map each
// index at most once, keep every mapped range non-empty and finite in width with its default
// inside, and give value lists only to indexed parameters.
#include <AudioUnit/AudioUnitProperties.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ParameterMap.h"
#include "TandemExceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr int kCount = 64;
    std::vector<uint8_t> bytes(data, data + size);
    std::vector<AudioUnitParameterInfo> infos(kCount);
    std::memset(infos.data(), 0, infos.size() * sizeof infos[0]);
    std::vector<CFArrayRef> strings(kCount, nullptr);
    std::vector<UInt32> mapped(tandem::kMaxMappedParameters);
    SInt32 count = 0;
    const tandem::ParameterMapping mapping{kCount, infos.data(), strings.data(), mapped.data(), &count};
    try {
        tandem::ParameterMap::read(bytes.empty() ? nullptr : bytes.data(), bytes.size(), mapping);
    } catch (const tandem::TandemException&) {
        // An empty file.
    }
    if (count < 0 || count > kCount) std::abort();
    std::vector<bool> seen(kCount, false);
    for (SInt32 i = 0; i < count; ++i) {
        const UInt32 index = mapped[size_t(i)];
        if (index >= UInt32(kCount) || seen[index]) std::abort();
        seen[index] = true;
        const AudioUnitParameterInfo& info = infos[index];
        if (info.cfNameString == nullptr) std::abort();
        if (!(info.defaultValue >= info.minValue && info.defaultValue <= info.maxValue)) std::abort();
        const bool indexed = info.unit == kAudioUnitParameterUnit_Indexed;
        if (indexed != (strings[index] != nullptr)) std::abort();
        if (!indexed && !(info.minValue < info.maxValue)) std::abort();
        if (!std::isfinite(info.maxValue - info.minValue)) std::abort();  // values are scaled by it
    }
    for (int i = 0; i < kCount; ++i)
        if (!seen[size_t(i)] && (infos[size_t(i)].cfNameString || strings[size_t(i)])) std::abort();
    tandem::ParameterMap::release(mapping);
    return 0;
}
