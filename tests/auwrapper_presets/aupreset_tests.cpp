// The preset dictionary: .aupreset files written and read, ClassInfo values made and restored
// with every check, and the result code of each refusal.
#include "AUPresetDictionary.h"
#include "FakeEffect.h"
#include "PresetFiles.h"
#include "TandemExceptions.h"

using namespace tandem;
using namespace tandem::test;

namespace {

const ComponentDescription kDescription = {fourCC('a', 'u', 'm', 'u'), fourCC('T', 'e', 's', 't'), 0x8A6B7C6Du, 0,
                                           0};  // a manufacturer code above 0x7FFFFFFF

void setNumber(CFMutableDictionaryRef dict, const char* key, SInt32 value) {
    ScopedCF<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberSInt32Type, &value));
    CFDictionarySetValue(dict, __CFStringMakeConstantString(key), number.get());
}

// The result code the entry guard gives for what restoring `value` raises (0 when it passes).
OSStatus restoreResult(FakeEffect& effect, CFPropertyListRef value, bool updateName = false) {
    try {
        AUPresetDictionary::restoreClassInfo(effect, kDescription, value, updateName);
        return 0;
    } catch (...) {
        return resultForCurrentException();
    }
}

struct ClassInfoFixture : ::testing::Test {
    ClassInfoFixture() : source(3, 2), target(3, 2) {
        source.values[0] = {0.25f, 0.5f, 0.75f};
        source.names[0] = "Saved";
        info = mutableCopyOf(
            ScopedCF<CFDictionaryRef>(AUPresetDictionary::classInfo(source, kDescription, false, CFSTR("Host Name")))
                .get());
    }
    ~ClassInfoFixture() override { CFRelease(info); }
    FakeEffect source, target;
    CFMutableDictionaryRef info;
};

}  // namespace

// A preset save that fails part-way (here: the file size limit, as a full disk would) raises
// the classic code and leaves the preset that was there untouched.
TEST(AUPresetFiles, AFailedSaveKeepsTheOldFile) {
    ScratchFolder folder;
    const std::string path = folder.file("keep.aupreset");
    writeText(path, "old preset");
    std::vector<unsigned char> big(64 * 1024, 7);
    ScopedCF<CFMutableDictionaryRef> preset(
        AUPresetDictionary::create(kDescription, big.data(), big.size(), CFSTR("Big")));
    OSStatus code = noErr;
    try {
        const halvorax::test::FileSizeLimit limit(1024);
        saveProperties(preset.get(), path);
    } catch (const MacOSException& error) {
        code = error.code();
    }
    EXPECT_EQ(code, -36);  // ioErr for a write the system refused
    EXPECT_EQ(readText(path), "old preset");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 1);  // no temporary left
}

TEST(AUPresetFiles, ParseErrorsAndWrongRoots) {
    ScratchFolder folder;
    const auto read = [&](const char* name) { CFRelease(AUPresetDictionary::readFile(folder.file(name))); };
    writeText(folder.file("bad.aupreset"), "<?xml version=\"1.0\"?><plist><dict><key>a</key>");
    const std::string parseError = failure<TandemException>([&] { read("bad.aupreset"); });
    EXPECT_EQ(parseError.rfind("Could not create property list from XML data", 0), 0u) << parseError;
    EXPECT_LE(parseError.size(), 255u);
    writeText(folder.file("string.aupreset"),
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><string>x</string></plist>");
    EXPECT_EQ(failure<FormatException>([&] { read("string.aupreset"); }), "Invalid AUPreset format");
    EXPECT_EQ(failure<MacOSException>([&] { read("missing.aupreset"); }), "Mac OS error code -43");  // fnfErr
}

// The effect's own program name stays unless the name is to go to the effect on load.
TEST_F(ClassInfoFixture, RoundTripWithProgramNumberAndName) {
    EXPECT_EQ(AUPresetDictionary::requiredInt32(info, "ProgramNumber"), 0);
    EXPECT_EQ(stringOf(static_cast<CFStringRef>(AUPresetDictionary::required(info, "name", CFStringGetTypeID()))),
              "Host Name");
    target.current = 1;
    EXPECT_EQ(restoreResult(target, info), 0);
    EXPECT_EQ(target.current, 0);
    EXPECT_EQ(target.values[0], source.values[0]);
    EXPECT_EQ(target.names[0], "Saved");
    EXPECT_EQ(restoreResult(target, info, true), 0);
    EXPECT_EQ(target.names[0], "Host Name");
}

TEST_F(ClassInfoFixture, ProgramNumberOutOfRangeSelectsZeroThenApplies) {
    setNumber(info, "ProgramNumber", 999);
    target.current = 1;
    EXPECT_EQ(restoreResult(target, info), 0);
    EXPECT_EQ(target.selections.front(), 0);
    EXPECT_EQ(target.values[0], source.values[0]);
    setNumber(info, "ProgramNumber", 1);
    EXPECT_EQ(restoreResult(target, info), 0);
    EXPECT_EQ(target.values[1], source.values[0]);
    const SInt64 wrapsToOne = (SInt64(1) << 32) + 1;
    ScopedCF<CFNumberRef> huge(CFNumberCreate(nullptr, kCFNumberSInt64Type, &wrapsToOne));
    CFDictionarySetValue(info, CFSTR("ProgramNumber"), huge.get());
    target.current = 1;
    EXPECT_EQ(restoreResult(target, info), 0);
    EXPECT_EQ(target.current, 0);
    CFDictionaryRemoveValue(info, CFSTR("ProgramNumber"));
    target.current = 1;
    EXPECT_EQ(restoreResult(target, info), 0);
    EXPECT_EQ(target.current, 0);
}

TEST_F(ClassInfoFixture, MissingKeys) {
    for (const char* key : {"version", "type", "subtype", "manufacturer", "name", "vstdata"}) {
        ScopedCF<CFMutableDictionaryRef> copy(mutableCopyOf(info));
        CFDictionaryRemoveValue(copy.get(), __CFStringMakeConstantString(key));
        EXPECT_EQ(restoreResult(target, copy.get()), -32767) << key;
    }
}

TEST_F(ClassInfoFixture, WrongTypesAndValues) {
    for (const char* key : {"version", "type", "subtype", "manufacturer", "ProgramNumber", "name", "vstdata"}) {
        ScopedCF<CFMutableDictionaryRef> copy(mutableCopyOf(info));
        CFDictionarySetValue(copy.get(), __CFStringMakeConstantString(key), kCFBooleanTrue);
        EXPECT_EQ(restoreResult(target, copy.get()), -10851) << key;
    }
    for (const char* key : {"version", "type", "subtype", "manufacturer"}) {
        ScopedCF<CFMutableDictionaryRef> copy(mutableCopyOf(info));
        setNumber(copy.get(), key, 2);
        EXPECT_EQ(restoreResult(target, copy.get()), -10851) << key;
    }
    ScopedCF<CFMutableDictionaryRef> fractional(mutableCopyOf(info));
    const double almostOne = 1.5;
    ScopedCF<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberFloat64Type, &almostOne));
    CFDictionarySetValue(fractional.get(), CFSTR("version"), number.get());
    EXPECT_EQ(restoreResult(target, fractional.get()), -10851);
    EXPECT_EQ(restoreResult(target, CFSTR("not a dictionary")), -10851);
    EXPECT_EQ(restoreResult(target, nullptr), -10851);
    EXPECT_EQ(target.parameterSets, 0);
}

TEST_F(ClassInfoFixture, BadDataReportsAndKeepsTheProgramAlreadySelected) {
    setNumber(info, "ProgramNumber", 1);
    const unsigned char junk[] = {'C', 'c', 'n', 'K', 0, 0};
    ScopedCF<CFDataRef> data(CFDataCreate(nullptr, junk, sizeof junk));
    CFDictionarySetValue(info, CFSTR("vstdata"), data.get());
    EXPECT_EQ(restoreResult(target, info), -10851);
    EXPECT_EQ(target.current, 1);
    EXPECT_EQ(target.parameterSets, 0);
    // Every other refusal of the data: FxReading.RefusedDataChangesNothing.
}

TEST_F(ClassInfoFixture, BanksWhenPresetIsFXB) {
    ScopedCF<CFDictionaryRef> bank(AUPresetDictionary::classInfo(source, kDescription, true, CFSTR("Bank")));
    auto data = static_cast<CFDataRef>(AUPresetDictionary::required(bank.get(), "vstdata", CFDataGetTypeID()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)) + 8, 4), "FxBk");
    EXPECT_EQ(restoreResult(target, bank.get()), 0);
    EXPECT_EQ(target.values, source.values);
}
