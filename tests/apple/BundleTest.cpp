// Bundles and file URLs: parent folders, resources by type, the executable and its symbols. Info.plist
// values are read through the wrapper's configuration and host identification tests.
#include "TestBundle.h"

#include <CoreFoundation/CoreFoundation.h>
#include <StandIn/StandIn.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string pathOf(CFURLRef url) {
    UInt8 buffer[1024];
    if (!CFURLGetFileSystemRepresentation(url, true, buffer, sizeof buffer)) return "<failed>";
    return reinterpret_cast<char*>(buffer);
}

}  // namespace

TEST(CFURL, ParentFoldersAndFileSystemPaths) {
    CFURLRef exe = TestBundle::urlOf("/opt/x/Halvorax.vst/Contents/x86_64-linux/Halvorax.so", false);
    CFURLRef up1 = CFURLCreateCopyDeletingLastPathComponent(nullptr, exe);
    CFURLRef up2 = CFURLCreateCopyDeletingLastPathComponent(nullptr, up1);
    CFURLRef up3 = CFURLCreateCopyDeletingLastPathComponent(nullptr, up2);
    EXPECT_EQ(pathOf(up3), "/opt/x/Halvorax.vst");
    UInt8 tiny[8];
    EXPECT_FALSE(CFURLGetFileSystemRepresentation(exe, true, tiny, sizeof tiny));
    for (CFTypeRef r : {CFTypeRef(exe), CFTypeRef(up1), CFTypeRef(up2), CFTypeRef(up3)}) CFRelease(r);
}

TEST(CFBundle, OneObjectPerFolderWhileAlive) {
    TestBundle folder;
    const CFIndex before = StandInLiveObjectCount();
    CFURLRef url = folder.copyURL();
    CFBundleRef first = CFBundleCreate(nullptr, url);
    CFBundleRef second = CFBundleCreate(nullptr, url);
    EXPECT_EQ(first, second);
    EXPECT_EQ(CFGetRetainCount(first), 2);
    CFRelease(second);
    CFRelease(first);
    CFRelease(url);
    EXPECT_EQ(StandInLiveObjectCount(), before);
}

TEST(CFBundle, MissingFolderOrInfoPlist) {
    CFURLRef nowhere = TestBundle::urlOf("/nonexistent/Nothing.vst", true);
    EXPECT_EQ(CFBundleCreate(nullptr, nowhere), nullptr);
    CFRelease(nowhere);
    TestBundle bare(false);
    CFURLRef url = bare.copyURL();
    CFBundleRef bundle = CFBundleCreate(nullptr, url);
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(CFBundleGetInfoDictionary(bundle), nullptr);
    EXPECT_EQ(CFBundleGetIdentifier(bundle), nullptr);
    CFRelease(bundle);
    CFRelease(url);
}

TEST(CFBundle, ResourcesByType) {
    TestBundle folder;
    CFURLRef url = folder.copyURL();
    CFBundleRef bundle = CFBundleCreate(nullptr, url);
    CFURLRef resources = CFBundleCopyResourcesDirectoryURL(bundle);
    EXPECT_EQ(pathOf(resources), (folder.path() / "Contents/Resources").string());
    CFArrayRef presets = CFBundleCopyResourceURLsOfType(bundle, CFSTR("aupreset"), nullptr);
    ASSERT_EQ(CFArrayGetCount(presets), 2);  // hidden files and subfolders are not listed
    EXPECT_EQ(pathOf(static_cast<CFURLRef>(CFArrayGetValueAtIndex(presets, 0))),
              (folder.path() / "Contents/Resources/a.aupreset").string());
    CFArrayRef vsts = CFBundleCopyResourceURLsOfType(bundle, CFSTR("vst"), nullptr);
    ASSERT_EQ(CFArrayGetCount(vsts), 1);
    EXPECT_EQ(pathOf(static_cast<CFURLRef>(CFArrayGetValueAtIndex(vsts, 0))),
              (folder.path() / "Contents/Resources/Inner.vst").string());
    CFArrayRef none = CFBundleCopyResourceURLsOfType(bundle, CFSTR("component"), nullptr);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(CFArrayGetCount(none), 0);
    for (CFTypeRef r : {CFTypeRef(resources), CFTypeRef(presets), CFTypeRef(vsts), CFTypeRef(none), CFTypeRef(bundle),
                        CFTypeRef(url)})
        CFRelease(r);
}

TEST(CFBundle, ExecutableLoadsAndExportsSymbols) {
    TestBundle folder;
    CFURLRef url = folder.copyURL();
    CFBundleRef bundle = CFBundleCreate(nullptr, url);
    EXPECT_FALSE(CFBundleIsExecutableLoaded(bundle));
    ASSERT_TRUE(CFBundleLoadExecutable(bundle));
    EXPECT_TRUE(CFBundleIsExecutableLoaded(bundle));
    auto answer = reinterpret_cast<int (*)()>(CFBundleGetFunctionPointerForName(bundle, CFSTR("TestPluginAnswer")));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(CFBundleGetFunctionPointerForName(bundle, CFSTR("main_macho")), nullptr);
    CFBundleUnloadExecutable(bundle);
    EXPECT_FALSE(CFBundleIsExecutableLoaded(bundle));
    // Looking up a symbol loads the executable again.
    EXPECT_NE(CFBundleGetFunctionPointerForName(bundle, CFSTR("TestPluginAnswer")), nullptr);
    EXPECT_TRUE(CFBundleIsExecutableLoaded(bundle));
    CFRelease(bundle);
    CFRelease(url);
}
