// The settings applied to the running piano: the synthesiser's latency, period and
// reverb from the record and the four performance switches, at start and after the
// settings dialog's OK, which also loads an external voice set whose file changed.
// Main thread only.
#pragma once

#include "app/PianoParts.h"
#include "controller/ExternalVoiceLists.h"
#include "controller/PerformanceController.h"
#include "settings/Settings.h"

class TSettingsSteps {
public:
    TSettingsSteps(TSettings& settings, ISoundDevice& sound, TPerformanceController& performer,
                   TExternalVoiceLists& lists, ISettingsDialog& dialog)
        : Settings(settings), Sound(sound), Performer(performer), Lists(lists), Dialog(dialog) {}

    // The latency and period in force on the opened port, kept as the copies.
    void ReadDeviceTimes();
    // The record's latency (its period derived from it) and reverb, and the switches.
    void Apply(const TSettings& record, const TSwitchBlock& switches);
    // The settings dialog on the settings and the switches in force; on OK they are
    // applied, and, with the sound open, an external set whose file changed is
    // loaded and its lists made anew, their first voices sent.
    void RunDialog(bool soundOpen);

    int Latency() const { return LatencyCopy; }
    int Period() const { return PeriodCopy; }

private:
    TSettings& Settings;
    ISoundDevice& Sound;
    TPerformanceController& Performer;
    TExternalVoiceLists& Lists;
    ISettingsDialog& Dialog;
    int LatencyCopy = 0, PeriodCopy = 0;
};
