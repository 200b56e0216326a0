// The port list: which ports exist and in what order, capacities, the default
// choice and the exact bytes of OutDevList.txt.
#include "sound/PortList.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

TSeqPortInfo SeqPort(int client, int port, std::string clientName, std::string portName,
                     bool writable, bool readable) {
    return {client, port, std::move(clientName), std::move(portName), writable, readable};
}

TPortIdentity Synth(const char* driver) {
    return {TPortKind::SoftwareSynth, driver, -1, -1};
}

std::string Bytes(std::initializer_list<uint8_t> b) {
    return std::string(b.begin(), b.end());
}

} // namespace

TEST(BuildPortList, SynthsInFixedDriverOrderThenWritableSequencerPorts) {
    TPortList list = BuildPortList({"file", "sdl2", "alsa", "oss", "pulseaudio", "alsa"},
                                   {SeqPort(20, 0, "USB Keys", "USB Keys MIDI 1", false, true),
                                    SeqPort(24, 1, "Synth", "Synth port", true, true),
                                    SeqPort(28, 0, "Out only", "Port A", true, false)});
    ASSERT_EQ(list.OutputCount(), 5);
    EXPECT_EQ(list.Output(0).Identity, Synth("pulseaudio"));
    EXPECT_EQ(list.Output(1).Identity, Synth("alsa"));
    EXPECT_EQ(list.Output(2).Identity, Synth("sdl2"));
    EXPECT_EQ(list.Output(0).Description, "软件合成器 (PulseAudio)");
    EXPECT_EQ(list.Output(2).Description, "软件合成器 (SDL2)");
    EXPECT_EQ(list.Output(3).Identity, (TPortIdentity{TPortKind::SequencerPort, "", 24, 1}));
    EXPECT_EQ(list.Output(4).Identity, (TPortIdentity{TPortKind::SequencerPort, "", 28, 0}));
    for (int i = 0; i < list.OutputCount(); ++i)
        EXPECT_EQ(list.Output(i).Class, TPortClass::Output);

    ASSERT_EQ(list.InputCount(), 2);
    EXPECT_EQ(list.Input(0).Identity.Client, 20);
    EXPECT_EQ(list.Input(1).Identity.Client, 24); // both ways: in each part
    EXPECT_EQ(list.Input(0).Class, TPortClass::Input);
    EXPECT_EQ(list.Input(0).Description, "USB Keys MIDI 1");
    EXPECT_EQ(list.Output(4).Description, "Out only: Port A");

    EXPECT_EQ(list.FindOutput({TPortKind::SequencerPort, "", 28, 0}), 4);
    EXPECT_EQ(list.FindOutput(Synth("jack")), -1);
    EXPECT_EQ(list.Output(5).Description, "");
    EXPECT_EQ(list.Input(-1).Description, "");
}

TEST(BuildPortList, PortsNoOneCanSubscribeToAreInNeitherPart) {
    // A port that is neither writable nor readable by subscription (a client's
    // private port) can neither play nor be played from.
    TPortList list = BuildPortList({}, {SeqPort(14, 0, "Private", "Timer", false, false),
                                        SeqPort(20, 0, "Keys", "Keys In", false, true),
                                        SeqPort(20, 1, "Keys", "Keys Private", false, false),
                                        SeqPort(24, 0, "Synth", "Synth Out", true, false)});
    ASSERT_EQ(list.OutputCount(), 1);
    EXPECT_EQ(list.Output(0).Identity, (TPortIdentity{TPortKind::SequencerPort, "", 24, 0}));
    ASSERT_EQ(list.InputCount(), 1);
    EXPECT_EQ(list.Input(0).Identity, (TPortIdentity{TPortKind::SequencerPort, "", 20, 0}));
    EXPECT_EQ(list.FindOutput({TPortKind::SequencerPort, "", 14, 0}), -1);
}

TEST(BuildPortList, EachPartStopsAtItsCapacity) {
    std::vector<TSeqPortInfo> seq;
    for (int i = 0; i < 30; ++i)
        seq.push_back(SeqPort(100 + i, 0, "C", "P", true, true));
    TPortList list = BuildPortList({"pulseaudio", "alsa"}, seq);
    ASSERT_EQ(list.OutputCount(), TPortList::OutputCapacity);
    EXPECT_EQ(list.Output(23).Identity.Client, 100 + 21); // two synths, then 22 ports
    ASSERT_EQ(list.InputCount(), TPortList::InputCapacity);
    EXPECT_EQ(list.Input(23).Identity.Client, 100 + 23);

    EXPECT_FALSE(list.Add({"one more", Synth("jack"), TPortClass::Output}));
    EXPECT_EQ(list.FindOutput(Synth("jack")), -1);
    list.Clear();
    EXPECT_EQ(list.OutputCount(), 0);
    EXPECT_EQ(list.InputCount(), 0);
    EXPECT_TRUE(list.Add({"input", {TPortKind::SequencerPort, "", 1, 2}, TPortClass::Input}));
    EXPECT_EQ(list.InputCount(), 1);
    EXPECT_EQ(list.OutputCount(), 0);
}

TEST(SequencerPortDescription, NamesTheClientUnlessThePortAlreadyDoes) {
    EXPECT_EQ(SequencerPortDescription(SeqPort(14, 0, "Midi Through", "Midi Through Port-0", 1, 1)),
              "Midi Through Port-0");
    EXPECT_EQ(SequencerPortDescription(SeqPort(20, 0, "E-MU", "Synth A", 1, 0)), "E-MU: Synth A");
    EXPECT_EQ(SequencerPortDescription(SeqPort(20, 0, "E-MU", "", 1, 0)), "E-MU");
    EXPECT_EQ(SequencerPortDescription(SeqPort(20, 0, "", "Port", 1, 0)), "Port");
}

TEST(DefaultOutputPortIndex, SoftwareSynthOnTheDesktopsUsualDriver) {
    TPortList all = BuildPortList({"pulseaudio", "alsa", "jack"}, {});
    EXPECT_EQ(DefaultOutputPortIndex(all, true), 0);
    EXPECT_EQ(DefaultOutputPortIndex(all, false), 1);

    TPortList noAlsa = BuildPortList({"pulseaudio", "jack", "sdl2"}, {});
    EXPECT_EQ(DefaultOutputPortIndex(noAlsa, true), 0);
    EXPECT_EQ(DefaultOutputPortIndex(noAlsa, false), 1); // JACK, never PulseAudio without a server

    TPortList pulseOnly = BuildPortList({"pulseaudio"}, {});
    EXPECT_EQ(DefaultOutputPortIndex(pulseOnly, true), 0);
    EXPECT_EQ(DefaultOutputPortIndex(pulseOnly, false), -1);

    // External synthesisers are opened only when asked for by number.
    TPortList external = BuildPortList({}, {SeqPort(20, 0, "Ext", "Ext 1", true, false)});
    EXPECT_EQ(DefaultOutputPortIndex(external, true), -1);
    EXPECT_EQ(DefaultOutputPortIndex(TPortList{}, true), -1);
}

TEST(OutDevList, IndexTwoBlanksDescriptionInCodePage936EndedByCrLf) {
    TPortList list = BuildPortList({"alsa"}, {SeqPort(20, 0, "钢琴", "外部合成器", true, false),
                                              SeqPort(21, 0, "X", "Keys 🎹", true, false)});
    // 软件合成器 = C8ED BCFE BACF B3C9 C6F7; 钢琴 = B8D6 C7D9; 外部 = CDE2 B2BF;
    // the emoji has no code page 936 form.
    std::string expected =
        "0:  " + Bytes({0xC8, 0xED, 0xBC, 0xFE, 0xBA, 0xCF, 0xB3, 0xC9, 0xC6, 0xF7}) +
        " (ALSA)\r\n1:  " + Bytes({0xB8, 0xD6, 0xC7, 0xD9}) + ": " +
        Bytes({0xCD, 0xE2, 0xB2, 0xBF, 0xBA, 0xCF, 0xB3, 0xC9, 0xC6, 0xF7}) +
        "\r\n2:  X: Keys ?\r\n";
    EXPECT_EQ(OutDevListText(list), expected);
    EXPECT_EQ(OutDevListText(TPortList{}), "");

    std::vector<TSeqPortInfo> many;
    for (int i = 0; i < 12; ++i)
        many.push_back(SeqPort(30 + i, 0, "", "P", true, false));
    std::string text = OutDevListText(BuildPortList({}, many));
    EXPECT_NE(text.find("\r\n9:  P\r\n10:  P\r\n11:  P\r\n"), std::string::npos);
}

TEST(OutDevList, FileIsReplacedWholeAndNothingElseIsLeft) {
    TTempDir dir;
    dir.WriteText(OutDevListFileName, "an older, much longer list that must go away\r\n");
    TPortList list = BuildPortList({"pulseaudio", "alsa"}, {});
    ASSERT_TRUE(WriteOutDevList(list, dir.Path(OutDevListFileName)));
    std::vector<uint8_t> bytes = dir.Read(OutDevListFileName);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), OutDevListText(list));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{OutDevListFileName});

    EXPECT_FALSE(WriteOutDevList(list, dir.Path("missing/OutDevList.txt")));
}
