// What the preset, FXP/FXB and parameter-map code needs of a hosted VST effect. The wrapper's
// VSTPlugIn answers it through the effect's dispatcher; tests answer it with a plain object.
#pragma once

#include <cstdint>

namespace tandem {

class EffectAccess {
public:
    virtual ~EffectAccess() = default;

    // Fields of the effect record.
    virtual int32_t uniqueId() = 0;
    virtual int32_t effectVersion() = 0;
    virtual int32_t parameterCount() = 0;
    virtual int32_t programCount() = 0;
    virtual bool hasProgramChunks() = 0;

    virtual float getParameter(int32_t index) = 0;
    virtual void setParameter(int32_t index, float value) = 0;

    virtual int32_t getCurrentProgram() = 0;
    virtual void setCurrentProgram(int32_t program) = 0;
    // Text getters fill a 25-byte buffer: at most 24 characters and a terminator.
    virtual void getCurrentProgramName(char* text) = 0;
    virtual void setCurrentProgramName(const char* text) = 0;
    virtual void getParameterName(int32_t index, char* text) = 0;
    virtual void getParameterLabel(int32_t index, char* text) = 0;
    virtual void getParameterDisplay(int32_t index, char* text) = 0;

    // effBeginSetProgram / effEndSetProgram around a program load.
    virtual void beginSetProgram() = 0;
    virtual void endSetProgram() = 0;

    // effGetChunk / effSetChunk: index 1 for the current program, 0 for the bank. getChunk
    // returns the size (0 when there is no dispatcher or no chunk); setChunk the effect's result.
    virtual intptr_t getChunk(bool program, void** data) = 0;
    virtual intptr_t setChunk(bool program, const void* data, int32_t size) = 0;
};

}  // namespace tandem
