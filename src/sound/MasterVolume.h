// The system's master volume behind the main window's slider: the sound server's
// mixer (left and right levels on a 0..65535 scale, change notices) and, where that
// cannot be had, a simpler fallback of one uniform level. The slider's 0..127 scale
// is the mixer's in steps of 512. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct TLineVolume {
    uint16_t Left = 0, Right = 0;
    bool Mute = false;
    bool operator==(const TLineVolume&) const = default;
};

// The mixer of the playback line: destination 0, index 0 is the line the program
// uses (the server's default output). A failed call leaves its reason in LastError.
class IMixerLines {
public:
    virtual ~IMixerLines() = default;
    virtual bool GetLineVolume(int destination, int index, TLineVolume& out) = 0;
    // Writes the levels and then the mute state.
    virtual bool SetLineVolume(int destination, int index, bool mute, uint16_t left,
                               uint16_t right) = 0;
    virtual std::string LastError() const = 0;
};

// The fallback: one uniform level. A failure gives false and, when the player should
// hear of it, a message; a machine without any mixer fails with no message.
class IMasterVolumeFallback {
public:
    virtual ~IMasterVolumeFallback() = default;
    virtual bool GetMasterVolume(uint16_t& value, std::string& message) = 0;
    virtual bool SetMasterVolume(uint16_t value, std::string& message) = 0;
};

constexpr int MixerUnitsPerSliderStep = 512;

// The levels to write when the slider is set to `slider` (clamped to 0..127) from
// the levels left/right: the louder channel takes the new level and the other keeps
// its proportion. Going to 0 remembers the balance in `ratio` (left / right), which
// brings it back when the slider leaves 0 again.
TLineVolume LevelsForSlider(uint16_t left, uint16_t right, int slider, double& ratio);

class TMasterVolume {
public:
    // Either may be null: no mixer, or no fallback either (the slider then reads 0 and
    // writes nothing).
    TMasterVolume(std::unique_ptr<IMixerLines> mixer,
                  std::unique_ptr<IMasterVolumeFallback> fallback);

    bool HasMixer() const { return Mixer != nullptr; }
    // The slider's value of the master volume now, 0..127.
    int Read();
    // Sets the master volume from the slider; the slider's new position when the
    // fallback sets it, else -1 (the slider stays where the player put it).
    int Write(int slider);
    // The message of the last fallback failure that should be shown, then "".
    std::string TakeMessage();
    double Ratio() const { return BalanceRatio; }

private:
    std::unique_ptr<IMixerLines> Mixer;
    std::unique_ptr<IMasterVolumeFallback> Fallback;
    double BalanceRatio = 1.0;
    std::string Message;
};
