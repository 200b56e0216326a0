// Value ranges and box texts of the performer state.
#include "controller/PerformerText.h"

#include <algorithm>
#include <cstdio>

namespace {
// Indexed by transposition + 4.
constexpr const char* KeyNames[12] = {"bA", "A",  "bB", "B", "C",  "bD",
                                      "D",  "bE", "E",  "F", "#F", "G"};
constexpr int KeySignatures[12] = {11, 3, 9, 5, 0, 12, 2, 10, 4, 8, 6, 1};

int TableIndex(int t) {
    return std::clamp(t, MinTranspose, MaxTranspose) - MinTranspose;
}
} // namespace

int WrapTranspose(int t) {
    t %= 12; // the sign of t stays
    if (t > MaxTranspose)
        t -= 12;
    else if (t < MinTranspose)
        t += 12;
    return t;
}

int ClampOctave(int o) {
    return std::clamp(o, -1, 1);
}

int ClampVelocity(int v) {
    return std::clamp(v, 0, 127);
}

const char* TransposeKeyName(int t) {
    return KeyNames[TableIndex(t)];
}

int KeySignatureCode(int t) {
    return KeySignatures[TableIndex(t)];
}

std::string TransposeText(int t) {
    char buf[24];
    std::snprintf(buf, sizeof buf, t > 0 ? "1=%s (+%d)" : "1=%s (%d)", TransposeKeyName(t), t);
    return buf;
}

std::string OctaveText(int o) {
    char buf[16];
    std::snprintf(buf, sizeof buf, o > 0 ? "+%d" : "%d", o);
    return buf;
}

std::string NumberText(int v) {
    return std::to_string(v);
}
