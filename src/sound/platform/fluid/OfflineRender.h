// Rendering to a WAV file what a player hands a synthesiser, offline: a synthesiser
// of its own with the voice set loaded from its file, the frames rendered up to each
// time the player advances to, then the tail until the sound dies away. Any thread;
// each render owns its synthesiser.
#pragma once

#include "sound/ISynthesizer.h"
#include "sound/MidiLog.h"
#include "sound/VoiceList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TKTDirectMusic;

// The built-in voice set beside the program: msf4.s in the program folder.
std::string DefaultVoiceSetPath();
// Reads a voice set file into the synthesiser, which fills the voice list from it;
// false with the reason in words.
bool LoadVoiceSetFile(const std::string& path, TKTDirectMusic& synth, std::string& reason);

struct TOfflineRenderResult {
    bool Ok = false;
    bool Cancelled = false;
    std::string Error; // in words, when neither Ok nor Cancelled
    uint64_t Frames = 0, SongFrames = 0, ClippedSamples = 0;
};

class TOfflineRender {
public:
    static constexpr uint32_t SampleRate = 44100;
    // After the song: up to this long for the last notes and the reverb to die away,
    // ending early once the output is silent, faded over its last part otherwise.
    static constexpr uint32_t TailMs = 2000, TailFadeMs = 100;

    // Plays the song into the synthesiser: advance(ms) renders up to that time and
    // says whether to go on.
    using TPlayer = std::function<void(ISynthesizer& synth, const TVoiceList& voices,
                                       const std::function<bool(uint32_t ms)>& advance)>;

    TOfflineRender();
    ~TOfflineRender();
    TOfflineRender(const TOfflineRender&) = delete;
    TOfflineRender& operator=(const TOfflineRender&) = delete;

    // The synthesiser started with the voice set and the reverb level of the
    // settings (the piano's normal volume); false with the reason in words.
    bool Open(const std::string& voiceSetPath, int reverbLevel, std::string& reason);
    // Whether a song of endMs fits a WAV file with its tail.
    static bool Fits(uint32_t endMs);
    // The frames of the song before its tail: up to endMs, at most maxFrames (0: no
    // bound).
    static uint64_t SongFramesFor(uint32_t endMs, uint64_t maxFrames);
    // Renders to `path` through a temporary file in its folder that replaces it only
    // when the whole render is written (an interrupt's signal removes it, where the
    // program asked for that). The song's sound ends at endMs (the player goes on
    // with whatever follows, unheard), then the tail; with maxFrames (0: no bound)
    // the file holds at most that many frames, song and tail. progress(ms) is
    // called as the song advances, up to the song's rendered end, and its false
    // cancels the render: nothing is left behind, `path` stays as it was.
    TOfflineRenderResult Render(const std::string& path, uint32_t endMs, const TPlayer& play,
                                const std::function<bool(uint32_t ms)>& progress,
                                uint64_t maxFrames = 0);
    const TVoiceList& Voices() const { return VoiceList; }

private:
    TMidiLog Quiet; // a log of its own, left off: the render writes no file but its output
    TVoiceList VoiceList;
    std::unique_ptr<TKTDirectMusic> Synth;
};
