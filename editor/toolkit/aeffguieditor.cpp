#include "aeffguieditor.h"

namespace VSTGUI {

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {}

AEffGUIEditor::~AEffGUIEditor() = default;

// Answers at any time, also before the window exists.
bool AEffGUIEditor::getRect(ERect** ppRect) {
    *ppRect = &rect;
    return true;
}

bool AEffGUIEditor::open(void* ptr) {
    AEffEditor::open(ptr);
    return true;
}

void AEffGUIEditor::close() { AEffEditor::close(); }

void AEffGUIEditor::idle() {
    if (inIdle) return;  // no re-entry from a listener that idles
    inIdle = true;
    if (frame) frame->idle();
    inIdle = false;
}

void AEffGUIEditor::doIdleStuff() { idle(); }

void AEffGUIEditor::draw(ERect* pRect) {
    if (!frame) return;
    if (pRect)
        frame->invalidFrameRect(CRect(pRect->left, pRect->top, pRect->right, pRect->bottom));
    else
        frame->invalid();
    frame->redrawDirty();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode&) { return false; }
bool AEffGUIEditor::onKeyUp(VstKeyCode&) { return false; }

bool AEffGUIEditor::onWheel(float distance) { return false; }

bool AEffGUIEditor::setKnobMode(int32_t val) {
    knobMode = val;
    return true;
}

bool AEffGUIEditor::beforeSizeChange(const CRect& newSize, const CRect& oldSize) {
    return effectSizeWindow(static_cast<int32_t>(newSize.getWidth()), static_cast<int32_t>(newSize.getHeight()));
}

void AEffGUIEditor::beginEdit(int32_t index) { effectBeginEdit(index); }
void AEffGUIEditor::endEdit(int32_t index) { effectEndEdit(index); }

}  // namespace VSTGUI
