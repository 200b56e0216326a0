// The ALSA adapter: PCM device hints for the audio device list, the sequencer's
// MIDI ports for the port list, and MIDI output to one of them. The only code of the
// program that includes ALSA headers; everything it hands out is plain data.
#pragma once

#include "sound/PortList.h"

#include <cstddef>
#include <cstdint>
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

// Every port of the other clients that can be written to or read from by
// subscription, in client and port order. The system client (timer and
// announcements) and ports that refuse export are left out. Empty, at once, when
// the sequencer cannot be opened (no /dev/snd/seq).
std::vector<TSeqPortInfo> ListSequencerPorts();
// The synthesiser's port list with the sequencer's ports as they are now.
TPortList EnumeratePorts(const std::vector<std::string>& availableDrivers);

// Whether the ALSA library can load its configuration and it defines the default
// PCM: every PCM, mixer and sequencer open begins there, so a broken or missing
// configuration leaves ALSA unusable.
bool AlsaLibraryUsable();

// A MIDI output to another client's sequencer port (an external synthesiser): our
// own client with one port connected to the destination. Send hands the bytes of
// one short message over at once, unqueued; it may be called from any thread, one
// caller at a time, and allocates nothing.
class TSeqMidiOutput {
public:
    TSeqMidiOutput() = default;
    ~TSeqMidiOutput();
    TSeqMidiOutput(const TSeqMidiOutput&) = delete;
    TSeqMidiOutput& operator=(const TSeqMidiOutput&) = delete;

    // False, and closed, when the sequencer or the destination cannot be reached.
    bool Open(int client, int port);
    void Close();
    bool IsOpen() const { return Seq != nullptr; }
    bool Send(const uint8_t* bytes, size_t count);

private:
    struct _snd_seq* Seq = nullptr;
    struct snd_midi_event* Encoder = nullptr;
    int OwnPort = -1;
};
