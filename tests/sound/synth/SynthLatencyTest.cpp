// The wrapper's latency clock through its offline port: a clock of the test's own
// stands for the monotonic clock, and each RenderOffline call is one driver period
// that starts at that clock's time, so that notes sent at known samples can be found
// in the rendered sound at exactly the samples they are due.
#include "AudioMeasure.h"
#include "OfflineSynth.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr int Rate = TKTDirectMusic::SampleRate;

int64_t NanosOf(int64_t sample) {
    return std::llround(double(sample) * 1e9 / Rate);
}

// Three voices at their own pitches: program 0, 1 and 2, note 69 at 441, 882 and
// 1764 Hz.
TDlsCollection ThreeVoices() {
    TDlsCollection c = SineCollection(TimeCents(0.05), 0);
    c.Instruments.push_back(SineCollection(TimeCents(0.05), 1, false, 57).Instruments[0]);
    c.Instruments.push_back(SineCollection(TimeCents(0.05), 2, false, 45).Instruments[0]);
    return c;
}

// A synthesiser with its own clock and every period's sound kept.
struct TClockedSynth {
    explicit TClockedSynth(uint32_t latency) : Synth(Voices, Setup(Now)) {
        EXPECT_TRUE(Synth.OpenOfflinePort());
        EXPECT_TRUE(Synth.LoadVoiceSetFromMemory(Image(ThreeVoices())));
        Synth.SetReverbLevel(0);
        EXPECT_TRUE(Synth.SetWriteLatency(latency));
        EXPECT_TRUE(Synth.SetWritePeriod(latency / 2));
        for (uint8_t ch = 0; ch < 3; ++ch)
            EXPECT_TRUE(Synth.SetPatch(ch, MakePatch(65, 0, 0)));
    }
    static TKTDirectMusicSetup Setup(std::atomic<int64_t>& now) {
        TKTDirectMusicSetup setup = TKTDirectMusicSetup::Offline();
        setup.Clock = [&now] { return now.load(); };
        return setup;
    }
    // The clock at sample `sample`: the moment a message is sent.
    void At(int64_t sample) { Now = NanosOf(sample); }
    // Periods until `sample` has been rendered, each starting at its own time.
    void RenderUntil(int64_t sample) {
        const int period = Synth.DriverPeriodFrames();
        std::vector<float> l(static_cast<size_t>(period)), r(l.size());
        while (int64_t(Sound.size()) < sample) {
            At(int64_t(Sound.size()));
            ASSERT_TRUE(Synth.RenderOffline(l, r));
            for (size_t i = 0; i < l.size(); ++i)
                Sound.push_back(l[i] + r[i]);
        }
    }

    std::atomic<int64_t> Now{0};
    TVoiceList Voices;
    TKTDirectMusic Synth;
    std::vector<float> Sound;
};

// A note joining others is found by its shape: the first samples of note 69 of
// program 0 started alone at the beginning of a render.
std::vector<float> NoteShape() {
    TVoiceList voices;
    TOfflineSynth synth(voices);
    EXPECT_TRUE(synth.LoadVoiceSetFromMemory(Image(ThreeVoices())));
    synth.SetReverbLevel(0);
    EXPECT_TRUE(synth.SetPatch(0, MakePatch(65, 0, 0)));
    std::vector<float> l(1000), r(1000);
    EXPECT_TRUE(synth.RenderOffline(l, r));
    synth.NoteOn(0, 69, 100);
    l.resize(300);
    r.resize(300);
    EXPECT_TRUE(synth.RenderOffline(l, r));
    for (size_t i = 0; i < l.size(); ++i)
        l[i] += r[i];
    return l;
}

// The frame in [from, to) at which `shape` starts in `sound`: where it fits best,
// and it must fit closely.
int64_t Onset(const std::vector<float>& sound, int64_t from, int64_t to) {
    static const std::vector<float> shape = NoteShape();
    const double energy = audio::Energy(shape);
    EXPECT_GT(energy, 0);
    int64_t best = -1;
    double bestError = 0;
    for (int64_t k = std::max<int64_t>(from, 0); k < to; ++k) {
        if (size_t(k) + shape.size() > sound.size()) break;
        double error = 0;
        for (size_t i = 0; i < shape.size(); ++i) {
            const double d = sound[size_t(k) + i] - shape[i];
            error += d * d;
        }
        if (best < 0 || error < bestError) best = k, bestError = error;
    }
    EXPECT_LT(bestError, energy * 1e-6) << "the note is there at " << best;
    return best;
}

// What `with` holds that `without` does not.
std::vector<float> Added(const std::vector<float>& with, const std::vector<float>& without) {
    std::vector<float> d(with.size());
    for (size_t i = 0; i < d.size(); ++i)
        d[i] = with[i] - without[i];
    return d;
}

// Silence: not a sample off zero.
bool Silent(const std::vector<float>& sound, int64_t from) {
    return std::all_of(sound.begin() + long(from), sound.end(), [](float v) { return v == 0; });
}

// Where sound starts after silence: the first sample off zero from `from` on.
int64_t FirstSound(const std::vector<float>& sound, int64_t from = 0) {
    for (size_t i = size_t(from); i < sound.size(); ++i)
        if (sound[i] != 0) return int64_t(i);
    return -1;
}

// A chord of three notes sent at the given samples, each on its own channel; the
// render holds as many of them as `notes` says.
std::vector<float> Chord(const std::array<int64_t, 3>& sent, int notes, int* delay = nullptr) {
    TClockedSynth s(10);
    for (int i = 0; i < notes; ++i) {
        s.RenderUntil(sent[i]);
        s.At(sent[i]);
        EXPECT_TRUE(s.Synth.NoteOn(static_cast<uint8_t>(i), 69, 100));
    }
    s.RenderUntil(12000);
    if (delay) *delay = s.Synth.LatencyDelayFrames();
    return s.Sound;
}

} // namespace

TEST(SynthLatency, AChordSentAtKnownSamplesStartsOneDelayLater) {
    // Latency 10 ms runs 64-frame driver periods; the notes are sent at frames that
    // fall within periods, and each sounds one delay after it was sent. The first
    // leaves silence exactly then; a note joining a sounding chord starts with
    // FluidSynth's next 64-frame block from there.
    const std::array<int64_t, 3> sent{1000, 1000 + 640, 1700};
    int delay = 0;
    const std::vector<float> one = Chord(sent, 1, &delay);
    const std::vector<float> two = Chord(sent, 2);
    const std::vector<float> three = Chord(sent, 3);
    EXPECT_EQ(delay, 64) << "one period: the periods come exactly on time";
    EXPECT_LE(delay, 441) << "never more than the latency";

    EXPECT_EQ(FirstSound(one), sent[0] + delay);
    EXPECT_EQ(Onset(one, 0, 3000), sent[0] + delay);
    EXPECT_EQ(Onset(Added(two, one), 0, 3000), sent[1] + delay);
    const int64_t due = sent[2] + delay;
    const int64_t block = sent[0] + delay + (due - sent[0] - delay + 63) / 64 * 64;
    EXPECT_EQ(Onset(Added(three, two), 0, 3000), block);
    EXPECT_LT(block - due, 64);
}

TEST(SynthLatency, MessagesKeepTheirOrderWhateverTheirStamps) {
    // A program change sent after a note-on but stamped earlier (another thread took
    // its time first) still reaches the synthesiser after it: the note keeps the
    // voice it was played with, and a note-off stamped before its note-on still ends it.
    TClockedSynth s(40);
    s.RenderUntil(4000);
    s.At(4100);
    s.Synth.NoteOn(0, 69, 100);
    s.At(4050);
    s.Synth.SendShortMessage(0xC0, 2, 0);
    s.Synth.NoteOff(0, 69);
    s.RenderUntil(4000 + Rate / 2);
    EXPECT_EQ(s.Synth.ActiveVoiceCount(), 0) << "the note-off came after its note-on";
    EXPECT_EQ(FirstSound(s.Sound), 4100 + s.Synth.LatencyDelayFrames())
        << "played with the voice it was sent for";

    // The channel's next note plays the new voice: two octaves above program 0.
    s.At(int64_t(s.Sound.size()));
    s.Synth.NoteOn(0, 69, 100);
    const size_t from = s.Sound.size();
    s.RenderUntil(int64_t(from) + Rate / 4);
    const std::vector<float> tail(s.Sound.begin() + long(from), s.Sound.end());
    EXPECT_GT(audio::PeakHz(tail, Rate), 1700);
}

TEST(SynthLatency, AMessageWhoseTimeHasPassedPlaysAtOnce) {
    TClockedSynth s(10);
    s.RenderUntil(2200);
    const int64_t next = int64_t(s.Sound.size());
    ASSERT_GE(next, 2200);
    // Stamped at sample 1000, due at 1064, but handed over only after 2200.
    s.At(1000);
    s.Synth.NoteOn(0, 69, 100);
    s.RenderUntil(4000);
    EXPECT_EQ(FirstSound(s.Sound), next) << "the first frame of the next period";
}

TEST(SynthLatency, AtRestNothingIsRenderedAndTheNextNoteIsNotLate) {
    TClockedSynth s(10);
    EXPECT_TRUE(s.Synth.RenderingAtRest()) << "nothing sounded yet";
    s.At(0);
    s.Synth.NoteOn(0, 69, 100);
    s.RenderUntil(Rate / 10);
    EXPECT_FALSE(s.Synth.RenderingAtRest());
    s.At(Rate / 10);
    s.Synth.NoteOff(0, 69);
    // The voice ends after 50 ms; with the reverb's shortest room the tail allowance
    // is 1.2 s.
    s.RenderUntil(Rate);
    EXPECT_EQ(s.Synth.ActiveVoiceCount(), 0);
    EXPECT_FALSE(s.Synth.RenderingAtRest()) << "the effects' tails are still allowed for";
    s.RenderUntil(2 * Rate);
    EXPECT_TRUE(s.Synth.RenderingAtRest());
    const int64_t quiet = int64_t(s.Sound.size());
    s.RenderUntil(quiet + Rate / 2);
    EXPECT_TRUE(Silent(s.Sound, quiet)) << "silence, exactly";

    const int64_t sent = int64_t(s.Sound.size()) + 77;
    s.RenderUntil(sent);
    s.At(sent);
    s.Synth.NoteOn(0, 69, 100);
    s.RenderUntil(sent + Rate / 10);
    EXPECT_FALSE(s.Synth.RenderingAtRest());
    const int64_t due = sent + s.Synth.LatencyDelayFrames();
    EXPECT_EQ(FirstSound(s.Sound, quiet), due);
}

TEST(SynthLatency, KeysAndTheTempoClockScheduleAtOnceWhileItRenders) {
    // Two sending threads and the rendering thread share no lock; run under the
    // thread sanitizer too. Every message arrives in its thread's order: each note
    // ends.
    std::atomic<int64_t> now{0};
    TVoiceList voices;
    TKTDirectMusic synth(voices, TClockedSynth::Setup(now));
    ASSERT_TRUE(synth.OpenOfflinePort());
    ASSERT_TRUE(synth.LoadVoiceSetFromMemory(Image(ThreeVoices())));
    ASSERT_TRUE(synth.SetWriteLatency(10));
    ASSERT_TRUE(synth.SetWritePeriod(5));
    ASSERT_TRUE(synth.SetPatch(4, MakePatch(65, 0, 2)));

    // The senders keep to about a note each a period, as hands and a beat do: neither
    // side runs more than a period ahead of the other.
    constexpr int Notes = 1500;
    std::atomic<bool> sending{true};
    std::atomic<int> periods{0}, keys{0}, beats{0};
    std::thread renderer([&] {
        std::vector<float> l(221), r(221);
        int64_t rendered = 0;
        while (sending) {
            if (std::min(keys.load(), beats.load()) + 1 < periods) {
                std::this_thread::yield();
                continue;
            }
            now = NanosOf(rendered);
            synth.RenderOffline(l, r);
            rendered += 221;
            ++periods;
        }
    });
    auto pace = [&](int i) {
        while (periods < i)
            std::this_thread::yield();
    };
    std::thread tempo([&] {
        for (int i = 0; i < Notes; ++i) {
            pace(i);
            synth.NoteOn(4, static_cast<uint8_t>(36 + i % 12), 100);
            synth.NoteOff(4, static_cast<uint8_t>(36 + i % 12));
            beats = i + 1;
        }
        beats = Notes * 2; // done: the renderer need not wait for it
    });
    for (int i = 0; i < Notes; ++i) {
        pace(i);
        synth.SetPatch(1, MakePatch(65, 0, static_cast<uint8_t>(i % 3)));
        synth.NoteOn(1, static_cast<uint8_t>(60 + i % 12), 100);
        synth.NoteOff(1, static_cast<uint8_t>(60 + i % 12));
        keys = i + 1;
    }
    keys = Notes * 2;
    tempo.join();
    sending = false;
    renderer.join();
    std::vector<float> l(Rate), r(Rate);
    now = now + NanosOf(Rate);
    ASSERT_TRUE(synth.RenderOffline(l, r));
    now = now + NanosOf(Rate);
    ASSERT_TRUE(synth.RenderOffline(l, r));
    EXPECT_EQ(synth.ActiveVoiceCount(), 0) << "no note-off was lost or overtaken";
    EXPECT_EQ(synth.LastNote(4), 36 + (Notes - 1) % 12);
}
