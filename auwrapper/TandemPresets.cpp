// TandemComponent's configuration, parameter map and preset operations: thin glue between the
// component's fields and the format classes (ParameterMap, AUPresetDictionary, FactoryPresets,
// PresetConversion).
#include <cstring>

#include "AUPresetDictionary.h"
#include "FactoryPresets.h"
#include "ParameterMap.h"
#include "PresetConversion.h"
#include "PresetFiles.h"
#include "PresetLocations.h"
#include "TandemComponent.h"
#include "TandemExceptions.h"
#include "VSTPlugInAccess.h"

namespace tandem {

namespace {

constexpr const char* kParameterMapName = "TDParameters.txt";

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + '/' + name;
}

std::string folderOfPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

// ---- Configuration ----

void TandemComponent::loadConfiguration() {
    CFDictionaryRef info = CFBundleGetInfoDictionary(bundle);
    throwOnNull(info, "Could not get info dictionary for bundle");
    auto config = static_cast<CFDictionaryRef>(AUPresetDictionary::required(info, "TDConfig", CFDictionaryGetTypeID()));
    autoConvertPresets = AUPresetDictionary::requiredBoolean(config, "AutoConvertPresets");
    presetIsFXB = AUPresetDictionary::requiredBoolean(config, "PresetIsFXB");
    updateNameOnLoad = AUPresetDictionary::requiredBoolean(config, "UpdateNameOnLoad");
}

// ---- Parameter map ----

void TandemComponent::readOrCreateParameterMapping() {
    const PresetLocations locations(bundle, resourcesFolder);
    std::string folder = locations.find(kParameterMapName);
    if (folder.empty()) {
        folder = locations.folderForNewFiles();
        ScopedCF<CFURLRef> file(createURLForPath(joinPath(folder, kParameterMapName)));
        createDefaultParameterMappingFile(file.get());
    }
    ScopedCF<CFURLRef> file(createURLForPath(joinPath(folder, kParameterMapName)));
    readParameterMapping(file.get());
}

void TandemComponent::createDefaultParameterMappingFile(CFURLRef file) {
    VSTPlugInAccess access(*vst);
    const std::string map = ParameterMap::createDefault(access, vstSupportsExtensions);
    const std::string path = pathOfURL(file);
    try {
        writeWholeFile(path, map.data(), map.size());
    } catch (...) {
        deleteFileIfPresent(path);  // a partial map would be read as the edited one
        throw;
    }
}

void TandemComponent::readParameterMapping(CFURLRef file) {
    const std::vector<unsigned char> bytes = loadFromFile(pathOfURL(file));
    ParameterMap::read(
        bytes.data(), bytes.size(),
        {vst->getParameterCount(), parameterInfos, parameterValueStrings, mappedParameters, &mappedParameterCount});
}

// ---- Preset dictionaries and ClassInfo ----

CFMutableDictionaryRef TandemComponent::createAUPresetWithVSTData(size_t size, const unsigned char* bytes,
                                                                  CFStringRef name) {
    return AUPresetDictionary::create(getComponentDescription(), bytes, size, name);
}

CFMutableDictionaryRef TandemComponent::createAUPresetOfCurrentProgram(CFStringRef name) {
    const std::vector<unsigned char> bytes = vst->createFXP();
    return createAUPresetWithVSTData(bytes.size(), bytes.data(), name);
}

CFMutableDictionaryRef TandemComponent::createAUPresetOfCurrentBank(CFStringRef name) {
    const std::vector<unsigned char> bytes = vst->createFXB();
    return createAUPresetWithVSTData(bytes.size(), bytes.data(), name);
}

CFPropertyListRef TandemComponent::copyClassInfo() {
    VSTPlugInAccess access(*vst);
    return AUPresetDictionary::classInfo(access, getComponentDescription(), presetIsFXB, currentPreset.presetName);
}

void TandemComponent::restoreClassInfo(CFPropertyListRef classInfo) {
    VSTPlugInAccess access(*vst);
    AUPresetDictionary::restoreClassInfo(access, getComponentDescription(), classInfo, updateNameOnLoad);
    updateCurrentAUPreset();
    // The restored state's name becomes current also with an effect that keeps no program
    // names (the restore has checked that "name" is a string).
    char text[25] = {};
    vst->getCurrentProgramName(text);
    if (text[0] == '\0') {
        auto name =
            static_cast<CFStringRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(classInfo), CFSTR("name")));
        CFRetain(name);
        if (currentPreset.presetName) CFRelease(currentPreset.presetName);
        currentPreset.presetName = name;
    }
    currentPreset.presetNumber = -1;
    propertyChanged(kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0);
    propertyChanged(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0);
}

// ---- Factory presets ----

void TandemComponent::loadOrCreateFactoryPresets() {
    const PresetLocations locations(bundle, resourcesFolder);
    std::string folder = locations.find(kFactoryPresetListName);
    if (folder.empty()) {
        folder = locations.folderForNewFiles();
        ScopedCF<CFURLRef> list(createURLForPath(joinPath(folder, kFactoryPresetListName)));
        createFactoryPresets(list.get());
    }
    ScopedCF<CFURLRef> list(createURLForPath(joinPath(folder, kFactoryPresetListName)));
    loadFactoryPresets(list.get());
}

void TandemComponent::createFactoryPresets(CFURLRef listFile) {
    VSTPlugInAccess access(*vst);
    const std::string listPath = pathOfURL(listFile);
    // The list is written last, so a failure leaves no list that would mark the work done.
    const std::string list =
        FactoryPresets::create(access, getComponentDescription(), presetIsFXB, folderOfPath(listPath));
    writeWholeFile(listPath, list.data(), list.size());
}

void TandemComponent::loadFactoryPresets(CFURLRef listFile) {
    if (factoryPresetArray) CFRelease(factoryPresetArray);
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, nullptr);
    throwOnNull(array, "Could not create array");
    factoryPresetArray = array;
    const std::string listPath = pathOfURL(listFile);
    FactoryPresets::load(listPath, folderOfPath(listPath), factoryPresets, factoryPresetData, array);
}

// ---- Conversion of VST preset files ----

void TandemComponent::convertVSTPresets() {
    try {
        ScopedCF<CFStringRef> name(copyComponentName());
        VSTPlugInAccess access(*vst);
        PresetConversion(access, getComponentDescription(), presetIsFXB)
            .convertVSTPresets(stringOf(name.get(), kCFStringEncodingMacRoman), PresetConversion::domainAudioFolders());
    } catch (const std::exception&) {
        // Conversion never ends the open.
    }
}

void TandemComponent::convertVSTPresetsInDomain(int domain, CFStringRef componentName) {
    const std::vector<std::string> folders = PresetConversion::domainAudioFolders();
    if (domain < 0 || size_t(domain) >= folders.size()) throw MacOSException(paramErr);
    VSTPlugInAccess access(*vst);
    PresetConversion(access, getComponentDescription(), presetIsFXB)
        .convertVSTPresetsInDomain(folders[size_t(domain)], stringOf(componentName, kCFStringEncodingMacRoman));
}

void TandemComponent::convertVSTPreset(CFURLRef file, bool isBank) {
    VSTPlugInAccess access(*vst);
    PresetConversion(access, getComponentDescription(), presetIsFXB).convertVSTPreset(pathOfURL(file), isBank);
}

void TandemComponent::convertLoadedPrograms(CFURLRef folder, bool writeList, CFMutableDataRef list) {
    VSTPlugInAccess access(*vst);
    std::string text;
    FactoryPresets::convertLoadedPrograms(access, getComponentDescription(), pathOfURL(folder),
                                          writeList ? &text : nullptr);
    if (writeList && list) CFDataAppendBytes(list, reinterpret_cast<const UInt8*>(text.data()), CFIndex(text.size()));
}

}  // namespace tandem
