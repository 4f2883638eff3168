// The wrapper's handle on one VST 2.4 effect: loads it through its bundle's entry function,
// keeps the few facts the wrapper needs, offers one operation per effect opcode it uses and
// routes the effect's audioMaster requests to a VSTHost.
//
// Every effect call checks that the effect exists and swallows exceptions the effect raises
// (the call then counts as result 0).
//
// The FXP/FXB operations (createFXP ... readBigInt32) belong to the preset code
// (auwrapper/VSTPlugInFxp.cpp, FxpFxb.cpp).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "VSTHost.h"
#include "VstAbi.h"

namespace tandem {

typedef AEffect* (*VSTEntryFunction)(audioMasterCallback);

class VSTPlugIn {
public:
    // Does not load the effect yet. The bundle is retained for the life of the object.
    VSTPlugIn(VSTHost& host, CFBundleRef bundle, float sampleRate, int32_t blockSize);
    virtual ~VSTPlugIn();
    VSTPlugIn(const VSTPlugIn&) = delete;
    VSTPlugIn& operator=(const VSTPlugIn&) = delete;

    // Loads the bundle's executable, finds "main_macho" or "VSTPluginMain", creates the
    // effect and sends effOpen. Raises TandemException on failure.
    void open();
    // The same with the entry function given directly (an effect linked into the caller).
    void open(VSTEntryFunction entry);

    AEffect* getEffect() const { return effect; }
    VSTHost& getHost() const { return host; }

    bool hasEditor() const { return flag(effFlagsHasEditor); }
    bool canProcessReplacing() const { return flag(effFlagsCanReplacing); }
    bool hasProgramChunks() const { return flag(effFlagsProgramChunks); }
    bool dontProcessSilence() const { return flag(effFlagsNoSoundInStop); }
    int32_t getProgramCount() const { return effect ? effect->numPrograms : 0; }
    int32_t getParameterCount() const { return effect ? effect->numParams : 0; }
    int32_t getInputCount() const { return effect ? effect->numInputs : 0; }
    int32_t getOutputCount() const { return effect ? effect->numOutputs : 0; }
    int32_t getInitialDelay() const { return effect ? effect->initialDelay : 0; }
    int32_t getUniqueID() const { return effect ? effect->uniqueID : 0; }
    int32_t getEffectVersion() const { return effect ? effect->version : 0; }
    bool isOpen() const { return opened; }
    bool isResumed() const { return resumed; }
    bool wantsMidi() const { return midiWanted; }
    bool isEditorOpen() const { return editorOpen; }
    float getSampleRate() const { return sampleRate; }
    int32_t getBlockSize() const { return blockSize; }

    void processReplacing(float** inputs, float** outputs, int32_t frames);
    void processAccumulating(float** inputs, float** outputs, int32_t frames);
    void setParameter(int32_t index, float value);
    float getParameter(int32_t index);
    VstIntPtr dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* pointer, float opt);

    void setCurrentProgram(int32_t n);
    int32_t getCurrentProgram();
    void setCurrentProgramName(const char* text);
    // Text getters: `text` must hold 25 bytes; at most 24 characters come back.
    void getCurrentProgramName(char* text);
    void getParameterLabel(int32_t index, char* text);
    void getParameterDisplay(int32_t index, char* text);
    void getParameterName(int32_t index, char* text);
    void getProgramName(int32_t index, char* text);

    void setSampleRate(float rate);
    void setBlockSize(int32_t n);
    void suspend();
    void resume();

    // False when the effect gives no rectangle (treated as no editor).
    bool getEditorDimensions(int& width, int& height);
    // `view` is the X11 window id the editor opens into. Raises "VST could not open editor".
    void openEditor(void* view);
    void closeEditor();
    void idle();

    void processEvents(VstEvents* events);
    bool setParameterFromString(int32_t index, char* text);
    void connectInputPin(int32_t pin, bool connected);
    void connectOutputPin(int32_t pin, bool connected);
    bool getInputProperties(int32_t pin, VstPinProperties* properties);
    bool getOutputProperties(int32_t pin, VstPinProperties* properties);
    bool setBypass(bool on);
    VstIntPtr vendorSpecific(int32_t index, VstIntPtr value, void* pointer, float opt);
    VstIntPtr getTailSize();
    VstIntPtr getVersion();

    // ---- FXP / FXB (auwrapper/VSTPlugInFxp.cpp) ----
    // A program ("FxCk" or "FPCh") or bank ("FxBk" or "FBCh") of the effect's current state.
    std::vector<unsigned char> createFXP();
    std::vector<unsigned char> createFXB();
    // Writes one "FxCk" record of the current program; returns the position after it.
    unsigned char* writeFxCk(unsigned char* destination);
    // Applies FXP or FXB data; false when counts differed or values were clamped.
    bool loadFXPOrFXB(size_t size, const unsigned char* bytes);
    // Applies one "FxCk" record to the current program; returns the position after it.
    const unsigned char* readFxCk(const unsigned char* position, const unsigned char* end, bool& ok);
    // Reads one big-endian int32 (EOFException "End of file error" when fewer than 4 bytes remain).
    static const unsigned char* readBigInt32(const unsigned char* position, const unsigned char* end, int32_t& value);

    // The effect's requests, routed to the VSTPlugIn that owns the effect.
    static VstIntPtr staticAudioMasterCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                               void* pointer, float opt);

private:
    bool flag(int32_t mask) const { return effect && (effect->flags & mask) != 0; }
    VstIntPtr myAudioMasterCallback(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* pointer, float opt);
    // effect->dispatcher with the effect's exceptions swallowed (result 0).
    VstIntPtr call(int32_t opcode, int32_t index = 0, VstIntPtr value = 0, void* pointer = nullptr, float opt = 0.0f);
    void getText(int32_t opcode, int32_t index, VstIntPtr value, char* text);

    VSTHost& host;
    CFBundleRef bundle;
    AEffect* effect = nullptr;
    bool opened = false;
    bool resumed = false;
    bool midiWanted = false;
    bool editorOpen = false;
    float sampleRate;
    int32_t blockSize;

    // The VSTPlugIn whose entry function is running (one open at a time per process).
    static VSTPlugIn* tempPlugInPointer;
};

}  // namespace tandem
