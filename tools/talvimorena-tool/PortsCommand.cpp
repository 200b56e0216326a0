// ports: the synthesiser's output and input ports as the piano sees them now.
#include "Commands.h"

#include "sound/PortList.h"
#include "sound/platform/AlsaDevices.h"
#include "sound/platform/PulseAudioDevices.h"
#include "sound/platform/fluid/TKTDirectMusic.h"

#include <cstdio>

int PortsCommand(const TArgs& args) {
    if (!args.empty()) return UsageError("ports takes no arguments");
    const TPortList ports = EnumeratePorts(TKTDirectMusic::AudioDrivers());
    // The numbers are those the piano takes on its command line.
    std::printf("output ports:\n");
    for (int i = 0; i < ports.OutputCount(); ++i)
        std::printf("%d:  %s\n", i, ports.Output(i).Description.c_str());
    std::printf("input ports:\n");
    for (int i = 0; i < ports.InputCount(); ++i)
        std::printf("%d:  %s\n", i, ports.Input(i).Description.c_str());
    const int chosen = DefaultOutputPortIndex(ports, PulseServerAnswers());
    if (chosen >= 0)
        std::printf("default output port: %d\n", chosen);
    else
        std::printf("default output port: none (no sound server or driver answers)\n");
    return 0;
}
