#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "fixture.h"

using namespace vsttest;

TEST_F(Wrapper, RefusedAndUnknownOpcodesAnswerZero) {
    for (int op : {0,  9,  16, 19, 20, 23, 24, 30, 43,   49, 50,
                   52, 53, 56, 63, 64, 67, 71, 77, 1000, -1, -64}) {
        EXPECT_EQ(host.dispatch(op, 0, 0, nullptr, 0.0f), 0) << "opcode " << op;
    }
    EXPECT_TRUE(client->resets.empty());
}

TEST_F(Wrapper, FixedAnswers) {
    EXPECT_EQ(host.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(host.dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(host.dispatch(effGetNumProgramCategories), 1);
    EXPECT_EQ(host.dispatch(effSetBypass, 0, 1), 0);
    EXPECT_EQ(host.dispatch(effGetPlugCategory), kPlugCategEffect);
    char feature[] = "receiveVstTimeInfo";
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, feature), 1);
    char midi[] = "receiveVstMidiEvent";
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, midi), 0);
    char upper[] = "ReceiveVstTimeInfo";
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, upper), 0);
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(MidiWrapper, MidiClientAnswersTheMidiFeatures) {
    for (const char* f : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstMidiEvents"}) {
        std::string s = f;
        EXPECT_EQ(host.dispatch(effCanDo, 0, 0, s.data()), 1) << f;
    }
}

TEST_F(Wrapper, TextOpcodesStayInsideTheirBuffers) {
    struct Case {
        int opcode, index;
        std::size_t size;
        VstIntPtr result;
        std::string text;
    };
    const Case cases[] = {
        {effGetParamName, 0, 32, 0, "Gain"},
        {effGetParamName, kNumParams, 32, 0, ""},
        {effGetParamName, -1, 32, 0, ""},
        {effGetParamLabel, 0, 8, 0, "dB"},
        {effGetParamLabel, 99, 8, 0, ""},
        {effGetParamDisplay, 0, 8, 0, "0.00"},
        {effGetParamDisplay, 99, 8, 0, ""},
        {effGetEffectName, 0, 32, 1, "Test Plug-in Whose Name Exceeds"},
        {effGetVendorString, 0, 64, 1, "Test Vendor With A Name Longer Than Thirty Two"},
        {effGetProductString, 0, 64, 1,
         std::string("Test Vendor With A Name Longer Than Thirty Two Test Plug-in Whose Name")
             .substr(0, 63)},
        {effGetProgramName, 0, 24, 0, "Default"},
        {effGetProgramNameIndexed, 1, 24, 1, "Bright"},
        {effGetProgramNameIndexed, 2, 24, 0, ""},
        {effGetProgramNameIndexed, 3, 24, 0, ""},
    };
    for (const Case& c : cases) {
        auto a = host.dispatchText(c.opcode, c.index, c.size);
        EXPECT_FALSE(a.overran) << "opcode " << c.opcode;
        EXPECT_EQ(a.result, c.result) << "opcode " << c.opcode;
        if (c.opcode == effGetProgramNameIndexed && c.index == 3) continue;  // untouched buffer
        EXPECT_EQ(a.text, c.text) << "opcode " << c.opcode << " index " << c.index;
    }
    for (int op : {effGetEffectName, effGetVendorString, effGetProductString})
        EXPECT_EQ(host.dispatch(op, 0, 0, nullptr), 0);
}

TEST_F(Wrapper, ProgramsSelectRenameAndCut) {
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    EXPECT_EQ(host.dispatch(effSetProgram, 0, 1), 0);
    EXPECT_EQ(host.dispatch(effGetProgram), 1);
    EXPECT_FLOAT_EQ(host.getParameter(0), 1.0f);
    EXPECT_EQ(host.dispatch(effSetProgram, 0, 7), 0);  // invalid: nothing changes
    EXPECT_EQ(host.dispatch(effSetProgram, 0, -1), 0);
    EXPECT_EQ(host.dispatch(effGetProgram), 1);

    // A 40-byte name without terminator: only the first 24 bytes are read.
    std::vector<char> longName(40, 'x');
    host.dispatch(effSetProgramName, 0, 0, longName.data());
    auto a = host.dispatchText(effGetProgramName, 0, 24);
    EXPECT_EQ(a.text, std::string(23, 'x'));
    char shortName[] = "Warm";
    host.dispatch(effSetProgramName, 0, 0, shortName);
    EXPECT_EQ(host.dispatchText(effGetProgramNameIndexed, 1, 24).text, "Warm");
    EXPECT_EQ(host.dispatch(effSetProgramName, 0, 0, nullptr), 0);
}

TEST_F(Wrapper, AutomatableAndStringToParameter) {
    EXPECT_EQ(host.dispatch(effCanBeAutomated, 0), 1);
    EXPECT_EQ(host.dispatch(effCanBeAutomated, 2), 0);
    EXPECT_EQ(host.dispatch(effCanBeAutomated, 3), 0);

    // Text in display units: 6 dB on -12..12 is 0.75.
    char six[] = "6";
    EXPECT_EQ(host.dispatch(effString2Parameter, 0, 0, six), 1);
    EXPECT_FLOAT_EQ(host.getParameter(0), 0.75f);
    char two[] = "2";
    EXPECT_EQ(host.dispatch(effString2Parameter, 1, 0, two), 1);
    EXPECT_FLOAT_EQ(host.getParameter(1), 2.0f / 3.0f);
    char junk[] = "loud";
    EXPECT_EQ(host.dispatch(effString2Parameter, 0, 0, junk), 0);
    EXPECT_FLOAT_EQ(host.getParameter(0), 0.75f);
    EXPECT_EQ(host.dispatch(effString2Parameter, 0, 0, nullptr), 0);
    EXPECT_EQ(host.dispatch(effString2Parameter, 3, 0, six), 0);
}

TEST_F(Wrapper, PinProperties) {
    VstPinProperties pin;
    std::memset(&pin, 0x5A, sizeof pin);
    EXPECT_EQ(host.dispatch(effGetInputProperties, 0, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 3);
    EXPECT_STREQ(pin.label, "Input 0");
    EXPECT_EQ(static_cast<unsigned char>(pin.shortLabel[0]), 0x5A);  // only what is filled
    EXPECT_EQ(host.dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 1);
    EXPECT_STREQ(pin.label, "Output 1");
    EXPECT_EQ(host.dispatch(effGetInputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(host.dispatch(effGetOutputProperties, -1, 0, &pin), 0);
    EXPECT_EQ(host.dispatch(effGetInputProperties, 0, 0, nullptr), 0);
}

// A client that announces an editor but cannot build one yet gives no size and opens
// nothing; closing is still acknowledged, as hosts close whatever they asked to open.
TEST_F(Wrapper, EditorThatCannotBeBuiltOpensNothingButCloses) {
    EXPECT_TRUE(effect->flags & effFlagsHasEditor);
    ERect* rect = reinterpret_cast<ERect*>(0x1);
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, reinterpret_cast<ERect*>(0x1));
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x400001)), 0);
    EXPECT_EQ(host.dispatch(effEditClose), 1);
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, nullptr), 0);
}

TEST_F(EditorWrapper, CloseIsAcknowledgedWhetherOrNotTheEditorIsOpen) {
    EXPECT_EQ(host.dispatch(effEditClose), 1);  // before anything was built
    ERect* rect = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, 1000);
    EXPECT_EQ(host.dispatch(effEditClose), 1);  // sized, never opened
    auto* graphics = static_cast<testsupport::FakeGraphics*>(client->graphicsAcquire());
    ASSERT_NE(graphics, nullptr);
    client->graphicsRelease();
    const int closesBefore = graphics->closes;
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x400001)), 1);
    EXPECT_EQ(host.dispatch(effEditClose), 1);
    EXPECT_EQ(graphics->opens, 1);
    EXPECT_EQ(graphics->closes, closesBefore + 1);  // the open editor was closed
    EXPECT_EQ(host.dispatch(effEditClose), 1);      // a second close of the same editor
}

TEST_F(NoEditorWrapper, EditorOpcodesAnswerZero) {
    EXPECT_FALSE(effect->flags & effFlagsHasEditor);
    ERect* rect = reinterpret_cast<ERect*>(0x1);
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, reinterpret_cast<ERect*>(0x1));
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x400001)), 0);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
}

TEST_F(Wrapper, StreamSettingsQueueResetsAndRejectBadValues) {
    EXPECT_EQ(host.dispatch(effSetBlockSize, 0, -1), 1);
    EXPECT_EQ(host.dispatch(effSetSampleRate, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(host.dispatch(effSetSampleRate, 0, 0, nullptr, -48000.0f), 0);
    EXPECT_EQ(host.dispatch(effSetSampleRate, 0, 0, nullptr, std::nanf("")), 0);
    EXPECT_EQ(
        host.dispatch(effSetSampleRate, 0, 0, nullptr, std::numeric_limits<float>::infinity()), 0);
    processSilence(64);
    // Only the constructor's reset: none of the refused values queued one.
    ASSERT_EQ(client->resets.size(), 1u);
    EXPECT_EQ(client->resets[0].sampleRate, 44100.0);

    EXPECT_EQ(host.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f), 0);
    EXPECT_EQ(host.dispatch(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(effect->initialDelay, 96);
    EXPECT_EQ(host.dispatch(effMainsChanged, 0, 0), 0);
    processSilence(64);
    ASSERT_EQ(client->resets.size(), 3u);
    EXPECT_EQ(client->resets[1].sampleRate, 96000.0);
    EXPECT_EQ(client->resets[2].sampleRate, 96000.0);
}

TEST_F(Wrapper, SpeakerArrangementChoosesLayoutAndNullIsRefused) {
    EXPECT_EQ(host.dispatch(effSetSpeakerArrangement, 0, 0, nullptr), 1);
    VstSpeakerArrangement in{}, out{};
    in.numChannels = 1;
    out.numChannels = 2;
    EXPECT_EQ(host.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), nullptr),
              1);
    EXPECT_EQ(host.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out),
              0);
    processSilence(32, 1, 2);
    ASSERT_EQ(client->resets.size(), 2u);
    EXPECT_EQ(client->resets[1].inputs, 1);
    EXPECT_EQ(client->resets[1].outputs, 2);
    ASSERT_FALSE(client->processCalls.empty());
    EXPECT_EQ(client->processCalls.back().inputs, 1);
    EXPECT_EQ(client->processCalls.back().outputs, 2);

    in.numChannels = out.numChannels = 6;
    host.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
    processSilence(32, 6, 6);
    EXPECT_EQ(client->resets.back().inputs, 2);
    EXPECT_EQ(client->resets.back().outputs, 2);
}

// Any list is taken, even an empty one; a client without MIDI input just never sees events.
TEST_F(Wrapper, EventListsAreTakenButNotQueuedForAClientWithoutMidi) {
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, nullptr), 0);
    vst2host::MidiEventList list(0x90, 60, 1);
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, list.ptr()), 1);
    VstEvents empty{};
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, &empty), 1);
    processSilence(16);
    EXPECT_EQ(client->midiAtLastProcess, 0);
}

TEST_F(MidiWrapper, EventsReachTheClientAtTheNextProcessingCall) {
    std::vector<VstMidiEvent> notes(4);
    for (int i = 0; i < 4; ++i) {
        notes[i] = {};
        notes[i].type = kVstMidiType;
        notes[i].deltaFrames = 10 - i;
        notes[i].midiData[0] = 0x91;
        notes[i].midiData[1] = static_cast<std::uint8_t>(60 + i);
        notes[i].midiData[2] = 100;
    }
    notes[2].type = kVstSysExType;  // skipped
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[5];
    } list{5, 0, {}};
    for (int i = 0; i < 4; ++i) list.events[i] = reinterpret_cast<VstEvent*>(&notes[i]);
    list.events[4] = nullptr;  // skipped
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, &list), 1);
    list.numEvents = 0;
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, &list), 1);
    processSilence(16);
    EXPECT_EQ(client->midiAtLastProcess, 3);
    const rigging::MidiMessage& first = client->midiQueue().earliest();
    EXPECT_EQ(first.offset, 7);
    EXPECT_EQ(first.status, 0x91);
    EXPECT_EQ(first.data1, 63);
    EXPECT_EQ(first.data2, 100);
}
