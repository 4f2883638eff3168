// A minimal VST 2.4 host: loads a Linux VST2 .so (or bundle folder), answers the plug-in's
// host requests, and drives its dispatcher and processing. Used by the command-line tools,
// the tests and the benchmarks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "RenderTarget.h"
#include "VstAbi.h"

namespace halvorax {

struct AutomationRecord {
    int index;
    float value;
};

class HostedPlugin : public RenderTarget {
public:
    // Loads the plug-in; on failure returns null and sets a one-line `error`.
    static std::unique_ptr<HostedPlugin> load(const std::string& path, std::string& error);
    ~HostedPlugin() override;
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    AEffect* effect() const { return effect_; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    bool isInstrument() const;

    // open, sample rate, block size, resume: what a host does before playing.
    void start(double sampleRate, int blockSize);
    void setParameter(int index, float value) override;
    float getParameter(int index);
    std::string parameterName(int index);
    std::string parameterDisplay(int index);
    std::string effectString(VstInt32 opcode);

    // Hands the MIDI messages (status, data1, data2 at frame offsets) to the plug-in.
    void sendMidi(const std::vector<Midi>& messages) override;
    void process(float** outputs, int frames) override;

    // What the plug-in asked of the host.
    std::vector<AutomationRecord> automations;
    std::vector<int> beginEdits, endEdits;
    int wantMidiRequests = 0;
    int timeInfoRequests = 0;
    VstTimeInfo timeInfo{};
    double tempo = 120.0;

private:
    HostedPlugin() = default;
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    void* library_ = nullptr;
    AEffect* effect_ = nullptr;
    double sampleRate_ = 44100.0;
    int blockSize_ = 512;
    double samplePosition_ = 0.0;
    std::vector<VstMidiEvent> midiEvents_;
    std::vector<char> eventsBlock_;
};

// The .so inside a bundle folder (Name.vst/Contents/x86_64-linux/Name.so), or the path itself.
std::string resolvePluginPath(const std::string& path);

}  // namespace halvorax
