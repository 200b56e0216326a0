// The articulation mapping between SoundFont generators and modulators and DLS Level 2
// connection blocks, the DLS defaults, and the modulators FluidSynth plays.
//
// Units. DLS scales carry 16 fractional bits: time cents, pitch cents (relative, or
// absolute with 6900 = 440 Hz, which is the SoundFont's absolute cents with 0 =
// 8.176 Hz), gain in centibels (1/655360 dB per unit; negative is quieter), percent
// in tenths, pan in tenths of a percent. A SoundFont value v becomes v * 65536 with
// these turns: attenuation is negated gain; sustain is 1000 - v tenths of a percent
// of full level (FluidSynth sustains at 1 - v / 1000 of its envelope, so both formats
// mean the same fraction); the scale tuning is cents per key times the 128 keys the
// normalised key number spans; times of -12000 and less (the fastest a SoundFont
// allows) are DLS's "no time at all" (0x80000000); a filter at 13500 cents without
// resonance is DLS's disabled filter (0x7FFFFFFF); the pitch-wheel sensitivity
// normalises by 127 in FluidSynth and RPN 0 by 128 in DLS, so amounts through it
// scale by 12800 / 12700. Modulator source curves, polarity and direction are the
// DLS transform's curve, bipolar and invert bits.
#include "voiceset/convert/VoiceSetConvert.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

namespace {

constexpr int32_t NoTime = INT32_MIN;         // DLS time cents of zero seconds
constexpr int32_t FilterDisabled = INT32_MAX; // DLS cutoff of a filter that is off
constexpr int32_t SfFilterOff = 13500;        // the SoundFont's highest cutoff

int32_t Fix(double units) {
    const double v = std::round(units * 65536.0);
    return static_cast<int32_t>(std::clamp(v, double(INT32_MIN + 1), double(INT32_MAX)));
}
double Unfix(int32_t scale) {
    return scale / 65536.0;
}
int32_t Round(double v) {
    return static_cast<int32_t>(std::clamp(std::round(v), double(INT32_MIN), double(INT32_MAX)));
}

uint16_t Trn(uint8_t srcCurve, bool srcBipolar, bool srcInvert, uint8_t ctlCurve = 0,
             bool ctlBipolar = false, bool ctlInvert = false) {
    TDlsTransform t;
    t.Source = srcCurve;
    t.SourceBipolar = srcBipolar;
    t.SourceInvert = srcInvert;
    t.Control = ctlCurve;
    t.ControlBipolar = ctlBipolar;
    t.ControlInvert = ctlInvert;
    return t.Pack();
}

bool SameTriple(const TDlsConnection& a, const TDlsConnection& b) {
    return a.Source == b.Source && a.Control == b.Control && a.Destination == b.Destination;
}

bool IsTimeDestination(uint16_t d) {
    using namespace DlsDst;
    switch (d) {
    case LfoStartDelay:
    case VibStartDelay:
    case Eg1DelayTime:
    case Eg1AttackTime:
    case Eg1HoldTime:
    case Eg1DecayTime:
    case Eg1ReleaseTime:
    case Eg2DelayTime:
    case Eg2AttackTime:
    case Eg2HoldTime:
    case Eg2DecayTime:
    case Eg2ReleaseTime:
        return true;
    default:
        return false;
    }
}

// Generators that are a connection of their own: a constant (source none) or the
// depth of an LFO, envelope or the key number acting on a destination.
enum class TGenKind : uint8_t { Plain, Sustain, ScaleTuning, Filter };
struct TGenLink {
    uint16_t Gen, Source, Destination;
    TGenKind Kind;
};
constexpr TGenLink GenLinks[] = {
    {Sf2Gen::ModLfoToPitch, DlsSrc::Lfo, DlsDst::Pitch, TGenKind::Plain},
    {Sf2Gen::VibLfoToPitch, DlsSrc::Vibrato, DlsDst::Pitch, TGenKind::Plain},
    {Sf2Gen::ModEnvToPitch, DlsSrc::Eg2, DlsDst::Pitch, TGenKind::Plain},
    {Sf2Gen::InitialFilterFc, DlsSrc::None, DlsDst::FilterCutoff, TGenKind::Filter},
    {Sf2Gen::InitialFilterQ, DlsSrc::None, DlsDst::FilterQ, TGenKind::Plain},
    {Sf2Gen::ModLfoToFilterFc, DlsSrc::Lfo, DlsDst::FilterCutoff, TGenKind::Plain},
    {Sf2Gen::ModEnvToFilterFc, DlsSrc::Eg2, DlsDst::FilterCutoff, TGenKind::Plain},
    {Sf2Gen::ModLfoToVolume, DlsSrc::Lfo, DlsDst::Gain, TGenKind::Plain},
    {Sf2Gen::ChorusEffectsSend, DlsSrc::None, DlsDst::Chorus, TGenKind::Plain},
    {Sf2Gen::ReverbEffectsSend, DlsSrc::None, DlsDst::Reverb, TGenKind::Plain},
    {Sf2Gen::Pan, DlsSrc::None, DlsDst::Pan, TGenKind::Plain},
    {Sf2Gen::DelayModLfo, DlsSrc::None, DlsDst::LfoStartDelay, TGenKind::Plain},
    {Sf2Gen::FreqModLfo, DlsSrc::None, DlsDst::LfoFrequency, TGenKind::Plain},
    {Sf2Gen::DelayVibLfo, DlsSrc::None, DlsDst::VibStartDelay, TGenKind::Plain},
    {Sf2Gen::FreqVibLfo, DlsSrc::None, DlsDst::VibFrequency, TGenKind::Plain},
    {Sf2Gen::DelayModEnv, DlsSrc::None, DlsDst::Eg2DelayTime, TGenKind::Plain},
    {Sf2Gen::AttackModEnv, DlsSrc::None, DlsDst::Eg2AttackTime, TGenKind::Plain},
    {Sf2Gen::HoldModEnv, DlsSrc::None, DlsDst::Eg2HoldTime, TGenKind::Plain},
    {Sf2Gen::DecayModEnv, DlsSrc::None, DlsDst::Eg2DecayTime, TGenKind::Plain},
    {Sf2Gen::SustainModEnv, DlsSrc::None, DlsDst::Eg2SustainLevel, TGenKind::Sustain},
    {Sf2Gen::ReleaseModEnv, DlsSrc::None, DlsDst::Eg2ReleaseTime, TGenKind::Plain},
    {Sf2Gen::KeynumToModEnvHold, DlsSrc::None, DlsDst::Eg2KeyNumToHold, TGenKind::Plain},
    {Sf2Gen::KeynumToModEnvDecay, DlsSrc::None, DlsDst::Eg2KeyNumToDecay, TGenKind::Plain},
    {Sf2Gen::DelayVolEnv, DlsSrc::None, DlsDst::Eg1DelayTime, TGenKind::Plain},
    {Sf2Gen::AttackVolEnv, DlsSrc::None, DlsDst::Eg1AttackTime, TGenKind::Plain},
    {Sf2Gen::HoldVolEnv, DlsSrc::None, DlsDst::Eg1HoldTime, TGenKind::Plain},
    {Sf2Gen::DecayVolEnv, DlsSrc::None, DlsDst::Eg1DecayTime, TGenKind::Plain},
    {Sf2Gen::SustainVolEnv, DlsSrc::None, DlsDst::Eg1SustainLevel, TGenKind::Sustain},
    {Sf2Gen::ReleaseVolEnv, DlsSrc::None, DlsDst::Eg1ReleaseTime, TGenKind::Plain},
    {Sf2Gen::KeynumToVolEnvHold, DlsSrc::None, DlsDst::Eg1KeyNumToHold, TGenKind::Plain},
    {Sf2Gen::KeynumToVolEnvDecay, DlsSrc::None, DlsDst::Eg1KeyNumToDecay, TGenKind::Plain},
    {Sf2Gen::ScaleTuning, DlsSrc::KeyNumber, DlsDst::Pitch, TGenKind::ScaleTuning},
};

// Where a modulator's output lands in DLS: a destination reached directly (with a
// factor from the generator's unit), or the depth of an LFO or envelope, whose
// connection takes the modulator's source as its control.
struct TModTarget {
    uint16_t Gen;
    uint16_t Depth; // DlsSrc::Lfo, Vibrato or Eg2 for depth generators, else None
    uint16_t Destination;
    int Factor;
};
constexpr TModTarget ModTargets[] = {
    {Sf2Gen::ModLfoToPitch, DlsSrc::Lfo, DlsDst::Pitch, 1},
    {Sf2Gen::VibLfoToPitch, DlsSrc::Vibrato, DlsDst::Pitch, 1},
    {Sf2Gen::ModEnvToPitch, DlsSrc::Eg2, DlsDst::Pitch, 1},
    {Sf2Gen::ModLfoToFilterFc, DlsSrc::Lfo, DlsDst::FilterCutoff, 1},
    {Sf2Gen::ModEnvToFilterFc, DlsSrc::Eg2, DlsDst::FilterCutoff, 1},
    {Sf2Gen::ModLfoToVolume, DlsSrc::Lfo, DlsDst::Gain, 1},
    // Direct destinations; the first one for a DLS destination is the way back.
    {Sf2Gen::InitialAttenuation, DlsSrc::None, DlsDst::Gain, -1},
    {Sf2Gen::FineTune, DlsSrc::None, DlsDst::Pitch, 1},
    {Sf2Gen::CoarseTune, DlsSrc::None, DlsDst::Pitch, 100},
    {Sf2Gen::Pan, DlsSrc::None, DlsDst::Pan, 1},
    {Sf2Gen::InitialFilterFc, DlsSrc::None, DlsDst::FilterCutoff, 1},
    {Sf2Gen::InitialFilterQ, DlsSrc::None, DlsDst::FilterQ, 1},
    {Sf2Gen::ChorusEffectsSend, DlsSrc::None, DlsDst::Chorus, 1},
    {Sf2Gen::ReverbEffectsSend, DlsSrc::None, DlsDst::Reverb, 1},
    {Sf2Gen::DelayModLfo, DlsSrc::None, DlsDst::LfoStartDelay, 1},
    {Sf2Gen::FreqModLfo, DlsSrc::None, DlsDst::LfoFrequency, 1},
    {Sf2Gen::DelayVibLfo, DlsSrc::None, DlsDst::VibStartDelay, 1},
    {Sf2Gen::FreqVibLfo, DlsSrc::None, DlsDst::VibFrequency, 1},
    {Sf2Gen::DelayModEnv, DlsSrc::None, DlsDst::Eg2DelayTime, 1},
    {Sf2Gen::AttackModEnv, DlsSrc::None, DlsDst::Eg2AttackTime, 1},
    {Sf2Gen::HoldModEnv, DlsSrc::None, DlsDst::Eg2HoldTime, 1},
    {Sf2Gen::DecayModEnv, DlsSrc::None, DlsDst::Eg2DecayTime, 1},
    {Sf2Gen::SustainModEnv, DlsSrc::None, DlsDst::Eg2SustainLevel, -1},
    {Sf2Gen::ReleaseModEnv, DlsSrc::None, DlsDst::Eg2ReleaseTime, 1},
    {Sf2Gen::KeynumToModEnvHold, DlsSrc::None, DlsDst::Eg2KeyNumToHold, 1},
    {Sf2Gen::KeynumToModEnvDecay, DlsSrc::None, DlsDst::Eg2KeyNumToDecay, 1},
    {Sf2Gen::DelayVolEnv, DlsSrc::None, DlsDst::Eg1DelayTime, 1},
    {Sf2Gen::AttackVolEnv, DlsSrc::None, DlsDst::Eg1AttackTime, 1},
    {Sf2Gen::HoldVolEnv, DlsSrc::None, DlsDst::Eg1HoldTime, 1},
    {Sf2Gen::DecayVolEnv, DlsSrc::None, DlsDst::Eg1DecayTime, 1},
    {Sf2Gen::SustainVolEnv, DlsSrc::None, DlsDst::Eg1SustainLevel, -1},
    {Sf2Gen::ReleaseVolEnv, DlsSrc::None, DlsDst::Eg1ReleaseTime, 1},
    {Sf2Gen::KeynumToVolEnvHold, DlsSrc::None, DlsDst::Eg1KeyNumToHold, 1},
    {Sf2Gen::KeynumToVolEnvDecay, DlsSrc::None, DlsDst::Eg1KeyNumToDecay, 1},
};

// A modulator source (or amount source) as a DLS source with its curve bits.
struct TSource {
    uint16_t Id = DlsSrc::None;
    uint8_t Curve = DlsTrn::None;
    bool Bipolar = false, Invert = false;
};

std::optional<TSource> SourceToDls(uint16_t sf2) {
    TSource s;
    const unsigned curve = (sf2 & Sf2Mod::TypeMask) >> 10;
    if (curve > DlsTrn::Switch) return std::nullopt;
    s.Curve = static_cast<uint8_t>(curve);
    s.Bipolar = (sf2 & Sf2Mod::Bipolar) != 0;
    s.Invert = (sf2 & Sf2Mod::Negative) != 0;
    const unsigned index = sf2 & Sf2Mod::IndexMask;
    if (sf2 & Sf2Mod::Cc) {
        s.Id = DlsSrc::Cc(index);
        return s;
    }
    switch (index) {
    case Sf2Mod::NoController:
        s.Id = DlsSrc::None;
        break;
    case Sf2Mod::NoteOnVelocity:
        s.Id = DlsSrc::KeyOnVelocity;
        break;
    case Sf2Mod::NoteOnKey:
        s.Id = DlsSrc::KeyNumber;
        break;
    case Sf2Mod::PolyPressure:
        s.Id = DlsSrc::PolyPressure;
        break;
    case Sf2Mod::ChannelPressure:
        s.Id = DlsSrc::ChannelPressure;
        break;
    case Sf2Mod::PitchWheel:
        s.Id = DlsSrc::PitchWheel;
        break;
    case Sf2Mod::PitchWheelSensitivity:
        s.Id = DlsSrc::Rpn0;
        break;
    default:
        return std::nullopt;
    }
    return s;
}

std::optional<uint16_t> SourceToSf2(uint16_t id, uint8_t curve, bool bipolar, bool invert) {
    if (curve > DlsTrn::Switch) return std::nullopt;
    uint16_t index;
    if (id >= 0x80 && id <= 0xFF) {
        index = static_cast<uint16_t>(Sf2Mod::Cc | (id - 0x80));
    } else {
        switch (id) {
        case DlsSrc::None:
            return uint16_t{0};
        case DlsSrc::KeyOnVelocity:
            index = Sf2Mod::NoteOnVelocity;
            break;
        case DlsSrc::KeyNumber:
            index = Sf2Mod::NoteOnKey;
            break;
        case DlsSrc::PolyPressure:
            index = Sf2Mod::PolyPressure;
            break;
        case DlsSrc::ChannelPressure:
        case DlsSrc::MonoPressure:
            index = Sf2Mod::ChannelPressure;
            break;
        case DlsSrc::PitchWheel:
            index = Sf2Mod::PitchWheel;
            break;
        case DlsSrc::Rpn0:
            index = Sf2Mod::PitchWheelSensitivity;
            break;
        default:
            return std::nullopt;
        }
    }
    return static_cast<uint16_t>(index | curve << 10 | (bipolar ? Sf2Mod::Bipolar : 0) |
                                 (invert ? Sf2Mod::Negative : 0));
}

// Through the pitch-wheel sensitivity a SoundFont amount counts semitones / 127, a DLS
// scale semitones / 128.
constexpr double RpnFactor = 12800.0 / 12700.0;

std::optional<TDlsConnection> ModulatorToConnection(const TSf2RegionModulator& m) {
    if (m.Transform != Sf2Mod::TransformLinear && m.Transform != Sf2Mod::TransformAbsolute)
        return std::nullopt;
    double amount = m.Amount;
    if (m.Transform == Sf2Mod::TransformAbsolute) {
        // |x| is x itself when neither source can go negative.
        if ((m.Src & Sf2Mod::Bipolar) || (m.AmtSrc & Sf2Mod::Bipolar)) return std::nullopt;
        amount = std::fabs(amount);
    }
    const auto src = SourceToDls(m.Src);
    const auto ctl = SourceToDls(m.AmtSrc);
    if (!src || !ctl || src->Id == DlsSrc::None) return std::nullopt;
    const TModTarget* target = nullptr;
    for (const auto& t : ModTargets)
        if (t.Gen == m.Dest) {
            target = &t;
            break;
        }
    if (!target) return std::nullopt;
    if (src->Id == DlsSrc::Rpn0 || ctl->Id == DlsSrc::Rpn0) amount *= RpnFactor;
    TDlsConnection c;
    c.Destination = target->Destination;
    c.Scale = Fix(amount * target->Factor);
    if (target->Depth != DlsSrc::None) {
        if (ctl->Id != DlsSrc::None) return std::nullopt; // DLS has one control only
        c.Source = target->Depth;
        c.Control = src->Id;
        c.Transform = Trn(DlsTrn::None, false, false, src->Curve, src->Bipolar, src->Invert);
    } else {
        c.Source = src->Id;
        c.Control = ctl->Id;
        c.Transform =
            Trn(src->Curve, src->Bipolar, src->Invert, ctl->Curve, ctl->Bipolar, ctl->Invert);
    }
    return c;
}

bool IsDefault(const TDlsConnection& c) {
    const auto& defaults = DlsDefaultConnections(TDlsLevel::Level2);
    return std::find(defaults.begin(), defaults.end(), c) != defaults.end();
}
bool HasDefaultTriple(const TDlsConnection& c) {
    const auto& defaults = DlsDefaultConnections(TDlsLevel::Level2);
    return std::any_of(defaults.begin(), defaults.end(),
                       [&](const TDlsConnection& d) { return SameTriple(c, d); });
}

// A Level 1 block in the Level 2 form.
TDlsConnection Level2Form(TDlsConnection c) {
    TDlsTransform t;
    if (c.Transform == DlsTrn::Concave) {
        t.Source = DlsTrn::Concave;
        t.SourceInvert = true;
    }
    if (c.Source == DlsSrc::PitchWheel || c.Source == DlsSrc::Cc10) t.SourceBipolar = true;
    if (c.Source == DlsSrc::PitchWheel && c.Control == DlsSrc::None &&
        c.Destination == DlsDst::Pitch) {
        c.Control = DlsSrc::Rpn0;
        c.Scale = Fix(Unfix(c.Scale) * 64);
    }
    c.Transform = t.Pack();
    return c;
}

int16_t Short(double v) {
    return static_cast<int16_t>(std::clamp(std::round(v), -32768.0, 32767.0));
}

// The SoundFont generator value a connection's scale stands for.
int32_t GenValue(const TGenLink& link, int32_t scale) {
    switch (link.Kind) {
    case TGenKind::Sustain:
        return 1000 - Round(Unfix(scale));
    case TGenKind::ScaleTuning:
        return Round(Unfix(scale) / 128);
    case TGenKind::Filter:
        return scale == FilterDisabled ? SfFilterOff : Round(Unfix(scale));
    case TGenKind::Plain:
        break;
    }
    if (scale == NoTime && IsTimeDestination(link.Destination)) return -32768;
    return Round(Unfix(scale));
}

// A value from DLS as a generator amount: 16 bits, and a time no shorter than the
// SoundFont's shortest (DLS's "no time at all" becomes that).
int32_t HeldIn(uint16_t op, int32_t v) {
    const TSf2GenInfo& info = Sf2GenInfo(op);
    if (info.Min == -12000) v = std::max(v, -12000);
    return std::clamp(v, -32768, 32767);
}

bool SameIdentity(const TSf2RegionModulator& r, const TSf2Modulator& m) {
    return r.Src == m.Src && r.Dest == m.Dest && r.AmtSrc == m.AmtSrc;
}

} // namespace

const std::vector<TDlsConnection>& DlsDefaultConnections(TDlsLevel level) {
    auto build = [](bool level1) {
        using namespace DlsDst;
        const int32_t fiveHz = Fix(6900 + 1200 * std::log2(5.0 / 440.0));
        const int32_t tenMs = Fix(1200 * std::log2(0.01));
        const uint16_t none = DlsSrc::None;
        const uint16_t invertedConcave = Trn(DlsTrn::Concave, false, true);
        const uint16_t bipolar = Trn(DlsTrn::None, true, false);
        std::vector<TDlsConnection> d = {
            {none, none, LfoFrequency, 0, fiveHz},
            {none, none, LfoStartDelay, 0, tenMs},
            {none, none, VibFrequency, 0, fiveHz},
            {none, none, VibStartDelay, 0, tenMs},
            {none, none, Eg1DelayTime, 0, NoTime},
            {none, none, Eg1AttackTime, 0, NoTime},
            {none, none, Eg1HoldTime, 0, NoTime},
            {none, none, Eg1DecayTime, 0, NoTime},
            {none, none, Eg1SustainLevel, 0, 1000 << 16},
            {none, none, Eg1ReleaseTime, 0, NoTime},
            {none, none, Eg2DelayTime, 0, NoTime},
            {none, none, Eg2AttackTime, 0, NoTime},
            {none, none, Eg2HoldTime, 0, NoTime},
            {none, none, Eg2DecayTime, 0, NoTime},
            {none, none, Eg2SustainLevel, 0, 1000 << 16},
            {none, none, Eg2ReleaseTime, 0, NoTime},
            {none, none, FilterCutoff, 0, FilterDisabled},
            {DlsSrc::KeyOnVelocity, none, Gain, invertedConcave, -960 * 65536},
            {DlsSrc::Cc7, none, Gain, invertedConcave, -960 * 65536},
            {DlsSrc::Cc11, none, Gain, invertedConcave, -960 * 65536},
            {DlsSrc::Cc10, none, Pan, bipolar, 508 << 16},
            {DlsSrc::Cc91, none, Reverb, 0, 1000 << 16},
            {DlsSrc::Cc93, none, Chorus, 0, 1000 << 16},
            {DlsSrc::PitchWheel, DlsSrc::Rpn0, Pitch, bipolar, 12800 << 16},
            {DlsSrc::KeyNumber, none, Pitch, 0, 12800 << 16},
            {level1 ? DlsSrc::Lfo : DlsSrc::Vibrato, DlsSrc::Cc1, Pitch, 0, 50 << 16},
        };
        return d;
    };
    static const std::vector<TDlsConnection> level1 = build(true), level2 = build(false);
    return level == TDlsLevel::Level1 ? level1 : level2;
}

std::vector<TDlsConnection> DlsEffectiveConnections(const TDlsInstrument& instrument,
                                                    const TDlsRegion& region) {
    const auto& arts =
        region.Articulations.empty() ? instrument.Articulations : region.Articulations;
    const bool level1 = !arts.empty() && std::all_of(arts.begin(), arts.end(), [](auto& a) {
        return a.Level == TDlsLevel::Level1;
    });
    std::vector<TDlsConnection> list =
        DlsDefaultConnections(level1 ? TDlsLevel::Level1 : TDlsLevel::Level2);
    for (const auto& art : arts)
        for (TDlsConnection c : art.Connections) {
            if (art.Level == TDlsLevel::Level1) c = Level2Form(c);
            auto it = std::find_if(list.begin(), list.end(),
                                   [&](const TDlsConnection& e) { return SameTriple(e, c); });
            if (it == list.end())
                list.push_back(c);
            else
                *it = c;
        }
    return list;
}

const std::array<TSf2Modulator, 10>& PlayerDefaultModulators() {
    static const std::array<TSf2Modulator, 10> mods = [] {
        auto m = Sf2DefaultModulators();
        for (auto& d : m)
            if (d.Dest == Sf2Gen::InitialFilterFc &&
                d.Src == (Sf2Mod::NoteOnVelocity | Sf2Mod::Negative))
                d.AmtSrc = Sf2Mod::NoteOnVelocity | Sf2Mod::Switch;
        return m;
    }();
    return mods;
}

std::vector<TSf2RegionModulator> Sf2PlayedModulators(const TSf2Bank& bank, size_t presetIndex,
                                                     const TSf2Region& region) {
    const TSf2Modulator* tableForm = nullptr;
    for (const auto& d : Sf2DefaultModulators())
        if (d.Dest == Sf2Gen::InitialFilterFc) tableForm = &d;
    const TSf2Modulator* playerForm = nullptr;
    for (const auto& d : PlayerDefaultModulators())
        if (d.Dest == Sf2Gen::InitialFilterFc) playerForm = &d;

    // Both velocity-to-filter forms are taken from the zones as FluidSynth takes them:
    // the instrument level (zone, else global zone) replaces, the preset level adds to
    // an identical one or stands alone. Only the player's form has a default.
    auto find = [](const TSf2Zone& z, const TSf2Modulator& identity) -> const TSf2Modulator* {
        const TSf2Modulator* found = nullptr;
        for (const auto& m : z.Mods)
            if (m.SameAs(identity)) found = &m;
        return found;
    };
    auto level = [&](const std::vector<TSf2Zone>& zones, size_t zone, uint16_t linkOper,
                     const TSf2Modulator& identity) -> const TSf2Modulator* {
        if (zone >= zones.size()) return nullptr;
        if (const auto* m = find(zones[zone], identity)) return m;
        const bool hasGlobal =
            zone != 0 && std::none_of(zones[0].Gens.begin(), zones[0].Gens.end(),
                                      [&](const TSf2Generator& g) { return g.Oper == linkOper; });
        return hasGlobal ? find(zones[0], identity) : nullptr;
    };
    auto played = [&](const TSf2Modulator& identity,
                      bool isDefault) -> std::optional<TSf2RegionModulator> {
        TSf2RegionModulator m{
            identity.Src,          identity.Dest, identity.AmtSrc, identity.Transform, 0,
            TSf2ModOrigin::Default};
        bool present = isDefault;
        if (isDefault) m.Amount = identity.Amount;
        if (region.Instrument < bank.Instruments.size())
            if (const auto* z = level(bank.Instruments[region.Instrument].Zones,
                                      region.InstrumentZone, Sf2Gen::SampleId, identity)) {
                m.Amount = z->Amount;
                m.Transform = z->Transform;
                m.Origin = TSf2ModOrigin::Instrument;
                present = true;
            }
        if (presetIndex < bank.Presets.size())
            if (const auto* z = level(bank.Presets[presetIndex].Zones, region.PresetZone,
                                      Sf2Gen::Instrument, identity)) {
                if (!present) m.Transform = z->Transform;
                m.Amount += z->Amount;
                m.Origin = TSf2ModOrigin::Preset;
                present = true;
            }
        if (!present || m.Amount == 0) return std::nullopt;
        return m;
    };

    std::vector<TSf2RegionModulator> list = region.Modulators;
    size_t at = list.size();
    auto velocityFilter = [&](const TSf2RegionModulator& r) {
        return SameIdentity(r, *playerForm) || SameIdentity(r, *tableForm);
    };
    for (size_t i = 0; i < list.size(); ++i)
        if (velocityFilter(list[i])) at = std::min(at, i);
    std::erase_if(list, velocityFilter);
    at = std::min(at, list.size());
    for (const auto& m : {played(*playerForm, true), played(*tableForm, false)})
        if (m) list.insert(list.begin() + static_cast<std::ptrdiff_t>(at++), *m);
    return list;
}

std::array<int32_t, Sf2GenCount> Sf2PlayedGenerators(const TSf2Bank& bank, size_t presetIndex,
                                                     const TSf2Region& region) {
    std::array<int32_t, Sf2GenCount> gen = region.Gen;
    // A zone's value of `op` by the resolver's rules: generators after the link
    // generator do not count, a repeated one counts with its last value.
    auto valueIn = [](const TSf2Zone& zone, uint16_t op, uint16_t link) -> std::optional<int16_t> {
        std::optional<int16_t> v;
        for (const auto& g : zone.Gens) {
            if (g.Oper == link) break;
            if (g.Oper == op) v = g.Amount.Short();
        }
        return v;
    };
    auto level = [&](const std::vector<TSf2Zone>& zones, size_t zone, uint16_t op,
                     uint16_t link) -> std::optional<int16_t> {
        if (zone >= zones.size()) return std::nullopt;
        if (auto v = valueIn(zones[zone], op, link)) return v;
        const bool global =
            zone != 0 && std::none_of(zones[0].Gens.begin(), zones[0].Gens.end(),
                                      [&](const TSf2Generator& g) { return g.Oper == link; });
        return global ? valueIn(zones[0], op, link) : std::nullopt;
    };
    if (region.Instrument >= bank.Instruments.size() || presetIndex >= bank.Presets.size())
        return gen;
    const auto& izones = bank.Instruments[region.Instrument].Zones;
    const auto& pzones = bank.Presets[presetIndex].Zones;
    for (uint16_t op = 0; op < Sf2GenCount; ++op) {
        const TSf2GenInfo& info = Sf2GenInfo(op);
        if (info.Kind != TSf2GenKind::Value || !info.Clamped) continue;
        int32_t v =
            level(izones, region.InstrumentZone, op, Sf2Gen::SampleId).value_or(info.Default);
        if (info.PresetLevel)
            v += level(pzones, region.PresetZone, op, Sf2Gen::Instrument).value_or(0);
        gen[op] = v;
    }
    return gen;
}

namespace VoiceSetMap {

std::vector<TDlsConnection> ToConnections(const std::array<int32_t, Sf2GenCount>& gen,
                                          const std::vector<TSf2RegionModulator>& played,
                                          size_t& unexpressed) {
    std::vector<TDlsConnection> out;
    // Connections meeting on one source, control and destination add up when their
    // curves agree; DLS keeps only one of each otherwise.
    auto add = [&](const TDlsConnection& c, bool fromModulator) {
        auto it = std::find_if(out.begin(), out.end(),
                               [&](const TDlsConnection& e) { return SameTriple(e, c); });
        if (it == out.end()) {
            out.push_back(c);
        } else if (it->Transform == c.Transform) {
            it->Scale = Fix(Unfix(it->Scale) + Unfix(c.Scale));
        } else if (fromModulator) {
            ++unexpressed;
        }
    };
    for (const auto& link : GenLinks) {
        const int32_t v = gen[link.Gen];
        int32_t scale = 0;
        switch (link.Kind) {
        case TGenKind::Plain:
            scale = IsTimeDestination(link.Destination) && v <= -12000 ? NoTime : Fix(v);
            break;
        case TGenKind::Sustain:
            scale = Fix(std::max(0, 1000 - v));
            break;
        case TGenKind::ScaleTuning:
            scale = Fix(128.0 * v);
            break;
        case TGenKind::Filter:
            scale = v == SfFilterOff && gen[Sf2Gen::InitialFilterQ] == 0 ? FilterDisabled : Fix(v);
            break;
        }
        add({link.Source, DlsSrc::None, link.Destination, 0, scale}, false);
    }
    add({DlsSrc::None, DlsSrc::None, DlsDst::Pitch, 0,
         Fix(100.0 * gen[Sf2Gen::CoarseTune] + gen[Sf2Gen::FineTune])},
        false);
    for (const auto& m : played) {
        if (auto c = ModulatorToConnection(m))
            add(*c, true);
        else
            ++unexpressed;
    }
    // A default the SoundFont side does without (its modulator switched off) has to be
    // switched off in DLS too.
    for (const TDlsConnection& d : DlsDefaultConnections(TDlsLevel::Level2))
        if (std::none_of(out.begin(), out.end(),
                         [&](const TDlsConnection& c) { return SameTriple(c, d); }))
            out.push_back({d.Source, d.Control, d.Destination, d.Transform, 0});
    std::erase_if(out, [](const TDlsConnection& c) {
        return IsDefault(c) || (c.Scale == 0 && !HasDefaultTriple(c));
    });
    return out;
}

TSf2Articulation FromConnections(const std::vector<TDlsConnection>& effective,
                                 size_t& unexpressed) {
    TSf2Articulation a;
    for (uint16_t op = 0; op < Sf2GenCount; ++op) {
        const auto& info = Sf2GenInfo(op);
        a.Gen[op] =
            info.Kind == TSf2GenKind::Value || info.Kind == TSf2GenKind::Flags ? info.Default : 0;
    }
    // Level 2.0 scales envelope times by the normalised key number; kept until the base
    // times are known: (base generator, key generator, scale).
    struct TKeyTime {
        uint16_t Base, Key;
        int32_t Scale;
    };
    std::vector<TKeyTime> keyTimes;

    for (TDlsConnection c : effective) {
        TDlsTransform t = TDlsTransform::Unpack(c.Transform);
        if (c.Source == DlsSrc::None && c.Control != DlsSrc::None) {
            // A constant source scaled by a control is the control acting alone.
            c.Source = c.Control;
            c.Control = DlsSrc::None;
            t.Source = t.Control;
            t.SourceBipolar = t.ControlBipolar;
            t.SourceInvert = t.ControlInvert;
            t.Control = DlsTrn::None;
            t.ControlBipolar = t.ControlInvert = false;
        }
        const bool plain = c.Control == DlsSrc::None && t == TDlsTransform{};
        if (plain) {
            bool done = false;
            for (const auto& link : GenLinks)
                if (link.Source == c.Source && link.Destination == c.Destination) {
                    a.Gen[link.Gen] = HeldIn(link.Gen, GenValue(link, c.Scale));
                    done = true;
                    break;
                }
            if (done) continue;
            if (c.Source == DlsSrc::None && c.Destination == DlsDst::Pitch) {
                a.TuningCents += Round(Unfix(c.Scale));
                continue;
            }
            if (c.Source == DlsSrc::None && c.Destination == DlsDst::Gain) {
                a.AttenuationCb -= Round(Unfix(c.Scale));
                continue;
            }
            if (c.Source == DlsSrc::KeyNumber) {
                using namespace DlsDst;
                const uint16_t d = c.Destination;
                if (d == Eg1HoldTime || d == Eg1DecayTime || d == Eg2HoldTime ||
                    d == Eg2DecayTime) {
                    const bool hold = d == Eg1HoldTime || d == Eg2HoldTime;
                    const bool vol = d == Eg1HoldTime || d == Eg1DecayTime;
                    keyTimes.push_back(
                        {vol ? (hold ? Sf2Gen::HoldVolEnv : Sf2Gen::DecayVolEnv)
                             : (hold ? Sf2Gen::HoldModEnv : Sf2Gen::DecayModEnv),
                         vol ? (hold ? Sf2Gen::KeynumToVolEnvHold : Sf2Gen::KeynumToVolEnvDecay)
                             : (hold ? Sf2Gen::KeynumToModEnvHold : Sf2Gen::KeynumToModEnvDecay),
                         c.Scale});
                    continue;
                }
            }
        }
        if (t.Output != DlsTrn::None) {
            ++unexpressed;
            continue;
        }
        // The depth of an LFO or envelope under a control.
        if (c.Source == DlsSrc::Lfo || c.Source == DlsSrc::Vibrato || c.Source == DlsSrc::Eg2) {
            const TModTarget* target = nullptr;
            for (const auto& mt : ModTargets)
                if (mt.Depth == c.Source && mt.Destination == c.Destination) target = &mt;
            const auto src = SourceToSf2(c.Control, t.Control, t.ControlBipolar, t.ControlInvert);
            if (!target || !src || t.Source != DlsTrn::None || t.SourceBipolar || t.SourceInvert) {
                ++unexpressed;
                continue;
            }
            if (c.Scale != 0)
                a.Played.push_back({*src, target->Gen, 0, 0, Short(Unfix(c.Scale) * target->Factor),
                                    TSf2ModOrigin::Instrument});
            continue;
        }
        const TModTarget* target = nullptr;
        for (const auto& mt : ModTargets)
            if (mt.Depth == DlsSrc::None && mt.Destination == c.Destination) {
                target = &mt;
                break;
            }
        const auto src = SourceToSf2(c.Source, t.Source, t.SourceBipolar, t.SourceInvert);
        const auto ctl = SourceToSf2(c.Control, t.Control, t.ControlBipolar, t.ControlInvert);
        if (!target || !src || !ctl || c.Source == DlsSrc::None) {
            ++unexpressed;
            continue;
        }
        double amount = Unfix(c.Scale) / target->Factor;
        if (c.Source == DlsSrc::Rpn0 || c.Control == DlsSrc::Rpn0) amount /= RpnFactor;
        const int16_t amt = Short(amount);
        if (amt != 0)
            a.Played.push_back({*src, target->Gen, *ctl, 0, amt, TSf2ModOrigin::Instrument});
    }
    for (const auto& k : keyTimes) {
        // time(key) = base + scale * key / 128 is base' + perKey * (60 - key).
        const double perKey = -Unfix(k.Scale) / 128;
        a.Gen[k.Key] = HeldIn(k.Key, Round(perKey));
        a.Gen[k.Base] = HeldIn(k.Base, Round(a.Gen[k.Base] - 60 * perKey));
    }
    return a;
}

} // namespace VoiceSetMap
