// DLS collections: any bytes either read into a collection or fail with a reason; a
// collection that reads writes an image that reads back to the same collection, and
// every region's link leads to a wave. Read with the samples left in place, the same
// bytes fail with the same reason or give the same collection, whose run-time image,
// read whole and in pieces, is the image built with every sample copied.
#include "voiceset/convert/VoiceSetConvert.h"
#include "voiceset/dls/DlsReader.h"
#include "voiceset/dls/DlsWriter.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

void CheckInPlace(std::span<const uint8_t> bytes, const TDlsReadResult& read,
                  const TDlsCollection& copied) {
    TDlsCollection c;
    const auto inPlace = ReadDls(bytes, c, {.SamplesInPlace = true});
    if (inPlace.Ok != read.Ok || inPlace.Message != read.Message) std::abort();
    if (!read.Ok) return;
    if (c.Instruments != copied.Instruments || c.Cues != copied.Cues ||
        c.Waves.size() != copied.Waves.size())
        std::abort();
    for (size_t i = 0; i < c.Waves.size(); ++i) {
        const TDlsWave& w = c.Waves[i];
        if (!w.Samples.empty() || w.DataInPlace.has_value() != w.Decoded() ||
            w.FrameCount() != copied.Waves[i].FrameCount() ||
            (w.DataInPlace && w.DataInPlace->Offset + w.DataInPlace->Bytes > bytes.size()))
            std::abort();
    }
    std::vector<uint8_t> expected;
    const TVoiceSetConvertResult built = BuildRuntimeSoundFont(copied, expected);
    TRuntimeSoundFont held;
    const TVoiceSetConvertResult heldBuilt =
        BuildRuntimeSoundFont(c, std::make_shared<TSpanWaveBytes>(bytes), held);
    if (built.Ok != heldBuilt.Ok) std::abort();
    if (!built.Ok) return;
    if (held.Size() != expected.size()) std::abort();
    std::vector<uint8_t> whole(expected.size());
    if (!held.Read(0, whole) || whole != expected) std::abort();
    // In pieces of growing odd sizes, so that pieces straddle every kind of boundary.
    for (size_t at = 0, n = 1; at < expected.size(); at += n, n = n * 2 + 1) {
        std::vector<uint8_t> piece(std::min(n, expected.size() - at));
        if (!held.Read(at, piece) ||
            !std::equal(piece.begin(), piece.end(), expected.begin() + ptrdiff_t(at)))
            std::abort();
    }
    std::vector<uint8_t> past(1);
    if (held.Read(expected.size(), past)) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TDlsCollection c;
    const auto read = ReadDls({data, size}, c);
    CheckInPlace({data, size}, read, c);
    if (!read.Ok) {
        if (read.Message.empty() || !c.Instruments.empty() || !c.Waves.empty()) std::abort();
        return 0;
    }
    for (const auto& ins : c.Instruments)
        for (const auto& r : ins.Regions)
            if (!c.WaveOf(r)) std::abort();
    for (const auto& w : c.Waves) {
        if (!w.Decoded() && !w.Samples.empty()) std::abort();
        (void)DlsChannelSamples(w, 0);
    }

    std::vector<uint8_t> image;
    if (!WriteDls(c, image).Ok) std::abort();
    TDlsCollection back;
    if (!ReadDls(image, back).Ok || !(back == c)) std::abort();
    // Our own image is a fixed point: writing it again gives the same bytes.
    std::vector<uint8_t> again;
    if (!WriteDls(back, again).Ok || again != image) std::abort();
    return 0;
}
