// The Halvorax instrument as a VST 2.4 effect: parameter values, MIDI queue and learn map,
// state chunk, the current patch name, and the engine it drives.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "AlphaJuno.h"
#include "AudioEffectX.h"
#include "EngineRequests.h"
#include "EventQueue.h"
#include "ParameterTable.h"
#include "Relaxed.h"
#include "StateChunk.h"
#include "SysexImport.h"

namespace halvorax {

// A one-pole smoothing record: a value and a tiny offset that keeps it from going denormal.
struct ParamSmoother {
    double value = 0.0;
    double offset = 1e-8;
};

constexpr VstInt32 kHalvoraxUniqueId = CCONST('H', 'a', 'l', 'v');
constexpr int kPathSize = 256;
constexpr int kLongPathSize = 1024;
constexpr const char* kDefaultPatchFile = "RoriVerov1.repatch";
constexpr const char* kInitPatchFile = "Init Patch.repatch";

class HalvoVST2;
// Makes an effect's editor; the effect owns what it returns.
using EditorFactory = AEffEditor* (*)(HalvoVST2* effect);
// Binaries with a panel register the panel's factory before they create an effect (the editor
// library's registration unit does it when it is linked); without one an effect has no editor,
// as the LV2 plug-in's audio side and the headless tests want.
void registerEditorFactory(EditorFactory factory);

class HalvoVST2 : public AudioEffectX {
public:
    explicit HalvoVST2(audioMasterCallback audioMaster);
    ~HalvoVST2() override;

    // Parameters.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;

    // Host interface.
    void resume() override;
    void setSampleRate(float rate) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    VstInt32 processEvents(VstEvents* list) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstPlugCategory getPlugCategory() override { return kPlugCategSynth; }
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 canDo(char* text) override;

    // Sounds: the default patch, patch files, sysex dumps and the host's state chunk.
    void InitializePatch();
    bool LoadPatch(const char* path);
    bool SavePatch(const char* path);
    // A sysex file: a bank becomes a folder of patch files in the patch library (its first
    // tone loaded), a single tone sets the current sound. ExportSysex writes the sound as a tone.
    bool ImportSysex(const char* path);
    bool ExportSysex(const char* path);
    // The folder the patch menu lists and banks are imported into: the application folder
    // while the current patch lies inside it, else the current patch's folder.
    std::string patchLibraryFolder() const;
    VstInt32 getChunk(void** data, bool isPreset = false) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false) override;

    // The chord memory lives in the engine. Writes from the user-interface thread (patch
    // loading, state restore) are handed to the audio thread and applied between segments;
    // so is the release of every note.
    void readChordMemory(int& count, int notes[6]) const;
    void writeChordMemory(int count, const int notes[6]);
    void requestReleaseAllNotes() { requests.requestReleaseAllNotes(); }

    // Current patch name.
    void getPatchFilename(char* buffer, int size) const;
    void splitPatchFilename(const char* path);
    const char* getPatchFile() const { return patchFile; }
    const char* getPatchFolder() const { return patchFolder; }
    const char* getAppFolder() const { return appFolder; }

    // MIDI; called for each queued event in order while a block renders.
    void HandleMidi(int channel, int status, int data1, int data2);
    // A sysex message from the hardware: an IPR sets one parameter, a tone APR the sound.
    void HandleSysex(const unsigned char* bytes, int size);

    // MIDI learn: the lowest controller mapped to a parameter (or -1), forgetting the learn
    // target's controller, and the menu's learn switch.
    int LookupCC(int parameter) const;
    void ForgetCC();
    void toggleMidiLearn();
    int getLearnedCC() const { return learnedCC; }
    int getPitchBend() const { return pitchBend; }
    void setPitchBend(int value) { pitchBend = value; }
    int getModWheel() const { return modWheelValue; }
    void setModWheel(int value) { modWheelValue = value; }
    int getSilentSamples() const { return silentSamples; }
    // Called on the user-interface side: also takes over the name of a tone that arrived live.
    bool takePatchChanged();
    // Counts loaded patches and restored states, for programs that keep the state themselves.
    unsigned getPatchLoads() const { return patchLoads.load(); }
    const synth::AlphaJuno& getEngine() const { return *engine; }

    // Fields the editor polls (single ints, read whole).
    int getMidiActivity() const { return midiActivity; }
    int getLearnTarget() const { return learnTarget; }
    int getMidiLearn() const { return midiLearn; }
    int getEventCount() const { return eventCount; }
    const VstEvent* getQueuedEvents() const { return events; }

protected:
    // Renders one segment of the block into the working pointers.
    void blockProcess(float** outputs, int frames);
    // Block processing steps (audio thread).
    void applyEngineRequests();
    void pushParameters();
    void pushSettings();
    void pushSmoothed();
    void writeSlot(int index, float value);
    // One step of a smoothed parameter's record toward its value.
    float smooth(const ParameterRow& row);
    void primeEngine();
    void applyModeSwitches();
    void applyMasterVolumeAndSilence(float** outputs, int frames);
    void releaseAllNotes();
    void controllerRoute(int controller, int value);
    void chordWriteCheck();
    void applyTone(const juno::Tone& tone);
    bool importBank(const char* path, const std::vector<NumberedTone>& tones);
    void takeLiveToneName();

    Relaxed<float> paramValues[kNumParameters];
    VstEvent events[kMaxQueuedEvents];
    SysexStore sysexStore;
    int eventCount = 0;
    StateChunk chunk;
    std::unique_ptr<synth::AlphaJuno> engine;
    Relaxed<int> sustainPedal = 0;
    Relaxed<int> pitchBend = 8192;
    Relaxed<int> modWheelValue = 0;
    Relaxed<int> pressure = 0;
    Relaxed<int> midiLearn = 0;
    Relaxed<int> learnTarget = -1;
    Relaxed<int> learnedCC = -1;
    Relaxed<int> ccMap[128];
    Relaxed<int> midiActivity = 10;
    Relaxed<int> silentSamples = 0;
    ParamSmoother smoothers[kNumParameters];  // the records of the smoothed and dithered parameters
    char patchFolder[kPathSize];
    char patchFile[kPathSize];
    char appFolder[kLongPathSize];
    std::atomic<bool> patchChanged{false};
    std::atomic<unsigned> patchLoads{0};
    // The name of a tone received live, handed from the audio thread to the user-interface
    // side: ten 6-bit codes and a flag bit in one word.
    std::atomic<uint64_t> liveToneName{0};
    int lastPolyMode = -1;  // unset until the first block
    EngineRequests requests;
};

}  // namespace halvorax
