#include "ctextlabel.h"

#include "cbitmap.h"
#include "cdrawcontext.h"

namespace VSTGUI {

CTextLabel::CTextLabel(const CRect& size, const char* txt, CBitmap* background, int32_t style)
    : CControl(size, nullptr, -1, background), text(txt ? txt : ""), style(style) {
    setTransparency(false);
    setMouseEnabled(false);
}

void CTextLabel::setText(const char* txt) {
    std::string t = txt ? txt : "";
    if (t == text) return;
    text = t;
    setDirty(true);
}

void CTextLabel::draw(CDrawContext* context) {
    if (!transparent) context->fillRect(size, backColor);
    if (background) background->draw(context, size, CPoint(0, 0), alphaValue);
    cairo_select_font_face(context->getCairo(), font.family.c_str(), CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(context->getCairo(), font.size);
    context->drawString(text.c_str(), size, horiAlign, fontColor, alphaValue);
    setDirty(false);
}

}  // namespace VSTGUI
