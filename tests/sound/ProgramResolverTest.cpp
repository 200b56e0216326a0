#include "sound/ProgramResolver.h"

#include "sound/VoiceList.h"

#include <gtest/gtest.h>

namespace {

TVoiceList ListOf(std::initializer_list<uint32_t> patches) {
    TVoiceList list;
    int i = 0;
    for (uint32_t patch : patches) {
        TVoiceEntry e;
        e.Index = i++;
        e.Patch = patch;
        list.Add(e);
    }
    return list;
}

} // namespace

TEST(ProgramResolver, AnswersThePatchElseTheProgramsStandIn) {
    // Positions: 0 a variation (LSB 3) of program 5 in bank 70, 1 program 5 in bank
    // 66, 2 program 5 in the main bank 65, 3 program 7 only as a variation, 4 the kit
    // of program 16, 5 the kit of program 0, 6 a program past 127.
    const TVoiceList voices =
        ListOf({MakePatch(70, 3, 5), MakePatch(66, 0, 5), MakePatch(65, 0, 5), MakePatch(71, 2, 7),
                MakePatch(0, 0, 16, true), MakePatch(0, 0, 0, true), MakePatch(65, 0, 200)});
    TProgramResolver resolver;
    resolver.Build(voices);
    const struct {
        uint32_t Patch;
        int Position;
    } cases[] = {
        {MakePatch(70, 3, 5), 0},       // the very patch
        {MakePatch(66, 0, 5), 1},       // another bank that has it
        {MakePatch(0, 0, 5), 2},        // a bank the set lacks: the lowest bank with LSB 0
        {MakePatch(70, 9, 5), 2},       // a variation the set lacks likewise
        {MakePatch(0, 0, 7), 3},        // no LSB 0 anywhere: the lowest bank that has it
        {MakePatch(0, 0, 8), -1},       // nothing has the program
        {MakePatch(0, 0, 16, true), 4}, // a kit by its program
        {MakePatch(9, 9, 16, true), 4}, // in any bank
        {MakePatch(0, 0, 25, true), 5}, // a program the kits lack: the first kit by patch
        {MakePatch(65, 0, 200), 6},     // a program past 127 only by its very patch
        {MakePatch(66, 0, 200), -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(resolver.Resolve(c.Patch), c.Position) << std::hex << c.Patch;
}

TEST(ProgramResolver, NothingResolvesWithoutASetOrAfterClear) {
    TProgramResolver resolver;
    EXPECT_EQ(resolver.Resolve(MakePatch(65, 0, 0)), -1);
    resolver.Build(ListOf({MakePatch(65, 0, 0), MakePatch(0, 0, 0, true)}));
    EXPECT_EQ(resolver.Resolve(MakePatch(0, 0, 0)), 0);
    resolver.Clear();
    EXPECT_EQ(resolver.Resolve(MakePatch(0, 0, 0)), -1);
    EXPECT_EQ(resolver.Resolve(MakePatch(0, 0, 0, true)), -1);
}
