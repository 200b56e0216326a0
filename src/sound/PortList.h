// The synthesiser's ports: one software-synthesiser output per audio driver the
// synthesiser offers, then the ALSA sequencer's writable ports (external MIDI
// synthesisers); its readable ports are the inputs. Also the OutDevList.txt file
// that shows users which number to pass on the command line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// One port of another sequencer client, as the ALSA adapter lists it.
struct TSeqPortInfo {
    int Client = -1;
    int Port = -1;
    std::string ClientName; // UTF-8
    std::string PortName;   // UTF-8
    bool Writable = false;  // others may write to it and subscribe to it: a MIDI output for us
    bool Readable = false;  // others may read from it and subscribe to it: a MIDI input for us
};

// The port's class as the synthesiser's records keep it: 1 is an output port,
// everything else an input port.
enum class TPortClass : uint32_t { Input = 0, Output = 1 };

enum class TPortKind { SoftwareSynth, SequencerPort };

struct TPortIdentity {
    TPortKind Kind = TPortKind::SoftwareSynth;
    std::string Driver; // software synthesiser: the audio driver ("pulseaudio", "alsa", ...)
    int Client = -1;    // sequencer port: its address
    int Port = -1;
    bool operator==(const TPortIdentity&) const = default;
};

struct TPortCaps {
    std::string Description; // UTF-8, what users see
    TPortIdentity Identity;
    TPortClass Class = TPortClass::Output;
};

class TPortList {
public:
    static constexpr int OutputCapacity = 24;
    static constexpr int InputCapacity = 24;

    // Appends to the output or the input part by the record's class; false (and
    // nothing stored) when that part is full.
    bool Add(const TPortCaps& port);
    void Clear();

    int OutputCount() const { return Outputs; }
    int InputCount() const { return Inputs; }
    // Records by position; an empty record outside the part.
    const TPortCaps& Output(int index) const;
    const TPortCaps& Input(int index) const;
    // Position of the first output port with that identity, or -1.
    int FindOutput(const TPortIdentity& identity) const;

private:
    std::array<TPortCaps, OutputCapacity> OutputPorts{};
    std::array<TPortCaps, InputCapacity> InputPorts{};
    int Outputs = 0;
    int Inputs = 0;
};

// The audio drivers that become software-synthesiser ports, in the order they are
// offered. Drivers of other names (file writers and the like) are no ports.
inline constexpr std::array<const char*, 4> SoftwareSynthDrivers = {"pulseaudio", "alsa", "jack",
                                                                    "sdl2"};
std::string SoftwareSynthDescription(const std::string& driver);
// "client: port", or the port name alone when it already begins with the client's.
std::string SequencerPortDescription(const TSeqPortInfo& port);

// The whole list: a software-synthesiser port for each driver of availableDrivers
// that is one of SoftwareSynthDrivers (in that order, each once), then the writable
// sequencer ports as outputs; the readable ones are the inputs. Each part stops at
// its capacity.
TPortList BuildPortList(const std::vector<std::string>& availableDrivers,
                        const std::vector<TSeqPortInfo>& sequencerPorts);

// The port to open when none was asked for: the software synthesiser on PulseAudio
// while a server answers, else on ALSA, else on the first other driver offered
// (never PulseAudio without a server); -1 when none is left (external MIDI ports
// are only opened on request).
int DefaultOutputPortIndex(const TPortList& ports, bool pulseServerAnswers);

inline constexpr const char* OutDevListFileName = "OutDevList.txt";
// One line per output port in list order, "%d:  %s" (index, colon, two blanks,
// description) ended by CR LF, in code page 936.
std::string OutDevListText(const TPortList& ports);
// Replaces the file at path with OutDevListText as one atomic step; false for a path
// without a folder (OwnFilesFolder found no safe one).
bool WriteOutDevList(const TPortList& ports, const std::string& path);
