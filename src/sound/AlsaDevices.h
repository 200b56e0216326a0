// The ALSA adapter: PCM device hints for the audio device list and the sequencer's
// MIDI ports for the port list. The only code of the program that includes ALSA
// headers; everything it hands out is plain data.
#pragma once

#include <string>
#include <vector>

// One playback PCM that the ALSA configuration advertises ("aplay -L").
struct TPcmHint {
    std::string Name;        // what snd_pcm_open takes: "default", "hw:CARD=PCH,DEV=0", ...
    std::string Description; // UTF-8, the hint's lines joined by ", "
};

// What opening a PCM for playback showed. Opened is false when it could not be
// opened, and the ranges are then 0.
struct TPcmCaps {
    bool Opened = false;
    unsigned MinChannels = 0, MaxChannels = 0;
    unsigned MinRate = 0, MaxRate = 0;
};

// The PCM hints for playback (hints marked input-only are left out), in the order
// the configuration lists them. Empty when the configuration cannot be read.
std::vector<TPcmHint> ListPcmPlaybackHints();
// Opens the PCM for playback without blocking, reads its hardware ranges and closes
// it again.
TPcmCaps ProbePcm(const std::string& name);

// One port of another sequencer client.
struct TSeqPortInfo {
    int Client = -1;
    int Port = -1;
    std::string ClientName; // UTF-8
    std::string PortName;   // UTF-8
    bool Writable = false;  // others may write to it and subscribe to it: a MIDI output for us
    bool Readable = false;  // others may read from it and subscribe to it: a MIDI input for us
};

// Every port of the other clients that can be written to or read from by
// subscription, in client and port order. The system client (timer and
// announcements) and ports that refuse export are left out. Empty, at once, when
// the sequencer cannot be opened (no /dev/snd/seq).
std::vector<TSeqPortInfo> ListSequencerPorts();

// Whether the ALSA library can load its configuration and it defines the default
// PCM: every PCM, mixer and sequencer open begins there, so a broken or missing
// configuration leaves ALSA unusable.
bool AlsaLibraryUsable();
