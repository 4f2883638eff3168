// The editor side of the VST 2.4 effect base classes, the one declaration shared by the
// effect (AudioEffect owns one AEffEditor and forwards the editor opcodes to it: get
// rectangle, open, close, idle, keys, knob mode, and every parameter change) and by the
// toolkit's AEffGUIEditor. It knows the effect only by a forward declaration.
#pragma once

#include <cstdint>

#include "VstAbi.h"  // ERect and VstKeyCode, as the host passes them

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect = nullptr) : effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual AudioEffect* getEffect() { return effect; }
    virtual bool getRect(ERect** rect) {
        *rect = nullptr;
        return false;
    }
    // ptr: the host's parent window (an X11 window id on Linux).
    virtual bool open(void* ptr) {
        systemWindow = ptr;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode&) { return false; }
    virtual bool onKeyUp(VstKeyCode&) { return false; }
    virtual bool onWheel(float) { return false; }
    virtual bool setKnobMode(int32_t) { return false; }
    // A parameter of the effect changed, from any source and any thread.
    virtual void setParameter(int32_t index, float value) {}

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};
