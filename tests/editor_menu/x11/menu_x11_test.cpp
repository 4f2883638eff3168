// The patch menu end to end on a real (virtual) X server: the bundle's plug-in is loaded
// like a host loads it, its editor opened in a host window through the dispatcher, and a
// patch chosen from the pop-up menu with the pointer; then the real zenity save panel is
// driven with xdotool. Run under xvfb-run.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <dlfcn.h>
#include <signal.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "StateChunk.h"
#include "VstAbi.h"
#include "coptionmenu.h"

// Xlib's macros (None, Bool, ...) must come after GoogleTest's headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

namespace fs = std::filesystem;

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterVersion) return kVstVersion;
    return 0;
}

// Runs a program (no shell) and waits at most `seconds` for it; a program still running
// then is killed. True when it exited with status 0; its output goes to `output` if given.
bool runBounded(const std::vector<std::string>& argv, int seconds, std::string* output = nullptr) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) return false;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return false;
    }
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    char buffer[256];
    for (;;) {
        ssize_t got;
        while ((got = read(fds[0], buffer, sizeof buffer)) > 0)
            if (output) output->append(buffer, static_cast<std::size_t>(got));
        if (waitpid(pid, &status, WNOHANG) != 0) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            close(fds[0]);
            return false;
        }
        usleep(20000);
    }
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0)
        if (output) output->append(buffer, static_cast<std::size_t>(got));
    close(fds[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Our own child processes running the named program (the plug-in starts zenity as ours).
std::vector<pid_t> childrenNamed(const char* name) {
    std::vector<pid_t> found;
    DIR* proc = opendir("/proc");
    if (!proc) return found;
    while (const dirent* item = readdir(proc)) {
        const pid_t pid = std::atoi(item->d_name);
        if (pid <= 0) continue;
        std::ifstream stat("/proc/" + std::string(item->d_name) + "/stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        const std::string comm = line.substr(line.find('(') + 1, close - line.find('(') - 1);
        int parent = 0;
        char state = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) != 2) continue;
        if (parent == getpid() && comm == name) found.push_back(pid);
    }
    closedir(proc);
    return found;
}

class MenuX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/halvorax-menu-x11-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home = pattern;
        setenv("XDG_DATA_HOME", home.c_str(), 1);
        // zenity on a bare X server: no accessibility bus, no settings daemon.
        setenv("NO_AT_BRIDGE", "1", 1);
        setenv("GDK_BACKEND", "x11", 1);
        setenv("GSETTINGS_BACKEND", "memory", 1);
        patchFolder = home / "Brindlecove" / "Halvorax";

        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "needs an X server (run through xvfb-run)";
        int ev, err, major, minor;
        ASSERT_TRUE(XTestQueryExtension(display, &ev, &err, &major, &minor));
        root = DefaultRootWindow(display);

        library = dlopen(HALVORAX_SO_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        using Entry = AEffect* (*)(audioMasterCallback);
        auto entry = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
        effect = entry(host);
        ASSERT_NE(effect, nullptr);
        dispatch(effOpen);

        ERect* rect = nullptr;
        ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
        parent =
            XCreateSimpleWindow(display, root, 20, 30, rect->right - rect->left, rect->bottom - rect->top, 0, 0, 0);
        XSelectInput(display, parent, StructureNotifyMask);
        XMapWindow(display, parent);
        XEvent e;
        do XNextEvent(display, &e);
        while (e.type != MapNotify);
        ASSERT_EQ(dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), 1);
        idleTicks(10);
    }
    void TearDown() override {
        if (effect) {
            dispatch(effEditClose);
            dispatch(effClose);
        }
        if (library) dlclose(library);
        if (display) {
            if (parent) XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
        std::error_code ignored;
        fs::remove_all(home, ignored);
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
        for (int i = 0; i < 600; ++i) {
            dispatch(effEditIdle);
            if (done()) return true;
            usleep(5000);
        }
        return false;
    }

    // The editor's window: the one child of the host window.
    Window editorWindow() {
        Window r, p, *kids = nullptr;
        unsigned int n = 0;
        XQueryTree(display, parent, &r, &p, &kids, &n);
        const Window w = n == 1 ? kids[0] : 0;
        if (kids) XFree(kids);
        return w;
    }
    // The pop-up menu's window: a mapped override-redirect child of the root; 0 when none.
    Window popupWindow() {
        Window r, p, *kids = nullptr;
        unsigned int n = 0;
        XQueryTree(display, root, &r, &p, &kids, &n);
        Window found = 0;
        for (unsigned int i = 0; i < n; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(display, kids[i], &a) && a.override_redirect && a.map_state == IsViewable)
                found = kids[i];
        }
        if (kids) XFree(kids);
        return found;
    }
    void click(Window w, int x, int y) {
        int rx, ry;
        Window child;
        XTranslateCoordinates(display, w, root, x, y, &rx, &ry, &child);
        XTestFakeMotionEvent(display, DefaultScreen(display), rx, ry, CurrentTime);
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
        XSync(display, False);
    }
    // Clicks the patch display and waits for the menu.
    Window openMenu() {
        const Window editor = editorWindow();
        EXPECT_NE(editor, 0u);
        click(editor, 400, 27);
        Window popup = 0;
        EXPECT_TRUE(idleUntil([&] { return (popup = popupWindow()) != 0; })) << "the menu did not open";
        return popup;
    }
    // Middle of a menu entry in pop-up coordinates: the fixed entries are laid out as
    // entries and separators in a column below a small margin.
    static int entryMiddle(int position) {
        static const bool separator[] = {false, false, true,  false, true, false, false, true,
                                         false, false, false, false, true, false, false, true};
        double y = 3;
        for (int i = 0; i < position; ++i)
            y += i < 16 && separator[i] ? VSTGUI::COptionMenu::kSeparatorHeight : VSTGUI::COptionMenu::kItemHeight;
        return static_cast<int>(y + VSTGUI::COptionMenu::kItemHeight / 2);
    }

    std::vector<float> parameters() {
        std::vector<float> values;
        for (int i = 0; i < 60; ++i) values.push_back(effect->getParameter(effect, i));
        return values;
    }
    std::string currentPatchPath() {
        void* data = nullptr;
        const VstIntPtr size = dispatch(effGetChunk, 0, 0, &data);
        if (size < static_cast<VstIntPtr>(sizeof(halvorax::StateChunk)) || data == nullptr) return "";
        return static_cast<const halvorax::StateChunk*>(data)->path;
    }
    // The patch folder's patches in directory order, as the menu lists them.
    std::vector<std::string> listedPatches() {
        std::vector<std::string> names;
        DIR* dir = opendir(patchFolder.c_str());
        if (!dir) return names;
        while (const dirent* item = readdir(dir)) {
            const char* dot = std::strrchr(item->d_name, '.');
            if (item->d_type != DT_DIR && dot && strcasecmp(dot + 1, "repatch") == 0) names.push_back(item->d_name);
        }
        closedir(dir);
        return names;
    }

    fs::path home, patchFolder;
    Display* display = nullptr;
    Window root = 0, parent = 0;
    void* library = nullptr;
    AEffect* effect = nullptr;
};

TEST_F(MenuX11Test, ChoosingAListedPatchWithThePointerLoadsItsSound) {
    const std::vector<std::string> names = listedPatches();
    ASSERT_GE(names.size(), 2u) << "the factory patches were not installed in " << patchFolder;
    const std::string current = fs::path(currentPatchPath()).filename().string();
    ASSERT_EQ(current, "RoriVerov1.repatch");
    int target = 0;
    while (names[target] == current) ++target;
    const std::vector<float> before = parameters();

    const Window popup = openMenu();
    ASSERT_NE(popup, 0u);
    click(popup, 40, entryMiddle(16 + target));
    ASSERT_TRUE(idleUntil([&] { return popupWindow() == 0; }));
    idleTicks(5);
    EXPECT_EQ(currentPatchPath(), (patchFolder / names[target]).string());
    EXPECT_NE(parameters(), before) << names[target] << " sounds like " << current;
}

// A folder inside the patch folder is a sub-menu: choosing it shows its patches in the
// pop-up's place, and choosing one of those loads it.
TEST_F(MenuX11Test, ABankFolderIsASubMenuOfItsPatches) {
    const std::vector<std::string> names = listedPatches();
    ASSERT_GE(names.size(), 2u);
    fs::create_directory(patchFolder / "Bank");
    fs::copy_file(patchFolder / names[0], patchFolder / "Bank" / "01 First.repatch");
    fs::copy_file(patchFolder / names[1], patchFolder / "Bank" / "02 Second.repatch");
    for (std::size_t i = 1; i < names.size(); ++i) fs::remove(patchFolder / names[i]);  // one short column
    dispatch(effEditClose);  // the menu is built when the editor opens
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), 1);
    idleTicks(10);

    const Window popup = openMenu();
    ASSERT_NE(popup, 0u);
    click(popup, 40, entryMiddle(16 + 1));
    idleTicks(10);
    const Window submenu = popupWindow();
    ASSERT_NE(submenu, 0u) << "the sub-menu did not open";
    click(submenu, 40, entryMiddle(1));
    ASSERT_TRUE(idleUntil([&] { return popupWindow() == 0; }));
    idleTicks(5);
    EXPECT_EQ(currentPatchPath(), (patchFolder / "Bank" / "02 Second.repatch").string());
}

TEST_F(MenuX11Test, TheSavePanelWritesThePatchUnderTheTypedName) {
    const Window popup = openMenu();
    ASSERT_NE(popup, 0u);

    // The panel blocks the editor's thread: a helper types into it meanwhile, then makes sure
    // it is gone (killed if need be) so that the test never hangs on it.
    std::atomic<bool> typed{false};
    std::thread typist([&] {
        std::string window;
        bool ok =
            runBounded({"xdotool", "search", "--sync", "--onlyvisible", "--name", "Save Halvorax Patch"}, 60, &window);
        window = window.substr(0, window.find('\n'));
        ok = ok && !window.empty();
        usleep(1000000);  // the chooser fills its folder view after mapping
        ok = ok && runBounded({"xdotool", "windowfocus", "--sync", window}, 20);
        ok = ok && runBounded({"xdotool", "mousemove", "--window", window, "60", "60"}, 20);
        usleep(500000);
        ok = ok && runBounded({"xdotool", "key", "ctrl+a"}, 20);
        ok = ok && runBounded({"xdotool", "type", "--delay", "40", "E2E Saved"}, 30);
        usleep(300000);
        ok = ok && runBounded({"xdotool", "key", "Return"}, 20);
        for (int round = 0; round < 200 && !childrenNamed("zenity").empty(); ++round) usleep(100000);
        for (pid_t pid : childrenNamed("zenity")) {
            kill(pid, SIGTERM);
            ok = false;
        }
        typed = ok;
    });
    click(popup, 40, entryMiddle(1));  // "Save Patch"
    const bool closed = idleUntil([&] { return popupWindow() == 0; });
    typist.join();
    ASSERT_TRUE(closed);
    ASSERT_TRUE(typed) << "xdotool could not complete the save panel";
    idleTicks(5);

    const fs::path saved = patchFolder / "E2E Saved.repatch";
    EXPECT_TRUE(fs::is_regular_file(saved));
    EXPECT_EQ(currentPatchPath(), saved.string());
    std::ifstream in(saved);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("ZudivorPatch"), std::string::npos);
}

}  // namespace
