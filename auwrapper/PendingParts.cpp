// Weak stand-ins for the operations of the parameter map, the configuration and the presets,
// which live in their own files (auwrapper/ParameterMap*, Configuration*, Presets*, Fxp*,
// FactoryPresets*). A strong definition there replaces the stand-in here at link time (the
// library is linked whole). With only these the component has an empty parameter map, no
// factory presets, all switches off, and refuses ClassInfo.
#include "TandemComponent.h"
#include "TandemExceptions.h"

#define TANDEM_PENDING __attribute__((weak))

namespace tandem {

TANDEM_PENDING void TandemComponent::loadConfiguration() {}
TANDEM_PENDING void TandemComponent::readOrCreateParameterMapping() {}
TANDEM_PENDING void TandemComponent::createDefaultParameterMappingFile(CFURLRef) {}
TANDEM_PENDING void TandemComponent::readParameterMapping(CFURLRef) {}

TANDEM_PENDING CFMutableDictionaryRef TandemComponent::createAUPresetWithVSTData(size_t, const unsigned char*,
                                                                                CFStringRef) {
    throw MacOSException(kAudioUnitErr_InvalidProperty);
}
TANDEM_PENDING CFMutableDictionaryRef TandemComponent::createAUPresetOfCurrentProgram(CFStringRef) {
    throw MacOSException(kAudioUnitErr_InvalidProperty);
}
TANDEM_PENDING CFMutableDictionaryRef TandemComponent::createAUPresetOfCurrentBank(CFStringRef) {
    throw MacOSException(kAudioUnitErr_InvalidProperty);
}
TANDEM_PENDING CFPropertyListRef TandemComponent::copyClassInfo() { throw MacOSException(kAudioUnitErr_InvalidProperty); }
TANDEM_PENDING void TandemComponent::restoreClassInfo(CFPropertyListRef) {
    throw MacOSException(kAudioUnitErr_InvalidProperty);
}
TANDEM_PENDING void TandemComponent::loadOrCreateFactoryPresets() {}
TANDEM_PENDING void TandemComponent::createFactoryPresets(CFURLRef) {}
TANDEM_PENDING void TandemComponent::loadFactoryPresets(CFURLRef) {}
TANDEM_PENDING void TandemComponent::convertVSTPresets() {}
TANDEM_PENDING void TandemComponent::convertVSTPresetsInDomain(int, CFStringRef) {}
TANDEM_PENDING void TandemComponent::convertVSTPreset(CFURLRef, bool) {}
TANDEM_PENDING void TandemComponent::convertLoadedPrograms(CFURLRef, bool, CFMutableDataRef) {}

TANDEM_PENDING std::vector<unsigned char> VSTPlugIn::createFXP() {
    throw TandemException("FXP data not available yet");
}
TANDEM_PENDING std::vector<unsigned char> VSTPlugIn::createFXB() {
    throw TandemException("FXB data not available yet");
}
TANDEM_PENDING unsigned char* VSTPlugIn::writeFxCk(unsigned char* destination) { return destination; }
TANDEM_PENDING bool VSTPlugIn::loadFXPOrFXB(size_t, const unsigned char*) {
    throw FormatException("Invalid format of FXP / FXB data");
}
TANDEM_PENDING const unsigned char* VSTPlugIn::readFxCk(const unsigned char* position, const unsigned char*, bool& ok) {
    ok = false;
    return position;
}
TANDEM_PENDING const unsigned char* VSTPlugIn::readBigInt32(const unsigned char* position, const unsigned char* end,
                                                            int32_t& value) {
    if (end - position < 4) throw EOFException("End of file error");
    value = int32_t(uint32_t(position[0]) << 24 | uint32_t(position[1]) << 16 | uint32_t(position[2]) << 8 |
                    uint32_t(position[3]));
    return position + 4;
}

}  // namespace tandem
