#include "AudioEffectX.h"

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : AudioEffect(audioMaster, numPrograms, numParams) {}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (opcode < effProcessEvents) return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effProcessEvents:
            return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
        case effCanBeAutomated:
            return canParameterBeAutomated(index) ? 1 : 0;
        case effGetInputProperties:
            return ptr ? getInputProperties(index, static_cast<VstPinProperties*>(ptr)) : 0;
        case effGetOutputProperties:
            return ptr ? getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) : 0;
        case effGetPlugCategory:
            return getPlugCategory();
        case effGetEffectName:
            return text ? getEffectName(text) : 0;
        case effGetVendorString:
            return text ? getVendorString(text) : 0;
        case effGetProductString:
            return text ? getProductString(text) : 0;
        case effGetVendorVersion:
            return getVendorVersion();
        case effCanDo:
            return text ? canDo(text) : 0;
        case effGetVstVersion:
            return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp: {
            if (editor == nullptr) return 0;
            // index: the character, value: the virtual key, opt: the modifiers.
            VstKeyCode key{index, static_cast<unsigned char>(value), static_cast<unsigned char>(opt)};
            return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
        }
        case effSetEditKnobMode:
            return editor ? editor->setKnobMode(static_cast<VstInt32>(value)) : 0;
        default:
            return 0;
    }
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

bool AudioEffectX::wantEvents(VstInt32 filter) { return callHost(audioMasterWantMidi, 0, filter) != 0; }

VstInt32 AudioEffectX::canHostDo(const char* text) {
    return static_cast<VstInt32>(callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)));
}

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}
