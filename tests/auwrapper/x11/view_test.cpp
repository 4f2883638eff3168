// The editor view: created through the factory the CocoaUI property names, sized by the
// effect, resized on request, idled, and closed from either side. Runs under xvfb-run.
#include "AuTestSupport.h"
#include "TandemView.h"

namespace {

using namespace autest;

const AUCocoaUIBase* factoryOf(AudioUnit unit) {
    AudioUnitCocoaViewInfo info{};
    if (getProperty(unit, kAudioUnitProperty_CocoaUI, info) != noErr) return nullptr;
    EXPECT_EQ(stringOf(info.mCocoaAUViewClass[0]), "Tandem20010220_CocoaViewFactory");
    CFRelease(info.mCocoaAUViewBundleLocation);
    CFRelease(info.mCocoaAUViewClass[0]);
    return Tandem20010220_CocoaViewFactory();
}

EffectScript withEditor() {
    EffectScript script;
    script.editor = true;
    return script;
}

TEST(View, OpensTheEditorInAWindowOfItsSizeAndClosesItWithTheView) {
    OpenedUnit u(withEditor());
    const AUCocoaUIBase* factory = factoryOf(u.unit);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->interfaceVersion(), 0u);
    void* view = factory->uiViewForAudioUnit(u.unit, 10.0, 10.0);
    ASSERT_NE(view, nullptr);
    auto* v = static_cast<tandem::Tandem20010220_CocoaView*>(view);
    EXPECT_EQ(v->width(), 300);
    EXPECT_EQ(v->height(), 200);
    EXPECT_EQ(u.effect().editorWindow, reinterpret_cast<void*>(factory->viewWindow(view)));
    EXPECT_TRUE(u.component().vst->isEditorOpen());
    EXPECT_EQ(u.component().view, v);

    // The effect asks for another size.
    EXPECT_EQ(u.effect().host(u.component().vst->getEffect(), audioMasterSizeWindow, 400, 250, nullptr, 0.0f), 1);
    EXPECT_EQ(v->width(), 400);
    EXPECT_EQ(v->height(), 250);

    // The idle timer idles the open editor.
    StandInRunEventLoopTimers(GetCurrentEventTime() + 0.03);
    bool editIdle = false;
    for (VstInt32 opcode : u.effect().opcodes) editIdle |= opcode == effEditIdle;
    EXPECT_TRUE(editIdle);

    factory->releaseView(view);
    EXPECT_EQ(u.effect().editorWindow, nullptr);
    EXPECT_FALSE(u.component().vst->isEditorOpen());
    EXPECT_EQ(u.component().view, nullptr);
}

TEST(View, ClosingTheUnitFirstLeavesAViewThatCanStillBeReleased) {
    const AUCocoaUIBase* factory = nullptr;
    void* view = nullptr;
    {
        OpenedUnit u(withEditor());
        factory = factoryOf(u.unit);
        ASSERT_NE(factory, nullptr);
        view = factory->uiViewForAudioUnit(u.unit, 0.0, 0.0);
        ASSERT_NE(view, nullptr);
    }
    EXPECT_EQ(static_cast<tandem::Tandem20010220_CocoaView*>(view)->tandem, nullptr);
    factory->releaseView(view);
}

TEST(View, AnEditorThatRefusesToOpenGivesNoView) {
    EffectScript script = withEditor();
    script.editorOpens = false;
    OpenedUnit u(script);
    const AUCocoaUIBase* factory = factoryOf(u.unit);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->uiViewForAudioUnit(u.unit, 0.0, 0.0), nullptr);
    EXPECT_FALSE(u.component().vst->isEditorOpen());
    EXPECT_EQ(u.component().view, nullptr);
}

TEST(View, WithoutAnEditorOrADisplayThereIsNoView) {
    OpenedUnit plain;
    UInt32 size = 0;
    EXPECT_EQ(
        AudioUnitGetPropertyInfo(plain.unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &size, nullptr),
        kAudioUnitErr_InvalidProperty);
    EXPECT_EQ(Tandem20010220_CocoaViewFactory()->uiViewForAudioUnit(plain.unit, 0.0, 0.0), nullptr);

    const std::string saved = getenv("DISPLAY") ? getenv("DISPLAY") : "";
    setenv("DISPLAY", ":999", 1);  // no server there
    OpenedUnit u(withEditor());
    EXPECT_EQ(Tandem20010220_CocoaViewFactory()->uiViewForAudioUnit(u.unit, 0.0, 0.0), nullptr);
    EXPECT_FALSE(u.component().vst->isEditorOpen());
    if (saved.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
