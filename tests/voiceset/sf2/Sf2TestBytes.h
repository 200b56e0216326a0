// SoundFont 2 files laid out byte by byte for the tests, without the program's writer,
// so that the reader is checked against the file layout itself. TRawSf2 holds each
// table's records; a test edits them and then takes Bytes().
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace sf2test {

using TBytes = std::vector<uint8_t>;

inline void Add(TBytes& out, const TBytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}
inline TBytes U16(uint16_t v) {
    return {uint8_t(v), uint8_t(v >> 8)};
}
inline TBytes U32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
inline TBytes Cat(std::initializer_list<TBytes> parts) {
    TBytes out;
    for (const auto& p : parts)
        Add(out, p);
    return out;
}
inline TBytes Name20(const std::string& s) {
    TBytes b(20, 0);
    std::memcpy(b.data(), s.data(), std::min<size_t>(s.size(), 20));
    return b;
}
// A chunk with its size and, when odd, its pad byte.
inline TBytes Chunk(const char* id, const TBytes& data) {
    TBytes out(id, id + 4);
    Add(out, U32(uint32_t(data.size())));
    Add(out, data);
    if (data.size() & 1) out.push_back(0);
    return out;
}
// The same as some writers leave it: without the pad byte after odd-sized data.
inline TBytes ChunkNoPad(const char* id, const TBytes& data) {
    TBytes out(id, id + 4);
    Add(out, U32(uint32_t(data.size())));
    Add(out, data);
    return out;
}
inline TBytes List(const char* type, const TBytes& children) {
    return Chunk("LIST", Cat({TBytes(type, type + 4), children}));
}
// An INFO text: NUL-terminated, padded to an even size.
inline TBytes InfoText(const char* id, const std::string& s) {
    TBytes b(s.begin(), s.end());
    b.push_back(0);
    if (b.size() & 1) b.push_back(0);
    return Chunk(id, b);
}

inline TBytes Phdr(const std::string& name, uint16_t preset, uint16_t bank, uint16_t bag,
                   uint32_t library = 0, uint32_t genre = 0, uint32_t morphology = 0) {
    return Cat({Name20(name), U16(preset), U16(bank), U16(bag), U32(library), U32(genre),
                U32(morphology)});
}
inline TBytes Bag(uint16_t gen, uint16_t mod) {
    return Cat({U16(gen), U16(mod)});
}
inline TBytes Gen(uint16_t oper, uint16_t amount) {
    return Cat({U16(oper), U16(amount)});
}
inline TBytes Range(uint16_t oper, uint8_t lo, uint8_t hi) {
    return Gen(oper, lo | hi << 8);
}
inline TBytes Mod(uint16_t src, uint16_t dest, int16_t amount, uint16_t amtSrc,
                  uint16_t transform) {
    return Cat({U16(src), U16(dest), U16(uint16_t(amount)), U16(amtSrc), U16(transform)});
}
inline TBytes Inst(const std::string& name, uint16_t bag) {
    return Cat({Name20(name), U16(bag)});
}
inline TBytes Shdr(const std::string& name, uint32_t start, uint32_t end, uint32_t loopStart,
                   uint32_t loopEnd, uint32_t rate, uint8_t pitch, int8_t correction, uint16_t link,
                   uint16_t type) {
    return Cat({Name20(name), U32(start), U32(end), U32(loopStart), U32(loopEnd), U32(rate),
                TBytes{pitch, uint8_t(correction)}, U16(link), U16(type)});
}

struct TRawSf2 {
    TBytes Info; // the INFO list's sub-chunks
    TBytes Smpl; // the smpl chunk's bytes
    TBytes Sm24; // written only when not empty
    TBytes Phdr, Pbag, Pmod, Pgen, Inst, Ibag, Imod, Igen, Shdr;

    TBytes Sdta() const {
        TBytes s = Chunk("smpl", Smpl);
        if (!Sm24.empty()) Add(s, Chunk("sm24", Sm24));
        return List("sdta", s);
    }
    TBytes Pdta() const {
        return List("pdta", Cat({Chunk("phdr", Phdr), Chunk("pbag", Pbag), Chunk("pmod", Pmod),
                                 Chunk("pgen", Pgen), Chunk("inst", Inst), Chunk("ibag", Ibag),
                                 Chunk("imod", Imod), Chunk("igen", Igen), Chunk("shdr", Shdr)}));
    }
    TBytes Bytes() const {
        return Chunk("RIFF", Cat({TBytes{'s', 'f', 'b', 'k'}, List("INFO", Info), Sdta(), Pdta()}));
    }
};

// Sample points of the minimal bank: a ramp of 100 points, then 46 zeros.
inline std::vector<int16_t> RampPoints() {
    std::vector<int16_t> p;
    for (int i = 0; i < 100; ++i)
        p.push_back(int16_t(i * 300 - 15000));
    p.resize(146, 0);
    return p;
}

// One preset "Grand" (bank 0, preset 0, library 1, genre 2, morphology 3) with one
// zone: keyRange 0..127, instrument 0; instrument "GrandInst" with one zone:
// velRange 10..120, pan -200, sampleID 0, and a modulator CC1 -> filter cutoff; one
// sample "Ramp" [0, 100), loop [10, 90), 22050 Hz, key 62, -5 cents. Terminal records
// as a writer lays them out: zeros, named EOP/EOI/EOS.
inline TRawSf2 MinimalRaw() {
    TRawSf2 r;
    r.Info = Cat({Chunk("ifil", Cat({U16(2), U16(1)})), InfoText("isng", "EMU8000"),
                  InfoText("INAM", "Tiny")});
    for (int16_t v : RampPoints())
        Add(r.Smpl, U16(uint16_t(v)));
    r.Phdr = Cat({Phdr("Grand", 0, 0, 0, 1, 2, 3), Phdr("EOP", 0, 0, 1)});
    r.Pbag = Cat({Bag(0, 0), Bag(2, 0)});
    r.Pmod = Mod(0, 0, 0, 0, 0);
    r.Pgen = Cat({Range(43, 0, 127), Gen(41, 0), Gen(0, 0)});
    r.Inst = Cat({Inst("GrandInst", 0), Inst("EOI", 1)});
    r.Ibag = Cat({Bag(0, 0), Bag(3, 1)});
    r.Imod = Cat({Mod(0x0081, 8, -1200, 0, 0), Mod(0, 0, 0, 0, 0)});
    r.Igen = Cat({Range(44, 10, 120), Gen(17, uint16_t(-200)), Gen(53, 0), Gen(0, 0)});
    r.Shdr = Cat({Shdr("Ramp", 0, 100, 10, 90, 22050, 62, -5, 0, 1),
                  Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0)});
    return r;
}

} // namespace sf2test
