#include "cmoviebitmap.h"

#include <cmath>

#include "cbitmap.h"

namespace VSTGUI {

CMovieBitmap::CMovieBitmap(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                           const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), heightOfOneImage(size.getHeight()) {
    if (background && heightOfOneImage > 0)
        subPixmaps = static_cast<int32_t>(background->getHeight() / heightOfOneImage);
    setMouseEnabled(false);
}

CMovieBitmap::CMovieBitmap(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                           CCoord heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background),
      offset(offset),
      subPixmaps(subPixmaps),
      heightOfOneImage(heightOfOneImage) {
    setMouseEnabled(false);
}

int32_t CMovieBitmap::currentFrame() const {
    if (subPixmaps < 1 || heightOfOneImage <= 0) return 0;
    double v = getValueNormalized();
    return static_cast<int32_t>(std::floor(v * (subPixmaps - 1) * heightOfOneImage) / heightOfOneImage);
}

void CMovieBitmap::draw(CDrawContext* context) {
    if (background && heightOfOneImage > 0)
        background->draw(context, size, CPoint(offset.h, offset.v + currentFrame() * heightOfOneImage));
    setDirty(false);
}

}  // namespace VSTGUI
