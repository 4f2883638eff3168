// Extended VST 2.4 effect base: dispatcher opcodes 25 to 79 and the host requests of the
// extended protocol (time info, MIDI, edit gestures).
#pragma once

#include "AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    virtual VstInt32 processEvents(VstEvents* events) { return 0; }
    virtual bool canParameterBeAutomated(VstInt32 index) { return true; }
    virtual bool getOutputProperties(VstInt32 index, VstPinProperties* properties) { return false; }
    virtual bool getInputProperties(VstInt32 index, VstPinProperties* properties) { return false; }
    virtual VstPlugCategory getPlugCategory() { return kPlugCategUnknown; }
    virtual bool getEffectName(char* name) { return false; }
    virtual bool getVendorString(char* text) { return false; }
    virtual bool getProductString(char* text) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstInt32 canDo(char* text) { return 0; }
    virtual VstInt32 getVstVersion() { return kVstVersion; }

    // Host requests.
    VstTimeInfo* getTimeInfo(VstInt32 filter);
    bool wantEvents(VstInt32 filter = 1);
    // 1: the host can, -1: it cannot, 0: it does not know.
    VstInt32 canHostDo(const char* text);
    // Asks the host to resize the editor's window.
    bool sizeWindow(VstInt32 width, VstInt32 height);

protected:
    void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }
};
