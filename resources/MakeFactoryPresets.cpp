// Build step: makes the factory .aupreset files the Audio Unit side lists. For every entry of
// TDFactoryPresets.txt it loads the patch of the same name from the patch library into a
// Halvorax effect and writes that sound, as an FXP program chunk named after the patch, into
// an .aupreset file for the component described in the bundle's Info.plist.
//
//   make-factory-presets <TDFactoryPresets.txt> <patch folder> <Info.plist> <output folder>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "AUPresetDictionary.h"
#include "FactoryPresets.h"
#include "FxpFxb.h"
#include "HalvoVST2.h"
#include "PresetFiles.h"

using namespace tandem;

namespace {

// The effect as the FXP writer sees it, with the program name and the chunk's patch path set
// for the preset being made.
class PresetSource : public EffectAccess {
public:
    explicit PresetSource(halvorax::HalvoVST2& effect) : effect(effect) {}

    void prepare(const std::string& patchName) {
        name = patchName.substr(0, kFxNameLength);
        void* data = nullptr;
        const VstInt32 size = effect.getChunk(&data);
        chunk.assign(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
        // Only the file name: restoring keeps the user's own patch folder.
        auto* state = reinterpret_cast<halvorax::StateChunk*>(chunk.data());
        std::memset(state->path, 0, sizeof state->path);
        std::snprintf(state->path, sizeof state->path, "%s.repatch", patchName.c_str());
    }

    int32_t uniqueId() override { return effect.getAeffect()->uniqueID; }
    int32_t effectVersion() override { return effect.getAeffect()->version; }
    int32_t parameterCount() override { return effect.getAeffect()->numParams; }
    int32_t programCount() override { return effect.getAeffect()->numPrograms; }
    bool hasProgramChunks() override { return true; }
    float getParameter(int32_t index) override { return effect.getParameter(index); }
    void setParameter(int32_t index, float value) override { effect.setParameter(index, value); }
    int32_t getCurrentProgram() override { return 0; }
    void setCurrentProgram(int32_t) override {}
    void getCurrentProgramName(char* text) override { std::snprintf(text, 25, "%s", name.c_str()); }
    void setCurrentProgramName(const char*) override {}
    void getParameterName(int32_t index, char* text) override { effect.getParameterName(index, text); }
    void getParameterLabel(int32_t, char* text) override { text[0] = 0; }
    void getParameterDisplay(int32_t index, char* text) override { effect.getParameterDisplay(index, text); }
    void beginSetProgram() override {}
    void endSetProgram() override {}
    intptr_t getChunk(bool, void** data) override {
        *data = chunk.data();
        return intptr_t(chunk.size());
    }
    intptr_t setChunk(bool, const void*, int32_t) override { return 0; }

private:
    halvorax::HalvoVST2& effect;
    std::string name;
    std::vector<unsigned char> chunk;
};

OSType fourCharCode(CFDictionaryRef component, const char* key) {
    auto text = static_cast<CFStringRef>(AUPresetDictionary::required(component, key, CFStringGetTypeID()));
    const std::string code = stringOf(text);
    if (code.size() != 4) throw std::runtime_error(std::string("AudioComponents ") + key + " is not four characters");
    return OSType(uint8_t(code[0])) << 24 | OSType(uint8_t(code[1])) << 16 | OSType(uint8_t(code[2])) << 8 |
           OSType(uint8_t(code[3]));
}

ComponentDescription componentOf(const std::string& infoPlist) {
    ScopedCF<CFDictionaryRef> info(AUPresetDictionary::readFile(infoPlist));
    auto components =
        static_cast<CFArrayRef>(AUPresetDictionary::required(info.get(), "AudioComponents", CFArrayGetTypeID()));
    if (CFArrayGetCount(components) < 1) throw std::runtime_error("Info.plist lists no Audio Unit component");
    auto component = static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(components, 0));
    ComponentDescription description{};
    description.componentType = fourCharCode(component, "type");
    description.componentSubType = fourCharCode(component, "subtype");
    description.componentManufacturer = fourCharCode(component, "manufacturer");
    return description;
}

// The effect writes its patch folder under XDG_DATA_HOME: keep that out of the builder's home.
void isolateEffectFolders() {
    char pattern[] = "/tmp/halvorax-presets-XXXXXX";
    if (const char* folder = mkdtemp(pattern)) {
        setenv("XDG_DATA_HOME", folder, 1);
        static std::string made = folder;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(made, ignored);
        });
    }
    setenv("HALVORAX_RESOURCES", "/nonexistent/", 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s <TDFactoryPresets.txt> <patch folder> <Info.plist> <output folder>\n", argv[0]);
        return 2;
    }
    const std::string listPath = argv[1], patchFolder = argv[2], infoPlist = argv[3], output = argv[4];
    try {
        isolateEffectFolders();
        const ComponentDescription description = componentOf(infoPlist);
        const std::vector<unsigned char> list = loadFromFile(listPath);
        const std::vector<std::string> entries = FactoryPresets::parseList(list.data(), list.size());
        std::filesystem::create_directories(output);
        halvorax::HalvoVST2 effect(nullptr);
        PresetSource source(effect);
        for (const std::string& entry : entries) {
            const std::string name = std::filesystem::path(entry).stem().string();
            const std::string patch = patchFolder + "/" + name + ".repatch";
            if (!effect.LoadPatch(patch.c_str())) throw std::runtime_error("Could not load patch " + patch);
            source.prepare(name);
            const std::vector<unsigned char> fxp = FxCodec(source).createFXP();
            ScopedCF<CFStringRef> presetName(
                CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(name.data()), CFIndex(name.size()),
                                        kCFStringEncodingUTF8, false));
            ScopedCF<CFMutableDictionaryRef> preset(
                AUPresetDictionary::create(description, fxp.data(), fxp.size(), presetName.get()));
            saveProperties(preset.get(), output + "/" + entry);
        }
        writeWholeFile(output + "/" + kFactoryPresetListName, list.data(), list.size());
        std::printf("%zu factory presets\n", entries.size());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make-factory-presets: %s\n", error.what());
        return 1;
    }
    return 0;
}
