// Build-time converter: makes the built-in voice set msf4.s (a DLS collection) from a
// General MIDI SoundFont. The same conversion as `talvimorena-tool convert --built-in`.
#include "voiceset/convert/VoiceSetConvert.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE.sf2 OUT\n", argv[0]);
        return 2;
    }
    const TVoiceSetConvertResult result = BuildBuiltInVoiceSetFile(argv[1], argv[2]);
    if (!result.Ok) {
        std::fprintf(stderr, "%s: %s\n", argv[1], result.Message.c_str());
        return 1;
    }
    std::printf("%s\n", result.Message.c_str());
    return 0;
}
