// CMovieBitmap: a display-only control that shows the strip frame matching its value.
#pragma once

#include "ccontrol.h"

namespace VSTGUI {

class CMovieBitmap : public CControl {
public:
    CMovieBitmap(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                 const CPoint& offset = CPoint(0, 0));
    CMovieBitmap(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                 CCoord heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint(0, 0));
    CMovieBitmap(const CMovieBitmap& other) = default;

    void draw(CDrawContext* context) override;
    int32_t currentFrame() const;
    int32_t getNumSubPixmaps() const { return subPixmaps; }

    CLASS_METHODS(CMovieBitmap, CControl)

protected:
    CPoint offset;
    int32_t subPixmaps = 0;
    CCoord heightOfOneImage = 0;
};

}  // namespace VSTGUI
