// DLS articulation vocabulary: connection sources, destinations and transforms of
// Level 1 and Level 2, and the bit layout of a Level 2 transform field.
#pragma once

#include <cstdint>

namespace DlsSrc {
constexpr uint16_t None = 0x000;
constexpr uint16_t Lfo = 0x001; // the modulation LFO
constexpr uint16_t KeyOnVelocity = 0x002;
constexpr uint16_t KeyNumber = 0x003;
constexpr uint16_t Eg1 = 0x004; // volume envelope
constexpr uint16_t Eg2 = 0x005; // modulation envelope
constexpr uint16_t PitchWheel = 0x006;
// Level 2
constexpr uint16_t PolyPressure = 0x007;
constexpr uint16_t ChannelPressure = 0x008;
constexpr uint16_t Vibrato = 0x009; // the vibrato (pitch) LFO
constexpr uint16_t MonoPressure = 0x00A;
// Controllers are 0x80 + the controller number.
constexpr uint16_t Cc(unsigned controller) {
    return uint16_t(0x080 + (controller & 0x7F));
}
constexpr uint16_t Cc1 = 0x081;  // modulation wheel
constexpr uint16_t Cc7 = 0x087;  // channel volume
constexpr uint16_t Cc10 = 0x08A; // pan
constexpr uint16_t Cc11 = 0x08B; // expression
constexpr uint16_t Cc91 = 0x0DB; // reverb send (Level 2)
constexpr uint16_t Cc93 = 0x0DD; // chorus send (Level 2)
constexpr uint16_t Rpn0 = 0x100; // pitch-bend range (Level 2)
constexpr uint16_t Rpn1 = 0x101; // fine tuning (Level 2)
constexpr uint16_t Rpn2 = 0x102; // coarse tuning (Level 2)
} // namespace DlsSrc

namespace DlsDst {
constexpr uint16_t None = 0x000;
constexpr uint16_t Attenuation = 0x001; // Level 1 name
constexpr uint16_t Gain = 0x001;        // Level 2 name of the same destination
constexpr uint16_t Pitch = 0x003;
constexpr uint16_t Pan = 0x004;
constexpr uint16_t KeyNumber = 0x005; // Level 2
// Output channels and effect sends (Level 2)
constexpr uint16_t Left = 0x010;
constexpr uint16_t Right = 0x011;
constexpr uint16_t Center = 0x012;
constexpr uint16_t LeftRear = 0x013;
constexpr uint16_t RightRear = 0x014;
constexpr uint16_t LfeChannel = 0x015;
constexpr uint16_t Chorus = 0x080;
constexpr uint16_t Reverb = 0x081;
// LFOs
constexpr uint16_t LfoFrequency = 0x104;
constexpr uint16_t LfoStartDelay = 0x105;
constexpr uint16_t VibFrequency = 0x114; // Level 2
constexpr uint16_t VibStartDelay = 0x115;
// Volume envelope
constexpr uint16_t Eg1AttackTime = 0x206;
constexpr uint16_t Eg1DecayTime = 0x207;
constexpr uint16_t Eg1ReleaseTime = 0x209;
constexpr uint16_t Eg1SustainLevel = 0x20A;
constexpr uint16_t Eg1DelayTime = 0x20B; // Level 2 from here
constexpr uint16_t Eg1HoldTime = 0x20C;
constexpr uint16_t Eg1ShutdownTime = 0x20D;
constexpr uint16_t Eg1KeyNumToHold = 0x20E;
constexpr uint16_t Eg1KeyNumToDecay = 0x20F;
// Modulation envelope
constexpr uint16_t Eg2AttackTime = 0x30A;
constexpr uint16_t Eg2DecayTime = 0x30B;
constexpr uint16_t Eg2ReleaseTime = 0x30D;
constexpr uint16_t Eg2SustainLevel = 0x30E;
constexpr uint16_t Eg2DelayTime = 0x30F; // Level 2 from here
constexpr uint16_t Eg2HoldTime = 0x310;
constexpr uint16_t Eg2KeyNumToHold = 0x311;
constexpr uint16_t Eg2KeyNumToDecay = 0x312;
// Filter (Level 2)
constexpr uint16_t FilterCutoff = 0x500;
constexpr uint16_t FilterQ = 0x501;
} // namespace DlsDst

// Curves. A Level 1 transform field holds one of these; a Level 2 field packs three
// (output, control, source) with polarity bits, see TDlsTransform.
namespace DlsTrn {
constexpr uint8_t None = 0;
constexpr uint8_t Concave = 1;
constexpr uint8_t Convex = 2; // Level 2
constexpr uint8_t Switch = 3; // Level 2
} // namespace DlsTrn

// The Level 2 transform field: bits 0-3 output curve, 4-7 control curve, 8 control
// bipolar, 9 control inverted, 10-13 source curve, 14 source bipolar, 15 source
// inverted.
struct TDlsTransform {
    uint8_t Output = DlsTrn::None;
    uint8_t Control = DlsTrn::None;
    bool ControlBipolar = false;
    bool ControlInvert = false;
    uint8_t Source = DlsTrn::None;
    bool SourceBipolar = false;
    bool SourceInvert = false;

    static constexpr TDlsTransform Unpack(uint16_t v) {
        TDlsTransform t;
        t.Output = uint8_t(v & 0xF);
        t.Control = uint8_t((v >> 4) & 0xF);
        t.ControlBipolar = (v >> 8) & 1;
        t.ControlInvert = (v >> 9) & 1;
        t.Source = uint8_t((v >> 10) & 0xF);
        t.SourceBipolar = (v >> 14) & 1;
        t.SourceInvert = (v >> 15) & 1;
        return t;
    }
    constexpr uint16_t Pack() const {
        return uint16_t((Output & 0xF) | (Control & 0xF) << 4 | int(ControlBipolar) << 8 |
                        int(ControlInvert) << 9 | (Source & 0xF) << 10 | int(SourceBipolar) << 14 |
                        int(SourceInvert) << 15);
    }
    bool operator==(const TDlsTransform&) const = default;
};
