// The staff's spelling: MIDI notes as numbered notation, and the letters written on
// the staff in the key of each transposition.
#include "ui/StaffSpelling.h"

#include <gtest/gtest.h>

namespace {

TKeyNote Note(int degree, int accidental, int octave, int keyboard = 0, int velocity = 0) {
    return TKeyNote{static_cast<uint8_t>(degree), static_cast<uint8_t>(accidental),
                    static_cast<uint8_t>(octave), static_cast<uint8_t>(keyboard), velocity};
}

::testing::AssertionResult Is(const TKeyNote& n, int degree, int accidental, int octave) {
    if (n.Degree == degree && n.Accidental == accidental && n.Octave == octave)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "degree " << int(n.Degree) << " accidental " << int(n.Accidental) << " octave "
           << int(n.Octave) << ", expected " << degree << " " << accidental << " " << octave;
}

TKeyNote FromMidi(int midi, int transpose) {
    TKeyNote n = Note(5, 2, 7, 1, 90); // keyboard and velocity must survive
    MidiToSlot(midi, transpose, n);
    EXPECT_EQ(n.Keyboard, 1);
    EXPECT_EQ(n.Velocity, 90);
    return n;
}

TEST(MidiToSlot, SpellsTheNoteLessTheTranspositionWithSharps) {
    EXPECT_TRUE(Is(FromMidi(61, 0), 1, 1, 4));
    EXPECT_TRUE(Is(FromMidi(61, 2), 7, 0, 3));
    EXPECT_TRUE(Is(FromMidi(60, 2), 6, 1, 3));
    EXPECT_TRUE(Is(FromMidi(60, -4), 3, 0, 4));
    EXPECT_TRUE(Is(FromMidi(24, 0), 1, 0, 1));
    EXPECT_TRUE(Is(FromMidi(127, 0), 5, 0, 9));
    EXPECT_TRUE(Is(FromMidi(12, 0), 1, 0, 0));
}

TEST(MidiToSlot, NotesAbove127OrBelowOctaveZeroAreEmpty) {
    EXPECT_FALSE(FromMidi(128, 0).HasNote());
    EXPECT_FALSE(FromMidi(131, 7).HasNote()) << "the range is of the note itself";
    EXPECT_FALSE(FromMidi(11, 0).HasNote());
    EXPECT_FALSE(FromMidi(15, 4).HasNote());
    EXPECT_FALSE(FromMidi(-12, 0).HasNote());
}

TKeyNote Respelled(TKeyNote n, int transpose) {
    RespellForKey(n, transpose);
    return n;
}

TEST(RespellForKey, LettersAndOctavesInTheKey) {
    // D: do is D, mi is F (sharpened by the signature), mi flat is F natural, ti is
    // C of the octave above.
    EXPECT_TRUE(Is(Respelled(Note(1, 0, 4), 2), 2, 0, 4));
    EXPECT_TRUE(Is(Respelled(Note(3, 0, 4), 2), 4, 0, 4));
    EXPECT_TRUE(Is(Respelled(Note(3, 2, 4), 2), 4, NaturalSign, 4));
    EXPECT_TRUE(Is(Respelled(Note(7, 0, 4), 2), 1, 0, 5));
    // A flat: do is A an octave down, do sharp A natural.
    EXPECT_TRUE(Is(Respelled(Note(1, 0, 4), -4), 6, 0, 3));
    EXPECT_TRUE(Is(Respelled(Note(1, 1, 4), -4), 6, NaturalSign, 3));
    // B flat: fa is E, fa sharp E natural, mi flat D flat (D is not altered).
    EXPECT_TRUE(Is(Respelled(Note(4, 0, 4), -2), 3, 0, 4));
    EXPECT_TRUE(Is(Respelled(Note(4, 1, 4), -2), 3, NaturalSign, 4));
    EXPECT_TRUE(Is(Respelled(Note(3, 2, 4), -2), 2, 2, 4));
    // F sharp: do flat is F natural, do sharp stays F sharp.
    EXPECT_TRUE(Is(Respelled(Note(1, 2, 4), 6), 4, NaturalSign, 4));
    EXPECT_TRUE(Is(Respelled(Note(1, 1, 4), 6), 4, 1, 4));
    // C: nothing moves.
    EXPECT_TRUE(Is(Respelled(Note(6, 1, 3), 0), 6, 1, 3));
}

TEST(RespellForKey, EmptySlotsAndUnknownTranspositionsStayAsTheyAre) {
    EXPECT_TRUE(Is(Respelled(Note(0, 0, 4), 2), 0, 0, 4));
    EXPECT_TRUE(Is(Respelled(Note(3, 1, 4), 8), 3, 1, 4));
    EXPECT_TRUE(Is(Respelled(Note(3, 1, 4), -5), 3, 1, 4));
    EXPECT_TRUE(Is(Respelled(Note(9, 0, 4), 2), 9, 0, 4));
    const TKeyNote right = Respelled(Note(1, 0, 4, 1, 77), 5);
    EXPECT_EQ(right.Keyboard, 1);
    EXPECT_EQ(right.Velocity, 77);
}

} // namespace
