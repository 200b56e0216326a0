// DLS collections: any bytes either read into a collection or fail with a reason; a
// collection that reads writes an image that reads back to the same collection, and
// every region's link leads to a wave.
#include "voiceset/DlsReader.h"
#include "voiceset/DlsWriter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TDlsCollection c;
    const auto read = ReadDls({data, size}, c);
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
