// EffectAccess over a VSTPlugIn: what the preset and parameter-map code asks of the effect,
// answered through the plug-in's own operations (exceptions of the effect already swallowed).
#pragma once

#include "EffectAccess.h"
#include "VSTPlugIn.h"

namespace tandem {

class VSTPlugInAccess : public EffectAccess {
public:
    explicit VSTPlugInAccess(VSTPlugIn& plugin) : plugin(plugin) {}

    int32_t uniqueId() override { return plugin.getUniqueID(); }
    int32_t effectVersion() override { return plugin.getEffectVersion(); }
    int32_t parameterCount() override { return plugin.getParameterCount(); }
    int32_t programCount() override { return plugin.getProgramCount(); }
    bool hasProgramChunks() override { return plugin.hasProgramChunks(); }
    float getParameter(int32_t index) override { return plugin.getParameter(index); }
    void setParameter(int32_t index, float value) override { plugin.setParameter(index, value); }
    int32_t getCurrentProgram() override { return plugin.getCurrentProgram(); }
    void setCurrentProgram(int32_t program) override { plugin.setCurrentProgram(program); }
    void getCurrentProgramName(char* text) override { plugin.getCurrentProgramName(text); }
    void setCurrentProgramName(const char* text) override { plugin.setCurrentProgramName(text); }
    void getParameterName(int32_t index, char* text) override { plugin.getParameterName(index, text); }
    void getParameterLabel(int32_t index, char* text) override { plugin.getParameterLabel(index, text); }
    void getParameterDisplay(int32_t index, char* text) override { plugin.getParameterDisplay(index, text); }
    void beginSetProgram() override { plugin.dispatch(effBeginSetProgram, 0, 0, nullptr, 0.0f); }
    void endSetProgram() override { plugin.dispatch(effEndSetProgram, 0, 0, nullptr, 0.0f); }
    intptr_t getChunk(bool program, void** data) override {
        *data = nullptr;
        return plugin.dispatch(effGetChunk, program ? 1 : 0, 0, data, 0.0f);
    }
    intptr_t setChunk(bool program, const void* data, int32_t size) override {
        return plugin.dispatch(effSetChunk, program ? 1 : 0, size, const_cast<void*>(data), 0.0f);
    }

private:
    VSTPlugIn& plugin;
};

}  // namespace tandem
