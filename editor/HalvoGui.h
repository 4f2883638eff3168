// HalvoGui: the plug-in's window. One per effect, made by the effect's constructor through
// the registered editor factory and living as long as the effect; its frame and views exist only between
// open and close. The panel is built from the layout table `front_panel`; every control
// acts through the effect, and once per idle tick the editor mirrors the effect's polled
// fields (wheels, MIDI activity, learn state, patch name, the redraw request).
//
// Files: HalvoGui.cpp (window, layout, idle, display, controls), PatchMenu.cpp (the patch
// menu: buildPatchMenu, patchMenuDispatch, patchStep, updatePatchMenuTexts,
// releasePatchList) with DirList.* (the patch-folder listing).
#pragma once

#include <vector>

#include <atomic>
#include <cstdint>

#include "HalvoLayout.h"
#include "vstgui.h"

class AudioEffect;

namespace halvorax {

class HalvoVST2;
class dirList;  // the patch-folder listing (DirList.h)
struct dirEntry;

// Tags of the controls that are not parameters.
enum HalvoGuiTag : int32_t {
    kTagBender = 44,
    kTagModWheel = 45,
    kTagChordWrite = 46,
    kTagMidiLed = 100,
    kTagPatchStep = 101,
    kTagPatchLoad = 102,
    kTagPatchSave = 103,
    kTagDisplayButton = 12346,
    kTagPatchMenu = 12347,
};

// States of the patch display, advanced once per update.
enum HalvoDisplayState : int32_t {
    kDisplayNormal = 0,    // the status line
    kDisplayBlinking = 1,  // displayMessage blinks for displayCounter ticks
    kDisplayBannerStart = 10,
    kDisplayBanner = 11,  // the version banner
    kDisplayBannerFade = 12,
    kDisplayHeld = 100,  // a held message
};

constexpr int kEditorWidth = 990, kEditorHeight = 430;
constexpr int kNumControlSlots = 256;
constexpr int kNumEditedParameters = 60;  // parameter indices 0..59 have controls
constexpr int kBannerTicks = 75;
constexpr int kBannerFadeTicks = 5;
constexpr int kStatusLineSize = 256;
constexpr int kSysexPathSize = 1024;
constexpr int kStatusNoteSize = 32;
constexpr const char* kVersionBanner = "Halvorax V1.0.2 64-bit";

class HalvoGui : public VSTGUI::AEffGUIEditor, public VSTGUI::CControlListener {
public:
    explicit HalvoGui(AudioEffect* effect);
    ~HalvoGui() override;

    // Editor calls of the host (through the effect's dispatcher).
    bool open(void* ptr) override;
    void close() override;
    void idle() override;
    // Any thread: the effect reports a parameter change. On the editor's own thread the
    // control moves at once; from any other thread (audio: host automation, MIDI learn,
    // the chord-write check) the value is only recorded, and the next idle moves it.
    void setParameter(int32_t index, float value) override;

    // Listener of every control and fixed view.
    void valueChanged(VSTGUI::CControl* control) override;

    // Refreshes the display, the mirrored controls and the patch menu texts.
    void update();
    // Puts text into both display labels; hold >= 1 keeps it for that many ticks.
    void setPatchDisplayText(const char* text, int hold);
    // A short note of the program hosting the panel (e.g. the standalone's xrun count),
    // shown at the end of the status line; empty shows nothing.
    void setStatusNote(const char* text);

    // The patch menu (PatchMenu.cpp).
    void buildPatchMenu(VSTGUI::COptionMenu* menu);
    void patchMenuDispatch(int entry);
    void patchStep(int step);  // tag 101: -1, 0 or +1
    // The listed patch files inside one folder, in stepping order; loading one of them.
    std::vector<dirEntry*> folderPatches(const char* folder) const;
    bool loadListed(const dirEntry* entry);
    void updatePatchMenuTexts();  // the toggle texts, on every update
    void releasePatchList();      // deletes patchList (close and destruction)

    // Builds the rows of a layout table into the container, this editor listening to every
    // control; fills `controls`. Rows of an unknown kind are skipped.
    bool buildGui(VSTGUI::CViewContainer* container, const widget_t* table, int count);

    // The value a control of that parameter shows (its positions, for stepped ones).
    static float snapParameterValue(int32_t index, float value);

    // Read access for tools and tests.
    HalvoVST2* getPlugin() const { return plugin; }
    VSTGUI::CControl* getControl(int32_t tag) const;
    VSTGUI::CTextLabel* getDisplayLabel() const { return frame ? displayLabel : nullptr; }
    VSTGUI::CTextLabel* getHighlightLabel() const { return frame ? highlightLabel : nullptr; }
    VSTGUI::COptionMenu* getPatchMenu() const { return frame ? patchMenu : nullptr; }
    int32_t getDisplayState() const { return displayState; }
    int32_t getDisplayCounter() const { return displayCounter; }
    int32_t getLastParam() const { return lastParam; }
    int32_t getIdleCount() const { return idleCount; }
    int32_t getRedrawCountdown() const { return redrawCountdown; }
    bool getShowPatchName() const { return showPatchName != 0; }
    const char* getSysexPath() const { return sysexPath; }

protected:
    // Effect hooks of the editor base: gestures and window size reach the effect.
    bool effectBeginEdit(int32_t index) override;
    bool effectEndEdit(int32_t index) override;
    bool effectSizeWindow(int32_t width, int32_t height) override;

    VSTGUI::CControl* makeControl(const widget_t& row, VSTGUI::CBitmap* bitmap);
    void createFixedViews();
    void advanceDisplay();
    void composeStatusLine();
    void composeLearnLine(char* text, int size);
    void mirrorEffect();
    void applyPendingParameters();
    void moveControl(int32_t index, float value);
    void setControlValue(int32_t tag, float value);
    void invalidateFrame();

    HalvoVST2* plugin;
    VSTGUI::CViewContainer* background = nullptr;
    VSTGUI::CControl* controls[kNumControlSlots];
    VSTGUI::COptionMenu* patchMenu = nullptr;
    VSTGUI::CTextLabel* displayLabel = nullptr;
    VSTGUI::CTextLabel* highlightLabel = nullptr;
    dirList* patchList = nullptr;
    int32_t lastParam = -1;
    int32_t displayState = kDisplayBannerStart;
    int32_t displayCounter = 0;
    char displayMessage[kStatusLineSize];
    int32_t idleCount = 0;
    int32_t redrawCountdown = 0;
    // Positions of the patch menu's entries, set by buildPatchMenu.
    int32_t midiLearnItem = -1;
    int32_t firstPatchItem = -1;
    int32_t firstFolderItem = -1;  // sub-folders of the patch folder, after the patch files
    int32_t exportSysexItem = -1;
    int32_t showNameItem = -1;
    int32_t aftertouchItem = -1;
    int32_t retrigDcoItem = -1;
    int32_t retrigLfoItem = -1;
    int32_t filterTypeItem = -1;
    int32_t initPatchItem = -1;
    int32_t showPatchName = 1;
    char sysexPath[kSysexPathSize];
    char statusNote[kStatusNoteSize];

private:
    // Parameter values reported from other threads, waiting for the next idle: one value
    // and one bit per parameter with a control (relaxed stores, one exchange in idle).
    std::atomic<float> pendingValues[kNumEditedParameters];
    std::atomic<uint64_t> pendingMask{0};
    std::atomic<bool> windowOpen{false};
    std::atomic<uint64_t> editorThread{0};  // id of the thread that opened the window
};

}  // namespace halvorax
