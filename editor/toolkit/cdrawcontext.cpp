#include "cdrawcontext.h"

namespace VSTGUI {

void CDrawContext::clipRect(const CRect& r) {
    cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
    cairo_clip(cr);
}

void CDrawContext::setSourceColor(const CColor& c) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

void CDrawContext::fillRect(const CRect& r, const CColor& c) {
    setSourceColor(c);
    cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
    cairo_fill(cr);
}

void CDrawContext::setFont(double pixelSize, bool bold) {
    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, pixelSize);
}

void CDrawContext::drawString(const char* text, const CRect& r, CHoriTxtAlign align, const CColor& color,
                              double alpha) {
    if (!text || !*text || r.isEmpty()) return;
    cairo_save(cr);
    clipRect(r);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, text, &ext);
    cairo_font_extents_t fext;
    cairo_font_extents(cr, &fext);
    double x = r.left + 1;
    if (align == kCenterText)
        x = r.left + (r.getWidth() - ext.x_advance) / 2;
    else if (align == kRightText)
        x = r.right - 1 - ext.x_advance;
    double y = r.top + (r.getHeight() + fext.ascent - fext.descent) / 2;
    cairo_set_source_rgba(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0, color.alpha / 255.0 * alpha);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text);
    cairo_restore(cr);
}

}  // namespace VSTGUI
