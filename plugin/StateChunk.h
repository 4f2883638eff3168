// The 2052-byte state image the host stores with its project (little-endian on every
// platform we run on).
#pragma once

#include <cstdint>

namespace halvorax {

struct StateChunk {
    int32_t version;
    float values[256];
    int32_t chordCount;
    int32_t chordNotes[6];
    int8_t ccMap[128];
    char path[256];
    int32_t parameterCount;
    char reserved[608];
};

static_assert(sizeof(StateChunk) == 2052, "state chunk layout");

}  // namespace halvorax
