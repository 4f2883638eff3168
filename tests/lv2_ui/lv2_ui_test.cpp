// The LV2 panel as a host shows it: loaded through suil into a window of the test's own on
// Xvfb, fed the host's port values, dragged with real pointer events, and closed; built with
// AddressSanitizer, whose leak check at exit covers everything the panel allocated.
#include <gtest/gtest.h>

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <dlfcn.h>
#include <lv2/atom/util.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <suil/suil.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Lv2Messages.h"
#include "Lv2Ports.h"

// Xlib last: its None and Bool macros would break GoogleTest's and the LV2 headers.
#include "../toolkit/x11/X11TestWindow.h"

namespace halvorax::lv2 {
namespace {

const std::string kBinary = std::string(HALVORAX_LV2_BUNDLE_PATH) + "/x86_64-linux/halvorax_ui.so";

struct Write {
    uint32_t port;
    uint32_t protocol;
    float value;
    std::vector<uint8_t> bytes;
};

class Lv2Panel : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/halvorax-lv2-ui-XXXXXX";
        home = mkdtemp(pattern);
        setenv("XDG_DATA_HOME", home.c_str(), 1);
        // Kept loaded after suil lets go, so that the leak report can name its functions.
        library = dlopen(kBinary.c_str(), RTLD_NOW | RTLD_NODELETE);
        ASSERT_NE(library, nullptr) << dlerror();
        screen.open(990, 430);
        if (HasFatalFailure()) return;

        map = {this, [](LV2_URID_Map_Handle handle, const char* uri) {
                   auto& uris = static_cast<Lv2Panel*>(handle)->uris;
                   return uris.emplace(uri, static_cast<LV2_URID>(uris.size() + 1)).first->second;
               }};
        mapFeature = {LV2_URID__map, &map};
        parentFeature = {LV2_UI__parent, screen.handle()};
        host = suil_host_new(
            [](SuilController self, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer) {
                float value = size == sizeof(float) && protocol == 0 ? *static_cast<const float*>(buffer) : 0.0f;
                const auto* bytes = static_cast<const uint8_t*>(buffer);
                static_cast<Lv2Panel*>(self)->writes.push_back({port, protocol, value, {bytes, bytes + size}});
            },
            nullptr, nullptr, nullptr);
        const LV2_Feature* features[] = {&mapFeature, &parentFeature, nullptr};
        panel = suil_instance_new(host, this, LV2_UI__X11UI, kPluginUri, kUiUri, LV2_UI__X11UI,
                                  HALVORAX_LV2_BUNDLE_PATH, kBinary.c_str(), features);
        ASSERT_NE(panel, nullptr);
        idleInterface =
            static_cast<const LV2UI_Idle_Interface*>(suil_instance_extension_data(panel, LV2_UI__idleInterface));
        ASSERT_NE(idleInterface, nullptr);
    }

    void TearDown() override {
        if (panel) suil_instance_free(panel);
        if (host) suil_host_free(host);
        std::filesystem::remove_all(home);
    }

    void idle(int ticks = 3) {
        for (int i = 0; i < ticks; ++i) {
            idleInterface->idle(suil_instance_get_handle(panel));
            usleep(5000);
        }
    }

    // Moves the pointer to a point of the panel, or presses or releases button 1 there.
    void pointer(int x, int y) {
        screen.moveTo(static_cast<Window>(reinterpret_cast<uintptr_t>(suil_instance_get_widget(panel))), x, y);
        idle();
    }
    void button1(bool press) {
        screen.button1(press);
        idle();
    }

    uint32_t portOf(const char* symbol) const {
        const auto& ports = controlPorts();
        for (std::size_t i = 0; i < ports.size(); ++i)
            if (std::string(ports[i].row->id) == symbol) return kFirstControlPort + static_cast<uint32_t>(i);
        return 0;
    }

    std::string home;
    void* library = nullptr;
    x11_test::HostWindow screen;
    std::map<std::string, LV2_URID> uris;
    LV2_URID_Map map{};
    LV2_Feature mapFeature{}, parentFeature{};
    SuilHost* host = nullptr;
    SuilInstance* panel = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    std::vector<Write> writes;
};

TEST_F(Lv2Panel, OpensInTheHostWindowAndADragWritesItsPort) {
    const auto widget = static_cast<Window>(reinterpret_cast<uintptr_t>(suil_instance_get_widget(panel)));
    Window root, above, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(screen.display, widget, &root, &above, &children, &count);
    XFree(children);
    EXPECT_EQ(above, screen.window);

    // On opening the panel asked the plug-in for its chord memory and patch name; what the
    // plug-in tells it is taken without being sent back.
    const MessageUris messageUris(&map);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.front().port, kMidiInPort);
    EXPECT_TRUE(isPanelOpened(messageUris, reinterpret_cast<const LV2_Atom*>(writes.front().bytes.data())));
    alignas(8) uint8_t buffer[kPatchMessageCapacity];
    ChordMemory chord;
    chord.count = 2;
    chord.notes[1] = 12;
    const LV2_Atom* told = writePatchMessage(messageUris, chord, "/patches/Octave.repatch", buffer, sizeof buffer);
    ASSERT_NE(told, nullptr);
    writes.clear();
    suil_instance_port_event(panel, kNotifyPort, lv2_atom_total_size(told), messageUris.eventTransfer, told);
    idle();
    EXPECT_TRUE(writes.empty());

    // The host puts VCF Freq at 0: its handle moves to the foot of the slider (panel x 505,
    // y 96, 116 high, a 22 x 14 handle), where the drag starts.
    const uint32_t vcfFreq = portOf("vcffreq");
    const float zero = 0.0f;
    suil_instance_port_event(panel, vcfFreq, sizeof zero, 0, &zero);
    idle();
    writes.clear();
    pointer(505 + 11, 96 + 116 - 7);
    button1(true);
    pointer(505 + 11, 96 + 116 - 27);
    pointer(505 + 11, 96 + 116 - 47);
    button1(false);
    idle();

    ASSERT_FALSE(writes.empty());
    for (const Write& write : writes) {
        EXPECT_EQ(write.port, vcfFreq);
        EXPECT_EQ(write.protocol, 0u);
    }
    const float moved = writes.back().value;
    EXPECT_GT(moved, 30.0f);  // 40 of 102 pixels of travel: about 50 of 127
    EXPECT_LT(moved, 70.0f);
    EXPECT_EQ(moved, static_cast<float>(static_cast<int>(moved)));
}

// The patch rocker loads the next patch of the folder on the panel's side: its values go out
// as port writes, its chord memory and name as one message on the MIDI port.
TEST_F(Lv2Panel, AStepToTheNextPatchWritesItsPortsAndSendsItsChord) {
    idle();
    writes.clear();
    pointer(516 + 10, 9 + 7);  // the rocker's upper half
    button1(true);
    button1(false);
    idle();

    const MessageUris messageUris(&map);
    int controls = 0, messages = 0;
    for (const Write& write : writes) {
        if (write.port == kMidiInPort) {
            ASSERT_EQ(write.protocol, messageUris.eventTransfer);
            ChordMemory chord;
            const char* patch = nullptr;
            ASSERT_TRUE(
                readPatchMessage(messageUris, reinterpret_cast<const LV2_Atom*>(write.bytes.data()), chord, patch));
            EXPECT_NE(std::string(patch).find(".repatch"), std::string::npos);
            EXPECT_EQ(std::string(patch).find("RoriVerov1"), std::string::npos);
            ++messages;
        } else {
            EXPECT_EQ(write.protocol, 0u);
            ++controls;
        }
    }
    EXPECT_EQ(messages, 1);
    EXPECT_GT(controls, 5);
}

// Cairo's and fontconfig's process-wide caches are given back at the end, so that the leak
// check reports only what the panel kept.
class FontCaches : public ::testing::Environment {
public:
    void TearDown() override {
        cairo_debug_reset_static_data();
        FcFini();
    }
};
const auto* const kFontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);

}  // namespace
}  // namespace halvorax::lv2
