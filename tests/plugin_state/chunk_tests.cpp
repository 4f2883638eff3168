// The state chunk: its layout, the fields each version carries, and chunks a host or a
// damaged project hands back.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "StateChunk.h"
#include "StateTestSupport.h"

namespace halvorax::test {
namespace {

using ChunkTest = StateTest;

StateChunk chunkOf(HalvoVST2& effect) {
    void* data = nullptr;
    EXPECT_EQ(effect.getChunk(&data), 2052);
    StateChunk copy;
    std::memcpy(&copy, data, sizeof copy);
    return copy;
}

// A chunk of the given version with recognisable contents in every field.
StateChunk sampleChunk(int32_t version) {
    StateChunk c;
    std::memset(&c, 0, sizeof c);
    c.version = version;
    for (int i = 0; i < 60; ++i) c.values[i] = static_cast<float>(i) / 64.0f;
    c.chordCount = 4;
    const int32_t notes[6] = {0, 4, 7, 10, 0, 0};
    std::memcpy(c.chordNotes, notes, sizeof notes);
    std::memset(c.ccMap, 0xff, sizeof c.ccMap);
    c.ccMap[7] = 43;
    c.ccMap[74] = 14;
    std::strcpy(c.path, "/songs/pads/Warm.repatch");
    c.parameterCount = 60;
    return c;
}

TEST_F(ChunkTest, GetChunkWritesTheCurrentState) {
    InspectableEffect effect;
    effect.setParameter(14, 0.25f);
    effect.setChord(3, 0, 3, 7);
    effect.setController(1, 14);
    effect.splitPatchFilename("/x/y/Bass.repatch");
    void* data = nullptr;
    ASSERT_EQ(effect.getChunk(&data), 2052);
    EXPECT_EQ(std::memcmp(data, "\x04\x00\x10\x00", 4), 0);  // little-endian 0x100004
    const StateChunk c = chunkOf(effect);
    EXPECT_EQ(c.values[14], 0.25f);
    for (int i = 60; i < 256; ++i) EXPECT_EQ(c.values[i], 0.0f);
    EXPECT_EQ(c.chordCount, 3);
    EXPECT_EQ(c.chordNotes[2], 7);
    EXPECT_EQ(c.ccMap[1], 14);
    EXPECT_EQ(c.ccMap[0], -1);
    EXPECT_STREQ(c.path, "/x/y/Bass.repatch");
    EXPECT_EQ(c.parameterCount, 60);
    for (char byte : c.reserved) EXPECT_EQ(byte, 0);
}

TEST_F(ChunkTest, EveryVersionRestoresItsFieldsAndIsWrittenBackAsTheNewest) {
    for (int32_t version = 0x100000; version <= 0x100004; ++version) {
        SCOPED_TRACE(version);
        InspectableEffect effect;
        effect.setController(20, 5);
        effect.splitPatchFilename("/mine/Current.repatch");
        effect.setChord(3, 0, 3, 7);
        StateChunk in = sampleChunk(version);
        effect.clearChanged();
        EXPECT_EQ(effect.setChunk(&in, sizeof in), 2052);
        EXPECT_TRUE(effect.changed());
        for (int i = 0; i < 60; ++i) EXPECT_EQ(effect.value(i), in.values[i]);

        const StateChunk out = chunkOf(effect);
        EXPECT_EQ(out.version, 0x100004);
        EXPECT_EQ(0, std::memcmp(out.values, in.values, sizeof out.values));
        if (version >= 0x100001) {
            EXPECT_EQ(out.chordCount, 4);
            EXPECT_EQ(out.chordNotes[3], 10);
        } else {
            EXPECT_EQ(out.chordCount, 1);  // an older chunk leaves a single note
            EXPECT_EQ(out.chordNotes[0], 0);
        }
        if (version >= 0x100002) {
            EXPECT_EQ(0, std::memcmp(out.ccMap, in.ccMap, sizeof out.ccMap));
        } else {
            EXPECT_EQ(effect.controller(20), 5);  // older chunks keep the current map
            EXPECT_EQ(effect.controller(7), -1);
        }
        if (version >= 0x100003) {
            EXPECT_STREQ(out.path, in.path);
            EXPECT_STREQ(effect.getPatchFile(), "Warm.repatch");
        } else {
            EXPECT_STREQ(out.path, "/mine/Current.repatch");  // and the current patch name
        }
    }
}

TEST_F(ChunkTest, TheHostMayHandBackTheChunkItWasGiven) {
    InspectableEffect effect;
    effect.setParameter(3, 0.5f);
    void* data = nullptr;
    const int size = effect.getChunk(&data);
    EXPECT_EQ(effect.setChunk(data, size), size);
    EXPECT_EQ(effect.value(3), 0.5f);
}

TEST_F(ChunkTest, ChunksOfAnySizeAreReadOnlyAsFarAsTheyGo) {
    InspectableEffect effect;
    effect.setController(9, 12);
    effect.splitPatchFilename("/keep/Me.repatch");
    StateChunk in = sampleChunk(0x100004);
    // Version and the first ten values only.
    std::vector<unsigned char> bytes(reinterpret_cast<unsigned char*>(&in), reinterpret_cast<unsigned char*>(&in) + 44);
    const float cutoff = effect.value(14);
    EXPECT_EQ(effect.setChunk(bytes.data(), static_cast<VstInt32>(bytes.size())), 44);
    EXPECT_EQ(effect.value(9), in.values[9]);
    EXPECT_EQ(effect.value(14), cutoff);
    EXPECT_EQ(effect.controller(9), 12);
    EXPECT_STREQ(effect.getPatchFile(), "Me.repatch");

    // Sizes that carry nothing at all change nothing.
    effect.clearChanged();
    EXPECT_EQ(effect.setChunk(bytes.data(), 3), 3);
    EXPECT_EQ(effect.setChunk(nullptr, 2052), 2052);
    EXPECT_EQ(effect.setChunk(bytes.data(), -5), -5);
    EXPECT_FALSE(effect.changed());

    // Every length from 0 to a whole chunk, as a damaged project could hold; past it, the rest
    // is not read.
    for (int size = 0; size <= 2052; size += 7) effect.setChunk(&in, size);
    std::vector<unsigned char> longer(4000, 0xAB);
    std::memcpy(longer.data(), &in, sizeof in);
    EXPECT_EQ(effect.setChunk(longer.data(), 4000), 4000);
    EXPECT_EQ(effect.value(30), in.values[30]);
}

TEST_F(ChunkTest, HostileFieldsAreTamed) {
    InspectableEffect effect;
    StateChunk in = sampleChunk(0x100004);
    in.values[5] = std::numeric_limits<float>::quiet_NaN();
    in.values[6] = std::numeric_limits<float>::infinity();
    in.chordCount = 1000;
    in.chordNotes[0] = -50;
    in.chordNotes[1] = 5000;
    for (int i = 0; i < 128; ++i) in.ccMap[i] = static_cast<int8_t>(i);  // 60..127 are no parameters
    in.ccMap[1] = -7;
    std::memset(in.path, 'a', sizeof in.path);  // unterminated
    const float before5 = effect.value(5);
    effect.setChunk(&in, sizeof in);
    EXPECT_EQ(effect.value(5), before5);
    EXPECT_TRUE(std::isfinite(effect.value(6)));
    EXPECT_EQ(effect.chordCount(), 6);
    EXPECT_EQ(effect.chordNote(0), 0);
    EXPECT_EQ(effect.chordNote(1), 127);
    EXPECT_EQ(effect.controller(59), 59);
    EXPECT_EQ(effect.controller(60), -1);
    EXPECT_EQ(effect.controller(127), -1);
    EXPECT_EQ(effect.controller(1), -1);
    EXPECT_EQ(std::strlen(effect.getPatchFile()), 255u);

    const StateChunk out = chunkOf(effect);
    EXPECT_EQ(out.path[255], 0);
}

TEST_F(ChunkTest, AnOverLongPatchPathIsCutInTheChunk) {
    InspectableEffect effect;
    const std::string folder = "/" + std::string(250, 'f');
    const std::string file = std::string(200, 'n') + ".repatch";
    effect.splitPatchFilename((folder + "/" + file).c_str());
    const StateChunk out = chunkOf(effect);
    EXPECT_EQ(std::strlen(out.path), 255u);
    EXPECT_EQ(std::string(out.path), (folder + "/" + file).substr(0, 255));
}

}  // namespace
}  // namespace halvorax::test
