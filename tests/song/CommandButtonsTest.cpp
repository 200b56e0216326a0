#include "song/CommandButtons.h"

#include <gtest/gtest.h>

namespace {

using TRow = std::array<bool, CommandButtonCount>;

TEST(CommandButtons, OnlyTheRunningCommandWorksAndSaveWaitsForAnUnsavedSong) {
    const struct {
        bool Recording, Playing;
        const char* Name;
        bool Empty;
        TRow Enabled; // Open Save Play Record Setup Help About
        const char* Why;
    } cases[] = {
        {true, false, "", true, {0, 0, 0, 1, 0, 0, 0}, "recording: Record alone"},
        {true, false, "/songs/a.lyt", false, {0, 0, 0, 1, 0, 0, 0}, "recording over a song"},
        {false, true, "/songs/a.lyt", false, {0, 0, 1, 0, 0, 0, 0}, "playing: Play alone"},
        {false, false, "", true, {1, 1, 0, 1, 1, 1, 1}, "no song yet: Save is offered"},
        {false, false, "NewFile", false, {1, 1, 1, 1, 1, 1, 1}, "an unsaved recording"},
        {false, false, "NewFile", true, {1, 1, 0, 1, 1, 1, 1}, "recorded nothing"},
        {false, false, "/songs/a.lyt", false, {1, 0, 1, 1, 1, 1, 1}, "a saved song"},
        {false, false, "/songs/NewFile", false, {1, 0, 1, 1, 1, 1, 1}, "a path is no new name"},
        {false, false, "/songs/empty.lyt", true, {1, 0, 0, 1, 1, 1, 1}, "an empty song"},
    };
    for (const auto& c : cases) {
        const TCommandButtonStates s = CommandButtonsFor(c.Recording, c.Playing, c.Name, c.Empty);
        EXPECT_EQ(s.Enabled, c.Enabled) << c.Why;
        EXPECT_EQ(s.RecordLatched, c.Recording) << c.Why;
        EXPECT_EQ(s.PlayLatched, c.Playing) << c.Why;
    }
    const TCommandButtonStates fresh = InitialCommandButtons();
    EXPECT_EQ(fresh.Enabled, (TRow{1, 0, 0, 1, 1, 1, 1}));
    EXPECT_FALSE(fresh.PlayLatched || fresh.RecordLatched);
}

} // namespace
