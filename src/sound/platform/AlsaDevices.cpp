// ALSA: the playback PCMs the configuration advertises, the sequencer's ports and
// the simple mixer of the master volume's fallback.
#include "sound/platform/AlsaDevices.h"
#include "sound/platform/AlsaMixer.h"

#include <algorithm>
#include <cstdarg>
#include <cstdlib>

// alsa/error.h declares snd_lib_error_set_local outside its extern "C" block (ALSA
// 1.2.8), so C++ would look for a mangled name. The C headers asoundlib.h pulls in
// come first, so that only ALSA's own declarations sit in the block.
#include <assert.h>
#include <endian.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>
extern "C" {
#include <alsa/asoundlib.h>
}

namespace {

// Probing devices that are absent is expected here (no card, no sound server, a
// plugin whose library is not installed); ALSA would print a line for each. The
// handler is the calling thread's only, so the synthesiser's own ALSA diagnostics
// on other threads still reach stderr.
void QuietAlsaError(const char*, int, const char*, int, const char*, va_list) {}

class TQuietAlsa {
public:
    TQuietAlsa() : Previous(snd_lib_error_set_local(QuietAlsaError)) {}
    ~TQuietAlsa() { snd_lib_error_set_local(Previous); }
    TQuietAlsa(const TQuietAlsa&) = delete;
    TQuietAlsa& operator=(const TQuietAlsa&) = delete;

private:
    snd_local_error_handler_t Previous;
};

// A string the ALSA library allocated with malloc, or "" for null.
std::string TakeAlsaString(char* s) {
    if (!s) return {};
    std::string out(s);
    std::free(s);
    return out;
}

std::string JoinLines(std::string text) {
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) {
            if (!out.empty()) out += ", ";
            out.append(text, start, end - start);
        }
        start = end + 1;
    }
    return out;
}

} // namespace

std::vector<TPcmHint> ListPcmPlaybackHints() {
    TQuietAlsa quiet;
    std::vector<TPcmHint> hints;
    void** list = nullptr;
    if (snd_device_name_hint(-1, "pcm", &list) < 0 || !list) return hints;
    for (void** h = list; *h; ++h) {
        std::string name = TakeAlsaString(snd_device_name_get_hint(*h, "NAME"));
        // IOID is absent for devices that do both directions.
        std::string ioid = TakeAlsaString(snd_device_name_get_hint(*h, "IOID"));
        if (name.empty() || ioid == "Input") continue;
        hints.push_back({name, JoinLines(TakeAlsaString(snd_device_name_get_hint(*h, "DESC")))});
    }
    snd_device_name_free_hint(list);
    return hints;
}

TPcmCaps ProbePcm(const std::string& name) {
    TQuietAlsa quiet;
    TPcmCaps caps;
    snd_pcm_t* pcm = nullptr;
    // Non-blocking: a device another program holds answers "busy" at once.
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return caps;
    snd_pcm_hw_params_t* hw = nullptr;
    if (snd_pcm_hw_params_malloc(&hw) == 0) {
        if (snd_pcm_hw_params_any(pcm, hw) >= 0) {
            int dir = 0;
            snd_pcm_hw_params_get_channels_min(hw, &caps.MinChannels);
            snd_pcm_hw_params_get_channels_max(hw, &caps.MaxChannels);
            snd_pcm_hw_params_get_rate_min(hw, &caps.MinRate, &dir);
            snd_pcm_hw_params_get_rate_max(hw, &caps.MaxRate, &dir);
            caps.Opened = true;
        }
        snd_pcm_hw_params_free(hw);
    }
    snd_pcm_close(pcm);
    return caps;
}

std::vector<TSeqPortInfo> ListSequencerPorts() {
    TQuietAlsa quiet;
    std::vector<TSeqPortInfo> ports;
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) return ports;
    const int self = snd_seq_client_id(seq);

    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    if (snd_seq_client_info_malloc(&client) == 0 && snd_seq_port_info_malloc(&port) == 0) {
        snd_seq_client_info_set_client(client, -1);
        while (snd_seq_query_next_client(seq, client) >= 0) {
            const int id = snd_seq_client_info_get_client(client);
            if (id == SND_SEQ_CLIENT_SYSTEM || id == self) continue;
            const char* clientName = snd_seq_client_info_get_name(client);
            snd_seq_port_info_set_client(port, id);
            snd_seq_port_info_set_port(port, -1);
            while (snd_seq_query_next_port(seq, port) >= 0) {
                const unsigned cap = snd_seq_port_info_get_capability(port);
                if (cap & SND_SEQ_PORT_CAP_NO_EXPORT) continue;
                const unsigned write = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
                const unsigned read = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
                TSeqPortInfo info;
                info.Writable = (cap & write) == write;
                info.Readable = (cap & read) == read;
                if (!info.Writable && !info.Readable) continue;
                info.Client = id;
                info.Port = snd_seq_port_info_get_port(port);
                info.ClientName = clientName ? clientName : "";
                const char* portName = snd_seq_port_info_get_name(port);
                info.PortName = portName ? portName : "";
                ports.push_back(std::move(info));
            }
        }
    }
    if (port) snd_seq_port_info_free(port);
    if (client) snd_seq_client_info_free(client);
    snd_seq_close(seq);
    return ports;
}

bool AlsaLibraryUsable() {
    TQuietAlsa quiet;
    // A missing configuration file loads as an empty one, which has no devices at
    // all: the configuration must also define the default PCM.
    snd_config_t* top = nullptr;
    if (snd_config_update_ref(&top) < 0 || !top) return false;
    snd_config_t* node = nullptr;
    bool usable = snd_config_search(top, "pcm.default", &node) == 0;
    snd_config_unref(top);
    return usable;
}

TSeqMidiOutput::~TSeqMidiOutput() {
    Close();
}

bool TSeqMidiOutput::Open(int client, int port) {
    Close();
    TQuietAlsa quiet;
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) return false;
    snd_seq_set_client_name(seq, "Talvimorena");
    const int own = snd_seq_create_simple_port(
        seq, "Talvimorena out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    snd_midi_event_t* encoder = nullptr;
    if (own < 0 || snd_seq_connect_to(seq, own, client, port) < 0 ||
        snd_midi_event_new(16, &encoder) < 0) {
        snd_seq_close(seq);
        return false;
    }
    snd_midi_event_no_status(encoder, 1); // every message carries its own status byte
    Seq = seq;
    Encoder = encoder;
    OwnPort = own;
    return true;
}

void TSeqMidiOutput::Close() {
    if (Encoder) snd_midi_event_free(Encoder);
    if (Seq) snd_seq_close(Seq);
    Encoder = nullptr;
    Seq = nullptr;
    OwnPort = -1;
}

bool TSeqMidiOutput::Send(const uint8_t* bytes, size_t count) {
    if (!Seq || count == 0) return false;
    snd_midi_event_reset_encode(Encoder);
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    if (snd_midi_event_encode(Encoder, bytes, static_cast<long>(count), &ev) <= 0 ||
        ev.type == SND_SEQ_EVENT_NONE)
        return false;
    snd_seq_ev_set_source(&ev, OwnPort);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    return snd_seq_event_output_direct(Seq, &ev) >= 0;
}

TPortList EnumeratePorts(const std::vector<std::string>& availableDrivers) {
    return BuildPortList(availableDrivers, ListSequencerPorts());
}

// ---- The master volume's fallback: the simple mixer ----

namespace {

class TSimpleMixer {
public:
    explicit TSimpleMixer(const std::string& device) {
        TQuietAlsa quiet;
        if (snd_mixer_open(&Handle, 0) < 0) {
            Handle = nullptr;
            return;
        }
        if (snd_mixer_attach(Handle, device.c_str()) < 0 ||
            snd_mixer_selem_register(Handle, nullptr, nullptr) < 0 || snd_mixer_load(Handle) < 0)
            return;
        IsOpen = true;
        snd_mixer_elem_t* first = nullptr;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(Handle); e; e = snd_mixer_elem_next(e)) {
            if (!snd_mixer_selem_is_active(e) || !snd_mixer_selem_has_playback_volume(e)) continue;
            if (std::string(snd_mixer_selem_get_name(e)) == "Master") {
                Element = e;
                break;
            }
            if (!first) first = e;
        }
        if (!Element) Element = first;
        if (Element && snd_mixer_selem_get_playback_volume_range(Element, &Min, &Max) < 0)
            Element = nullptr;
        if (Element && Max <= Min) Element = nullptr;
    }
    ~TSimpleMixer() {
        if (Handle) snd_mixer_close(Handle);
    }
    TSimpleMixer(const TSimpleMixer&) = delete;
    TSimpleMixer& operator=(const TSimpleMixer&) = delete;

    // The device answered: from here on a failure is told.
    bool Open() const { return IsOpen; }
    snd_mixer_elem_t* Volume() const { return Element; }
    // The element's own range onto 0..65535 and back.
    uint16_t ToUnits(long raw) const {
        const long v = std::clamp(raw, Min, Max);
        return static_cast<uint16_t>(((v - Min) * 65535 + (Max - Min) / 2) / (Max - Min));
    }
    long FromUnits(uint16_t units) const {
        return Min + (static_cast<long>(units) * (Max - Min) + 32767) / 65535;
    }

private:
    snd_mixer_t* Handle = nullptr;
    bool IsOpen = false;
    snd_mixer_elem_t* Element = nullptr;
    long Min = 0, Max = 0;
};

} // namespace

bool TAlsaMasterVolume::GetMasterVolume(uint16_t& value, std::string& message) {
    TSimpleMixer mixer(Device);
    if (!mixer.Open()) return false;
    if (!mixer.Volume()) {
        message = "etLineInfo Error";
        return false;
    }
    long raw = 0;
    // The first channel the element has stands for all: the level is uniform.
    snd_mixer_selem_channel_id_t channel = SND_MIXER_SCHN_FRONT_LEFT;
    if (snd_mixer_selem_is_playback_mono(mixer.Volume())) channel = SND_MIXER_SCHN_MONO;
    if (snd_mixer_selem_get_playback_volume(mixer.Volume(), channel, &raw) < 0) {
        message = "GetControlDetails Error";
        return false;
    }
    value = mixer.ToUnits(raw);
    return true;
}

bool TAlsaMasterVolume::SetMasterVolume(uint16_t value, std::string& message) {
    TSimpleMixer mixer(Device);
    if (!mixer.Open()) return false;
    if (!mixer.Volume()) {
        message = "GetLineInfo Error";
        return false;
    }
    if (snd_mixer_selem_set_playback_volume_all(mixer.Volume(), mixer.FromUnits(value)) < 0) {
        message = "SetControlDetails Error";
        return false;
    }
    return true;
}
