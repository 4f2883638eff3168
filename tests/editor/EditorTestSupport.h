// Test support for the editor: the effect in reach (ProbedEffect, recording host) with its
// editor, the bundle's bitmaps, and a patch folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "HalvoGui.h"
#include "ProbedEffect.h"

namespace halvorax::test {

inline const char* bundleResources() { return HALVORAX_BUNDLE_PATH "/Contents/Resources"; }

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        isolateDataHome();
        setenv("HALVORAX_RESOURCES", bundleResources(), 1);
        effect = std::make_unique<ProbedEffect>();
        gui = static_cast<HalvoGui*>(effect->getEditor());
        ASSERT_NE(gui, nullptr);
        hostCalls().clear();
    }
    void TearDown() override {
        effect.reset();
        unsetenv("HALVORAX_RESOURCES");
    }

    // Opens the window off-screen, through the effect's dispatcher as a host does.
    void openEditor() { ASSERT_EQ(dispatch(effEditOpen), 1); }
    VstIntPtr dispatch(VstInt32 opcode, void* ptr = nullptr) {
        AEffect* record = effect->getAeffect();
        return record->dispatcher(record, opcode, 0, 0, ptr, 0.0f);
    }
    void idle(int ticks = 1) {
        for (int i = 0; i < ticks; ++i) dispatch(effEditIdle);
    }
    std::string display() const { return gui->getDisplayLabel()->getText(); }
    std::string highlight() const { return gui->getHighlightLabel()->getText(); }
    VSTGUI::CFrame* frame() const { return gui->getFrame(); }
    // A user edit of a control: its new value, reported to the editor as the control does.
    void touch(int32_t tag, float value) {
        VSTGUI::CControl* control = gui->getControl(tag);
        ASSERT_NE(control, nullptr) << tag;
        control->setValue(value);
        gui->valueChanged(control);
    }
    // The patch name as the status line shows it when no parameter was touched.
    std::string patchName() const {
        std::string name = effect->getPatchFile();
        name = name.substr(0, name.rfind('.'));
        char text[256];
        std::snprintf(text, sizeof text, "%10s", name.c_str());
        return text;
    }
    std::string parameterDisplay(int index) {
        char text[64] = {};
        effect->getParameterDisplay(index, text);
        return text;
    }

    std::unique_ptr<ProbedEffect> effect;
    HalvoGui* gui = nullptr;
};

}  // namespace halvorax::test
