// The Audio Unit preset dictionary that carries VST program or bank data: the ClassInfo
// state and the .aupreset files (its XML property-list form).
//
//   "version" 1, "type", "subtype", "manufacturer" (32-bit numbers of the component
//   description), "name" (string), "vstdata" (FXP or FXB bytes), and in ClassInfo values
//   only "ProgramNumber" (the effect's current program).
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/Components.h>

#include <string>

#include "EffectAccess.h"

namespace tandem {

// Owns one Core Foundation reference.
template <typename T>
class ScopedCF {
public:
    ScopedCF() = default;
    explicit ScopedCF(T ref) : ref(ref) {}
    ~ScopedCF() {
        if (ref) CFRelease(ref);
    }
    ScopedCF(const ScopedCF&) = delete;
    ScopedCF& operator=(const ScopedCF&) = delete;
    T get() const { return ref; }
    T release() {
        T taken = ref;
        ref = nullptr;
        return taken;
    }
    explicit operator bool() const { return ref != nullptr; }

private:
    T ref = nullptr;
};

class AUPresetDictionary {
public:
    // A new dictionary around a copy of the bytes.
    static CFMutableDictionaryRef create(const ComponentDescription& description, const unsigned char* bytes,
                                         size_t size, CFStringRef name);
    // The dictionary of the effect's current program (FXP) or bank (FXB).
    static CFMutableDictionaryRef ofCurrentProgram(EffectAccess& effect, const ComponentDescription& description,
                                                   CFStringRef name);
    static CFMutableDictionaryRef ofCurrentBank(EffectAccess& effect, const ComponentDescription& description,
                                                CFStringRef name);

    // The ClassInfo value: the current bank or program named `presetName`, with "ProgramNumber".
    static CFDictionaryRef classInfo(EffectAccess& effect, const ComponentDescription& description, bool presetIsFXB,
                                     CFStringRef presetName);

    // Restores a ClassInfo value, steps 1 to 5 of a restore: checks the dictionary, selects
    // "ProgramNumber" (0 when missing or out of range), applies "vstdata", and with
    // `updateNameOnLoad` gives "name" to the effect as its program name. Refused content
    // raises MacOSException -10851 (a missing key TandemException "Missing key in
    // dictionary"); what was done before the failure stays done.
    static void restoreClassInfo(EffectAccess& effect, const ComponentDescription& description, CFPropertyListRef value,
                                 bool updateNameOnLoad);

    // Gives `name` to the effect as its current program name (MacRoman, cut to 24 characters).
    static void updateCurrentVSTProgramName(EffectAccess& effect, CFStringRef name);

    // Reads a preset file: parse errors raise TandemException "Could not create property list
    // from XML data (...)"; a value that is not a dictionary FormatException "Invalid AUPreset
    // format". The caller releases the result.
    static CFDictionaryRef readFile(const std::string& path);

    // Typed lookups with the dictionary errors: a missing key raises TandemException "Missing
    // key in dictionary", another type FormatException "Value in dictionary is not of
    // expected type".
    static CFTypeRef required(CFDictionaryRef dict, const char* key, CFTypeID type);
    // `exact` (when given) tells whether the number was a whole 32-bit value.
    static SInt32 requiredInt32(CFDictionaryRef dict, const char* key, bool* exact = nullptr);
    static bool requiredBoolean(CFDictionaryRef dict, const char* key);
};

}  // namespace tandem
