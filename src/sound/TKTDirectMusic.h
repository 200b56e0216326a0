// The synthesiser wrapper: owns the FluidSynth synthesiser and the loaded voice set,
// and fills the voice list from it. The only code of the program that speaks to
// FluidSynth.
#pragma once

#include "sound/VoiceList.h"
#include "sound/formats/VoiceSet.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

struct TSettings;

class TKTDirectMusic {
public:
    static constexpr int SampleRate = 44100;

    // Builds the synthesiser; `voices` is the list it fills (the process-wide one in
    // the program, a private one in tests).
    explicit TKTDirectMusic(TVoiceList& voices = VoiceList);
    ~TKTDirectMusic();
    TKTDirectMusic(const TKTDirectMusic&) = delete;
    TKTDirectMusic& operator=(const TKTDirectMusic&) = delete;

    // The built-in set: a DLS image in memory. Fills the voice list in the set's
    // order, sorts it and downloads the voices; false when the image is no DLS
    // collection (the voice list is then empty).
    bool LoadVoiceSetFromMemory(std::span<const uint8_t> image);
    // The external set named by the settings, when they ask for one and the file
    // exists: fills the voice list in the collection's own order (no sorting).
    bool LoadExternalDLS(const TSettings& settings);
    // Hands the loaded set's instruments to the synthesiser: false without a set or
    // a synthesiser.
    bool DownloadVoices();
    // LoadExternalDLS, then DownloadVoices; always true.
    bool ReloadExternalDLS(const TSettings& settings);

    // Why the last voice-set load failed, for diagnostics ("" after a success).
    std::string LastVoiceSetError() const;
    bool HasSynth() const;

    // Plays voice-list entry `position` on a channel (the synthesiser's own bank and
    // program of that entry); false when there is no such entry or no synthesiser.
    bool SelectVoice(int channel, int position);
    bool NoteOn(int channel, int note, int velocity);
    bool NoteOff(int channel, int note);
    // Renders frames of stereo audio offline (no audio driver involved).
    bool RenderOffline(std::span<float> left, std::span<float> right);

private:
    struct TFluid;
    bool LoadSoundFontImage(std::shared_ptr<const std::vector<uint8_t>> image);
    void FillVoiceList();

    TVoiceList& Voices;
    mutable std::mutex Mutex; // one caller at a time: the main thread and the tempo clock
    std::unique_ptr<TFluid> Fluid;
    std::unique_ptr<TDlsCollection> Collection;
    std::string VoiceSetError;
};
