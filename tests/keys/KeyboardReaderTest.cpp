// The keyboard reader with its real worker thread: what a source reports becomes
// posted key messages, in order, once per change.
#include "keys/EvdevKeyCodes.h"
#include "keys/KTDIKeyBoard.h"
#include "keys/KeyTable.h"
#include "keys/platform/EvdevKeyboard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <linux/input-event-codes.h>
#include <mutex>
#include <tuple>
#include <vector>

namespace {

using TMessage = std::tuple<int, int, int>; // message, code, key index
using TSource = TKeyboardState::TSource;

// Collects what the worker posts, as the main window's queue would.
class TMessages {
public:
    TKTDIKeyBoard::TPostMessage Poster() {
        return [this](int message, int code, int keyIndex) {
            std::lock_guard lock(Mutex);
            Posted.emplace_back(message, code, keyIndex);
            Arrived.notify_all();
        };
    }
    // The first n messages, waiting for them (a failure after 5 s, not a timing).
    std::vector<TMessage> WaitFor(size_t n) {
        std::unique_lock lock(Mutex);
        Arrived.wait_for(lock, std::chrono::seconds(5), [&] { return Posted.size() >= n; });
        return Posted;
    }
    // Everything posted once the worker has scanned what is pending: a wake-up
    // makes one more scan, which posts nothing new by itself.
    std::vector<TMessage> Settled(TKTDIKeyBoard& reader, size_t atLeast) {
        WaitFor(atLeast);
        reader.Device().Wake();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::lock_guard lock(Mutex);
        return Posted;
    }

private:
    std::mutex Mutex;
    std::condition_variable Arrived;
    std::vector<TMessage> Posted;
};

struct TReader {
    TReader() : Reader(Messages.Poster()) {
        Reader.SetActive(true);
        Reader.Acquire();
    }
    void Key(int code, bool down) { Reader.Device().SetKey(TSource::WindowKeys, code, down); }
    TMessages Messages;
    TKTDIKeyBoard Reader;
};

} // namespace

TEST(KeyboardReader, APressAndItsReleaseArePostedOnceEach) {
    TReader r;
    r.Key(DIK::Q, true);
    r.Key(DIK::Q, true); // still held: a repeat from a source changes nothing
    EXPECT_EQ(r.Messages.Settled(r.Reader, 1), (std::vector<TMessage>{{WM_DIKEYDOWN, 0x10, 29}}));
    r.Key(DIK::Q, false);
    r.Messages.WaitFor(2);
    r.Key(0x9C, true); // keypad Enter
    r.Messages.WaitFor(3);
    r.Key(0x9C, false);
    EXPECT_EQ(r.Messages.Settled(r.Reader, 4), (std::vector<TMessage>{{WM_DIKEYDOWN, 0x10, 29},
                                                                      {WM_DIKEYUP, 0x10, 29},
                                                                      {WM_DIKEYDOWN, 0x9C, 104},
                                                                      {WM_DIKEYUP, 0x9C, 104}}));
}

TEST(KeyboardReader, ATapQuickerThanTheReaderIsStillPostedWhole) {
    TReader r;
    r.Reader.SetActive(false); // the reader scans nothing while the keys move
    r.Key(DIK::Q, true);
    r.Key(DIK::Q, false);
    r.Key(DIK::W, true);
    r.Key(DIK::W, false);
    r.Key(DIK::W, true); // struck again, and held
    r.Reader.SetActive(true);
    const int q = KeyIndexOfCode(DIK::Q), w = KeyIndexOfCode(DIK::W);
    EXPECT_EQ(r.Messages.Settled(r.Reader, 3),
              (std::vector<TMessage>{
                  {WM_DIKEYDOWN, DIK::Q, q}, {WM_DIKEYUP, DIK::Q, q}, {WM_DIKEYDOWN, DIK::W, w}}));
    // Let go and struck again between two scans: the end, then the new stroke.
    r.Reader.SetActive(false);
    r.Key(DIK::W, false);
    r.Key(DIK::W, true);
    r.Reader.SetActive(true);
    const auto posted = r.Messages.Settled(r.Reader, 5);
    ASSERT_EQ(posted.size(), 5u);
    EXPECT_EQ(posted[3], (TMessage{WM_DIKEYUP, DIK::W, w}));
    EXPECT_EQ(posted[4], (TMessage{WM_DIKEYDOWN, DIK::W, w}));
}

TEST(KeyboardReader, KeysOutsideTheTableAreNeverPosted) {
    TReader r;
    r.Key(DIK::NUMPADEQUALS, true);
    r.Key(DIK::NUMPADEQUALS, false);
    r.Key(DIK::A, true);
    EXPECT_EQ(r.Messages.Settled(r.Reader, 1),
              (std::vector<TMessage>{{WM_DIKEYDOWN, DIK::A, KeyIndexOfCode(DIK::A)}}));
}

TEST(KeyboardReader, KeysChangedTogetherArePostedInCodeOrder) {
    TReader r;
    r.Reader.SetActive(false);
    r.Key(DIK::S, true);
    r.Key(DIK::A, true);
    std::array<uint8_t, 256> state{};
    ASSERT_EQ(r.Reader.ReadState(state), 0);
    EXPECT_EQ(state[DIK::A], 0x80);
    EXPECT_EQ(state[DIK::S], 0x80);
    r.Reader.SetActive(true); // one scan sees both
    const auto posted = r.Messages.Settled(r.Reader, 2);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(std::get<1>(posted[0]), 0x1E);
    EXPECT_EQ(std::get<1>(posted[1]), 0x1F);
}

TEST(KeyboardReader, ModifiersChangedWithOtherKeysGoDownFirstAndUpLast) {
    // Ctrl+R and another modifier typed within one scan: the modifiers come before R
    // (0x13) going down and after it going up, or R would be a note. The left and
    // the right-hand ones (codes far above R's) alike.
    const struct {
        int First, Second; // two modifiers, in code order
    } hands[] = {
        {DIK::LCONTROL, DIK::LSHIFT}, {DIK::RSHIFT, DIK::RCONTROL}, {DIK::LSHIFT, DIK::RMENU}};
    for (const auto& h : hands) {
        SCOPED_TRACE(testing::Message() << h.First << " and " << h.Second);
        TReader r;
        r.Reader.SetActive(false);
        r.Key(h.First, true);
        r.Key(DIK::R, true);
        r.Key(h.Second, true);
        r.Reader.SetActive(true);
        r.Messages.WaitFor(3);
        r.Reader.SetActive(false);
        r.Key(h.First, false);
        r.Key(h.Second, false);
        r.Key(DIK::R, false);
        r.Reader.SetActive(true);
        std::vector<std::pair<int, int>> order;
        for (const auto& [message, code, keyIndex] : r.Messages.Settled(r.Reader, 6))
            order.emplace_back(message, code);
        EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{WM_DIKEYDOWN, h.First},
                                                           {WM_DIKEYDOWN, h.Second},
                                                           {WM_DIKEYDOWN, DIK::R},
                                                           {WM_DIKEYUP, DIK::R},
                                                           {WM_DIKEYUP, h.First},
                                                           {WM_DIKEYUP, h.Second}}));
    }
}

TEST(KeyboardReader, LosingTheWindowReleasesEveryHeldKey) {
    TReader r;
    r.Key(DIK::Q, true);
    r.Reader.Device().SetKey(TSource::Evdev, DIK::W, true);
    r.Messages.WaitFor(2);
    r.Reader.Unacquire();
    auto posted = r.Messages.Settled(r.Reader, 4);
    ASSERT_EQ(posted.size(), 4u);
    EXPECT_EQ(posted[2], (TMessage{WM_DIKEYUP, DIK::Q, KeyIndexOfCode(DIK::Q)}));
    EXPECT_EQ(posted[3], (TMessage{WM_DIKEYUP, DIK::W, KeyIndexOfCode(DIK::W)}));
    // Presses while another window is active are not read; a stray release of a key
    // no longer held posts nothing.
    r.Key(DIK::E, true);
    r.Key(DIK::Q, false);
    EXPECT_EQ(r.Messages.Settled(r.Reader, 4).size(), 4u);
    r.Reader.Acquire();
    r.Key(DIK::E, true);
    EXPECT_EQ(r.Messages.Settled(r.Reader, 5).back(),
              (TMessage{WM_DIKEYDOWN, DIK::E, KeyIndexOfCode(DIK::E)}));
}

TEST(KeyboardReader, AKeyHeldByBothSourcesIsUpWhenBothLetGo) {
    TReader r;
    r.Key(DIK::Z, true);
    r.Reader.Device().SetKey(TSource::Evdev, DIK::Z, true);
    r.Key(DIK::Z, false);
    EXPECT_EQ(r.Messages.Settled(r.Reader, 1).size(), 1u);
    r.Reader.Device().SetKey(TSource::Evdev, DIK::Z, false);
    EXPECT_EQ(std::get<0>(r.Messages.Settled(r.Reader, 2).back()), WM_DIKEYUP);
}

TEST(KeyboardReader, DestructionEndsAWaitingWorkerAndPostsNothing) {
    // A reader that nothing wakes is still destroyed (this test hangs if not).
    TMessages messages;
    {
        TKTDIKeyBoard reader(messages.Poster());
        reader.Acquire();
        reader.Device().SetKey(TSource::WindowKeys, DIK::Q, true); // never activated
    }
    EXPECT_TRUE(messages.WaitFor(0).empty());
}

TEST(EvdevKeys, CodesBecomeTheKeyTablesNumbering) {
    EXPECT_EQ(DikOfEvdevCode(KEY_ESC), DIK::ESCAPE);
    EXPECT_EQ(DikOfEvdevCode(KEY_Q), DIK::Q);
    EXPECT_EQ(DikOfEvdevCode(KEY_KPDOT), 0x53);
    EXPECT_EQ(DikOfEvdevCode(KEY_102ND), DIK::OEM_102);
    EXPECT_EQ(DikOfEvdevCode(KEY_F12), DIK::F12);
    EXPECT_EQ(DikOfEvdevCode(KEY_KPENTER), 0x9C);
    EXPECT_EQ(DikOfEvdevCode(KEY_RIGHTCTRL), 0x9D);
    EXPECT_EQ(DikOfEvdevCode(KEY_HOME), 0xC7);
    EXPECT_EQ(DikOfEvdevCode(KEY_PAGEDOWN), 0xD1);
    EXPECT_EQ(DikOfEvdevCode(KEY_LEFTMETA), 0xDB);
    EXPECT_EQ(DikOfEvdevCode(KEY_COMPOSE), 0xDD);
    EXPECT_EQ(DikOfEvdevCode(KEY_WAKEUP), 0xE3);
    EXPECT_EQ(DikOfEvdevCode(KEY_ZENKAKUHANKAKU), -1);
    EXPECT_EQ(DikOfEvdevCode(0), -1);
    EXPECT_EQ(DikOfEvdevCode(KEY_MUTE), -1);
    // Every key of the table is reachable from some evdev code.
    for (int code = 0; code < 256; ++code) {
        if (KeyIndexOfCode(code) < 0) continue;
        bool found = false;
        for (int ev = 0; ev < 256 && !found; ++ev)
            found = DikOfEvdevCode(ev) == code;
        EXPECT_TRUE(found) << "no evdev key for code " << code;
    }
}

TEST(EvdevKeys, PressesAndReleasesReachTheStateButRepeatsDoNot) {
    TKeyboardState state;
    state.SetAcquired(true);
    TEvdevKeyboard evdev(state);
    std::array<uint8_t, 256> now{};
    evdev.HandleEvent(EV_KEY, KEY_Q, 1);
    evdev.HandleEvent(EV_KEY, KEY_KPENTER, 1);
    evdev.HandleEvent(EV_MSC, MSC_SCAN, 16);
    state.Read(now);
    EXPECT_EQ(now[DIK::Q], 0x80);
    EXPECT_EQ(now[0x9C], 0x80);
    evdev.HandleEvent(EV_KEY, KEY_Q, 0);
    evdev.HandleEvent(EV_KEY, KEY_KPENTER, 2); // auto-repeat: ignored
    state.Read(now);
    EXPECT_EQ(now[DIK::Q], 0);
    EXPECT_EQ(now[0x9C], 0x80);
    // Starting where no keyboard can be read fails without harm.
    if (!TEvdevKeyboard::Readable()) {
        EXPECT_FALSE(evdev.Start());
    }
}
