// The 2052-byte state image the host stores with its project (little-endian on every
// platform we run on).
#pragma once

#include <cstddef>
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

// Projects hold these bytes: the layout never moves.
static_assert(sizeof(StateChunk) == 2052, "state chunk layout");
static_assert(offsetof(StateChunk, values) == 4 && offsetof(StateChunk, chordCount) == 1028 &&
                  offsetof(StateChunk, chordNotes) == 1032 && offsetof(StateChunk, ccMap) == 1056 &&
                  offsetof(StateChunk, path) == 1184 && offsetof(StateChunk, parameterCount) == 1440,
              "state chunk layout");

}  // namespace halvorax
