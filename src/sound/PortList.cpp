// Port records, the default-port choice and the OutDevList.txt text.
#include "sound/PortList.h"

#include "base/FileUtil.h"
#include "base/ShortString.h"

#include <algorithm>
#include <cstdio>

namespace {

const TPortCaps NoPort{};

} // namespace

bool TPortList::Add(const TPortCaps& port) {
    if (port.Class == TPortClass::Output) {
        if (Outputs == OutputCapacity) return false;
        OutputPorts[Outputs++] = port;
    } else {
        if (Inputs == InputCapacity) return false;
        InputPorts[Inputs++] = port;
    }
    return true;
}

void TPortList::Clear() {
    OutputPorts.fill({});
    InputPorts.fill({});
    Outputs = Inputs = 0;
}

const TPortCaps& TPortList::Output(int index) const {
    return index >= 0 && index < Outputs ? OutputPorts[index] : NoPort;
}

const TPortCaps& TPortList::Input(int index) const {
    return index >= 0 && index < Inputs ? InputPorts[index] : NoPort;
}

int TPortList::FindOutput(const TPortIdentity& identity) const {
    for (int i = 0; i < Outputs; ++i)
        if (OutputPorts[i].Identity == identity) return i;
    return -1;
}

std::string SoftwareSynthDescription(const std::string& driver) {
    std::string shown = driver;
    if (driver == "pulseaudio")
        shown = "PulseAudio";
    else if (driver == "alsa")
        shown = "ALSA";
    else if (driver == "jack")
        shown = "JACK";
    else if (driver == "sdl2")
        shown = "SDL2";
    return "软件合成器 (" + shown + ")";
}

std::string SequencerPortDescription(const TSeqPortInfo& port) {
    if (port.ClientName.empty() || port.PortName.starts_with(port.ClientName))
        return port.PortName.empty() ? port.ClientName : port.PortName;
    if (port.PortName.empty()) return port.ClientName;
    return port.ClientName + ": " + port.PortName;
}

TPortList BuildPortList(const std::vector<std::string>& availableDrivers,
                        const std::vector<TSeqPortInfo>& sequencerPorts) {
    TPortList list;
    for (const char* driver : SoftwareSynthDrivers) {
        if (std::find(availableDrivers.begin(), availableDrivers.end(), driver) ==
            availableDrivers.end())
            continue;
        TPortCaps port;
        port.Description = SoftwareSynthDescription(driver);
        port.Identity = {TPortKind::SoftwareSynth, driver, -1, -1};
        port.Class = TPortClass::Output;
        list.Add(port);
    }
    // Outputs first, then inputs, so that a port that is both sits in each part.
    for (const TSeqPortInfo& seq : sequencerPorts) {
        if (!seq.Writable) continue;
        list.Add({SequencerPortDescription(seq),
                  {TPortKind::SequencerPort, "", seq.Client, seq.Port},
                  TPortClass::Output});
    }
    for (const TSeqPortInfo& seq : sequencerPorts) {
        if (!seq.Readable) continue;
        list.Add({SequencerPortDescription(seq),
                  {TPortKind::SequencerPort, "", seq.Client, seq.Port},
                  TPortClass::Input});
    }
    return list;
}

int DefaultOutputPortIndex(const TPortList& ports, bool pulseServerAnswers) {
    auto synthOn = [&](const char* driver) {
        return ports.FindOutput({TPortKind::SoftwareSynth, driver, -1, -1});
    };
    if (pulseServerAnswers) {
        if (int i = synthOn("pulseaudio"); i >= 0) return i;
    }
    if (int i = synthOn("alsa"); i >= 0) return i;
    // JACK or SDL2 alone; PulseAudio without a server cannot play.
    for (int i = 0; i < ports.OutputCount(); ++i) {
        const TPortIdentity& id = ports.Output(i).Identity;
        if (id.Kind == TPortKind::SoftwareSynth && id.Driver != "pulseaudio") return i;
    }
    return -1;
}

std::string OutDevListText(const TPortList& ports) {
    std::string text;
    for (int i = 0; i < ports.OutputCount(); ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%d:  ", i);
        text += number;
        text += Utf8ToCp936(ports.Output(i).Description);
        text += "\r\n";
    }
    return text;
}

bool WriteOutDevList(const TPortList& ports, const std::string& path) {
    // A bare name comes from a missing own-files folder: no such file is written.
    if (ExtractFileDir(path).empty()) return false;
    const std::string text = OutDevListText(ports);
    return WriteFileAtomic(path, text.data(), text.size());
}
