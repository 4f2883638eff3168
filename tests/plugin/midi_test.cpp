#include <gtest/gtest.h>

#include <memory>

#include "ProbedEffect.h"

using namespace halvorax;
using test::ProbedEffect;

namespace {

class Midi : public ::testing::Test {
protected:
    void SetUp() override {
        test::isolateDataHome();
        fx = std::make_unique<ProbedEffect>();
    }
    std::unique_ptr<ProbedEffect> fx;
};

TEST_F(Midi, LearnGestureMapsAControllerToTheTouchedParameter) {
    fx->cc(7, 100);
    EXPECT_FLOAT_EQ(fx->getParameter(14), 1.0f);  // unmapped: nothing changes
    fx->toggleMidiLearn();
    EXPECT_EQ(fx->getLearnTarget(), -1);
    fx->setParameter(14, 0.2f);
    fx->cc(7, 64);
    EXPECT_FLOAT_EQ(fx->getParameter(14), 64.0f / 127.0f);
    EXPECT_EQ(fx->getLearnedCC(), 7);
    fx->toggleMidiLearn();
    EXPECT_EQ(fx->getMidiLearn(), 0);
    EXPECT_EQ(fx->LookupCC(14), 7);
    fx->cc(7, 127);
    EXPECT_EQ(fx->getParameter(14), 1.0f);
}

TEST_F(Midi, LearnOffWithoutAControllerForgetsOnlyATouchedParameter) {
    fx->ccMap[21] = 21;
    fx->toggleMidiLearn();  // on and off again, nothing touched: the map stays
    fx->toggleMidiLearn();
    EXPECT_EQ(fx->LookupCC(21), 21);
    fx->toggleMidiLearn();
    fx->setParameter(21, 0.5f);
    fx->toggleMidiLearn();
    EXPECT_EQ(fx->LookupCC(21), -1);
    EXPECT_EQ(fx->getLearnTarget(), -1);
    EXPECT_EQ(fx->getLearnedCC(), -1);
}

TEST_F(Midi, OneControllerPerParameterAndOneParameterPerController) {
    fx->toggleMidiLearn();
    fx->setParameter(14, 0.0f);
    fx->cc(7, 10);
    fx->cc(8, 20);  // a second controller for the same target moves it
    EXPECT_EQ(fx->LookupCC(14), 8);
    EXPECT_EQ(fx->ccMap[7], -1);
    fx->setParameter(15, 0.0f);
    fx->cc(8, 30);  // learning a controller in use takes it from its parameter
    EXPECT_EQ(fx->LookupCC(15), 8);
    EXPECT_EQ(fx->LookupCC(14), -1);
    fx->toggleMidiLearn();
}

TEST_F(Midi, WheelPedalAndPanicControllersAreNeverLearned) {
    fx->toggleMidiLearn();
    fx->setParameter(14, 0.0f);
    fx->cc(1, 99);
    fx->cc(64, 100);
    EXPECT_EQ(fx->getModWheel(), 99);
    EXPECT_EQ(fx->sustainPedal, 1);
    EXPECT_EQ(fx->LookupCC(14), -1);
    fx->cc(64, 63);
    EXPECT_EQ(fx->sustainPedal, 0);
    fx->HandleMidi(0, 0x90, 60, 100);
    EXPECT_TRUE(fx->engine->AnyKeyHeld());
    fx->cc(123, 0);  // all notes off, even in learn mode
    EXPECT_FALSE(fx->engine->AnyKeyHeld());
    fx->cc(121, 5);  // channel-mode messages are not routed
    EXPECT_EQ(fx->ccMap[121], -1);
}

TEST_F(Midi, ControllersMappedPastTheParametersDriveNothing) {
    fx->ccMap[9] = 90;
    fx->cc(9, 127);
    EXPECT_NE(fx->getLearnTarget(), 90);
}

TEST_F(Midi, WheelsAndPressure) {
    fx->HandleMidi(3, 0xe0, 0x00, 0x40);
    EXPECT_EQ(fx->getPitchBend(), 8192);
    fx->HandleMidi(3, 0xe0, 0x7f, 0x7f);
    EXPECT_EQ(fx->getPitchBend(), 16383);
    fx->HandleMidi(0, 0xd0, 77, 0);
    EXPECT_EQ(fx->pressure, 77);
    fx->HandleMidi(0, 0xa0, 60, 33);
    EXPECT_EQ(fx->pressure, 33);
    fx->HandleMidi(0, 0xc0, 5, 0);  // program change: nothing but activity
    EXPECT_EQ(fx->pressure, 33);
}

TEST_F(Midi, ChordWriteEndsWhenTheLastKeyIsReleased) {
    fx->setParameter(46, 1.0f);
    fx->HandleMidi(0, 0x90, 60, 100);
    fx->HandleMidi(0, 0x90, 67, 100);
    int count, notes[6];
    fx->readChordMemory(count, notes);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(notes[1], 7);
    fx->HandleMidi(0, 0x80, 60, 0);
    EXPECT_EQ(fx->getParameter(46), 1.0f);
    fx->HandleMidi(0, 0x90, 67, 0);  // velocity-0 note-on releases like a note-off
    EXPECT_EQ(fx->getParameter(46), 0.0f);
}

TEST_F(Midi, ChordMemoryWritesReachTheEngineBeforeTheNextSegment) {
    const int notes[6] = {0, 3, 7, 10, 0, 0};
    fx->writeChordMemory(4, notes);
    int count, read[6];
    fx->readChordMemory(count, read);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(read[3], 10);
    fx->block(64);
    EXPECT_EQ(fx->engine->ChordCount(), 4);
    EXPECT_EQ(fx->engine->ChordNotes()[2], 7);
    const int hostile[6] = {500, -3, 7, 0, 0, 0};
    fx->writeChordMemory(99, hostile);
    fx->block(64);
    EXPECT_EQ(fx->engine->ChordCount(), 6);
    EXPECT_EQ(fx->engine->ChordNotes()[0], 127);
    EXPECT_EQ(fx->engine->ChordNotes()[1], 0);
}

TEST_F(Midi, ReleaseRequestsAreCarriedOutByTheAudioThread) {
    fx->block(64, {{0, 0x90, 60, 100}, {0, 0x90, 64, 100}});
    EXPECT_EQ(fx->soundingVoices(), 2);
    fx->requestReleaseAllNotes();
    EXPECT_EQ(fx->soundingVoices(), 2);  // nothing happens outside the audio thread
    fx->block(64);
    EXPECT_EQ(fx->soundingVoices(), 0);
}

}  // namespace
