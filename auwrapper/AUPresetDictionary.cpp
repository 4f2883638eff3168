#include "AUPresetDictionary.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "FxpFxb.h"
#include "PresetFiles.h"
#include "TandemExceptions.h"

namespace tandem {

namespace {

constexpr OSStatus kInvalidPropertyValue = -10851;
constexpr size_t kMaxNameBytes = 2047;

// Keys are the layer's immortal constant strings.
CFStringRef key(const char* text) { return __CFStringMakeConstantString(text); }

void setInt32(CFMutableDictionaryRef dict, const char* name, SInt32 value) {
    ScopedCF<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberSInt32Type, &value));
    throwOnNull(number.get(), "Could not create number");
    CFDictionarySetValue(dict, key(name), number.get());
}

void requireValue(CFDictionaryRef dict, const char* name, SInt32 expected) {
    bool exact = false;
    if (AUPresetDictionary::requiredInt32(dict, name, &exact) != expected || !exact)
        throw FormatException("Data in dictionary is not of expected value");
}

}  // namespace

CFMutableDictionaryRef AUPresetDictionary::create(const ComponentDescription& description, const unsigned char* bytes,
                                                  size_t size, CFStringRef name) {
    ScopedCF<CFMutableDictionaryRef> dict(
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    throwOnNull(dict.get(), "Could not create dictionary");
    setInt32(dict.get(), "version", 1);
    setInt32(dict.get(), "type", SInt32(description.componentType));
    setInt32(dict.get(), "subtype", SInt32(description.componentSubType));
    setInt32(dict.get(), "manufacturer", SInt32(description.componentManufacturer));
    CFDictionarySetValue(dict.get(), key("name"), name ? name : CFSTR(""));
    ScopedCF<CFDataRef> data(CFDataCreate(nullptr, bytes, CFIndex(size)));
    throwOnNull(data.get(), "Could not create data");
    CFDictionarySetValue(dict.get(), key("vstdata"), data.get());
    return dict.release();
}

CFMutableDictionaryRef AUPresetDictionary::ofCurrentProgram(EffectAccess& effect,
                                                            const ComponentDescription& description, CFStringRef name) {
    const std::vector<unsigned char> bytes = FxCodec(effect).createFXP();
    return create(description, bytes.data(), bytes.size(), name);
}

CFMutableDictionaryRef AUPresetDictionary::ofCurrentBank(EffectAccess& effect, const ComponentDescription& description,
                                                         CFStringRef name) {
    const std::vector<unsigned char> bytes = FxCodec(effect).createFXB();
    return create(description, bytes.data(), bytes.size(), name);
}

CFDictionaryRef AUPresetDictionary::classInfo(EffectAccess& effect, const ComponentDescription& description,
                                              bool presetIsFXB, CFStringRef presetName) {
    ScopedCF<CFMutableDictionaryRef> dict(presetIsFXB ? ofCurrentBank(effect, description, presetName)
                                                      : ofCurrentProgram(effect, description, presetName));
    setInt32(dict.get(), "ProgramNumber", effect.getCurrentProgram());
    return dict.release();
}

CFTypeRef AUPresetDictionary::required(CFDictionaryRef dict, const char* name, CFTypeID type) {
    const void* value = nullptr;
    if (!CFDictionaryGetValueIfPresent(dict, key(name), &value) || value == nullptr)
        throw TandemException("Missing key in dictionary");
    if (CFGetTypeID(value) != type) throw FormatException("Value in dictionary is not of expected type");
    return value;
}

SInt32 AUPresetDictionary::requiredInt32(CFDictionaryRef dict, const char* name, bool* exact) {
    auto number = static_cast<CFNumberRef>(required(dict, name, CFNumberGetTypeID()));
    SInt64 value = 0;
    const bool whole = CFNumberGetValue(number, kCFNumberSInt64Type, &value);
    if (exact) *exact = whole && value >= INT32_MIN && value <= SInt64(UINT32_MAX);
    // Read as a 32-bit integer: codes above 0x7FFFFFFF come back as the same 32 bits.
    return SInt32(uint32_t(uint64_t(value)));
}

bool AUPresetDictionary::requiredBoolean(CFDictionaryRef dict, const char* name) {
    return CFBooleanGetValue(static_cast<CFBooleanRef>(required(dict, name, CFBooleanGetTypeID()))) != 0;
}

void AUPresetDictionary::updateCurrentVSTProgramName(EffectAccess& effect, CFStringRef name) {
    std::string text = stringOf(name, kCFStringEncodingMacRoman);
    text.resize(std::min(text.size(), kMaxNameBytes));
    text = text.c_str();  // up to an embedded terminator
    text.resize(std::min<size_t>(text.size(), kFxNameLength));
    effect.setCurrentProgramName(text.c_str());
}

void AUPresetDictionary::restoreClassInfo(EffectAccess& effect, const ComponentDescription& description,
                                          CFPropertyListRef value, bool updateNameOnLoad) {
    try {
        if (value == nullptr || CFGetTypeID(value) != CFDictionaryGetTypeID())
            throw FormatException("Invalid AUPreset format");
        auto dict = static_cast<CFDictionaryRef>(value);
        requireValue(dict, "version", 1);
        requireValue(dict, "type", SInt32(description.componentType));
        requireValue(dict, "subtype", SInt32(description.componentSubType));
        requireValue(dict, "manufacturer", SInt32(description.componentManufacturer));

        SInt32 program = 0;
        bool exact = true;
        if (CFDictionaryContainsKey(dict, key("ProgramNumber"))) program = requiredInt32(dict, "ProgramNumber", &exact);
        if (!exact || program < 0 || program >= effect.programCount()) program = 0;  // out of range
        effect.setCurrentProgram(program);

        auto name = static_cast<CFStringRef>(required(dict, "name", CFStringGetTypeID()));
        auto data = static_cast<CFDataRef>(required(dict, "vstdata", CFDataGetTypeID()));
        FxCodec(effect).loadFXPOrFXB(size_t(CFDataGetLength(data)), CFDataGetBytePtr(data));
        if (updateNameOnLoad) updateCurrentVSTProgramName(effect, name);
    } catch (const FormatException&) {
        throw MacOSException(kInvalidPropertyValue);
    } catch (const EOFException&) {
        throw MacOSException(kInvalidPropertyValue);
    }
}

CFDictionaryRef AUPresetDictionary::readFile(const std::string& path) {
    const std::vector<unsigned char> bytes = loadFromFile(path);
    ScopedCF<CFDataRef> xml(CFDataCreate(nullptr, bytes.data(), CFIndex(bytes.size())));
    throwOnNull(xml.get(), "Could not create data");
    CFStringRef error = nullptr;
    ScopedCF<CFPropertyListRef> list(
        CFPropertyListCreateFromXMLData(nullptr, xml.get(), kCFPropertyListImmutable, &error));
    ScopedCF<CFStringRef> errorText(error);
    if (!list) {
        if (!errorText) throw TandemException("Could not create property list from XML data");
        const std::string message = "Could not create property list from XML data (" + stringOf(error) + ")";
        throw TandemException(message.substr(0, 255).c_str());
    }
    if (CFGetTypeID(list.get()) != CFDictionaryGetTypeID()) throw FormatException("Invalid AUPreset format");
    return static_cast<CFDictionaryRef>(list.release());
}

}  // namespace tandem
