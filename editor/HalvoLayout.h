// The front panel: the layout table the editor builds its controls from, and what the
// artwork generator needs to draw the matching bitmaps (sizes of every bitmap, the caption
// beside every control, the panel sections). Both read the coordinates from here.
#pragma once

#include <cstdint>

// One control of the panel.
struct widget_t {
    int32_t tag;   // control tag; parameter index for 0..59; slot in the editor's controls
    int32_t kind;  // low 8 bits: widget kind; bits above (shifted down by 8): flags
    int32_t x, y;  // top-left corner in panel pixels
    const char* bitmap;
    int32_t frames;  // sub-images stacked vertically; for sliders the slider height
};

enum WidgetKind : int32_t {
    kWidgetKnob = 0,            // CAnimKnob
    kWidgetSequenceFader = 1,   // CSequenceFader
    kWidgetOnOffButton = 2,     // COnOffButton
    kWidgetPitchWheel = 3,      // CPitchWheel
    kWidgetMovieBitmap = 4,     // CMovieBitmap
    kWidgetKickButton = 5,      // CKickButton
    kWidgetRockerSwitch = 6,    // CRockerSwitch
    kWidgetVerticalSlider = 7,  // CVerticalSlider
};
// Flag value 1: draw the strip's frames in reverse order.
constexpr int32_t kWidgetInverse = 1 << 8;

inline int32_t widgetKind(const widget_t& w) { return w.kind & 0xff; }
inline int32_t widgetFlags(const widget_t& w) { return w.kind >> 8; }

inline constexpr widget_t front_panel[] = {
    {43, kWidgetKnob, 794, 273, "HalvoKnob5.png", 64},
    {26, kWidgetVerticalSlider, 69, 96, "HalvoSliderHandle1.png", 116},
    {27, kWidgetVerticalSlider, 107, 96, "HalvoSliderHandle1.png", 116},
    {6, kWidgetVerticalSlider, 162, 96, "HalvoSliderHandle1.png", 76},
    {7, kWidgetVerticalSlider, 201, 96, "HalvoSliderHandle2.png", 116},
    {8, kWidgetVerticalSlider, 241, 96, "HalvoSliderHandle2.png", 116},
    {9, kWidgetVerticalSlider, 280, 96, "HalvoSliderHandle2.png", 76},
    {10, kWidgetVerticalSlider, 320, 96, "HalvoSliderHandle2.png", 76},
    {11, kWidgetVerticalSlider, 360, 96, "HalvoSliderHandle2.png", 116},
    {12, kWidgetVerticalSlider, 399, 96, "HalvoSliderHandle3.png", 116},
    {0, kWidgetVerticalSlider, 152, 277, "HalvoSliderHandle1.png", 76},
    {3, kWidgetVerticalSlider, 192, 277, "HalvoSliderHandle2.png", 76},
    {2, kWidgetVerticalSlider, 232, 277, "HalvoSliderHandle2.png", 116},
    {1, kWidgetVerticalSlider, 272, 277, "HalvoSliderHandle2.png", 116},
    {5, kWidgetVerticalSlider, 311, 277, "HalvoSliderHandle2.png", 116},
    {36, kWidgetVerticalSlider, 350, 277, "HalvoSliderHandle2.png", 116},
    {13, kWidgetVerticalSlider, 467, 96, "HalvoSliderHandle3.png", 76},
    {14, kWidgetVerticalSlider, 505, 96, "HalvoSliderHandle3.png", 116},
    {15, kWidgetVerticalSlider, 544, 96, "HalvoSliderHandle3.png", 116},
    {17, kWidgetVerticalSlider, 622, 96, "HalvoSliderHandle4.png", 76},
    {16, kWidgetVerticalSlider, 662, 96, "HalvoSliderHandle4.png", 116},
    {18, kWidgetVerticalSlider, 702, 96, "HalvoSliderHandle4.png", 116},
    {19, kWidgetVerticalSlider, 741, 96, "HalvoSliderHandle4.png", 116},
    {21, kWidgetVerticalSlider, 821, 96, "HalvoSliderHandle5.png", 116},
    {22, kWidgetVerticalSlider, 860, 96, "HalvoSliderHandle5.png", 76},
    {28, kWidgetVerticalSlider, 408, 277, "HalvoSliderHandle3.png", 116},
    {29, kWidgetVerticalSlider, 447, 277, "HalvoSliderHandle3.png", 116},
    {30, kWidgetVerticalSlider, 486, 277, "HalvoSliderHandle3.png", 116},
    {31, kWidgetVerticalSlider, 526, 277, "HalvoSliderHandle3.png", 116},
    {32, kWidgetVerticalSlider, 565, 277, "HalvoSliderHandle3.png", 116},
    {33, kWidgetVerticalSlider, 605, 277, "HalvoSliderHandle4.png", 116},
    {34, kWidgetVerticalSlider, 644, 277, "HalvoSliderHandle4.png", 116},
    {35, kWidgetVerticalSlider, 683, 277, "HalvoSliderHandle4.png", 116},
    {20, kWidgetKnob, 622, 171, "HalvoKnob1.png", 127},
    {23, kWidgetKnob, 858, 175, "HalvoKnob2.png", 127},
    {4, kWidgetKnob, 165, 355, "HalvoKnob3.png", 127},
    {25, kWidgetKnob, 748, 328, "HalvoKnob4.png", 127},
    {24, kWidgetOnOffButton, 748, 294, "HalvoButton.png", 4},
    {38, kWidgetOnOffButton, 603, 20, "HalvoButton.png", 4},
    {37, kWidgetOnOffButton, 642, 20, "HalvoButton.png", 4},
    {47, kWidgetOnOffButton, 698, 20, "HalvoButton.png", 4},
    {46, kWidgetOnOffButton, 747, 20, "HalvoButton.png", 4},
    {44, kWidgetPitchWheel | kWidgetInverse, 65, 270, "HalvoPitchbend.png", 128},
    {45, kWidgetKnob | kWidgetInverse, 105, 270, "HalvoPitchbend.png", 128},
    {100, kWidgetMovieBitmap, 9, 16, "HalvoLed.png", 2},
    {101, kWidgetRockerSwitch, 516, 9, "HalvoPatchUpDown.png", 3},
    {102, kWidgetKickButton, 538, 9, "HalvoPatchOpen.png", 2},
    {103, kWidgetKickButton, 568, 9, "HalvoPatchSave.png", 2},
};
inline constexpr int front_panel_count = sizeof(front_panel) / sizeof(front_panel[0]);
static_assert(front_panel_count == 48, "the panel has 48 controls");

// ---------------------------------------------------------------- artwork

// Size of the panel background; it sets the editor window's size.
constexpr int kPanelWidth = 990, kPanelHeight = 430;

// One bitmap file: the size of one sub-image and how many are stacked.
struct panel_bitmap_t {
    const char* name;
    int32_t width, height, frames;
};

inline constexpr panel_bitmap_t panel_bitmaps[] = {
    {"HalvoBackground.png", kPanelWidth, kPanelHeight, 1},
    {"HalvoKnob1.png", 36, 36, 127},
    {"HalvoKnob2.png", 36, 36, 127},
    {"HalvoKnob3.png", 36, 36, 127},
    {"HalvoKnob4.png", 36, 36, 127},
    {"HalvoKnob5.png", 48, 48, 64},
    {"HalvoSliderHandle1.png", 22, 14, 1},
    {"HalvoSliderHandle2.png", 22, 14, 1},
    {"HalvoSliderHandle3.png", 22, 14, 1},
    {"HalvoSliderHandle4.png", 22, 14, 1},
    {"HalvoSliderHandle5.png", 22, 14, 1},
    {"HalvoButton.png", 30, 18, 4},
    {"HalvoPitchbend.png", 28, 110, 128},
    {"HalvoLed.png", 12, 12, 2},
    {"HalvoPatchUpDown.png", 20, 30, 3},
    {"HalvoPatchOpen.png", 28, 30, 2},
    {"HalvoPatchSave.png", 28, 30, 2},
};

enum CaptionPlace : int32_t { kCaptionAbove, kCaptionBelow, kCaptionRight };

// The caption printed beside each control: the control's purpose, or null for the name of the
// parameter it sets (from the parameter table, as the status line shows it).
struct panel_caption_t {
    int32_t tag;
    const char* text;
    CaptionPlace place;
};

inline constexpr panel_caption_t panel_captions[] = {
    {43, nullptr, kCaptionBelow},  {26, nullptr, kCaptionAbove},     {27, nullptr, kCaptionAbove},
    {6, nullptr, kCaptionAbove},   {7, nullptr, kCaptionAbove},      {8, nullptr, kCaptionAbove},
    {9, nullptr, kCaptionAbove},   {10, nullptr, kCaptionAbove},     {11, nullptr, kCaptionAbove},
    {12, nullptr, kCaptionAbove},  {0, nullptr, kCaptionAbove},      {3, nullptr, kCaptionAbove},
    {2, nullptr, kCaptionAbove},   {1, nullptr, kCaptionAbove},      {5, nullptr, kCaptionAbove},
    {36, nullptr, kCaptionAbove},  {13, nullptr, kCaptionAbove},     {14, nullptr, kCaptionAbove},
    {15, nullptr, kCaptionAbove},  {17, nullptr, kCaptionAbove},     {16, nullptr, kCaptionAbove},
    {18, nullptr, kCaptionAbove},  {19, nullptr, kCaptionAbove},     {21, nullptr, kCaptionAbove},
    {22, nullptr, kCaptionAbove},  {28, nullptr, kCaptionAbove},     {29, nullptr, kCaptionAbove},
    {30, nullptr, kCaptionAbove},  {31, nullptr, kCaptionAbove},     {32, nullptr, kCaptionAbove},
    {33, nullptr, kCaptionAbove},  {34, nullptr, kCaptionAbove},     {35, nullptr, kCaptionAbove},
    {20, nullptr, kCaptionBelow},  {23, nullptr, kCaptionBelow},     {4, nullptr, kCaptionBelow},
    {25, nullptr, kCaptionBelow},  {24, nullptr, kCaptionBelow},     {38, nullptr, kCaptionBelow},
    {37, nullptr, kCaptionBelow},  {47, nullptr, kCaptionBelow},     {46, nullptr, kCaptionBelow},
    {44, "Bender", kCaptionBelow}, {45, "Mod Wheel", kCaptionBelow}, {100, "MIDI", kCaptionRight},
    {101, "Patch", kCaptionBelow}, {102, "Load", kCaptionBelow},     {103, "Save", kCaptionBelow},
};

// A framed area of the panel with its engraved title.
struct panel_section_t {
    const char* title;
    int32_t left, top, right, bottom;
};

inline constexpr panel_section_t panel_sections[] = {
    {"LFO", 54, 58, 138, 232},
    {"DCO", 148, 58, 432, 232},
    {"VCF", 454, 58, 776, 232},
    {"VCA", 806, 58, 906, 232},
    {"PERFORMANCE", 42, 238, 142, 424},
    {"DCO MOD", 146, 238, 301, 424},
    {"BEND / PORTA", 304, 238, 384, 424},
    {"ENV", 392, 238, 724, 424},
    {"CHORUS", 732, 238, 789, 424},
    {"MASTER", 792, 238, 852, 424},
};
