// CTextLabel: a view showing one line of text over an optional bitmap.
#pragma once

#include <string>

#include "ccontrol.h"

namespace VSTGUI {

struct CFontDesc {
    std::string family = "Sans";
    double size = 12.0;  // pixels; VSTGUI's default font size
    bool bold = false;
};

class CTextLabel : public CControl {
public:
    CTextLabel(const CRect& size, const char* text = nullptr, CBitmap* background = nullptr, int32_t style = 0);
    CTextLabel(const CTextLabel& other) = default;

    // Marks the label dirty only when the text really changes.
    virtual void setText(const char* text);
    const char* getText() const { return text.c_str(); }

    void setFont(const CFontDesc& desc) {
        font = desc;
        setDirty(true);
    }
    const CFontDesc& getFont() const { return font; }
    void setFontColor(const CColor& color) {
        fontColor = color;
        setDirty(true);
    }
    CColor getFontColor() const { return fontColor; }
    void setBackColor(const CColor& color) {
        backColor = color;
        setDirty(true);
    }
    void setHoriAlign(CHoriTxtAlign align) {
        horiAlign = align;
        setDirty(true);
    }
    void setStyle(int32_t val) {
        style = val;
        setDirty(true);
    }
    int32_t getStyle() const { return style; }

    void draw(CDrawContext* context) override;

    CLASS_METHODS(CTextLabel, CControl)

protected:
    std::string text;
    CFontDesc font;
    CColor fontColor = MakeCColor(255, 255, 255);
    CColor backColor = MakeCColor(0, 0, 0);
    CHoriTxtAlign horiAlign = kCenterText;
    int32_t style;
};

}  // namespace VSTGUI
