// The editor interface an effect hands its editor opcodes to (VST 2.4 style).
#pragma once

#include "VstAbi.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect = nullptr) : effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual bool getRect(ERect** rect) { return false; }
    // On Linux `ptr` is the host's parent X11 window id.
    virtual bool open(void* ptr) { systemWindow = ptr; return true; }
    virtual void close() { systemWindow = nullptr; }
    virtual void idle() {}
    // A parameter changed (from any source); the editor moves its control.
    virtual void setParameter(VstInt32 index, float value) {}
    virtual bool onKeyDown(VstInt32 character, VstInt32 virtualKey, VstInt32 modifiers) { return false; }
    virtual bool onKeyUp(VstInt32 character, VstInt32 virtualKey, VstInt32 modifiers) { return false; }
    virtual bool setKnobMode(VstInt32 mode) { return false; }
    virtual bool isOpen() const { return systemWindow != nullptr; }

    AudioEffect* getEffect() const { return effect; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};
