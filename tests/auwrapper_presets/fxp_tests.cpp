// FXP and FXB data: the byte layout written, and what reading applies, refuses and reports.
#include <cmath>

#include "FakeEffect.h"
#include "FxpFxb.h"
#include "TandemExceptions.h"

using namespace tandem;
using namespace tandem::test;

namespace {

int32_t intAt(const std::vector<unsigned char>& bytes, size_t offset) {
    int32_t value = 0;
    FxCodec::readBigInt32(bytes.data() + offset, bytes.data() + bytes.size(), value);
    return value;
}

std::string textAt(const std::vector<unsigned char>& bytes, size_t offset, size_t length) {
    return std::string(reinterpret_cast<const char*>(bytes.data() + offset), length);
}

}  // namespace

TEST(FxWriting, ParameterProgramLayout) {
    FakeEffect effect(3, 1);
    effect.values[0] = {0.25f, 0.5f, 1.0f};
    effect.names[0] = "Lead";
    const std::vector<unsigned char> fxp = FxCodec(effect).createFXP();
    ASSERT_EQ(fxp.size(), 56u + 12u);
    EXPECT_EQ(textAt(fxp, 0, 4), "CcnK");
    EXPECT_EQ(intAt(fxp, 4), int32_t(fxp.size() - 8));
    EXPECT_EQ(textAt(fxp, 8, 4), "FxCk");
    EXPECT_EQ(intAt(fxp, 12), 1);
    EXPECT_EQ(textAt(fxp, 16, 4), "Test");
    EXPECT_EQ(intAt(fxp, 20), 7);
    EXPECT_EQ(intAt(fxp, 24), 3);
    EXPECT_EQ(textAt(fxp, 28, 28), std::string("Lead") + std::string(24, '\0'));
    EXPECT_EQ(intAt(fxp, 56), 0x3E800000);  // 0.25f, big-endian
    EXPECT_EQ(intAt(fxp, 64), 0x3F800000);
}

TEST(FxWriting, ChunkProgramAndBankLayout) {
    FakeEffect effect(4, 2, true);
    effect.programChunk = {1, 2, 3};
    effect.bankChunk = {9, 8, 7, 6, 5};
    effect.names[0] = "A name longer than twenty-four characters";
    const std::vector<unsigned char> fxp = FxCodec(effect).createFXP();
    ASSERT_EQ(fxp.size(), 63u);
    EXPECT_EQ(textAt(fxp, 8, 4), "FPCh");
    EXPECT_EQ(intAt(fxp, 24), 4);
    EXPECT_EQ(textAt(fxp, 28, 28), std::string("A name longer than twenty").substr(0, 24) + std::string(4, '\0'));
    EXPECT_EQ(intAt(fxp, 56), 3);
    EXPECT_EQ(fxp[60], 1);

    const std::vector<unsigned char> fxb = FxCodec(effect).createFXB();
    ASSERT_EQ(fxb.size(), 165u);
    EXPECT_EQ(textAt(fxb, 8, 4), "FBCh");
    EXPECT_EQ(intAt(fxb, 4), 157);
    EXPECT_EQ(intAt(fxb, 24), 2);
    EXPECT_EQ(textAt(fxb, 28, 128), std::string(128, '\0'));
    EXPECT_EQ(intAt(fxb, 156), 5);
    EXPECT_EQ(fxb[164], 5);
}

TEST(FxWriting, EmptyChunkIsRefused) {
    FakeEffect effect(4, 1, true);
    EXPECT_EQ(failure<TandemException>([&] { FxCodec(effect).createFXP(); }), "VST could not create chunk for FXP");
    EXPECT_EQ(failure<TandemException>([&] { FxCodec(effect).createFXB(); }), "VST could not create chunk for FXB");
}

TEST(FxWriting, ParameterBankWalksProgramsAndReselects) {
    FakeEffect effect(2, 3);
    effect.values = {{0.1f, 0.2f}, {0.3f, 0.4f}, {0.5f, 0.6f}};
    effect.names = {"One", "Two", "Three"};
    effect.current = 1;
    const std::vector<unsigned char> fxb = FxCodec(effect).createFXB();
    ASSERT_EQ(fxb.size(), 156u + 3 * 64u);
    EXPECT_EQ(textAt(fxb, 8, 4), "FxBk");
    EXPECT_EQ(intAt(fxb, 24), 3);
    EXPECT_EQ(textAt(fxb, 156 + 64 * 2 + 28, 5), std::string("Three"));
    EXPECT_EQ(effect.current, 1);

    FakeEffect other(2, 3);
    other.current = 2;
    EXPECT_TRUE(FxCodec(other).loadFXPOrFXB(fxb.size(), fxb.data()));
    EXPECT_EQ(other.values, effect.values);
    EXPECT_EQ(other.names, effect.names);
    EXPECT_EQ(other.current, 2);
}

// Parameter records round trip through the ClassInfo tests (AUPresetDictionary) and the bank test above;
// banks of chunks through the FXP fuzz target's seeds (chunkbank.fxb), which run with the suite.
TEST(FxReading, ChunkRoundTrips) {
    FakeEffect chunky(3, 1, true);
    chunky.programChunk = {4, 5, 6, 7};
    chunky.names[0] = "Chunky";
    const std::vector<unsigned char> program = FxCodec(chunky).createFXP();
    FakeEffect restored(3, 1, true);
    EXPECT_TRUE(FxCodec(restored).loadFXPOrFXB(program.size(), program.data()));
    EXPECT_EQ(restored.programChunk, chunky.programChunk);
    EXPECT_EQ(restored.names[0], "Chunky");
    restored.chunkResult = 0;  // the effect refused the chunk
    EXPECT_FALSE(FxCodec(restored).loadFXPOrFXB(program.size(), program.data()));
}

TEST(FxReading, AnotherParameterCountIsReadUpToTheEffectsCountAndReported) {
    FakeEffect effect(4, 1);
    effect.values[0] = {0.9f, 0.9f, 0.9f, 0.9f};
    const std::vector<unsigned char> fewer = fxCk(effect.id, {0.5f, 0.25f});
    EXPECT_FALSE(FxCodec(effect).loadFXPOrFXB(fewer.size(), fewer.data()));
    EXPECT_EQ(effect.values[0], (std::vector<float>{0.5f, 0.25f, 0.0f, 0.0f}));  // the rest set to zero
    EXPECT_EQ(effect.begins, 1);  // the values are set between the effect's begin and end of a program
    EXPECT_EQ(effect.ends, 1);
    const std::vector<unsigned char> more = fxCk(effect.id, {0.5f, 0.25f, 0.125f, 1.0f, 1.0f});
    EXPECT_FALSE(FxCodec(effect).loadFXPOrFXB(more.size(), more.data()));
    EXPECT_EQ(effect.values[0], (std::vector<float>{0.5f, 0.25f, 0.125f, 1.0f}));
}

TEST(FxReading, ValuesOutsideTheRangeAreClampedAndReportedAndNonNumbersRefused) {
    FakeEffect effect(3, 1);
    const std::vector<unsigned char> fxp = fxCk(effect.id, {1e30f, -0.2f, 0.3f});
    EXPECT_FALSE(FxCodec(effect).loadFXPOrFXB(fxp.size(), fxp.data()));
    EXPECT_EQ(effect.values[0], (std::vector<float>{1.0f, 0.0f, 0.3f}));

    const std::vector<unsigned char> exact = fxCk(effect.id, {1.0f, 0.0f, 0.1f});
    EXPECT_TRUE(FxCodec(effect).loadFXPOrFXB(exact.size(), exact.data()));
    EXPECT_EQ(effect.values[0], (std::vector<float>{1.0f, 0.0f, 0.1f}));

    for (float bad : {std::nanf(""), HUGE_VALF, -HUGE_VALF}) {
        const std::vector<unsigned char> refused = fxCk(effect.id, {0.5f, bad, 0.5f});
        EXPECT_THROW(FxCodec(effect).loadFXPOrFXB(refused.size(), refused.data()), FormatException);
        EXPECT_EQ(effect.values[0], (std::vector<float>{1.0f, 0.0f, 0.1f}));
    }
}

struct Refusal {
    const char* what;
    bool chunks;                                                  // the effect keeps its state in chunks
    std::function<std::vector<unsigned char>(FakeEffect&)> data;  // made from an effect like the target
    bool endOfFile;                                               // EOFException, else FormatException
    const char* message;
};

std::vector<unsigned char> withInt(std::vector<unsigned char> bytes, size_t offset, int32_t value) {
    FxCodec::writeBigInt32(bytes.data() + offset, value);
    return bytes;
}

// Refused data changes nothing: no value, chunk, name or program is applied before the refusal.
TEST(FxReading, RefusedDataChangesNothing) {
    const char* const invalid = "Invalid format of FXP / FXB data";
    const char* const eof = "End of file error";
    const char* const chunkEnd = "Unexpected end of file in FXP / FXB data";
    const auto program = [](FakeEffect& e) { return fxCk(e.id, {0.5f, 0.5f}); };
    const auto damaged = [&](size_t at, unsigned char byte) {
        return [=](FakeEffect& e) {
            std::vector<unsigned char> bytes = program(e);
            bytes[at] = byte;
            return bytes;
        };
    };
    const auto cut = [](std::vector<unsigned char> bytes, size_t size) {
        bytes.resize(size);
        return bytes;
    };
    const Refusal refusals[] = {
        {"another plug-in", false,
         [](FakeEffect&) {
             return fxCk(fourCC('O', 't', 'h', 'r'), {0.5f, 0.5f});
         },
         false, invalid},
        {"magic", false, damaged(0, 'X'), false, invalid},
        {"record version", false, damaged(15, 2), false, invalid},
        {"record kind", false, damaged(8, 'Q'), false, invalid},
        {"byte size past the data", false, [&](FakeEffect& e) { return withInt(program(e), 4, 57); }, false, invalid},
        {"ten bytes", false, [&](FakeEffect& e) { return cut(program(e), 10); }, true, eof},
        {"no bytes", false, [](FakeEffect&) { return std::vector<unsigned char>(); }, true, eof},
        {"a byte size that fits the cut data", false,
         [&](FakeEffect& e) { return cut(withInt(program(e), 4, 40), 61); }, true, eof},
        {"program chunk past the end", true, [](FakeEffect& e) { return withInt(FxCodec(e).createFXP(), 56, 5); }, true,
         chunkEnd},
        {"negative chunk size", true, [](FakeEffect& e) { return withInt(FxCodec(e).createFXP(), 56, -1); }, true,
         chunkEnd},
        {"bank chunk past the end", true, [](FakeEffect& e) { return withInt(FxCodec(e).createFXB(), 156, 5); }, true,
         "Unexpected end of file in FXB data"},
        {"third bank record", false, [](FakeEffect& e) { return withInt(FxCodec(e).createFXB(), 156 + 64 * 2, 0); },
         false, invalid},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        FakeEffect source(2, 3, r.chunks);
        source.values = {{0.1f, 0.1f}, {0.2f, 0.2f}, {0.3f, 0.3f}};
        source.programChunk = source.bankChunk = {1, 2, 3, 4};
        const std::vector<unsigned char> bytes = r.data(source);
        FakeEffect target(2, 3, r.chunks);
        target.names[0] = "Kept";
        const auto load = [&] { FxCodec(target).loadFXPOrFXB(bytes.size(), bytes.data()); };
        EXPECT_EQ(r.endOfFile ? failure<EOFException>(load) : failure<FormatException>(load), r.message);
        EXPECT_EQ(target.names[0], "Kept");
        EXPECT_EQ(target.parameterSets + target.chunkSets + target.begins, 0);
        EXPECT_EQ(target.current, 0);
    }
}

TEST(FxReading, ThePlugInVersionIsNotChecked) {
    FakeEffect effect(2, 1);
    std::vector<unsigned char> newer = fxCk(effect.id, {0.5f, 0.5f});
    newer[23] = 99;
    EXPECT_TRUE(FxCodec(effect).loadFXPOrFXB(newer.size(), newer.data()));
    EXPECT_EQ(effect.values[0], (std::vector<float>{0.5f, 0.5f}));
}

// A bank of more programs with more values each: the effect's count of programs is loaded,
// each record stepped over whole, and the program selected before is selected again.
TEST(FxReading, BankWithMoreProgramsAndValuesLoadsTheEffectsCountAndReselects) {
    FakeEffect source(3, 4);
    source.values = {{0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}, {0.7f, 0.7f, 0.7f}, {0.8f, 0.8f, 0.8f}};
    const std::vector<unsigned char> fxb = FxCodec(source).createFXB();
    FakeEffect effect(2, 2);
    effect.current = 1;
    EXPECT_FALSE(FxCodec(effect).loadFXPOrFXB(fxb.size(), fxb.data()));
    EXPECT_EQ(effect.values, (std::vector<std::vector<float>>{{0.1f, 0.2f}, {0.4f, 0.5f}}));
    EXPECT_EQ(effect.current, 1);
    EXPECT_EQ(effect.selections.back(), 1);
}
