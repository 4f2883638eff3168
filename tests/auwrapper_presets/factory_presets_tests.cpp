// The factory preset list, loading the presets it names, one preset file per program, and the
// shipped list checked against the patch library it was made from.
#include <set>

#include "AUPresetDictionary.h"
#include "FactoryPresets.h"
#include "FakeEffect.h"
#include "PresetFiles.h"

using namespace tandem;
using namespace tandem::test;

namespace {

const ComponentDescription kDescription = {fourCC('a', 'u', 'm', 'u'), fourCC('T', 'e', 's', 't'),
                                           fourCC('M', 'a', 'k', 'r'), 0, 0};

std::vector<std::string> parse(const std::string& text) {
    return FactoryPresets::parseList(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

void writePreset(const std::string& path, const std::string& name, const std::vector<unsigned char>& data) {
    ScopedCF<CFStringRef> text(CFStringCreateWithCString(nullptr, name.c_str(), kCFStringEncodingUTF8));
    ScopedCF<CFMutableDictionaryRef> preset(
        AUPresetDictionary::create(kDescription, data.data(), data.size(), text.get()));
    saveProperties(preset.get(), path);
}

// The factory preset fields of a component.
struct Table {
    Table() : array(CFArrayCreateMutable(nullptr, 0, nullptr)) {}
    ~Table() {
        for (int i = 0; i < kMaxFactoryPresets; ++i) {
            if (presets[i].presetName) CFRelease(presets[i].presetName);
            if (data[i]) CFRelease(data[i]);
        }
        CFRelease(array);
    }
    int load(const ScratchFolder& folder) {
        return FactoryPresets::load(folder.file(kFactoryPresetListName), folder.path.string(), presets, data, array);
    }
    AUPreset presets[kMaxFactoryPresets] = {};
    CFDataRef data[kMaxFactoryPresets] = {};
    CFMutableArrayRef array;
};

}  // namespace

TEST(FactoryPresetList, CommentsBlankLinesAndLeadingSpaces) {
    EXPECT_EQ(parse("; comment\r\r  Bass.aupreset\r"), std::vector<std::string>{"Bass.aupreset"});
    EXPECT_EQ(parse("A.aupreset\nB.aupreset\r\nC.aupreset"),
              (std::vector<std::string>{"A.aupreset", "B.aupreset", "C.aupreset"}));
    EXPECT_EQ(parse("   ;indented comment\n\t\n"), std::vector<std::string>{"\t"});
    EXPECT_TRUE(parse("").empty());
}

TEST(FactoryPresetList, AtMost128EntriesAndLongLinesCut) {
    std::string text;
    for (int i = 0; i < 130; ++i) text += "P" + std::to_string(i) + ".aupreset\r";
    const std::vector<std::string> names = parse(text);
    ASSERT_EQ(names.size(), 128u);
    EXPECT_EQ(names.back(), "P127.aupreset");
    EXPECT_EQ(parse(std::string(3000, 'x') + "\rnext").at(0).size(), 2047u);
    EXPECT_EQ(parse(std::string(3000, 'x') + "\rnext").at(1), "next");
}

// Loading stops at the first entry whose file is missing or holds no preset, keeping those before it.
TEST(FactoryPresetLoading, StopsAtTheFirstMissingOrBrokenFile) {
    ScratchFolder folder;
    writePreset(folder.file("One.aupreset"), "First", {1});
    writePreset(folder.file("Two.aupreset"), "Second", {2, 2});
    writeText(folder.file("Garbage.aupreset"), "this is not a property list");
    writeText(folder.file("Array.aupreset"),
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>x</string></array></plist>");
    writeText(folder.file("NoData.aupreset"),
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>name</key><string>x</string></dict></plist>");
    const struct {
        const char* list;
        int loaded;
    } cases[] = {
        {"; factory sounds\r\r  One.aupreset\rTwo.aupreset\rThree.aupreset\rOne.aupreset\r", 2},
        {"One.aupreset\rGarbage.aupreset\rOne.aupreset\r", 1},
        {"NoData.aupreset\r", 0},
        {"Array.aupreset\r", 0},
        {nullptr, 0},  // no list file at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list ? c.list : "no list");
        std::filesystem::remove(folder.file(kFactoryPresetListName));
        if (c.list) writeText(folder.file(kFactoryPresetListName), c.list);
        Table table;
        EXPECT_EQ(table.load(folder), c.loaded);
        EXPECT_EQ(CFArrayGetCount(table.array), c.loaded);
        if (c.loaded != 2) continue;
        // The array holds the component's own records, named as the presets name themselves.
        auto second = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(table.array, 1));
        EXPECT_EQ(second, &table.presets[1]);
        EXPECT_EQ(second->presetNumber, 1);
        EXPECT_EQ(stringOf(second->presetName), "Second");
        EXPECT_EQ(CFDataGetLength(table.data[1]), 2);
    }
}

// Blank names are left out, a name like the one written just before is not written again,
// slashes become dashes, and a later program of a name replaces the earlier one's file.
TEST(FactoryPresetWriting, OneFilePerNamedProgram) {
    FakeEffect effect(2, 6);
    effect.names = {"   ", "Init", " Init ", "A/B", "", "Init"};
    effect.values = {{0.0f, 0.0f}, {0.1f, 0.1f}, {0.2f, 0.2f}, {0.3f, 0.3f}, {0.4f, 0.4f}, {0.5f, 0.5f}};
    effect.current = 2;
    ScratchFolder folder;
    std::string list;
    FactoryPresets::convertLoadedPrograms(effect, kDescription, folder.path.string(), &list);
    EXPECT_EQ(list, "Init.aupreset\rA-B.aupreset\rInit.aupreset\r");
    EXPECT_EQ(effect.current, 2);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path)) files += entry.is_regular_file();
    EXPECT_EQ(files, 2);
    ScopedCF<CFDictionaryRef> init(AUPresetDictionary::readFile(folder.file("Init.aupreset")));
    auto data = static_cast<CFDataRef>(AUPresetDictionary::required(init.get(), "vstdata", CFDataGetTypeID()));
    FakeEffect check(2, 1);
    FxCodec(check).loadFXPOrFXB(size_t(CFDataGetLength(data)), CFDataGetBytePtr(data));
    EXPECT_EQ(check.values[0], (std::vector<float>{0.5f, 0.5f}));
}

TEST(FactoryPresetWriting, ABankPresetNamedDefault) {
    FakeEffect effect(1, 2, true);
    effect.bankChunk = {5, 5};
    ScratchFolder folder;
    writeText(folder.file(kBankPresetFileName), "old");
    EXPECT_EQ(FactoryPresets::create(effect, kDescription, true, folder.path.string()), "FactoryPreset.aupreset\r");
    ScopedCF<CFDictionaryRef> preset(AUPresetDictionary::readFile(folder.file(kBankPresetFileName)));
    EXPECT_EQ(
        stringOf(static_cast<CFStringRef>(AUPresetDictionary::required(preset.get(), "name", CFStringGetTypeID()))),
        "Default");
}

TEST(ShippedFactoryPresets, OnePresetPerPatchOfTheLibrary) {
    const std::string resources = std::string(HALVORAX_SOURCE_DIR) + "/resources/";
    const std::vector<unsigned char> list = loadFromFile(resources + "TDFactoryPresets.txt");
    const std::vector<std::string> entries = FactoryPresets::parseList(list.data(), list.size());
    std::set<std::string> listed;
    for (const std::filesystem::path entry : entries) {
        EXPECT_EQ(entry.extension(), ".aupreset");
        listed.insert(entry.stem());
        EXPECT_TRUE(fileExists(std::string(HALVORAX_BUNDLE_PATH) + "/Contents/Resources/" + entry.string())) << entry;
    }
    std::set<std::string> patches;
    for (const auto& file : std::filesystem::directory_iterator(resources + "patches"))
        if (file.path().extension() == ".repatch") patches.insert(file.path().stem().string());
    EXPECT_EQ(listed, patches);
    EXPECT_EQ(listed.size(), entries.size());
}
