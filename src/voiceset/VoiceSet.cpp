// Lookups on the voice-set model.
#include "voiceset/VoiceSet.h"

const TDlsWave* TDlsCollection::WaveOf(const TDlsRegion& region) const {
    const uint32_t cue = region.WaveLink.TableIndex;
    if (cue >= Cues.size() || Cues[cue] >= Waves.size()) return nullptr;
    return &Waves[Cues[cue]];
}

std::vector<int16_t> DlsChannelSamples(const TDlsWave& wave, unsigned channel) {
    if (channel >= wave.Channels) return {};
    if (wave.Channels == 1) return wave.Samples;
    std::vector<int16_t> mono;
    const size_t frames = wave.Samples.size() / wave.Channels;
    mono.reserve(frames);
    for (size_t f = 0; f < frames; ++f)
        mono.push_back(wave.Samples[f * wave.Channels + channel]);
    return mono;
}
