// Placeholder for the patch menu until editor/PatchMenu.cpp (the patch menu, its dispatch,
// patch stepping and the patch-folder listing) lands: whoever adds PatchMenu.cpp deletes
// this file in the same commit. It keeps the editor linkable and its window usable: the
// menu is attached to the frame (which then owns it) but stays empty.
#include "HalvoGui.h"

namespace halvorax {

void HalvoGui::buildPatchMenu(VSTGUI::COptionMenu* menu) {
    menu->removeAllEntry();
    if (frame) frame->addView(menu);
}

void HalvoGui::patchMenuDispatch(int entry) {}

void HalvoGui::patchStep(int step) {}

void HalvoGui::updatePatchMenuTexts() {}

void HalvoGui::releasePatchList() { patchList = nullptr; }

}  // namespace halvorax
