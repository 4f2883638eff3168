// Helpers shared by the toolkit tests: bitmaps written on the fly, a recording listener
// and a recording editor.
#pragma once

#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "vstgui.h"

namespace toolkit_test {

// A folder of test bitmaps, set as the toolkit's resource folder.
inline std::string resourceDir() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/halvorax-toolkit-XXXXXX";
        std::string d = mkdtemp(tmpl);
        VSTGUI::CBitmap::setResourceFolder(d.c_str());
        return d;
    }();
    VSTGUI::CBitmap::setResourceFolder(dir.c_str());
    return dir;
}

// A strip of `frames` frames of w x h; frame i is filled with grey level i (so the shown
// frame can be read back from a pixel).
inline void writeStrip(const char* name, int w, int h, int frames) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h * frames);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < frames; ++i) {
        cairo_set_source_rgb(cr, i / 255.0, i / 255.0, i / 255.0);
        cairo_rectangle(cr, 0, i * h, w, h);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_write_to_png(s, (resourceDir() + "/" + name).c_str());
    cairo_surface_destroy(s);
}

// Red channel of a pixel of an RGB24/ARGB32 image surface.
inline int redAt(cairo_surface_t* s, int x, int y) {
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const uint32_t px = *reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(s) + x * 4);
    return (px >> 16) & 0xff;
}

struct Recorder : VSTGUI::CControlListener, VSTGUI::VSTGUIEditorInterface {
    std::vector<std::pair<int32_t, float>> changes;
    std::vector<std::string> gestures;  // "begin 5", "end 5"
    int32_t knobMode = VSTGUI::kLinearMode;

    void valueChanged(VSTGUI::CControl* c) override { changes.emplace_back(c->getTag(), c->getValue()); }
    int32_t getKnobMode() const override { return knobMode; }
    void beginEdit(int32_t index) override { gestures.push_back("begin " + std::to_string(index)); }
    void endEdit(int32_t index) override { gestures.push_back("end " + std::to_string(index)); }
};

// An editor whose effect hooks record the gestures that reach the effect, and whose close
// releases the frame its open made.
struct RecordingEditor : VSTGUI::AEffGUIEditor {
    RecordingEditor(int16_t width, int16_t height) : AEffGUIEditor(nullptr) { rect = ERect{0, 0, height, width}; }
    std::vector<std::string> gestures;  // "begin 5", "end 5"
    bool effectBeginEdit(int32_t i) override {
        gestures.push_back("begin " + std::to_string(i));
        return true;
    }
    bool effectEndEdit(int32_t i) override {
        gestures.push_back("end " + std::to_string(i));
        return true;
    }
    void close() override {
        VSTGUI::CFrame* f = frame;
        frame = nullptr;
        if (f) f->forget();
        AEffGUIEditor::close();
    }
};

}  // namespace toolkit_test
