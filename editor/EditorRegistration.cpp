// Linking the editor gives every effect its panel: this unit registers HalvoGui as the
// effects' editor when the binary loads. It is an object library, so it is linked whole even
// though nothing calls into it.
#include "HalvoGui.h"
#include "HalvoVST2.h"

namespace halvorax {
namespace {

AEffEditor* makeHalvoGui(HalvoVST2* effect) { return new HalvoGui(effect); }

const bool registered = (registerEditorFactory(&makeHalvoGui), true);

}  // namespace
}  // namespace halvorax
