// Test support: an effect behind EffectAccess with programs, parameters and chunks held in
// plain fields, recording what the preset code does to it; and FXP records of given values.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <CoreFoundation/CoreFoundation.h>

#include "../support/TestFiles.h"
#include "EffectAccess.h"
#include "FxpFxb.h"

namespace tandem::test {

class FakeEffect : public EffectAccess {
public:
    FakeEffect(int parameters, int programs, bool chunks = false)
        : values(size_t(programs), std::vector<float>(size_t(parameters), 0.0f)),
          names(size_t(programs)),
          chunks(chunks) {}

    int32_t uniqueId() override { return id; }
    int32_t effectVersion() override { return version; }
    int32_t parameterCount() override { return int32_t(values[0].size()); }
    int32_t programCount() override { return int32_t(values.size()); }
    bool hasProgramChunks() override { return chunks; }
    float getParameter(int32_t index) override { return values[size_t(current)][size_t(index)]; }
    void setParameter(int32_t index, float value) override {
        values[size_t(current)][size_t(index)] = value;
        ++parameterSets;
    }
    int32_t getCurrentProgram() override { return current; }
    void setCurrentProgram(int32_t program) override {
        if (program >= 0 && program < programCount()) current = program;
        selections.push_back(program);
    }
    void getCurrentProgramName(char* text) override { std::snprintf(text, 25, "%s", names[size_t(current)].c_str()); }
    void setCurrentProgramName(const char* text) override { names[size_t(current)] = std::string(text).substr(0, 24); }
    void getParameterName(int32_t index, char* text) override {
        std::snprintf(text, 25, "%s",
                      index < int32_t(parameterNames.size()) ? parameterNames[size_t(index)].c_str() : "");
    }
    void getParameterLabel(int32_t index, char* text) override {
        std::snprintf(text, 25, "%s", index < int32_t(labels.size()) ? labels[size_t(index)].c_str() : "");
    }
    void getParameterDisplay(int32_t index, char* text) override {
        const float value = getParameter(index);
        std::string shown = display ? display(index, value) : std::to_string(value);
        std::snprintf(text, 25, "%s", shown.c_str());
    }
    void beginSetProgram() override { ++begins; }
    void endSetProgram() override { ++ends; }
    intptr_t getChunk(bool program, void** data) override {
        std::vector<unsigned char>& chunk = program ? programChunk : bankChunk;
        *data = chunk.empty() ? nullptr : chunk.data();
        return intptr_t(chunk.size());
    }
    intptr_t setChunk(bool program, const void* data, int32_t size) override {
        auto bytes = static_cast<const unsigned char*>(data);
        (program ? programChunk : bankChunk).assign(bytes, bytes + size);
        ++chunkSets;
        return chunkResult;
    }

    int32_t id = fourCC('T', 'e', 's', 't');
    int32_t version = 7;
    std::vector<std::vector<float>> values;  // per program
    std::vector<std::string> names;          // per program
    std::vector<std::string> parameterNames, labels;
    std::function<std::string(int, float)> display;
    bool chunks;
    int32_t current = 0;
    std::vector<unsigned char> programChunk, bankChunk;
    intptr_t chunkResult = 1;
    int begins = 0, ends = 0, parameterSets = 0, chunkSets = 0;
    std::vector<int32_t> selections;
};

using ScratchFolder = halvorax::test::TempFolder;
using halvorax::test::readText;
using halvorax::test::writeText;

// The message of the `Exception` that `action` raises, or "no exception".
template <typename Exception>
std::string failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return error.what();
    }
    return "no exception";
}

// A mutable copy of a dictionary, to change one key of what the code made.
inline CFMutableDictionaryRef mutableCopyOf(CFDictionaryRef dict) {
    CFMutableDictionaryRef copy =
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFDictionaryApplyFunction(
        dict,
        [](const void* key, const void* value, void* target) {
            CFDictionarySetValue(static_cast<CFMutableDictionaryRef>(target), key, value);
        },
        copy);
    return copy;
}

// An "FxCk" record with the given values, as an effect `id` with that many parameters writes it
// (the writing tests pin that layout byte for byte).
inline std::vector<unsigned char> fxCk(int32_t id, const std::vector<float>& values) {
    FakeEffect effect(int(values.size()), 1);
    effect.id = id;
    effect.values[0] = values;
    return FxCodec(effect).createFXP();
}

}  // namespace tandem::test
