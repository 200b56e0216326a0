// Recording fakes of everything the performance controller speaks to, and a fixture
// that builds a controller over them as the main window does at start-up.
#pragma once

#include "controller/PerformanceController.h"
#include "fakes/FakeSynthesizer.h"
#include "fakes/FakeTickClock.h"
#include "sound/VoiceList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using TJournal = std::vector<std::string>;

// "1/4L", "2#/5R": degree, accidental, octave and keyboard of a note slot.
inline std::string NoteText(const TKeyNote& n) {
    std::string s = std::to_string(n.Degree);
    if (n.Accidental == 1) s += '#';
    if (n.Accidental == 2) s += 'b';
    return s + "/" + std::to_string(n.Octave) + (n.IsLeft() ? "L" : "R");
}

class TFakePCKeyboard final : public IPCKeyboardView {
public:
    explicit TFakePCKeyboard(TJournal& j) : J(j) {}
    void SetKeyState(int k, bool pressed) override {
        J.push_back("pc " + std::to_string(k) + (pressed ? " down" : " up"));
    }
    void ReleaseAll() override { J.push_back("pc release all"); }
    void RefreshAllKeys() override { J.push_back("pc refresh"); }
    void LeftOctaveChanged(int s) override { J.push_back("pc left octave " + std::to_string(s)); }
    void RightOctaveChanged(int s) override { J.push_back("pc right octave " + std::to_string(s)); }
    void SetSixKeyLabels(bool on) override { J.push_back(on ? "pc six on" : "pc six off"); }
    TJournal& J;
};

class TFakeStrip final : public IPianoStrip {
public:
    TFakeStrip(TJournal& j, const char* name) : J(j), Name(name) {}
    void SetKeyState(int p, bool pressed) override {
        J.push_back(Name + " " + std::to_string(p) + (pressed ? " down" : " up"));
    }
    void ReleaseAll() override { J.push_back(Name + " release all"); }
    TJournal& J;
    std::string Name;
};

class TFakeStaff final : public IStaffView {
public:
    explicit TFakeStaff(TJournal& j) : J(j) {}
    void ShowChord(const THeldChord& chord, int transpose) override {
        std::string s = "chord " + std::to_string(transpose) + ":";
        for (int i = 0; i < chord.Count; ++i)
            s += " " + NoteText(chord.Notes[i]);
        J.push_back(s);
        Last = chord;
    }
    void ShowSingleNote(int note, uint8_t keyboard, int velocity, int transpose) override {
        J.push_back("note " + std::to_string(note) + " kb " + std::to_string(keyboard) + " v " +
                    std::to_string(velocity) + " t " + std::to_string(transpose));
    }
    void ClearNotes() override { J.push_back("staff clear"); }
    void SetKeySignature(int code) override { J.push_back("signature " + std::to_string(code)); }
    TJournal& J;
    THeldChord Last;
};

class TFakeBoxes final : public IValueBoxes {
public:
    void ShowValue(TValueBox box, std::string_view text) override {
        Text[static_cast<int>(box)] = std::string(text);
    }
    std::string Of(TValueBox box) const { return Text[static_cast<int>(box)]; }
    std::string Text[7];
};

class TFakeWindow final : public IMainWindow {
public:
    explicit TFakeWindow(TJournal& j) : J(j) {}
    void ConfineCursor(int x, int y) override {
        J.push_back("confine " + std::to_string(x) + "," + std::to_string(y));
    }
    void ReleaseCursor() override { J.push_back("release cursor"); }
    void SetCursorShape(TCursorShape s) override {
        J.push_back(s == TCursorShape::LeftHand    ? "cursor left"
                    : s == TCursorShape::RightHand ? "cursor right"
                                                   : "cursor default");
    }
    void OpenKeyEditor(int k) override { J.push_back("editor " + std::to_string(k)); }
    TJournal& J;
};

class TFakeAccomp final : public IAccompaniment {
public:
    explicit TFakeAccomp(TJournal& j) : J(j) {}
    void SetStart(bool on) override { J.push_back(on ? "accomp start" : "accomp stop"); }
    int APercussVolume() const override { return Volume; }
    void SetAPercussVolume(int v) override {
        J.push_back("percussion " + std::to_string(v));
        Volume = v;
    }
    void SetAccompStyleIndex(int i) override { J.push_back("accomp style " + std::to_string(i)); }
    int AccompStyleGroupNum() const override { return Group; }
    void SetAccompStyleGroupNum(int g) override {
        J.push_back("accomp group " + std::to_string(g));
        Group = g;
    }
    TJournal& J;
    int Volume = 60;
    int Group = 0;
};

class TFakeTempo final : public ITempoClock {
public:
    explicit TFakeTempo(TJournal& j) : J(j) {}
    void SetActive(bool on) override { J.push_back(on ? "tempo on" : "tempo off"); }
    bool Subscribe(std::string_view name, uint16_t mask, TAction) override {
        J.push_back("subscribe " + std::string(name) + " " + std::to_string(mask));
        return true;
    }
    bool Unsubscribe(std::string_view name) override {
        J.push_back("unsubscribe " + std::string(name));
        return true;
    }
    TJournal& J;
};

class TFakeCommands final : public ICommandTable {
public:
    explicit TFakeCommands(TJournal& j) : J(j) {}
    void DoCommand(uint8_t code, uint8_t m) override {
        J.push_back("command " + std::to_string(code) + " " + std::to_string(m));
    }
    TJournal& J;
};

// Song commands that switch the recorder as the main window's would.
class TFakeSongs final : public ISongCommands {
public:
    TFakeSongs(TJournal& j, TSimpleRecorder& r) : J(j), Rec(r) {}
    void SetSongRecording(bool on) override {
        J.push_back(on ? "song recording on" : "song recording off");
        Rec.SetRecording(on);
    }
    void SetSongPlaying(bool on) override {
        J.push_back(on ? "song playing on" : "song playing off");
        Rec.SetPlaying(on);
    }
    TJournal& J;
    TSimpleRecorder& Rec;
};

// Voice list of the tests: programs 0, 1, 2 and 126 of bank 65, a bank-1 variation
// and the drum kit last, as a sorted built-in set lists them.
inline void FillTestVoices(TVoiceList& voices) {
    voices.Clear();
    const uint32_t patches[] = {MakePatch(65, 0, 0), MakePatch(65, 0, 1),
                                MakePatch(65, 0, 2), MakePatch(65, 0, 126),
                                MakePatch(65, 1, 0), MakePatch(0, 0, 0, true)};
    int i = 0;
    for (uint32_t p : patches)
        voices.Add(TVoiceEntry{i++, p, "voice", 0, 0});
}

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadDefaultKeyDefs();
        FillTestVoices(Voices);
        Synth.Journal = &J;
        // The main window's start-up order.
        Ctl.SetPerformerDefaults();
        Ctl.SelectRightVoice(0);
        Ctl.SelectLeftVoice(0);
        Ctl.ConnectRecorder();
        Reset();
    }

    // Forget what happened so far.
    void Reset() {
        J.clear();
        Synth.Messages.clear();
    }
    // A key going down or up on the PC keyboard, as the reader posts it.
    void Press(int code) { Ctl.WMDIKeyDown(code, KeyIndexOfCode(code)); }
    void Release(int code) { Ctl.WMDIKeyUp(code, KeyIndexOfCode(code)); }
    void Tap(int code) {
        Press(code);
        Release(code);
    }
    std::vector<std::string> MidiSent() const {
        std::vector<std::string> out;
        for (const TMidiMessage& m : Synth.Messages)
            out.push_back(MidiText(m));
        return out;
    }

    TJournal J;
    TFakeClock Clock;
    TFakeSynthesizer Synth;
    TSimpleRecorder Recorder{Clock};
    TFakePCKeyboard PC{J};
    TFakeStrip LeftStrip{J, "left"};
    TFakeStrip RightStrip{J, "right"};
    TFakeStaff Staff{J};
    TFakeBoxes Boxes;
    TFakeWindow Window{J};
    TFakeAccomp Accomp{J};
    TFakeTempo Tempo{J};
    TFakeCommands Commands{J};
    TFakeSongs Songs{J, Recorder};
    TVoiceList Voices;
    TPerformanceController Ctl{Synth, Recorder, Clock, Voices,
                               TControllerPorts{&PC, &LeftStrip, &RightStrip, &Staff, &Boxes,
                                                &Window, &Accomp, &Tempo, &Commands, &Songs}};
};
