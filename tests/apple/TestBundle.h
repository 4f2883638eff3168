// A temporary bundle folder for the tests: Info.plist, resources and the test plug-in as executable.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <filesystem>
#include <string>

#include "../support/TestFiles.h"

class TestBundle {
public:
    explicit TestBundle(bool withInfoPlist = true) : path_(root_.path / "Test.vst") {
        const auto contents = path_ / "Contents";
        std::filesystem::create_directories(contents / "Resources" / "Inner.vst" / "Contents");
        std::filesystem::create_directories(contents / "Resources" / "Presets");
        std::filesystem::create_directories(contents / "x86_64-linux");
        using halvorax::test::writeText;
        if (withInfoPlist) writeText(contents / "Info.plist", kInfoPlist);
        for (const char* empty : {"b.aupreset", "a.aupreset", ".hidden.aupreset", "Presets/c.aupreset"})
            writeText(contents / "Resources" / empty, "");
        std::filesystem::copy_file(APPLE_TEST_PLUGIN_PATH, contents / "x86_64-linux" / "TestPlugin.so");
    }
    const std::filesystem::path& path() const { return path_; }

    CFURLRef copyURL() const { return urlOf(path_, true); }

    static CFURLRef urlOf(const std::filesystem::path& p, bool isDirectory) {
        const std::string s = p.string();
        return CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(s.data()),
                                                       CFIndex(s.size()), isDirectory);
    }

private:
    static constexpr const char* kInfoPlist =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n"
        "\t<key>CFBundleExecutable</key>\n\t<string>TestPlugin</string>\n"
        "\t<key>CFBundleIdentifier</key>\n\t<string>com.brindlecove.test</string>\n"
        "</dict>\n</plist>\n";

    halvorax::test::TempFolder root_{"apple_tests"};
    std::filesystem::path path_;
};
