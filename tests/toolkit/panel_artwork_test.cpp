// The generated artwork against the panel layout: the whole panel built from the table
// with the bundle's bitmaps, as the editor builds it, and drawn off-screen.
#include <gtest/gtest.h>

#include "CPitchWheel.h"
#include "CSequenceFader.h"
#include "HalvoLayout.h"
#include "toolkit_test_support.h"

using namespace VSTGUI;

namespace {

CControl* buildControl(const widget_t& row, CBitmap* bitmap) {
    const CCoord w = bitmap->getWidth(), h = bitmap->getHeight();
    const int frames = row.frames > 0 ? row.frames : 1;
    CRect r(row.x, row.y, row.x + w, row.y + h / frames);
    const bool inverse = widgetFlags(row) & 1;
    switch (widgetKind(row)) {
        case kWidgetKnob: {
            auto* k = new CAnimKnob(r, nullptr, row.tag, bitmap);
            k->setInverseBitmap(inverse);
            return k;
        }
        case kWidgetPitchWheel: {
            auto* k = new CPitchWheel(r, nullptr, row.tag, bitmap);
            k->setInverseBitmap(inverse);
            k->restValue = 0.5f;
            k->setValue(0.5f);
            return k;
        }
        case kWidgetOnOffButton:
            return new COnOffButton(r, nullptr, row.tag, bitmap, 0);
        case kWidgetMovieBitmap:
            return new CMovieBitmap(r, nullptr, row.tag, bitmap);
        case kWidgetKickButton:
            return new CKickButton(r, nullptr, row.tag, bitmap);
        case kWidgetRockerSwitch:
            return new CRockerSwitch(r, nullptr, row.tag, bitmap, CPoint(0, 0), kVertical);
        case kWidgetVerticalSlider:
            return new CVerticalSlider(CRect(row.x, row.y, row.x + w, row.y + row.frames), nullptr, row.tag,
                                       CPoint(0, 0), row.frames, bitmap, nullptr, CPoint(0, 0), kBottom);
        default:
            return nullptr;
    }
}

TEST(PanelArtwork, EveryControlGetsItsBitmapWithTheTableFrameCount) {
    CBitmap::setResourceFolder(HALVORAX_BUNDLE_PATH "/Contents/Resources");
    testing::internal::CaptureStdout();
    CBitmap* background = new CBitmap("HalvoBackground.png");
    EXPECT_EQ(background->getWidth(), kPanelWidth);
    EXPECT_EQ(background->getHeight(), kPanelHeight);
    CFrame* frame = new CFrame(CRect(0, 0, kPanelWidth, kPanelHeight), nullptr, nullptr);
    auto* panel = new CViewContainer(CRect(0, 0, kPanelWidth, kPanelHeight), frame, background);
    background->forget();
    const CRect all(0, 0, kPanelWidth, kPanelHeight);
    for (const widget_t& row : front_panel) {
        CBitmap* bitmap = new CBitmap(row.bitmap);
        CControl* c = buildControl(row, bitmap);
        bitmap->forget();
        ASSERT_NE(c, nullptr) << row.tag;
        const CRect r = c->getViewSize();
        EXPECT_FALSE(r.isEmpty()) << row.bitmap;
        EXPECT_EQ(CRect(r).bound(all), r) << "control " << row.tag << " leaves the panel";
        if (auto* knob = dynamic_cast<CAnimKnob*>(c)) {
            EXPECT_EQ(knob->getNumSubPixmaps(), row.frames) << row.bitmap;
        }
        if (auto* movie = dynamic_cast<CMovieBitmap*>(c)) {
            EXPECT_EQ(movie->getNumSubPixmaps(), row.frames);
        }
        // Show some variety in the picture.
        if (c->isTypeOf("CSlider") || c->isTypeOf("CKnob")) c->setValue((row.tag % 7) / 6.0f);
        if (c->isTypeOf("COnOffButton")) c->setValue(row.tag % 2 ? 1.0f : 0.0f);
        panel->addView(c);
    }
    frame->addView(panel);
    auto* label = new CTextLabel(CRect(314, 16, 514, 40), "Init Patch | LFO Rate: 64");
    label->setTransparency(true);
    label->setFontColor(MakeCColor(22, 83, 50));
    label->setHoriAlign(kLeftText);
    frame->addView(label);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // no missing bitmap

    cairo_surface_t* image = frame->createOffscreenImage();
    EXPECT_EQ(cairo_surface_write_to_png(image, HALVORAX_BUNDLE_PATH "/../panel-preview.png"), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(image);
    frame->forget();
}

}  // namespace
