// Drawing target handed to views: a thin layer over a Cairo context.
#pragma once

#include <cairo.h>

#include "cgeometry.h"

namespace VSTGUI {

class CDrawContext {
public:
    explicit CDrawContext(cairo_t* cr) : cr(cr) {}
    cairo_t* getCairo() const { return cr; }

    void saveGlobalState() { cairo_save(cr); }
    void restoreGlobalState() { cairo_restore(cr); }
    void clipRect(const CRect& r);
    void setSourceColor(const CColor& c);
    void fillRect(const CRect& r, const CColor& c);
    // The toolkit's default font: 12 px sans, the size VSTGUI's default font has.
    void setFont(double pixelSize = 12.0, bool bold = false);
    // Draws one line of text vertically centred in the rectangle, clipped to it.
    void drawString(const char* text, const CRect& r, CHoriTxtAlign align, const CColor& color, double alpha = 1.0);

private:
    cairo_t* cr;
};

}  // namespace VSTGUI
