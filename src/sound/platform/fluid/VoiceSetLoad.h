// Voice sets into the synthesiser: the SoundFont image made from a set read into
// memory, the voice list filled from a set, and the arrival of a set, the built-in
// one on a thread of its own and an external one on the caller's, both under the
// renderer's arriving guard so that the stream never waits for the load.
#pragma once

#include "voiceset/convert/VoiceSetReader.h"

#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

class TImageBytes;
class TVoiceList;
struct TSynthDriver;
struct TSynthRenderer;

// The SoundFont image the synthesiser loads for a set read into memory: the set's own
// (samples the run-time image cannot carry, which the synthesiser decodes itself), or
// its collection converted, whose samples are then let go (the image carries them).
// Null, with the reason, when the conversion refuses the collection.
std::shared_ptr<std::vector<uint8_t>> TakeSoundFontImage(TVoiceSet& set, std::string& error);
// Empties `voices`, then fills them with the set's instruments in the set's order,
// numbered as the synthesiser plays them (as many as the list holds).
void FillVoiceList(const TVoiceSet* set, TVoiceList& voices);
// Of a set the synthesiser plays, keeps only the list's instruments (patches and
// names), not how they play, and gives the pages back.
void KeepInstrumentsOnly(TVoiceSet& set);

// One set arriving in the synthesiser. Made on the thread that holds the wrapper's
// lock: the renderer leaves FluidSynth from here on, and the set the synthesiser had
// is let go (all its sound stopped). Load may then run on any thread; the renderer
// takes up FluidSynth again when the arrival is destroyed.
class TSetArrival {
public:
    TSetArrival(TSynthRenderer& renderer, TSynthDriver& synth);
    ~TSetArrival();
    TSetArrival(const TSetArrival&) = delete;
    TSetArrival& operator=(const TSetArrival&) = delete;

    // The id of the loaded SoundFont, -1 when the synthesiser refused the image.
    int Load(std::shared_ptr<const TImageBytes> image);

private:
    TSynthRenderer& Renderer;
    TSynthDriver& Synth;
};

struct TBackgroundLoad;

// The set the wrapper holds, from its reading to its samples handed to the
// synthesiser; the voice list is filled from it. Used under the wrapper's lock.
class TLoadedVoiceSet {
public:
    // No set: the voice list is emptied too.
    void Clear(TVoiceList& voices);
    // A voice-set image in memory (DLS, or a SoundFont as ReadVoiceSet takes it): the
    // list filled in the set's order and sorted. False when the image is no voice set
    // (no set, the list empty).
    bool ReadImage(std::span<const uint8_t> image, TVoiceList& voices);
    // An external set's file: no set and the list emptied, then, when the file exists
    // and reads, the list filled in the set's own order.
    bool ReadFile(const std::string& path, TVoiceList& voices);
    // What a background load gave, already in the synthesiser: the list filled in the
    // set's order and sorted. False, with the load's reason, when it failed.
    bool Take(TBackgroundLoad& load, TVoiceList& voices);

    bool Has() const { return Set != nullptr; }
    // The set's samples went to the synthesiser and were let go.
    bool HandedOver() const { return SamplesHandedOver; }
    // The SoundFont image to hand the synthesiser, the set's samples let go; null,
    // with the reason, when the set cannot be made one.
    std::shared_ptr<std::vector<uint8_t>> TakeImage();

    // Why the last load failed ("" after a success).
    std::string Error;

private:
    std::unique_ptr<TVoiceSet> Set;
    bool SamplesHandedOver = false;
};

// The built-in set loaded in the background.
struct TBackgroundLoad {
    std::thread Thread;
    // Filled by the thread, read once it is joined.
    std::unique_ptr<TVoiceSet> Set;
    int SoundFont = -1;
    std::string Error;

    // Reads the file at `path` and loads it through `arrival`, on the load's own
    // thread. The file is mapped and its collection read with the samples left in it;
    // FluidSynth then reads the run-time image, whose samples come from the file
    // straight into its buffer: its copy is the only one ever made.
    void Run(const std::string& path, TSetArrival& arrival);

private:
    // The file read whole into `set`, and the SoundFont image the synthesiser loads
    // for it; null, with the reason kept, when it is no voice set.
    std::shared_ptr<const std::vector<uint8_t>> ReadWhole(const std::string& path, TVoiceSet& set);
};
