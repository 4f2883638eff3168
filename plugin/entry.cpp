// The plug-in's entry points: the only symbols the shared object exports.
#include <new>

#include "HalvoVST2.h"

#define HALVORAX_EXPORT extern "C" __attribute__((visibility("default")))

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    try {
        return new halvorax::HalvoVST2(audioMaster);
    } catch (...) {
        return nullptr;
    }
}

HALVORAX_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    // A host that does not answer the version request is not a VST 2.4 host we can trust.
    if (audioMaster == nullptr || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    AudioEffect* effect = createEffectInstance(audioMaster);
    return effect ? effect->getAeffect() : nullptr;
}

// The legacy Linux entry name that some hosts look up first. A C++ function cannot be
// called main, so the same entry is exported under that symbol name.
HALVORAX_EXPORT AEffect* VSTPluginMainLegacy(audioMasterCallback audioMaster) asm("main");
AEffect* VSTPluginMainLegacy(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
