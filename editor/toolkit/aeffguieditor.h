// AEffGUIEditor: the VST 2.4 editor built on the toolkit. It knows the effect only by a
// forward declaration; the few calls it makes into the effect (begin and end of an edit
// gesture, window resizing) go through the virtual effect hooks below, which the
// plug-in's editor implements where the effect class is known.
#pragma once

#include "aeffeditor.h"
#include "cframe.h"

namespace VSTGUI {

class AEffGUIEditor : public AEffEditor, public VSTGUIEditorInterface {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    void setParameter(int32_t index, float value) override {}
    bool getRect(ERect** ppRect) override;
    bool open(void* ptr) override;
    void close() override;
    void idle() override;
    virtual void draw(ERect* pRect);
    bool onKeyDown(VstKeyCode& keyCode) override;
    bool onKeyUp(VstKeyCode& keyCode) override;
    bool onWheel(float distance) override;
    bool setKnobMode(int32_t val) override;
    int32_t getKnobMode() const override { return knobMode; }

    void doIdleStuff() override;
    virtual bool beforeSizeChange(const CRect& newSize, const CRect& oldSize);
    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;

    AudioEffect* getEffect() override { return effect; }
    CFrame* getFrame() const override { return frame; }
    void* getSystemWindow() const { return systemWindow; }

protected:
    // Effect hooks: each answers false until the plug-in's editor connects it to its effect.
    virtual bool effectBeginEdit(int32_t index) { return false; }
    virtual bool effectEndEdit(int32_t index) { return false; }
    // Asks the host to resize its window (audioMasterSizeWindow, when the host can).
    virtual bool effectSizeWindow(int32_t width, int32_t height) { return false; }

    ERect rect{0, 0, 0, 0};

private:
    int32_t knobMode = kCircularMode;
    bool inIdle = false;
};

}  // namespace VSTGUI
