// The effect the wrapper-format fuzz targets apply data to: plain fields behind EffectAccess,
// with checks that whatever was applied stayed within the effect's ranges.
#pragma once

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "EffectAccess.h"
#include "FxpFxb.h"

class PresetFuzzEffect : public tandem::EffectAccess {
public:
    PresetFuzzEffect(int parameters, int programs, bool chunks)
        : values(size_t(programs) * size_t(parameters), 0.5f),
          parameters(parameters),
          programs(programs),
          chunks(chunks) {}

    int32_t uniqueId() override { return tandem::fourCC('F', 'u', 'z', 'z'); }
    int32_t effectVersion() override { return 1; }
    int32_t parameterCount() override { return parameters; }
    int32_t programCount() override { return programs; }
    bool hasProgramChunks() override { return chunks; }
    float getParameter(int32_t index) override { return values[slot(index)]; }
    void setParameter(int32_t index, float value) override {
        if (!(value >= 0.0f && value <= 1.0f)) std::abort();  // the reader clamps every value
        values[slot(index)] = value;
    }
    int32_t getCurrentProgram() override { return current; }
    void setCurrentProgram(int32_t program) override {
        if (program < 0 || program >= programs) std::abort();
        current = program;
    }
    void getCurrentProgramName(char* text) override { std::snprintf(text, 25, "%s", name.c_str()); }
    void setCurrentProgramName(const char* text) override {
        if (std::strlen(text) > 24) std::abort();
        name = text;
    }
    void getParameterName(int32_t, char* text) override { text[0] = 0; }
    void getParameterLabel(int32_t, char* text) override { text[0] = 0; }
    void getParameterDisplay(int32_t, char* text) override { text[0] = 0; }
    void beginSetProgram() override { ++depth; }
    void endSetProgram() override {
        if (--depth != 0) std::abort();
    }
    intptr_t getChunk(bool, void** data) override {
        *data = chunk.empty() ? nullptr : chunk.data();
        return intptr_t(chunk.size());
    }
    intptr_t setChunk(bool, const void* data, int32_t size) override {
        if (size < 0) std::abort();
        auto bytes = static_cast<const unsigned char*>(data);
        chunk.assign(bytes, bytes + size);
        return 1;
    }

    std::vector<float> values;
    std::vector<unsigned char> chunk = std::vector<unsigned char>(3, 7);
    std::string name;
    int depth = 0;

private:
    size_t slot(int32_t index) const {
        if (index < 0 || index >= parameters) std::abort();
        return size_t(current) * size_t(parameters) + size_t(index);
    }
    int parameters, programs;
    bool chunks;
    int32_t current = 0;
};
