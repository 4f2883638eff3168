// The property table: which scopes and elements each property accepts, its size and access,
// and its get and set behaviour.
#include <cmath>
#include <cstring>

#include "TandemComponent.h"
#include "TandemExceptions.h"
#include "TandemView.h"

namespace tandem {

namespace {

const VstInt32 kValueToString = CCONST('s', 'V', '2', 'S');
const VstInt32 kStringToValue = CCONST('s', 'S', '2', 'V');

struct PropertyRule {
    UInt32 size;
    bool readable;
    bool writable;
    UInt32 getMinimum;
    UInt32 setMinimum;
};

PropertyRule rule(UInt32 size, bool readable, bool writable) { return {size, readable, writable, size, size}; }

void requireScope(bool allowed) {
    if (!allowed) throw MacOSException(kAudioUnitErr_InvalidScope);
}

void requireElement(bool inRange) {
    if (!inRange) throw MacOSException(kAudioUnitErr_InvalidElement);
}

void requireCondition(bool holds) {
    if (!holds) throw MacOSException(kAudioUnitErr_InvalidProperty);
}

}  // namespace

namespace {

// Checks scope, element and condition of a property and returns its size and access; raises
// the result code of the first rule that fails.
PropertyRule describe(TandemComponent& c, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element) {
    const UInt32 parameterCount = UInt32(c.vst->getParameterCount());
    // SampleRate and StreamFormat: global or output up to the output buses, input up to the inputs.
    const auto requireBusScope = [&]() -> bool {
        if (scope == kAudioUnitScope_Global || scope == kAudioUnitScope_Output) {
            requireElement(element < UInt32(c.outputBusCount));
            return true;
        }
        requireScope(scope == kAudioUnitScope_Input);
        requireElement(element < UInt32(c.inputBusCount));
        return c.inputConnections[element].sourceAudioUnit == nullptr;
    };
    switch (id) {
        case kAudioUnitProperty_ClassInfo:
            requireScope(scope == kAudioUnitScope_Global);
            return rule(sizeof(CFPropertyListRef), true, true);
        case kAudioUnitProperty_MakeConnection:
            requireScope(scope == kAudioUnitScope_Input);
            requireElement(element < UInt32(c.inputBusCount));
            return rule(sizeof(AudioUnitConnection), false, true);
        case kAudioUnitProperty_SampleRate:
            return rule(sizeof(Float64), true, requireBusScope());
        case kAudioUnitProperty_ParameterList:
            return rule(scope == kAudioUnitScope_Global ? UInt32(sizeof(UInt32) * c.mappedParameterCount) : 0, true,
                        false);
        case kAudioUnitProperty_ParameterInfo:
            requireScope(scope == kAudioUnitScope_Global);
            requireElement(element < parameterCount);
            return rule(sizeof(AudioUnitParameterInfo), true, false);
        case kAudioUnitProperty_StreamFormat:
            return rule(sizeof(AudioStreamBasicDescription), true, requireBusScope());
        case kAudioUnitProperty_ElementCount:
            return rule(sizeof(UInt32), true, false);
        case kAudioUnitProperty_Latency:
            requireScope(scope == kAudioUnitScope_Global);
            return rule(sizeof(Float64), true, false);
        case kAudioUnitProperty_SupportedNumChannels:
            requireScope(scope == kAudioUnitScope_Global);
            requireCondition(c.busesUniform);
            return rule(sizeof(AUChannelInfo), true, false);
        case kAudioUnitProperty_MaximumFramesPerSlice:
            requireScope(scope == kAudioUnitScope_Global);
            return rule(sizeof(UInt32), true, true);
        case kAudioUnitProperty_ParameterValueStrings:
            requireScope(scope == kAudioUnitScope_Global);
            requireElement(element < parameterCount);
            if (c.parameterValueStrings[element] == nullptr) throw MacOSException(kAudioUnitErr_InvalidParameter);
            return rule(sizeof(CFArrayRef), true, false);
        case kAudioUnitProperty_TailTime:
            requireScope(scope == kAudioUnitScope_Global);
            requireCondition(c.hasTail);
            return rule(sizeof(Float64), true, false);
        case kAudioUnitProperty_BypassEffect:
            requireScope(scope == kAudioUnitScope_Global);
            requireCondition(c.canBypass);
            return rule(sizeof(UInt32), true, true);
        case kAudioUnitProperty_LastRenderError:
            requireScope(scope == kAudioUnitScope_Global);
            return rule(sizeof(OSStatus), true, false);
        case kAudioUnitProperty_SetRenderCallback:
            requireScope(scope == kAudioUnitScope_Input);
            requireElement(element < UInt32(c.inputBusCount));
            return rule(sizeof(AURenderCallbackStruct), false, true);
        case kAudioUnitProperty_FactoryPresets:
            requireScope(scope == kAudioUnitScope_Global);
            requireCondition(c.factoryPresetArray != nullptr && CFArrayGetCount(c.factoryPresetArray) > 0);
            return rule(sizeof(CFArrayRef), true, false);
        case kAudioUnitProperty_HostCallbacks:
            requireScope(scope == kAudioUnitScope_Global);
            return {sizeof(HostCallbackInfo), true, true, 0, 0};
        case kAudioUnitProperty_CurrentPreset:
        case kAudioUnitProperty_PresentPreset:
            requireScope(scope == kAudioUnitScope_Global);
            return {sizeof(AUPreset), true, true, sizeof(SInt32), sizeof(SInt32)};
        case kAudioUnitProperty_ElementName: {
            requireCondition(c.inputBusNames[0] != nullptr || c.outputBusNames[0] != nullptr);
            requireScope(scope == kAudioUnitScope_Input || scope == kAudioUnitScope_Output);
            const bool input = scope == kAudioUnitScope_Input;
            requireElement(element < UInt32(input ? c.inputBusCount : c.outputBusCount) &&
                           (input ? c.inputBusNames : c.outputBusNames)[element] != nullptr);
            return rule(sizeof(CFStringRef), true, false);
        }
        case kAudioUnitProperty_CocoaUI:
            requireScope(scope == kAudioUnitScope_Global);
            requireCondition(c.vst->hasEditor());
            return rule(sizeof(AudioUnitCocoaViewInfo), true, false);
        case kAudioUnitProperty_ParameterStringFromValue:
        case kAudioUnitProperty_ParameterValueFromString:
            requireScope(scope == kAudioUnitScope_Global);
            requireElement(element < parameterCount);
            requireCondition(c.vstSupportsExtensions);
            return rule(sizeof(AudioUnitParameterStringFromValue), true, false);
        case kMusicDeviceProperty_InstrumentCount:
            requireScope(scope == kAudioUnitScope_Global);
            return rule(sizeof(UInt32), true, false);
        default:
            throw MacOSException(kAudioUnitErr_InvalidProperty);
    }
}

template <typename T>
void put(void* outData, const T& value) {
    std::memcpy(outData, &value, sizeof value);
}

}  // namespace

OSStatus TandemComponent::getPropertyInfo(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                          UInt32* outDataSize, Boolean* outWritable) {
    const PropertyRule r = describe(*this, id, scope, element);
    if (outDataSize) *outDataSize = r.size;
    if (outWritable) *outWritable = r.writable;
    return noErr;
}

OSStatus TandemComponent::getProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                      void* outData, UInt32* ioDataSize) {
    const PropertyRule r = describe(*this, id, scope, element);
    if (!r.readable) return kAudioUnitErr_InvalidProperty;
    if (ioDataSize == nullptr) return paramErr;
    if (outData == nullptr) {
        *ioDataSize = r.size;
        return noErr;
    }
    if (*ioDataSize < r.getMinimum) return kAudioUnitErr_InvalidPropertyValue;
    UInt32 size = r.size;
    switch (id) {
        case kAudioUnitProperty_ClassInfo:
            put(outData, copyClassInfo());
            break;
        case kAudioUnitProperty_SampleRate:
            put(outData, streamFormat.mSampleRate);
            break;
        case kAudioUnitProperty_ParameterList:
            if (scope == kAudioUnitScope_Global) std::memcpy(outData, mappedParameters, size);
            break;
        case kAudioUnitProperty_ParameterInfo:
            put(outData, parameterInfos[element]);
            break;
        case kAudioUnitProperty_StreamFormat: {
            AudioStreamBasicDescription format = streamFormat;
            format.mChannelsPerFrame = UInt32(scope == kAudioUnitScope_Input ? getInputBusChannelCount(int(element))
                                                                             : getOutputBusChannelCount(int(element)));
            put(outData, format);
            break;
        }
        case kAudioUnitProperty_ElementCount:
            put(outData, UInt32(scope == kAudioUnitScope_Input    ? inputBusCount
                                : scope == kAudioUnitScope_Output ? outputBusCount
                                                                  : 0));
            break;
        case kAudioUnitProperty_Latency:
            latencySeconds = vst->getInitialDelay() / streamFormat.mSampleRate;
            put(outData, latencySeconds);
            break;
        case kAudioUnitProperty_SupportedNumChannels: {
            const AUChannelInfo info = {SInt16(inputBusCount > 0 ? getInputBusChannelCount(0) : 0),
                                        SInt16(outputBusCount > 0 ? getOutputBusChannelCount(0) : 0)};
            put(outData, info);
            break;
        }
        case kAudioUnitProperty_MaximumFramesPerSlice:
            put(outData, maxFramesPerSlice);
            break;
        case kAudioUnitProperty_ParameterValueStrings:
            CFRetain(parameterValueStrings[element]);
            put(outData, parameterValueStrings[element]);
            break;
        case kAudioUnitProperty_TailTime:
            updateTailTime();
            put(outData, tailSeconds);
            break;
        case kAudioUnitProperty_BypassEffect:
            put(outData, UInt32(isBypassed ? 1 : 0));
            break;
        case kAudioUnitProperty_LastRenderError:
            put(outData, OSStatus(0));
            break;
        case kAudioUnitProperty_FactoryPresets:
            CFRetain(factoryPresetArray);
            put(outData, factoryPresetArray);
            break;
        case kAudioUnitProperty_HostCallbacks:
            size = std::min<UInt32>(*ioDataSize, sizeof(HostCallbackInfo));
            std::memcpy(outData, &hostCallbacks, size);
            break;
        case kAudioUnitProperty_CurrentPreset:
            return getPreset(outData, ioDataSize, false);
        case kAudioUnitProperty_PresentPreset:
            return getPreset(outData, ioDataSize, true);
        case kAudioUnitProperty_ElementName: {
            CFStringRef name = (scope == kAudioUnitScope_Input ? inputBusNames : outputBusNames)[element];
            CFRetain(name);
            put(outData, name);
            break;
        }
        case kAudioUnitProperty_CocoaUI: {
            AudioUnitCocoaViewInfo info{};
            info.mCocoaAUViewBundleLocation = CFBundleCopyBundleURL(bundle);
            info.mCocoaAUViewClass[0] =
                CFStringCreateWithCString(nullptr, "Tandem20010220_CocoaViewFactory", kCFStringEncodingUTF8);
            put(outData, info);
            break;
        }
        case kAudioUnitProperty_ParameterStringFromValue:
            getStringFromValue(*static_cast<AudioUnitParameterStringFromValue*>(outData));
            break;
        case kAudioUnitProperty_ParameterValueFromString:
            getValueFromString(*static_cast<AudioUnitParameterValueFromString*>(outData));
            break;
        case kMusicDeviceProperty_InstrumentCount:
            put(outData, UInt32(0));
            break;
        default:
            return kAudioUnitErr_InvalidProperty;
    }
    *ioDataSize = size;
    return noErr;
}

OSStatus TandemComponent::setProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                                      const void* inData, UInt32 inDataSize) {
    const PropertyRule r = describe(*this, id, scope, element);
    if (!r.writable) return kAudioUnitErr_InvalidProperty;
    if (inDataSize < r.setMinimum || (inData == nullptr && r.setMinimum > 0)) return kAudioUnitErr_InvalidPropertyValue;
    switch (id) {
        case kAudioUnitProperty_ClassInfo:
            restoreClassInfo(*static_cast<const CFPropertyListRef*>(inData));
            break;
        case kAudioUnitProperty_MakeConnection:
            makeConnection(element, *static_cast<const AudioUnitConnection*>(inData));
            break;
        case kAudioUnitProperty_SampleRate:
            updateSampleRate(*static_cast<const Float64*>(inData));
            break;
        case kAudioUnitProperty_StreamFormat:
            updateFormat(scope, element, *static_cast<const AudioStreamBasicDescription*>(inData));
            break;
        case kAudioUnitProperty_MaximumFramesPerSlice:
            updateMaxFramesPerSlice(*static_cast<const UInt32*>(inData));
            break;
        case kAudioUnitProperty_BypassEffect:
            isBypassed = *static_cast<const UInt32*>(inData) != 0;
            vst->setBypass(isBypassed);
            break;
        case kAudioUnitProperty_SetRenderCallback:
            setRenderCallback(element, *static_cast<const AURenderCallbackStruct*>(inData));
            break;
        case kAudioUnitProperty_HostCallbacks:
            setHostCallbacks(inData, inDataSize);
            break;
        case kAudioUnitProperty_CurrentPreset:
        case kAudioUnitProperty_PresentPreset:
            setPreset(inData, inDataSize);
            break;
        default:
            return kAudioUnitErr_InvalidProperty;
    }
    return noErr;
}

void TandemComponent::setHostCallbacks(const void* inData, UInt32 inDataSize) {
    HostCallbackInfo callbacks{};
    if (inData) std::memcpy(&callbacks, inData, std::min<UInt32>(inDataSize, sizeof callbacks));
    if (std::memcmp(&callbacks, &hostCallbacks, sizeof callbacks) == 0) return;
    hostCallbacks = callbacks;
    propertyChanged(kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0);
}

// Value to text through the effect's extension ('sV2S'), or its display of the current value.
void TandemComponent::getStringFromValue(AudioUnitParameterStringFromValue& request) {
    request.outString = nullptr;
    if (!parameterInRange(request.inParamID)) throw MacOSException(kAudioUnitErr_InvalidParameter);
    char text[25] = "?";
    if (request.inValue == nullptr) {
        vst->getParameterDisplay(int32_t(request.inParamID), text);
    } else {
        checkParameterScaling(request.inParamID);
        if (!std::isfinite(*request.inValue)) throw MacOSException(kAudioUnitErr_InvalidParameterValue);
        const float value = scaleFromAUParameter(request.inParamID, *request.inValue);
        std::memcpy(text, &value, sizeof value);
        if (vst->vendorSpecific(kValueToString, VstIntPtr(request.inParamID), text, 0.0f) == 0)
            throw MacOSException(kAudioUnitErr_InvalidProperty);
        text[sizeof text - 1] = '\0';
    }
    const char* start = text;
    while (*start == ' ') ++start;
    request.outString = CFStringCreateWithCString(nullptr, start, kCFStringEncodingMacRoman);
}

// Text to value through the effect's extension ('sS2V').
void TandemComponent::getValueFromString(AudioUnitParameterValueFromString& request) {
    request.outValue = 0.0f;
    if (!parameterInRange(request.inParamID)) throw MacOSException(kAudioUnitErr_InvalidParameter);
    char text[2048] = {};
    if (request.inString && !CFStringGetCString(request.inString, text, sizeof text, kCFStringEncodingMacRoman))
        text[0] = '\0';
    if (vst->vendorSpecific(kStringToValue, VstIntPtr(request.inParamID), text, 0.0f) == 0)
        throw MacOSException(kAudioUnitErr_InvalidProperty);
    float value;
    std::memcpy(&value, text, sizeof value);
    request.outValue = scaleToAUParameter(request.inParamID, value);
}

}  // namespace tandem
