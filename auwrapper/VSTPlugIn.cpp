#include "VSTPlugIn.h"

#include <algorithm>
#include <cstring>

#include "TandemExceptions.h"

namespace tandem {

VSTPlugIn* VSTPlugIn::tempPlugInPointer = nullptr;

namespace {
const VstInt32 kHostVersion = 2300;
const size_t kNameBufferSize = 1024;
const size_t kNameLength = 24;
}  // namespace

VSTPlugIn::VSTPlugIn(VSTHost& host, CFBundleRef bundle, float sampleRate, int32_t blockSize)
    : host(host), bundle(bundle), sampleRate(sampleRate), blockSize(blockSize) {
    if (bundle) CFRetain(bundle);
}

VSTPlugIn::~VSTPlugIn() {
    if (editorOpen) closeEditor();
    if (effect) call(effClose);
    effect = nullptr;
    if (bundle) {
        // The last reference unloads the executable.
        if (CFGetRetainCount(bundle) == 1 && CFBundleIsExecutableLoaded(bundle)) CFBundleUnloadExecutable(bundle);
        CFRelease(bundle);
    }
}

void VSTPlugIn::open() {
    if (!CFBundleIsExecutableLoaded(bundle) && !CFBundleLoadExecutable(bundle))
        throw TandemException("Could not load VST bundle executable");
    void* entry = CFBundleGetFunctionPointerForName(bundle, CFSTR("main_macho"));
    if (entry == nullptr) entry = CFBundleGetFunctionPointerForName(bundle, CFSTR("VSTPluginMain"));
    if (entry == nullptr)
        throw TandemException("Could not locate function in bundle executable (\"main_macho\" or \"VSTPluginMain\")");
    open(reinterpret_cast<VSTEntryFunction>(entry));
}

void VSTPlugIn::open(VSTEntryFunction entry) {
    tempPlugInPointer = this;
    AEffect* created = nullptr;
    try {
        created = entry(&staticAudioMasterCallback);
    } catch (...) {
        created = nullptr;
    }
    if (created == nullptr || created->magic != kEffectMagic) {
        tempPlugInPointer = nullptr;
        effect = nullptr;
        throw TandemException("VST main() doesn't return object AEffect*");
    }
    effect = created;
    effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
    tempPlugInPointer = nullptr;
    setSampleRate(sampleRate);
    if (blockSize != 0) setBlockSize(blockSize);
    call(effOpen);
    opened = true;
}

VstIntPtr VSTPlugIn::call(int32_t opcode, int32_t index, VstIntPtr value, void* pointer, float opt) {
    if (effect == nullptr || effect->dispatcher == nullptr) return 0;
    try {
        return effect->dispatcher(effect, opcode, index, value, pointer, opt);
    } catch (...) {
        return 0;
    }
}

void VSTPlugIn::getText(int32_t opcode, int32_t index, VstIntPtr value, char* text) {
    char buffer[kNameBufferSize] = {};
    call(opcode, index, value, buffer);
    const size_t length = strnlen(buffer, kNameLength);
    std::memcpy(text, buffer, length);
    text[length] = '\0';
}

void VSTPlugIn::processReplacing(float** inputs, float** outputs, int32_t frames) {
    if (effect == nullptr || effect->processReplacing == nullptr) return;
    try {
        effect->processReplacing(effect, inputs, outputs, frames);
    } catch (...) {}
}

void VSTPlugIn::processAccumulating(float** inputs, float** outputs, int32_t frames) {
    if (effect == nullptr || effect->process == nullptr) return;
    try {
        effect->process(effect, inputs, outputs, frames);
    } catch (...) {}
}

void VSTPlugIn::setParameter(int32_t index, float value) {
    if (effect == nullptr || effect->setParameter == nullptr) return;
    try {
        effect->setParameter(effect, index, value);
    } catch (...) {}
}

float VSTPlugIn::getParameter(int32_t index) {
    if (effect == nullptr || effect->getParameter == nullptr) return 0.0f;
    try {
        return effect->getParameter(effect, index);
    } catch (...) {
        return 0.0f;
    }
}

VstIntPtr VSTPlugIn::dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* pointer, float opt) {
    return call(opcode, index, value, pointer, opt);
}

void VSTPlugIn::setCurrentProgram(int32_t n) { call(effSetProgram, 0, n); }

int32_t VSTPlugIn::getCurrentProgram() { return int32_t(std::min<VstIntPtr>(call(effGetProgram), getProgramCount())); }

void VSTPlugIn::setCurrentProgramName(const char* text) { call(effSetProgramName, 0, 0, const_cast<char*>(text)); }
void VSTPlugIn::getCurrentProgramName(char* text) { getText(effGetProgramName, 0, 0, text); }
void VSTPlugIn::getParameterLabel(int32_t index, char* text) { getText(effGetParamLabel, index, -1, text); }
void VSTPlugIn::getParameterDisplay(int32_t index, char* text) { getText(effGetParamDisplay, index, -1, text); }
void VSTPlugIn::getParameterName(int32_t index, char* text) { getText(effGetParamName, index, -1, text); }
void VSTPlugIn::getProgramName(int32_t index, char* text) { getText(effGetProgramNameIndexed, index, -1, text); }

void VSTPlugIn::setSampleRate(float rate) {
    sampleRate = rate;
    if (opened) call(effSetSampleRate, 0, 0, nullptr, rate);
}

void VSTPlugIn::setBlockSize(int32_t n) {
    blockSize = n;
    if (opened) call(effSetBlockSize, 0, n);
}

void VSTPlugIn::suspend() {
    resumed = false;
    call(effMainsChanged, 0, 0);
}

void VSTPlugIn::resume() {
    call(effMainsChanged, 0, 1);
    resumed = true;
}

bool VSTPlugIn::getEditorDimensions(int& width, int& height) {
    ERect* rect = nullptr;
    call(effEditGetRect, 0, 0, &rect);
    if (rect == nullptr) {
        width = height = 0;
        return false;
    }
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return true;
}

void VSTPlugIn::openEditor(void* view) {
    editorOpen = true;
    if (call(effEditOpen, 0, 0, view) == 0) throw TandemException("VST could not open editor");
}

void VSTPlugIn::closeEditor() {
    call(effEditClose);
    editorOpen = false;
}

void VSTPlugIn::idle() {
    call(effIdle);
    if (editorOpen) call(effEditIdle);
}

void VSTPlugIn::processEvents(VstEvents* events) { call(effProcessEvents, 0, 0, events); }

bool VSTPlugIn::setParameterFromString(int32_t index, char* text) {
    return call(effString2Parameter, index, 0, text) != 0;
}

void VSTPlugIn::connectInputPin(int32_t pin, bool connected) { call(effConnectInput, pin, connected); }
void VSTPlugIn::connectOutputPin(int32_t pin, bool connected) { call(effConnectOutput, pin, connected); }

bool VSTPlugIn::getInputProperties(int32_t pin, VstPinProperties* properties) {
    return call(effGetInputProperties, pin, 0, properties) != 0;
}

bool VSTPlugIn::getOutputProperties(int32_t pin, VstPinProperties* properties) {
    return call(effGetOutputProperties, pin, 0, properties) != 0;
}

bool VSTPlugIn::setBypass(bool on) { return call(effSetBypass, 0, on) != 0; }

VstIntPtr VSTPlugIn::vendorSpecific(int32_t index, VstIntPtr value, void* pointer, float opt) {
    return call(effVendorSpecific, index, value, pointer, opt);
}

VstIntPtr VSTPlugIn::getTailSize() { return call(effGetTailSize); }
VstIntPtr VSTPlugIn::getVersion() { return call(effGetVstVersion); }

VstIntPtr VSTPlugIn::staticAudioMasterCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                               void* pointer, float opt) {
    VSTPlugIn* plugin = nullptr;
    if (effect == nullptr) {
        plugin = tempPlugInPointer;
    } else if (effect->resvd1 != 0) {
        plugin = reinterpret_cast<VSTPlugIn*>(effect->resvd1);
    } else {
        // A request while the entry function still runs: remember the effect so that its
        // unique ID can be answered already.
        plugin = tempPlugInPointer;
        if (plugin) plugin->effect = effect;
    }
    if (plugin == nullptr) return opcode == audioMasterVersion ? kHostVersion : 0;
    return plugin->myAudioMasterCallback(opcode, index, value, pointer, opt);
}

VstIntPtr VSTPlugIn::myAudioMasterCallback(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* pointer, float opt) {
    switch (opcode) {
        case audioMasterAutomate:
            host.automate(*this, index, opt);
            return 0;
        case audioMasterVersion:
            return kHostVersion;
        case audioMasterCurrentId:
            return effect ? effect->uniqueID : 0;
        case audioMasterIdle:
            host.idle(*this);
            return 0;
        case audioMasterWantMidi:
            midiWanted = true;
            return 1;
        case audioMasterGetTime:
            return reinterpret_cast<VstIntPtr>(host.getTimeInfo(*this, int(value)));
        case 12:
            return 1;  // audioMasterGetParameterQuantization
        case 14:
            return 1;  // audioMasterNeedIdle
        case audioMasterSizeWindow:
            host.resizeWindow(*this, index, int(value));
            return 1;
        case audioMasterGetSampleRate:
            return VstIntPtr(sampleRate + 0.5f);
        case audioMasterGetBlockSize:
            return blockSize;
        case audioMasterGetVendorString:
            host.getVendor(*this, static_cast<char*>(pointer));
            return 1;
        case audioMasterGetProductString:
            host.getProduct(*this, static_cast<char*>(pointer));
            return 1;
        case audioMasterGetVendorVersion:
            return host.getVersion(*this);
        case audioMasterCanDo:
            return host.canDo(*this, static_cast<const char*>(pointer)) ? 1 : 0;
        case audioMasterGetLanguage:
            return 1;
        case audioMasterUpdateDisplay:
            host.updateDisplay(*this);
            return 1;
        case audioMasterBeginEdit:
            host.beginEdit(*this, index);
            return 1;
        case audioMasterEndEdit:
            host.endEdit(*this, index);
            return 1;
        default:
            return 0;
    }
}

}  // namespace tandem
