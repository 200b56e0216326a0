// The accompaniment and the tempo clock as the controller sees them: its interfaces
// over the engine and the clock of music/.
#pragma once

#include "controller/CommandTable.h"
#include "controller/IControllerPorts.h"
#include "music/AutoAccomp.h"
#include "music/KTMetronome.h"

class TAccompanimentPort final : public IAccompaniment {
public:
    explicit TAccompanimentPort(TAutoAccomp& accomp) : Accomp(accomp) {}
    void SetStart(bool on) override { Accomp.SetStart(on); }
    int APercussVolume() const override { return Accomp.APercussVolume(); }
    void SetAPercussVolume(int v) override { Accomp.SetAPercussVolume(v); }
    void SetAccompStyleIndex(int i) override { Accomp.SetAccompStyleIndex(i); }
    int AccompStyleGroupNum() const override { return Accomp.AccompStyleGroupNum(); }
    void SetAccompStyleGroupNum(int g) override { Accomp.SetAccompStyleGroupNum(g); }

private:
    TAutoAccomp& Accomp;
};

class TTempoClockPort final : public ITempoClock, public ITempoControl {
public:
    explicit TTempoClockPort(TMetronome& clock) : Clock(clock) {}
    void SetActive(bool on) override { Clock.SetActive(on); }
    bool Subscribe(std::string_view name, uint16_t mask, TAction action) override {
        return Clock.Subscribe(name, mask,
                               [action = std::move(action)](TMetronome&, uint16_t events, bool&,
                                                            int32_t, double, double) {
                                   if (action) action(events);
                               });
    }
    bool Unsubscribe(std::string_view name) override { return Clock.Unsubscribe(name); }
    double Tempo() const override { return Clock.Tempo(); }
    void SetTempo(double beatsPerMinute) override { Clock.SetTempo(beatsPerMinute); }

private:
    TMetronome& Clock;
};
