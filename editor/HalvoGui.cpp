#include "HalvoGui.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <pthread.h>

#include "CPitchWheel.h"
#include "CSequenceFader.h"
#include "HalvoVST2.h"
#include "PatchFolder.h"

using namespace VSTGUI;

namespace halvorax {

namespace {

constexpr float kBendMaximum = 16383.0f;
constexpr float kModWheelMaximum = 127.0f;

// The calling thread's id: pthread_self neither allocates nor locks, unlike a first touch
// of a thread_local in a module loaded at run time, so the audio thread may ask.
static_assert(sizeof(pthread_t) <= sizeof(uint64_t), "a thread id fits the atomic word");
uint64_t threadNumber() { return static_cast<uint64_t>(pthread_self()); }

void copyText(char* text, std::size_t size, const char* source) {
    std::snprintf(text, size, "%s", source ? source : "");
}

// The status line's formatting: a longer line is cut to the buffer (255 characters).
__attribute__((format(printf, 3, 4))) void formatLine(char* text, std::size_t size, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, size, format, arguments);
    va_end(arguments);
}

}  // namespace

HalvoGui::HalvoGui(AudioEffect* effect) : AEffGUIEditor(effect), plugin(static_cast<HalvoVST2*>(effect)) {
    rect = ERect{0, 0, kEditorHeight, kEditorWidth};
    std::fill(std::begin(controls), std::end(controls), nullptr);
    std::memset(displayMessage, 0, sizeof displayMessage);
    sysexPath[0] = 0;
    statusNote[0] = 0;
    for (auto& value : pendingValues) value.store(0.0f, std::memory_order_relaxed);
    // Bitmaps are found in the bundle beside the library that holds this code.
    const std::string resources = bundleResourcesFolder();
    if (!resources.empty()) CBitmap::setResourceFolder(resources.c_str());
}

HalvoGui::~HalvoGui() {
    close();
    releasePatchList();
}

CControl* HalvoGui::getControl(int32_t tag) const {
    return frame && tag >= 0 && tag < kNumControlSlots ? controls[tag] : nullptr;
}

// ---------------------------------------------------------------------------------------
// Window

bool HalvoGui::open(void* ptr) {
    if (frame) close();  // some hosts open twice without closing
    CBitmap* backgroundBitmap = new CBitmap("HalvoBackground.png");
    AEffGUIEditor::open(ptr);
    // The background sets the window size; without it the panel keeps its nominal size
    // rather than asking the host for an empty window.
    int width = static_cast<int>(backgroundBitmap->getWidth());
    int height = static_cast<int>(backgroundBitmap->getHeight());
    if (width <= 0 || height <= 0) width = kEditorWidth, height = kEditorHeight;
    rect = ERect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};

    frame = new CFrame(CRect(0, 0, width, height), ptr, this);
    frame->setSize(width, height);
    std::fill(std::begin(controls), std::end(controls), nullptr);
    background = new CViewContainer(CRect(0, 0, width, height), frame, backgroundBitmap);
    buildGui(background, front_panel, front_panel_count);
    frame->addView(background);
    createFixedViews();
    patchMenu = new COptionMenu(CRect(302, 42, 302, 42), this, kTagPatchMenu, nullptr, nullptr, 0);
    buildPatchMenu(patchMenu);
    invalidateFrame();

    // From here on parameter reports from this thread move controls directly.
    pendingMask.store(0, std::memory_order_relaxed);
    editorThread.store(threadNumber(), std::memory_order_relaxed);
    windowOpen.store(true, std::memory_order_release);

    update();
    backgroundBitmap->forget();
    setKnobMode(kLinearMode);
    for (int32_t index = 0; index < 128; ++index) setParameter(index, plugin->getParameter(index));
    frame->setWantsFocus(true);
    lastParam = -1;
    idleCount = 0;
    redrawCountdown = 0;
    std::memset(displayMessage, 0, sizeof displayMessage);
    return true;
}

void HalvoGui::close() {
    windowOpen.store(false, std::memory_order_release);
    CFrame* oldFrame = frame;
    frame = nullptr;  // every use of the borrowed view pointers checks this first
    if (oldFrame) oldFrame->forget();
    background = nullptr;
    patchMenu = nullptr;
    displayLabel = highlightLabel = nullptr;
    AEffGUIEditor::close();
}

bool HalvoGui::buildGui(CViewContainer* container, const widget_t* table, int count) {
    for (int row = 0; row < count; ++row) {
        if (widgetKind(table[row]) > kWidgetVerticalSlider) continue;
        CBitmap* bitmap = new CBitmap(table[row].bitmap);
        CControl* control = makeControl(table[row], bitmap);
        bitmap->forget();
        container->addView(control);
        const int32_t tag = table[row].tag;
        if (tag >= 0 && tag < kNumControlSlots) controls[tag] = control;
    }
    return true;
}

CControl* HalvoGui::makeControl(const widget_t& row, CBitmap* bitmap) {
    const CCoord width = bitmap->getWidth(), height = bitmap->getHeight();
    const int32_t frames = row.frames > 0 ? row.frames : 1;
    const CRect size(row.x, row.y, row.x + width, row.y + height / frames);
    const bool inverse = (widgetFlags(row) & 1) != 0;
    switch (widgetKind(row)) {
        case kWidgetKnob: {
            auto* knob = new CAnimKnob(size, this, row.tag, bitmap, CPoint(0, 0));
            knob->setInverseBitmap(inverse);
            return knob;
        }
        case kWidgetSequenceFader: {
            auto* fader = new CSequenceFader(size, this, row.tag, bitmap, CPoint(0, 0));
            fader->setInverseBitmap(inverse);
            fader->setNumberOfFrames(frames);
            return fader;
        }
        case kWidgetOnOffButton:
            return new COnOffButton(size, this, row.tag, bitmap, 0);
        case kWidgetPitchWheel: {
            auto* wheel = new CPitchWheel(size, this, row.tag, bitmap, CPoint(0, 0));
            wheel->setInverseBitmap(inverse);
            wheel->restValue = 0.5f;
            wheel->setValue(0.5f);
            return wheel;
        }
        case kWidgetMovieBitmap:
            return new CMovieBitmap(size, this, row.tag, bitmap, CPoint(0, 0));
        case kWidgetKickButton:
            return new CKickButton(size, this, row.tag, bitmap, CPoint(0, 0));
        case kWidgetRockerSwitch:
            return new CRockerSwitch(size, this, row.tag, bitmap, CPoint(0, 0), kVertical);
        default:  // the vertical slider: the bitmap is its handle, the row gives its height
            return new CVerticalSlider(CRect(row.x, row.y, row.x + width, row.y + row.frames), this, row.tag,
                                       CPoint(0, 0), row.frames, bitmap, nullptr, CPoint(0, 0), kBottom | kVertical);
    }
}

void HalvoGui::createFixedViews() {
    // Two copies of the display text, the light one a pixel right of and below the dark
    // one, give the engraved look.
    const struct {
        CRect size;
        CColor colour;
        CTextLabel** label;
    } labels[] = {
        {CRect(315, 17, 515, 41), MakeCColor(141, 192, 71, 255), &highlightLabel},
        {CRect(314, 16, 514, 40), MakeCColor(22, 83, 50, 255), &displayLabel},
    };
    for (const auto& entry : labels) {
        auto* label = new CTextLabel(entry.size, "", nullptr, 0);
        label->setAlphaValue(1.0f);
        label->setTransparency(true);
        label->setFontColor(entry.colour);
        label->setHoriAlign(kLeftText);
        frame->addView(label);
        *entry.label = label;
    }
    frame->addView(new CKickButton(CRect(309, 15, 516, 39), this, kTagDisplayButton, nullptr, CPoint(0, 0)));
}

void HalvoGui::invalidateFrame() {
    if (!frame) return;
    frame->setDirty(true);
    frame->invalid();
}

// ---------------------------------------------------------------------------------------
// Idle and mirroring

void HalvoGui::idle() {
    if (!frame) return;  // a host may idle a closed editor
    ++idleCount;
    applyPendingParameters();
    AEffGUIEditor::idle();
    if (!frame) return;  // a listener closed the window
    update();
    if (redrawCountdown > 0 && --redrawCountdown == 0) invalidateFrame();
    if (plugin->takePatchChanged()) invalidateFrame();
}

void HalvoGui::update() {
    if (!frame) return;
    advanceDisplay();
    mirrorEffect();
    updatePatchMenuTexts();
}

void HalvoGui::mirrorEffect() {
    setControlValue(kTagMidiLed, plugin->getMidiActivity() > 0 ? 1.0f : 0.0f);
    setControlValue(kTagBender, plugin->getPitchBend() / kBendMaximum);
    setControlValue(kTagModWheel, plugin->getModWheel() / kModWheelMaximum);
}

void HalvoGui::setControlValue(int32_t tag, float value) {
    if (CControl* control = getControl(tag)) control->setValue(value);
}

// ---------------------------------------------------------------------------------------
// Parameters from the effect

// A stepped parameter's control rests on its step, as the engine hears it.
float HalvoGui::snapParameterValue(int32_t index, float value) {
    const int steps = stepCount(index);
    return steps > 0 ? std::floor(value * static_cast<float>(steps)) / static_cast<float>(steps) : value;
}

void HalvoGui::setParameter(int32_t index, float value) {
    if (index < 0 || index >= kNumEditedParameters) return;
    pendingValues[index].store(value, std::memory_order_relaxed);
    const bool here =
        windowOpen.load(std::memory_order_acquire) && editorThread.load(std::memory_order_relaxed) == threadNumber();
    if (here)
        moveControl(index, value);
    else
        pendingMask.fetch_or(uint64_t{1} << index, std::memory_order_release);
}

void HalvoGui::applyPendingParameters() {
    uint64_t mask = pendingMask.exchange(0, std::memory_order_acquire);
    for (int32_t index = 0; mask != 0; ++index, mask >>= 1)
        if (mask & 1) moveControl(index, pendingValues[index].load(std::memory_order_relaxed));
}

void HalvoGui::moveControl(int32_t index, float value) {
    if (CControl* control = getControl(index)) control->setValue(snapParameterValue(index, value));
}

// ---------------------------------------------------------------------------------------
// Controls

void HalvoGui::valueChanged(CControl* control) {
    const int32_t tag = control->getTag();
    const float value = control->getValue();
    if (displayState == kDisplayBanner) displayState = kDisplayNormal;
    if (tag >= 0 && tag < kNumEditedParameters) {
        plugin->setParameterAutomated(tag, value);
        update();
        lastParam = tag;
    }
    switch (tag) {
        case kTagBender:
            plugin->setPitchBend(static_cast<int>(value * kBendMaximum));
            break;
        case kTagModWheel:
            plugin->setModWheel(static_cast<int>(value * kModWheelMaximum));
            break;
        case kTagChordWrite:
            // Chord Write switched off on screen: every held note is let go, through the
            // request the audio thread serves between segments.
            if (value == 0.0f) plugin->requestReleaseAllNotes();
            break;
        case kTagPatchStep:
            patchStep(static_cast<int>(value));
            break;
        case kTagPatchLoad:
            if (value > 0) patchMenuDispatch(0);
            break;
        case kTagPatchSave:
            if (value > 0) patchMenuDispatch(1);
            break;
        case kTagDisplayButton:
            if (value > 0 && frame && patchMenu) patchMenu->popup();
            break;
        case kTagPatchMenu:
            patchMenuDispatch(static_cast<int>(value));
            break;
        default:
            break;
    }
}

bool HalvoGui::effectBeginEdit(int32_t index) { return plugin->beginEdit(index); }

bool HalvoGui::effectEndEdit(int32_t index) { return plugin->endEdit(index); }

bool HalvoGui::effectSizeWindow(int32_t width, int32_t height) {
    return plugin->canHostDo("sizeWindow") == 1 && plugin->sizeWindow(width, height);
}

// ---------------------------------------------------------------------------------------
// The patch display

void HalvoGui::setPatchDisplayText(const char* text, int hold) {
    if (!frame) return;
    displayLabel->setText(text);
    highlightLabel->setText(text);
    if (hold >= 1) {
        displayCounter = hold;
        displayState = kDisplayHeld;
    }
}

void HalvoGui::advanceDisplay() {
    switch (displayState) {
        case kDisplayNormal:
            composeStatusLine();
            break;
        case kDisplayBlinking:
            setPatchDisplayText(displayCounter % 8 < 3 ? "" : displayMessage, 0);
            displayLabel->invalid();
            if (--displayCounter < 1) displayState = kDisplayNormal;
            break;
        case kDisplayBannerStart:
            displayCounter = kBannerTicks;
            displayState = kDisplayBanner;
            break;
        case kDisplayBanner:
            setPatchDisplayText(kVersionBanner, 0);
            if (--displayCounter < 1) {
                displayState = kDisplayBannerFade;
                displayCounter = kBannerFadeTicks;
            }
            break;
        case kDisplayBannerFade:
            // The dark text goes; the light copy stays alone for a few ticks.
            displayLabel->setText("");
            displayLabel->invalid();
            displayLabel->setAlphaValue(1.0f);
            if (--displayCounter < 1) displayState = kDisplayNormal;
            break;
        case kDisplayHeld:
            if (--displayCounter < 1) displayState = kDisplayNormal;
            break;
        default:
            break;
    }
}

void HalvoGui::composeStatusLine() {
    char text[kStatusLineSize];
    if (plugin->getMidiLearn()) {
        composeLearnLine(text, sizeof text);
    } else {
        char patchName[kStatusLineSize];
        copyText(patchName, sizeof patchName, plugin->getPatchFile());
        if (char* dot = std::strrchr(patchName, '.')) *dot = 0;
        char name[64] = {}, display[64] = {};
        if (lastParam >= 0) {
            plugin->getParameterName(lastParam, name);
            plugin->getParameterDisplay(lastParam, display);
        }
        if (name[0] == 0)
            formatLine(text, sizeof text, "%10s", patchName);
        else if (showPatchName)
            formatLine(text, sizeof text, "%10s | %s: %s", patchName, name, display);
        else
            formatLine(text, sizeof text, "%s: %s", name, display);
    }
    if (statusNote[0] != 0) {
        const std::size_t used = std::strlen(text);
        formatLine(text + used, sizeof text - used, " | %s", statusNote);
    }
    setPatchDisplayText(text, 0);
}

void HalvoGui::setStatusNote(const char* text) { copyText(statusNote, sizeof statusNote, text); }

void HalvoGui::composeLearnLine(char* text, int size) {
    lastParam = plugin->getLearnTarget();
    const int controller = lastParam >= 0 ? plugin->LookupCC(lastParam) : -1;
    char controllerText[16];
    if (controller >= 0 && controller <= 127)
        std::snprintf(controllerText, sizeof controllerText, "CC #%2d", controller);
    else
        copyText(controllerText, sizeof controllerText, "N/A");
    if (lastParam < 0) {
        copyText(text, size, "Touch a parameter");
        return;
    }
    char name[64] = {};
    plugin->getParameterName(lastParam, name);
    // The colon blinks: shown 3 ticks in 8.
    if (idleCount % 8 < 3)
        formatLine(text, size, "Midi Learn: %s -> %s", controllerText, name);
    else
        formatLine(text, size, "Midi Learn  %s -> %s", controllerText, name);
}

}  // namespace halvorax
