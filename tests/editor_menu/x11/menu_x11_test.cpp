// The patch menu chosen from with the pointer, on each backend: off-screen, with the pointer
// handed to the frame and the pop-up as the window hands it on, and in a host window on a real
// (virtual) X server, with XTest events. Then end to end: the bundle's plug-in loaded as a host
// loads it, its editor opened in a host window through the dispatcher, a pop-up entry clicked
// and the real zenity save panel driven with xdotool. Run under xvfb-run.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../../support/HostEvents.h"
#include "MenuTestSupport.h"
#include "StateChunk.h"
// Last: Xlib's macros.
#include "../../toolkit/x11/FramePointer.h"

namespace halvorax::test {
namespace {

// Runs a shell command line, killed after `seconds`; true when it exited with status 0. Its
// output goes to `output` if given.
bool runBounded(const std::string& command, int seconds, std::string* output = nullptr) {
    FILE* pipe = popen(("timeout -s KILL " + std::to_string(seconds) + " " + command).c_str(), "r");
    if (!pipe) return false;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        if (output) output->append(buffer);
    return pclose(pipe) == 0;
}

// Our own child processes running the named program (the plug-in starts zenity as ours).
std::vector<pid_t> childrenNamed(const std::string& name) {
    std::vector<pid_t> found;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("/proc", ignored)) {
        std::ifstream stat(entry.path() / "stat");  // "pid (comm) state parent ..."
        pid_t pid = 0, parent = 0;
        std::string comm;
        char state = 0;
        if (stat >> pid >> comm >> state >> parent && parent == getpid() && comm == "(" + name + ")")
            found.push_back(pid);
    }
    return found;
}

// The patch display opens the menu; a click on an entry chooses it.
class PatchMenuPointerTest : public PatchMenuTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        screen.open(kEditorWidth, kEditorHeight);
        if (HasFatalFailure()) return;
        resources = HALVORAX_BUNDLE_PATH "/Contents/Resources";  // a display of its size, to be clicked
        onScreen = GetParam();
        if (onScreen) parentWindow = screen.handle();
        PatchMenuTest::SetUp();
    }
    bool idleUntil(const std::function<bool()>& done) {
        return x11_test::idleUntil([&] { gui->idle(); }, done);
    }
    void openMenu() {
        pointer.click(400, 27);
        ASSERT_TRUE(idleUntil([&] { return menu->isPopupOpen(); })) << "the menu did not open";
    }
    // Clicks the middle of the rows the open pop-up (or its open sub-menu) gives the entry at
    // `position`.
    void pick(int position) {
        ASSERT_TRUE(idleUntil([&] { return !onScreen || screen.popupWindow() != 0; }));
        std::vector<int> rows;
        for (int y = 0; y < menu->getPopupSize().getHeight(); ++y)
            if (menu->popupEntryAt(VSTGUI::CPoint(40, y)) == position) rows.push_back(y);
        ASSERT_FALSE(rows.empty()) << "no entry " << position;
        pointer.clickPopup(40, (rows.front() + rows.back()) / 2);
    }

    bool onScreen = false;
    x11_test::HostWindow screen;
    x11_test::FramePointer pointer{screen, onScreen, [this] { return gui->getFrame(); }};
};

INSTANTIATE_TEST_SUITE_P(Backends, PatchMenuPointerTest, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "X11" : "Offscreen"); });

TEST_P(PatchMenuPointerTest, ChoosingAListedPatchLoadsIt) {
    const std::vector<std::string> names = listed();
    ASSERT_EQ(names.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        openMenu();
        pick(kFirstPatchEntry + i);
        ASSERT_TRUE(idleUntil([&] { return !menu->isPopupOpen(); }));
        EXPECT_EQ(currentPatch(), names[i]);
        EXPECT_NEAR(effect->getParameter(kVcfFreq), frequencyOf(names[i]), 1e-6);
    }
    EXPECT_EQ(menu->getNbEntries(), kFirstPatchEntry + 5) << "a listed patch does not rebuild the menu";
}

// A folder inside the patch folder is a sub-menu: choosing it shows its patches in the
// pop-up's place, and choosing one of those loads it.
TEST_P(PatchMenuPointerTest, ASubFolderIsASubMenuOfItsPatches) {
    writePatch(folder / "sub", "Aaa.repatch", 0.5f);
    load(folder / "Alpha.repatch");
    gui->buildPatchMenu(menu);
    const int sub = menu->getNbEntries() - 1;
    ASSERT_EQ(entryText(sub), "sub/");
    openMenu();
    pick(sub);
    ASSERT_TRUE(idleUntil([&] { return menu->getOpenSubmenu() == sub; })) << "the sub-menu did not open";
    pick(1);
    ASSERT_TRUE(idleUntil([&] { return !menu->isPopupOpen(); }));
    EXPECT_EQ(currentPatch(), "Deep.repatch");
}

// The bundle's plug-in, its editor open in the host window.
class MenuX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", home.path.c_str(), 1);
        // zenity on a bare X server: no accessibility bus, no settings daemon.
        setenv("NO_AT_BRIDGE", "1", 1);
        setenv("GDK_BACKEND", "x11", 1);
        setenv("GSETTINGS_BACKEND", "memory", 1);
        patchFolder = home.path / "Brindlecove" / "Halvorax";

        library = dlopen(HALVORAX_SO_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        using Entry = AEffect* (*)(audioMasterCallback);
        auto entry = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
        effect = entry(quietHost);
        ASSERT_NE(effect, nullptr);
        dispatch(effOpen);

        ERect* rect = nullptr;
        ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
        screen.open(rect->right - rect->left, rect->bottom - rect->top);
        if (HasFatalFailure()) return;
        ASSERT_EQ(dispatch(effEditOpen, 0, 0, screen.handle()), 1);
        idleTicks(10);
    }
    void TearDown() override {
        if (effect) {
            dispatch(effEditClose);
            dispatch(effClose);
        }
        if (library) dlclose(library);
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    }
    void idleTicks(int n) {
        for (int i = 0; i < n; ++i) {
            dispatch(effEditIdle);
            usleep(5000);
        }
    }
    bool idleUntil(const std::function<bool()>& done) {
        return x11_test::idleUntil([&] { dispatch(effEditIdle); }, done);
    }
    std::string currentPatchPath() {
        void* data = nullptr;
        const VstIntPtr size = dispatch(effGetChunk, 0, 0, &data);
        if (size < static_cast<VstIntPtr>(sizeof(halvorax::StateChunk)) || data == nullptr) return "";
        return static_cast<const halvorax::StateChunk*>(data)->path;
    }

    TempFolder home{"halvorax-menu-x11"};
    fs::path patchFolder;
    x11_test::HostWindow screen;
    void* library = nullptr;
    AEffect* effect = nullptr;
};

TEST_F(MenuX11Test, TheSavePanelWritesThePatchUnderTheTypedName) {
    screen.click(screen.editorWindow(), 400, 27);  // the patch display
    Window popup = 0;
    ASSERT_TRUE(idleUntil([&] { return (popup = screen.popupWindow()) != 0; })) << "the menu did not open";

    // The panel blocks the editor's thread: a helper types into it meanwhile, then makes sure
    // it is gone (killed if need be) so that the test never hangs on it.
    std::atomic<bool> typed{false};
    std::thread typist([&] {
        std::string window;
        bool ok = runBounded("xdotool search --sync --onlyvisible --name 'Save Halvorax Patch'", 60, &window);
        window = window.substr(0, window.find('\n'));
        ok = ok && !window.empty();
        usleep(1000000);  // the chooser fills its folder view after mapping
        ok = ok && runBounded("xdotool windowfocus --sync " + window, 20);
        ok = ok && runBounded("xdotool mousemove --window " + window + " 60 60", 20);
        usleep(500000);
        ok = ok && runBounded("xdotool key ctrl+a", 20);
        ok = ok && runBounded("xdotool type --delay 40 'E2E Saved'", 30);
        usleep(300000);
        ok = ok && runBounded("xdotool key Return", 20);
        for (int round = 0; round < 200 && !childrenNamed("zenity").empty(); ++round) usleep(100000);
        for (pid_t pid : childrenNamed("zenity")) {
            kill(pid, SIGTERM);
            ok = false;
        }
        typed = ok;
    });
    screen.click(popup, 40, 3 + 20 + 10);  // "Save Patch", the second entry below a 3-pixel margin
    const bool closed = idleUntil([&] { return screen.popupWindow() == 0; });
    typist.join();
    ASSERT_TRUE(closed);
    ASSERT_TRUE(typed) << "xdotool could not complete the save panel";
    idleTicks(5);

    const fs::path saved = patchFolder / "E2E Saved.repatch";
    EXPECT_TRUE(fs::is_regular_file(saved));
    EXPECT_EQ(currentPatchPath(), saved.string());
    EXPECT_NE(readText(saved).find("ZudivorPatch"), std::string::npos);
}

}  // namespace
}  // namespace halvorax::test
