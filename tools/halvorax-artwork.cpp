// Draws the editor's bitmaps: the panel background with its sections, scales and captions,
// and the film strips of the knobs, wheel, buttons, LED, rocker and patch buttons. The
// layout (positions, sizes, frame counts, captions) comes from the shared panel header.
//
// Usage: halvorax-artwork <output folder>
#include <cairo.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "HalvoLayout.h"
#include "ParameterTable.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
double rad(double degrees) { return degrees * kPi / 180.0; }

struct Rgb {
    double r, g, b;
};
Rgb rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }
void setColor(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }
Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// The palette of the panel.
const Rgb kPanelTop = rgb(47, 49, 54), kPanelBottom = rgb(31, 33, 37);
const Rgb kSectionFill = rgb(38, 40, 45), kGroove = rgb(16, 17, 19), kBevelLight = rgb(72, 75, 82);
const Rgb kCaption = rgb(200, 202, 196), kTitle = rgb(226, 218, 196);
const Rgb kIvory = rgb(232, 226, 208), kAmber = rgb(236, 164, 52), kGreen = rgb(141, 192, 71),
          kCoral = rgb(222, 96, 72), kSteel = rgb(96, 156, 214);

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, rad(-90), 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, rad(90));
    cairo_arc(cr, x + r, y + h - r, r, rad(90), rad(180));
    cairo_arc(cr, x + r, y + r, r, rad(180), rad(270));
    cairo_close_path(cr);
}

void verticalGradient(cairo_t* cr, double y0, double y1, Rgb top, Rgb bottom) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

// Deterministic noise, so the artwork is the same on every build.
struct Lcg {
    uint32_t state = 0x9e3779b9u;
    double next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }
};

// ---------------------------------------------------------------- text

void useFont(cairo_t* cr, double size, bool bold, bool condensed = false) {
    cairo_select_font_face(cr, condensed ? "DejaVu Sans Condensed" : "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

double textWidth(cairo_t* cr, const std::string& s, double spacing = 0) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    return e.x_advance + spacing * (s.empty() ? 0 : s.size() - 1);
}

// Shows text with extra space between letters.
void showSpaced(cairo_t* cr, double x, double y, const std::string& s, double spacing) {
    for (char ch : s) {
        char one[2] = {ch, 0};
        cairo_move_to(cr, x, y);
        cairo_show_text(cr, one);
        x += textWidth(cr, one) + spacing;
    }
}

// Greedy word wrap into lines no wider than maxWidth (a single long word stays whole).
std::vector<std::string> wrap(cairo_t* cr, const std::string& text, double maxWidth) {
    std::vector<std::string> lines;
    std::string line, word;
    auto flushWord = [&] {
        if (word.empty()) return;
        std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && textWidth(cr, candidate) > maxWidth) {
            lines.push_back(line);
            line = word;
        } else {
            line = candidate;
        }
        word.clear();
    };
    for (char ch : text) {
        if (ch == ' ')
            flushWord();
        else
            word += ch;
    }
    flushWord();
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// Engraved text: a dark cut with a faint light edge below it, then the paint fill.
void engravedText(cairo_t* cr, double x, double y, const std::string& s, double spacing, Rgb fill) {
    setColor(cr, rgb(0, 0, 0), 0.75);
    showSpaced(cr, x, y - 1, s, spacing);
    setColor(cr, kBevelLight, 0.55);
    showSpaced(cr, x, y + 1, s, spacing);
    setColor(cr, fill);
    showSpaced(cr, x, y, s, spacing);
}

// ---------------------------------------------------------------- layout lookups

const panel_bitmap_t* bitmapInfo(const char* name) {
    for (const auto& b : panel_bitmaps)
        if (std::strcmp(b.name, name) == 0) return &b;
    return nullptr;
}

// The control's rectangle as the editor builds it.
void controlRect(const widget_t& w, double& x, double& y, double& width, double& height) {
    const panel_bitmap_t* b = bitmapInfo(w.bitmap);
    x = w.x;
    y = w.y;
    width = b ? b->width : 0;
    height = widgetKind(w) == kWidgetVerticalSlider ? w.frames : (b ? b->height : 0);
}

const widget_t* widgetWithTag(int32_t tag) {
    for (const auto& w : front_panel)
        if (w.tag == tag) return &w;
    return nullptr;
}

// Positions of the stepped parameters (4, 6 or 13 steps); continuous ones get 11 marks.
int scaleMarks(int32_t tag) {
    switch (tag) {
        case 0:
        case 3:
        case 6:
        case 9:
        case 10:
        case 13:
        case 17:
        case 22:
            return 4;
        case 7:
        case 8:
            return 6;
        case 5:
            return 13;
        default:
            return 11;
    }
}

// ---------------------------------------------------------------- background

void drawPanel(cairo_t* cr) {
    verticalGradient(cr, 0, kPanelHeight, kPanelTop, kPanelBottom);
    cairo_paint(cr);
    // Brushed metal: faint horizontal streaks.
    Lcg noise;
    for (int i = 0; i < 900; ++i) {
        double y = noise.next() * kPanelHeight, x = noise.next() * kPanelWidth;
        double len = 40 + noise.next() * 260;
        setColor(cr, noise.next() < 0.5 ? rgb(255, 255, 255) : rgb(0, 0, 0), 0.018 + noise.next() * 0.02);
        cairo_rectangle(cr, x, std::floor(y), len, 1);
        cairo_fill(cr);
    }
    // Trim lines at the top and bottom edges.
    setColor(cr, kBevelLight, 0.8);
    cairo_rectangle(cr, 0, 0, kPanelWidth, 1);
    cairo_fill(cr);
    setColor(cr, rgb(0, 0, 0), 0.9);
    cairo_rectangle(cr, 0, kPanelHeight - 2, kPanelWidth, 2);
    cairo_fill(cr);
}

void drawScrew(cairo_t* cr, double cx, double cy) {
    cairo_arc(cr, cx, cy + 0.6, 4.2, 0, 2 * kPi);
    setColor(cr, rgb(0, 0, 0), 0.6);
    cairo_fill(cr);
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - 1.5, cy - 1.5, 0.5, cx, cy, 4);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.78, 0.78, 0.76);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.35, 0.36, 0.38);
    cairo_arc(cr, cx, cy, 3.8, 0, 2 * kPi);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    setColor(cr, rgb(30, 30, 32));
    cairo_set_line_width(cr, 1.1);
    cairo_move_to(cr, cx - 2.6, cy + 1.2);
    cairo_line_to(cr, cx + 2.6, cy - 1.2);
    cairo_stroke(cr);
}

void drawSection(cairo_t* cr, const panel_section_t& s) {
    const double x = s.left, y = s.top, w = s.right - s.left, h = s.bottom - s.top;
    // Sunken area: dark edge above and left, light edge below and right.
    roundedRect(cr, x, y, w, h, 5);
    setColor(cr, kSectionFill, 0.85);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    setColor(cr, kGroove);
    cairo_stroke(cr);
    roundedRect(cr, x + 1, y + 1, w - 2, h - 2, 4.5);
    setColor(cr, kBevelLight, 0.35);
    cairo_stroke(cr);
    // The title sits in a gap of an engraved rule across the top.
    // Narrow sections get a smaller title, so that the rule shows on both sides.
    double fontSize = 9.5, spacing = 1.6;
    useFont(cr, fontSize, true);
    while (textWidth(cr, s.title, spacing) > w - 28 && fontSize > 6.5) {
        fontSize -= 0.25;
        spacing = std::max(0.6, spacing - 0.1);
        useFont(cr, fontSize, true);
    }
    double tw = textWidth(cr, s.title, spacing);
    double tx = x + (w - tw) / 2, ty = y + 13;
    for (auto [x0, x1] : {std::pair<double, double>{x + 7, tx - 6}, {tx + tw + 6, x + w - 7}}) {
        if (x1 - x0 < 3) continue;
        setColor(cr, kGroove);
        cairo_rectangle(cr, x0, ty - 4, x1 - x0, 1);
        cairo_fill(cr);
        setColor(cr, kBevelLight, 0.5);
        cairo_rectangle(cr, x0, ty - 3, x1 - x0, 1);
        cairo_fill(cr);
    }
    engravedText(cr, tx, ty, s.title, spacing, kTitle);
}

void drawSliderTrack(cairo_t* cr, const widget_t& w) {
    double x, y, width, height;
    controlRect(w, x, y, width, height);
    const panel_bitmap_t* handle = bitmapInfo(w.bitmap);
    const double half = handle->height / 2.0;
    const double cx = x + width / 2;
    // The slot the handle runs in.
    roundedRect(cr, cx - 2.5, y + 2, 5, height - 4, 2.5);
    setColor(cr, rgb(6, 6, 8));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    setColor(cr, kBevelLight, 0.45);
    cairo_stroke(cr);
    // Scale marks to the left, one per step of stepped parameters.
    const int marks = scaleMarks(w.tag);
    for (int i = 0; i < marks; ++i) {
        double my = std::round(y + half + (height - 2 * half) * i / (marks - 1)) + 0.5;
        bool major = i == 0 || i == marks - 1 || (marks == 11 && i == 5);
        setColor(cr, kCaption, major ? 0.85 : 0.5);
        cairo_rectangle(cr, x - (major ? 7 : 5), my - 0.5, major ? 6 : 4, 1);
        cairo_fill(cr);
    }
}

void drawKnobWell(cairo_t* cr, const widget_t& w) {
    double x, y, width, height;
    controlRect(w, x, y, width, height);
    cairo_pattern_t* p = cairo_pattern_create_radial(x + width / 2, y + height / 2 + 1, width / 2 - 3, x + width / 2,
                                                     y + height / 2 + 1, width / 2 + 3);
    cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, 0.55);
    cairo_pattern_add_color_stop_rgba(p, 1, 0, 0, 0, 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, x + width / 2, y + height / 2 + 1, width / 2 + 3, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void drawWheelBezel(cairo_t* cr, const widget_t& w) {
    double x, y, width, height;
    controlRect(w, x, y, width, height);
    roundedRect(cr, x - 4, y - 4, width + 8, height + 8, 4);
    setColor(cr, rgb(8, 8, 10));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    setColor(cr, kBevelLight, 0.6);
    cairo_stroke(cr);
}

// A control that sets a parameter is captioned with the parameter's name.
std::string captionText(const panel_caption_t& c) {
    if (c.text != nullptr) return c.text;
    char name[64] = {};
    halvorax::parameterName(c.tag, name, sizeof name);
    return name;
}

void drawCaption(cairo_t* cr, const panel_caption_t& c) {
    const widget_t* w = widgetWithTag(c.tag);
    if (!w) return;
    double x, y, width, height;
    controlRect(*w, x, y, width, height);
    // In the top band there is room for one line only, set a little smaller.
    const bool topBand = y < 52;
    useFont(cr, topBand ? 7.5 : 8, false, true);
    const int kind = widgetKind(*w);
    // Columns of sliders, buttons and wheels are 38 to 40 pixels apart.
    const bool column = kind == kWidgetVerticalSlider || kind == kWidgetOnOffButton ||
                        std::strcmp(w->bitmap, "HalvoPitchbend.png") == 0;
    double maxWidth = topBand ? 60 : column ? 35 : std::max(width + 12, 38.0);
    std::vector<std::string> lines = wrap(cr, captionText(c), maxWidth);
    const double lineHeight = 8.5;
    double baseline;
    if (c.place == kCaptionRight) {
        useFont(cr, 8, true, true);
        engravedText(cr, x + width + 5, y + height / 2 + 3, captionText(c).c_str(), 0.8, kCaption);
        return;
    }
    if (c.place == kCaptionAbove)
        baseline = y - 4 - lineHeight * (lines.size() - 1);
    else
        baseline = y + height + 9;
    for (const std::string& line : lines) {
        double lw = textWidth(cr, line);
        setColor(cr, rgb(0, 0, 0), 0.6);
        cairo_move_to(cr, x + (width - lw) / 2, baseline + 0.8);
        cairo_show_text(cr, line.c_str());
        setColor(cr, kCaption);
        cairo_move_to(cr, x + (width - lw) / 2, baseline);
        cairo_show_text(cr, line.c_str());
        baseline += lineHeight;
    }
}

// The brand and the patch display window in the top band.
void drawTopBand(cairo_t* cr) {
    useFont(cr, 23, true);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 12, 0, 34);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.93, 0.92, 0.88);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.62, 0.62, 0.60);
    setColor(cr, rgb(0, 0, 0), 0.8);
    showSpaced(cr, 62, 33, "HALVORAX", 5);
    cairo_set_source(cr, p);
    showSpaced(cr, 61, 32, "HALVORAX", 5);
    cairo_pattern_destroy(p);
    useFont(cr, 7, true);
    engravedText(cr, 63, 45, "16-VOICE POLYPHONIC SYNTHESIZER", 1.35, kAmber);

    // Display window: a bezel around the lit glass the patch labels are drawn on.
    roundedRect(cr, 304.5, 10.5, 216, 35, 4);
    setColor(cr, rgb(10, 10, 12));
    cairo_fill_preserve(cr);
    setColor(cr, kBevelLight, 0.7);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_pattern_t* glass = cairo_pattern_create_linear(0, 15, 0, 41);
    cairo_pattern_add_color_stop_rgb(glass, 0, 0.47, 0.64, 0.26);
    cairo_pattern_add_color_stop_rgb(glass, 1, 0.39, 0.56, 0.21);
    cairo_rectangle(cr, 309, 15, 207, 26);
    cairo_set_source(cr, glass);
    cairo_fill(cr);
    cairo_pattern_destroy(glass);
    // Inner shadow of the glass, and its reflection.
    setColor(cr, rgb(0, 0, 0), 0.35);
    cairo_rectangle(cr, 309, 15, 207, 2);
    cairo_fill(cr);
    cairo_rectangle(cr, 309, 15, 2, 26);
    cairo_fill(cr);
    setColor(cr, rgb(255, 255, 255), 0.06);
    cairo_rectangle(cr, 311, 17, 203, 9);
    cairo_fill(cr);

    // A groove under the top band.
    setColor(cr, kGroove);
    cairo_rectangle(cr, 6, 52, kPanelWidth - 12, 1);
    cairo_fill(cr);
    setColor(cr, kBevelLight, 0.5);
    cairo_rectangle(cr, 6, 53, kPanelWidth - 12, 1);
    cairo_fill(cr);
}

// The plate in the free corner at the lower right.
void drawPlate(cairo_t* cr) {
    const double x = 858, y = 238, w = 126, h = 186;
    roundedRect(cr, x, y, w, h, 5);
    cairo_pattern_t* p = cairo_pattern_create_linear(x, y, x + w, y + h);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.20, 0.21, 0.23);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.12, 0.13, 0.14);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    setColor(cr, kGroove);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // An emblem: a ring with the letter of the name.
    const double cx = x + w / 2, cy = y + 62;
    cairo_set_line_width(cr, 3);
    setColor(cr, kAmber, 0.9);
    cairo_arc(cr, cx, cy, 30, rad(-60), rad(240));
    cairo_stroke(cr);
    setColor(cr, kGreen, 0.9);
    cairo_arc(cr, cx, cy, 24, rad(240), rad(300));
    cairo_stroke(cr);
    useFont(cr, 30, true);
    double tw = textWidth(cr, "H");
    engravedText(cr, cx - tw / 2, cy + 11, "H", 0, kIvory);
    useFont(cr, 7.5, true);
    const char* lines[] = {"16 VOICES", "2 FILTER MODELS", "STEREO CHORUS", "CHORD MEMORY"};
    double ly = y + 122;
    for (const char* line : lines) {
        double lw = textWidth(cr, line, 1.1);
        engravedText(cr, cx - lw / 2, ly, line, 1.1, kCaption);
        ly += 14;
    }
}

void drawBackground(cairo_t* cr) {
    drawPanel(cr);
    drawTopBand(cr);
    for (const auto& s : panel_sections) drawSection(cr, s);
    drawPlate(cr);
    for (const auto& w : front_panel) {
        switch (widgetKind(w)) {
            case kWidgetVerticalSlider:
                drawSliderTrack(cr, w);
                break;
            case kWidgetKnob:
                if (std::strcmp(w.bitmap, "HalvoPitchbend.png") == 0)
                    drawWheelBezel(cr, w);
                else
                    drawKnobWell(cr, w);
                break;
            case kWidgetPitchWheel:
                drawWheelBezel(cr, w);
                break;
            default:
                break;
        }
    }
    for (const auto& c : panel_captions) drawCaption(cr, c);
    drawScrew(cr, 982, 8);
    drawScrew(cr, 8, 422);
    drawScrew(cr, 982, 422);
}

// ---------------------------------------------------------------- strips

// A knob seen from above; value 0..1 turns it clockwise over 270 degrees from lower left.
void drawKnob(cairo_t* cr, double size, double value, Rgb accent) {
    const double c = size / 2, outer = size / 2 - 1;
    const double arcRadius = outer - 1.5, body = outer - 5;
    const double start = rad(135), end = rad(135 + 270 * value);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    // Value arc over a dark track.
    cairo_set_line_width(cr, 2.2);
    setColor(cr, rgb(8, 8, 10));
    cairo_arc(cr, c, c, arcRadius, start, rad(135 + 270));
    cairo_stroke(cr);
    if (value > 0.002) {
        setColor(cr, accent);
        cairo_arc(cr, c, c, arcRadius, start, end);
        cairo_stroke(cr);
    }
    // Drop shadow and knurled skirt.
    cairo_arc(cr, c, c + 1.2, body + 0.5, 0, 2 * kPi);
    setColor(cr, rgb(0, 0, 0), 0.6);
    cairo_fill(cr);
    cairo_arc(cr, c, c, body, 0, 2 * kPi);
    setColor(cr, rgb(24, 25, 28));
    cairo_fill(cr);
    cairo_set_line_width(cr, 0.8);
    setColor(cr, rgb(70, 72, 78));
    for (int i = 0; i < 36; ++i) {
        double a = end + i * 2 * kPi / 36;
        cairo_move_to(cr, c + (body - 1.8) * std::cos(a), c + (body - 1.8) * std::sin(a));
        cairo_line_to(cr, c + body * std::cos(a), c + body * std::sin(a));
    }
    cairo_stroke(cr);
    // Cap with light from the upper left.
    const double cap = body - 2.2;
    cairo_pattern_t* p = cairo_pattern_create_radial(c - cap * 0.4, c - cap * 0.5, cap * 0.1, c, c, cap);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.42, 0.43, 0.46);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.17, 0.18, 0.20);
    cairo_arc(cr, c, c, cap, 0, 2 * kPi);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // Pointer.
    cairo_set_line_width(cr, size > 40 ? 2.6 : 2.0);
    setColor(cr, accent);
    cairo_move_to(cr, c + cap * 0.25 * std::cos(end), c + cap * 0.25 * std::sin(end));
    cairo_line_to(cr, c + cap * 0.92 * std::cos(end), c + cap * 0.92 * std::sin(end));
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

// A wheel in its slot, seen edge-on: value 1 turns the centre mark up, 0 down.
void drawWheel(cairo_t* cr, double w, double h, double value) {
    cairo_rectangle(cr, 0, 0, w, h);
    setColor(cr, rgb(6, 6, 7));
    cairo_fill(cr);
    const double cy = h / 2, radius = h / 2 - 3;
    const double turn = (value - 0.5) * rad(100);
    // Shaded cylinder surface, brightest where it faces the viewer.
    for (int row = 3; row < h - 3; ++row) {
        double s = (cy - (row + 0.5)) / radius;
        if (s < -1 || s > 1) continue;
        double facing = std::sqrt(1 - s * s);
        Rgb shade = mix(rgb(14, 15, 17), rgb(86, 89, 96), facing);
        setColor(cr, shade);
        cairo_rectangle(cr, 3, row, w - 6, 1);
        cairo_fill(cr);
    }
    // Ribs turning with the wheel.
    for (int k = -30; k <= 30; ++k) {
        double a = turn + k * rad(9);
        if (std::fabs(a) > rad(84)) continue;
        double y = cy - radius * std::sin(a);
        double facing = std::cos(a);
        setColor(cr, rgb(0, 0, 0), 0.35 + 0.3 * facing);
        cairo_rectangle(cr, 4, y - 0.5 * facing, w - 8, std::max(0.4, 1.4 * facing));
        cairo_fill(cr);
    }
    // The centre mark.
    if (std::fabs(turn) < rad(84)) {
        double y = cy - radius * std::sin(turn);
        double thick = 3.0 * std::cos(turn);
        setColor(cr, kIvory);
        cairo_rectangle(cr, 3, y - thick / 2, w - 6, thick);
        cairo_fill(cr);
    }
    // Rim shadows at the slot's ends.
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, 0.8);
    cairo_pattern_add_color_stop_rgba(p, 0.16, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(p, 0.84, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(p, 1, 0, 0, 0, 0.8);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void drawCap(cairo_t* cr, double w, double h, bool pressed) {
    roundedRect(cr, 0.5, 1.5, w - 1, h - 2, 3);
    setColor(cr, rgb(0, 0, 0), 0.7);
    cairo_fill(cr);
    roundedRect(cr, 1, pressed ? 1.5 : 0.5, w - 2, h - 2, 3);
    verticalGradient(cr, 0, h, pressed ? rgb(56, 58, 63) : rgb(86, 89, 96),
                     pressed ? rgb(34, 35, 39) : rgb(44, 46, 51));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    setColor(cr, rgb(12, 12, 14));
    cairo_stroke(cr);
}

// Frames: off, off pressed, on, on pressed (the on look is the lower half).
void drawButton(cairo_t* cr, double w, double h, int frame) {
    bool on = frame >= 2, pressed = frame % 2 == 1;
    drawCap(cr, w, h, pressed);
    double dy = pressed ? 1 : 0;
    roundedRect(cr, 7, 5 + dy, w - 14, 4, 2);
    setColor(cr, on ? kGreen : rgb(44, 54, 34));
    cairo_fill(cr);
    if (on) {
        cairo_pattern_t* glow = cairo_pattern_create_radial(w / 2, 7 + dy, 1, w / 2, 7 + dy, w / 2);
        cairo_pattern_add_color_stop_rgba(glow, 0, kGreen.r, kGreen.g, kGreen.b, 0.45);
        cairo_pattern_add_color_stop_rgba(glow, 1, kGreen.r, kGreen.g, kGreen.b, 0);
        cairo_set_source(cr, glow);
        cairo_rectangle(cr, 2, 1, w - 4, h - 4);
        cairo_fill(cr);
        cairo_pattern_destroy(glow);
    }
}

void drawLed(cairo_t* cr, double size, bool on) {
    const double c = size / 2;
    cairo_arc(cr, c, c, c - 0.5, 0, 2 * kPi);
    setColor(cr, rgb(8, 8, 8));
    cairo_fill(cr);
    cairo_pattern_t* p = cairo_pattern_create_radial(c - 1.2, c - 1.4, 0.3, c, c, c - 1.5);
    if (on) {
        cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.85, 0.75);
        cairo_pattern_add_color_stop_rgb(p, 0.4, 1.0, 0.27, 0.18);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.62, 0.08, 0.05);
    } else {
        cairo_pattern_add_color_stop_rgb(p, 0, 0.45, 0.2, 0.18);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.2, 0.05, 0.04);
    }
    cairo_arc(cr, c, c, c - 1.5, 0, 2 * kPi);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void triangle(cairo_t* cr, double cx, double cy, double size, bool up) {
    double d = up ? -1 : 1;
    cairo_move_to(cr, cx - size, cy - d * size * 0.45);
    cairo_line_to(cr, cx + size, cy - d * size * 0.45);
    cairo_line_to(cr, cx, cy + d * size * 0.65);
    cairo_close_path(cr);
    cairo_fill(cr);
}

// Frames: upper half pressed (previous), rest, lower half pressed (next).
void drawRocker(cairo_t* cr, double w, double h, int frame) {
    roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 3);
    setColor(cr, rgb(6, 6, 8));
    cairo_fill(cr);
    for (int half = 0; half < 2; ++half) {
        bool pressed = (frame == 0 && half == 0) || (frame == 2 && half == 1);
        double y0 = half == 0 ? 1.5 : h / 2 + 0.5;
        roundedRect(cr, 1.5, y0, w - 3, h / 2 - 2, 2.5);
        verticalGradient(cr, y0, y0 + h / 2, pressed ? rgb(40, 42, 46) : rgb(84, 87, 94),
                         pressed ? rgb(30, 31, 35) : rgb(46, 48, 53));
        cairo_fill(cr);
        setColor(cr, pressed ? kGreen : kCaption);
        triangle(cr, w / 2, y0 + h / 4 - 1 + (pressed ? 1 : 0), 4, half == 0);
    }
}

void drawFolderIcon(cairo_t* cr, double cx, double cy, Rgb color) {
    setColor(cr, color);
    cairo_move_to(cr, cx - 7, cy - 5);
    cairo_line_to(cr, cx - 2.5, cy - 5);
    cairo_line_to(cr, cx - 1, cy - 3.5);
    cairo_line_to(cr, cx + 7, cy - 3.5);
    cairo_line_to(cr, cx + 7, cy + 5);
    cairo_line_to(cr, cx - 7, cy + 5);
    cairo_close_path(cr);
    cairo_fill(cr);
    setColor(cr, rgb(30, 31, 35), 0.6);
    cairo_rectangle(cr, cx - 7, cy - 1.5, 14, 1);
    cairo_fill(cr);
}

void drawSaveIcon(cairo_t* cr, double cx, double cy, Rgb color) {
    setColor(cr, color);
    cairo_rectangle(cr, cx - 1.2, cy - 6, 2.4, 6);
    cairo_fill(cr);
    triangle(cr, cx, cy + 0.5, 4, false);
    cairo_set_line_width(cr, 1.6);
    cairo_move_to(cr, cx - 7, cy + 1);
    cairo_line_to(cr, cx - 7, cy + 5.5);
    cairo_line_to(cr, cx + 7, cy + 5.5);
    cairo_line_to(cr, cx + 7, cy + 1);
    cairo_stroke(cr);
}

void drawPatchButton(cairo_t* cr, double w, double h, bool pressed, bool save) {
    drawCap(cr, w, h, pressed);
    Rgb color = pressed ? kGreen : kCaption;
    double cy = h / 2 + (pressed ? 0.5 : -0.5);
    if (save)
        drawSaveIcon(cr, w / 2, cy, color);
    else
        drawFolderIcon(cr, w / 2, cy, color);
}

void drawHandle(cairo_t* cr, double w, double h, Rgb accent) {
    roundedRect(cr, 0.5, 1.5, w - 1, h - 1.5, 2);
    setColor(cr, rgb(0, 0, 0), 0.65);
    cairo_fill(cr);
    roundedRect(cr, 1, 0.5, w - 2, h - 2, 2);
    verticalGradient(cr, 0, h, rgb(92, 95, 102), rgb(30, 31, 35));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    setColor(cr, rgb(10, 10, 12));
    cairo_stroke(cr);
    // Grip grooves either side of the coloured index line.
    setColor(cr, rgb(0, 0, 0), 0.45);
    cairo_rectangle(cr, 3, 2.5, w - 6, 1);
    cairo_rectangle(cr, 3, h - 4.5, w - 6, 1);
    cairo_fill(cr);
    setColor(cr, accent);
    cairo_rectangle(cr, 2, h / 2 - 1.5, w - 4, 2);
    cairo_fill(cr);
}

// ---------------------------------------------------------------- files

using FrameDrawer = std::function<void(cairo_t*, int frame)>;

bool writeStrip(const std::string& folder, const panel_bitmap_t& b, const FrameDrawer& draw) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, b.width, b.height * b.frames);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < b.frames; ++i) {
        cairo_save(cr);
        cairo_rectangle(cr, 0, i * b.height, b.width, b.height);
        cairo_clip(cr);
        cairo_translate(cr, 0, i * b.height);
        draw(cr, i);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    std::string path = folder + "/" + b.name;
    bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    if (!ok) std::printf("Could not write bitmap:%s\n", path.c_str());
    return ok;
}

FrameDrawer drawerFor(const panel_bitmap_t& b) {
    const std::string name = b.name;
    const double w = b.width, h = b.height;
    const int n = b.frames;
    auto knob = [=](Rgb accent) {
        return [=](cairo_t* cr, int i) { drawKnob(cr, w, n > 1 ? double(i) / (n - 1) : 0, accent); };
    };
    auto handle = [=](Rgb accent) { return [=](cairo_t* cr, int) { drawHandle(cr, w, h, accent); }; };
    static const std::map<std::string, Rgb> handleColors = {{"HalvoSliderHandle1.png", kIvory},
                                                            {"HalvoSliderHandle2.png", kAmber},
                                                            {"HalvoSliderHandle3.png", kGreen},
                                                            {"HalvoSliderHandle4.png", kCoral},
                                                            {"HalvoSliderHandle5.png", kSteel}};
    static const std::map<std::string, Rgb> knobColors = {{"HalvoKnob1.png", kGreen},
                                                          {"HalvoKnob2.png", kSteel},
                                                          {"HalvoKnob3.png", kAmber},
                                                          {"HalvoKnob4.png", kCoral},
                                                          {"HalvoKnob5.png", kIvory}};
    if (name == "HalvoBackground.png") return [](cairo_t* cr, int) { drawBackground(cr); };
    if (knobColors.count(name)) return knob(knobColors.at(name));
    if (handleColors.count(name)) return handle(handleColors.at(name));
    // Shown with reversed frame order: frame 0 is the wheel turned fully up.
    if (name == "HalvoPitchbend.png")
        return [=](cairo_t* cr, int i) { drawWheel(cr, w, h, 1.0 - double(i) / (n - 1)); };
    if (name == "HalvoButton.png") return [=](cairo_t* cr, int i) { drawButton(cr, w, h, i); };
    if (name == "HalvoLed.png") return [=](cairo_t* cr, int i) { drawLed(cr, w, i == 1); };
    if (name == "HalvoPatchUpDown.png") return [=](cairo_t* cr, int i) { drawRocker(cr, w, h, i); };
    if (name == "HalvoPatchOpen.png") return [=](cairo_t* cr, int i) { drawPatchButton(cr, w, h, i == 1, false); };
    if (name == "HalvoPatchSave.png") return [=](cairo_t* cr, int i) { drawPatchButton(cr, w, h, i == 1, true); };
    return nullptr;
}

// Every bitmap the panel names must have a size, and kinds 0..6 must match its frames.
bool layoutIsConsistent() {
    bool ok = true;
    for (const auto& w : front_panel) {
        const panel_bitmap_t* b = bitmapInfo(w.bitmap);
        if (!b) {
            std::printf("No artwork for bitmap:%s\n", w.bitmap);
            ok = false;
        } else if (widgetKind(w) != kWidgetVerticalSlider && b->frames != w.frames) {
            std::printf("Frame count of %s: table %d, artwork %d\n", w.bitmap, w.frames, b->frames);
            ok = false;
        }
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: halvorax-artwork <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    mkdir(folder.c_str(), 0755);
    if (!layoutIsConsistent()) return 1;
    for (const auto& b : panel_bitmaps) {
        FrameDrawer draw = drawerFor(b);
        if (!draw) {
            std::printf("No drawing for bitmap:%s\n", b.name);
            return 1;
        }
        if (!writeStrip(folder, b, draw)) return 1;
    }
    cairo_debug_reset_static_data();  // font caches: keeps leak checkers quiet
    return 0;
}
