// The start-up probe: what it reports on this machine, and that a broken library
// or any added check that fails brings the version to 0.
#include "sound/platform/SoundPlatform.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

int Calls = 0;
bool Works() {
    ++Calls;
    return true;
}
bool Broken() {
    ++Calls;
    return false;
}

} // namespace

TEST(DetectDirectXVersion, UsableLibrariesGiveTheRequiredVersion) {
    std::string failed = "stale";
    EXPECT_EQ(DetectDirectXVersion({}, &failed), DirectXVersionUsable);
    EXPECT_EQ(failed, "");
    EXPECT_EQ(DirectXVersionUsable, 0x800u);
    ASSERT_EQ(SoundPlatformChecks().size(), 2u);
    for (const TPlatformCheck& check : SoundPlatformChecks())
        EXPECT_TRUE(check.Usable());
}

TEST(DetectDirectXVersion, AddedChecksRunInOrderAndTheFirstFailureDecides) {
    const TPlatformCheck more[] = {{"FluidSynth", Works}, {"libevdev", Broken}, {"later", Works}};
    std::string failed;
    Calls = 0;
    EXPECT_EQ(DetectDirectXVersion(more, &failed), 0u);
    EXPECT_EQ(failed, "libevdev");
    EXPECT_EQ(Calls, 2);

    const TPlatformCheck good[] = {{"FluidSynth", Works}};
    EXPECT_EQ(DetectDirectXVersion(good, &failed), DirectXVersionUsable);
    EXPECT_EQ(failed, "");
    EXPECT_EQ(DetectDirectXVersion(more), 0u); // no name wanted
}

TEST(DetectDirectXVersion, BrokenOrMissingAlsaConfigurationIsUnusable) {
    // ALSA keeps its configuration for the process: each case runs in a child.
    TTempDir dir;
    dir.WriteText("broken.conf", "pcm.x { type \n");
    dir.WriteText("empty.conf", "# no devices at all\n");
    for (const char* name : {"broken.conf", "empty.conf", "missing.conf"}) {
        const std::string path = dir.Path(name);
        EXPECT_EXIT(
            {
                ::setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
                std::string failed;
                uint32_t v = DetectDirectXVersion({}, &failed);
                std::exit(v == 0 && failed == "ALSA" ? 0 : 1);
            },
            testing::ExitedWithCode(0), "")
            << name;
    }
}
