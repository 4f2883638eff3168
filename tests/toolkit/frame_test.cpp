// Redrawing, off-screen drawing and the option menu, without X. Pointer input, the pop-up's
// choice and opening and closing run on each backend in x11/; missing bitmaps with the editor.
#include <gtest/gtest.h>

#include "toolkit_test_support.h"

using namespace VSTGUI;
using toolkit_test::Recorder;

namespace {

// A view that counts how often it is drawn.
template <typename View>
struct Counting : View {
    using View::View;
    int draws = 0;
    void draw(CDrawContext* c) override {
        ++draws;
        View::draw(c);
    }
};
using CountingSlider = Counting<CVerticalSlider>;
using CountingLabel = Counting<CTextLabel>;

CountingSlider* addSlider(CViewContainer* parent, CCoord x, CBitmap* handle, Recorder* rec) {
    auto* s = new CountingSlider(CRect(x, 10, x + 20, 126), rec, static_cast<int32_t>(x), CPoint(0, 0), 116, handle,
                                 nullptr, CPoint(0, 0), kBottom);
    parent->addView(s);
    return s;
}

TEST(FrameRedraw, OnlyDirtyViewsAreRedrawnAndAQuietIdleDrawsNothing) {
    toolkit_test::resourceDir();
    toolkit_test::writeStrip("handle.png", 20, 10, 1);
    Recorder rec;
    CFrame* frame = new CFrame(CRect(0, 0, 300, 200), nullptr, &rec);
    CBitmap* handle = new CBitmap("handle.png");
    auto* a = addSlider(frame, 10, handle, &rec);
    auto* b = addSlider(frame, 100, handle, &rec);
    auto* label = new CountingLabel(CRect(150, 150, 290, 170), "Init");
    frame->addView(label);
    handle->forget();

    frame->idle();  // first paint: everything
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 1);
    EXPECT_EQ(label->draws, 1);
    const int64_t paints = frame->getPaintCount();

    frame->idle();
    frame->idle();
    EXPECT_EQ(frame->getPaintCount(), paints);
    EXPECT_EQ(a->draws + b->draws + label->draws, 3);

    b->setValue(0.7f);  // as the editor does for a parameter change: no listener, no drawing yet
    EXPECT_EQ(b->draws, 1);
    frame->idle();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 2);
    EXPECT_EQ(label->draws, 1);

    label->setText("Init");  // same text: nothing to redraw
    frame->idle();
    EXPECT_EQ(label->draws, 1);
    label->setText("Brass");
    frame->idle();
    EXPECT_EQ(label->draws, 2);
    EXPECT_EQ(a->draws, 1);

    frame->setDirty(true);  // the editor's full redraw: every view once
    frame->idle();
    EXPECT_EQ(a->draws, 2);
    EXPECT_EQ(b->draws, 3);
    EXPECT_EQ(label->draws, 3);
    frame->idle();
    EXPECT_EQ(a->draws, 2);
    EXPECT_TRUE(rec.changes.empty());
    frame->forget();
}

TEST(Offscreen, FrameDrawsBackgroundAndStripFramesIntoAnImage) {
    toolkit_test::resourceDir();
    toolkit_test::writeStrip("strip.png", 10, 10, 128);
    toolkit_test::writeStrip("back.png", 100, 50, 1);  // black
    CFrame* frame = new CFrame(CRect(0, 0, 100, 50), nullptr, nullptr);
    CBitmap* back = new CBitmap("back.png");
    auto* container = new CViewContainer(CRect(0, 0, 100, 50), frame, back);
    back->forget();
    CBitmap* strip = new CBitmap("strip.png");
    auto* knob = new CAnimKnob(CRect(20, 20, 30, 30), nullptr, 0, strip);
    auto* inverse = new CAnimKnob(CRect(40, 20, 50, 30), nullptr, 0, strip);
    strip->forget();
    inverse->setInverseBitmap(true);
    knob->setValue(0.5f);
    inverse->setValue(0.25f);
    container->addView(knob);
    container->addView(inverse);
    frame->addView(container);

    cairo_surface_t* image = frame->createOffscreenImage();
    EXPECT_EQ(toolkit_test::redAt(image, 5, 5), 0);
    EXPECT_EQ(toolkit_test::redAt(image, 25, 25), 63);  // frame 63 of 128
    EXPECT_EQ(toolkit_test::redAt(image, 45, 25), 95);  // (1 - 0.25) * 127, rounded down
    cairo_surface_destroy(image);

    frame->idle();  // the back buffer holds the same picture
    EXPECT_EQ(toolkit_test::redAt(frame->getBackBuffer(), 25, 25), 63);
    frame->forget();
}

TEST(Offscreen, ContainerOffsetsItsChildren) {
    toolkit_test::resourceDir();
    toolkit_test::writeStrip("strip.png", 10, 10, 128);
    CFrame* frame = new CFrame(CRect(0, 0, 100, 100), nullptr, nullptr);
    auto* container = new CViewContainer(CRect(30, 40, 90, 90));
    CBitmap* strip = new CBitmap("strip.png");
    auto* knob = new CAnimKnob(CRect(5, 5, 15, 15), nullptr, 0, strip);
    strip->forget();
    knob->setValue(1.0f);
    container->addView(knob);
    frame->addView(container);
    EXPECT_EQ(knob->getFrameRect(), CRect(35, 45, 45, 55));
    cairo_surface_t* image = frame->createOffscreenImage();
    EXPECT_EQ(toolkit_test::redAt(image, 40, 50), 127);
    EXPECT_EQ(toolkit_test::redAt(image, 10, 10), 0);
    cairo_surface_destroy(image);
    frame->forget();
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = new CFrame(CRect(0, 0, 400, 300), nullptr, &rec);
        menu = new COptionMenu(CRect(302, 42, 302, 42), &rec, 12347);
        menu->addEntry("Load Patch");
        menu->addEntry("Save Patch");
        menu->addSeparator();
        menu->addEntry("Midi Learn: Off");
        menu->addEntry("-");
        menu->addEntry("RoriVerov1.repatch");
        frame->addView(menu);
    }
    void TearDown() override { frame->forget(); }
    Recorder rec;
    CFrame* frame = nullptr;
    COptionMenu* menu = nullptr;
};

// A sub-menu opens in the pop-up's place; its choice reports the parent entry and which of
// its entries was taken; a press outside closes both.
TEST_F(MenuTest, SubmenusOpenInPlaceAndReportTheirChoice) {
    CMenuItem* bank = menu->addEntry("Bank/");
    for (const char* name : {"01 A.repatch", "02 B.repatch", "03 C.repatch"}) bank->addSubEntry(name);
    ASSERT_TRUE(menu->popup());
    menu->popupChoose(6);
    EXPECT_TRUE(menu->isPopupOpen());
    EXPECT_EQ(menu->getOpenSubmenu(), 6);
    EXPECT_TRUE(rec.changes.empty());
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 200, 200);
    cairo_t* cr = cairo_create(s);
    menu->drawPopup(cr);  // the sub-menu draws without a window as well
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    EXPECT_EQ(menu->popupEntryAt(CPoint(50, 3 + 2 * 20 + 10)), 2);
    menu->popupMouseUp(CPoint(50, 3 + 2 * 20 + 10));
    EXPECT_FALSE(menu->isPopupOpen());
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_FLOAT_EQ(rec.changes[0].second, 6.0f);
    EXPECT_EQ(menu->getLastSubmenuChoice(), 2);

    ASSERT_TRUE(menu->popup());
    menu->popupChoose(6);
    menu->popupMouseDown(CPoint(-20, 10));
    EXPECT_FALSE(menu->isPopupOpen());
    EXPECT_EQ(menu->getOpenSubmenu(), -1);
    menu->popupChoose(5);  // a plain entry clears the sub-menu choice
    EXPECT_EQ(menu->getLastSubmenuChoice(), -1);
}

TEST_F(MenuTest, LongListsContinueInColumnsWithinTheHeightLimit) {
    for (int i = 0; i < 40; ++i) menu->addEntry(("Patch " + std::to_string(i) + ".repatch").c_str());
    menu->setMaxPopupHeight(300);
    CRect size = menu->getPopupSize();
    EXPECT_LE(size.getHeight(), 300);
    EXPECT_GE(size.getWidth(), 3 * COptionMenu::kMinWidth);  // 46 entries need three columns
    ASSERT_TRUE(menu->popup());
    // The last entry sits at the top of a later column; choosing it reports its position.
    CPoint last;
    for (CCoord x = 5; x < size.getWidth() && last.h == 0; x += 10)
        for (CCoord y = 5; y < size.getHeight(); y += 5)
            if (menu->popupEntryAt(CPoint(x, y)) == 45) {
                last = CPoint(x, y);
                break;
            }
    ASSERT_GT(last.h, COptionMenu::kMinWidth);
    menu->popupMouseUp(last);
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_FLOAT_EQ(rec.changes[0].second, 45.0f);
}

}  // namespace
