// The effect without an editor: the LV2 plug-in's audio side runs where there may be no
// display, so its binary carries no window code; the panel lives in the UI binary.
#include "HalvoVST2.h"

namespace halvorax {

AEffEditor* createEditor(HalvoVST2*) { return nullptr; }

}  // namespace halvorax
