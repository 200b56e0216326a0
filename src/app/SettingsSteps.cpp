#include "app/SettingsSteps.h"

#include <algorithm>

void TSettingsSteps::ReadDeviceTimes() {
    LatencyCopy = static_cast<int>(Sound.GetWriteLatency());
    PeriodCopy = static_cast<int>(Sound.GetWritePeriod());
}

void TSettingsSteps::Apply(const TSettings& record, const TSwitchBlock& switches) {
    LatencyCopy = record.Latency;
    PeriodCopy = WritePeriodForLatency(record.Latency);
    Sound.SetWriteLatency(static_cast<uint32_t>(std::max(LatencyCopy, 0)));
    Sound.SetWritePeriod(static_cast<uint32_t>(std::max(PeriodCopy, 0)));
    Sound.SetReverbLevel(record.ReverbLevel);
    Performer.SetNotebookMode(switches.NotebookMode);
    Performer.SetLoopPlay(switches.LoopPlay);
    Performer.SetSmartSemitone(switches.SmartSemitone);
    Performer.SetTimedPedal(switches.TimedPedal);
}

void TSettingsSteps::RunDialog(bool soundOpen) {
    const TSettings before = Settings;
    TSwitchBlock switches{Performer.IsNotebookMode(), Performer.IsLoopPlay(),
                          Performer.IsTimedPedal(), Performer.IsSmartSemitone()};
    if (!Dialog.ShowSettingsDialog(Settings, switches)) return;
    Apply(Settings, switches);
    // A set switched on now is loaded at the next start; its lists come with it. A
    // named file that is not there is not loaded: the voices in use stay.
    Lists.SetInUse(!ExternalVoiceSetPath(Settings).empty());
    if (before.UseExternalDLS && Settings.UseExternalDLS &&
        before.ExternalDLSFile != Settings.ExternalDLSFile && soundOpen && Lists.InUse()) {
        Sound.ReloadExternalDLS(ExternalVoiceSetPath(Settings));
        Lists.Rebuild();
        Lists.SendSelections();
    }
}
