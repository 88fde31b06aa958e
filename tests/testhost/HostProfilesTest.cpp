// The test host's profiles: what each hands the plug-in, and that the
// linked plug-in gives the same labyrinth under each for the same seed.
#include "dialogs/DialogsPosix.h"
#include "entry/HostKind.h"
#include "entry/ModuleState.h"
#include "entry/Parameters.h"
#include "entry/Selectors.h"
#include "preview/PreviewBuffers.h"
#include "preview/PreviewImage.h"
#include "testhost/HostProfiles.h"
#include "testhost/HostSession.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const int32 width = 40, height = 30;

HostImage TestImage(int32 channels, bool withMask) {
    HostImage image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.bytesPerSample = 1;
    for (int32 i = 0; i < width * height * channels; ++i) image.samples.push_back(uint8_t(i * 13));
    if (withMask) {
        // A disc, so that the bounds are smaller than the image.
        image.mask.assign(size_t(width) * height, 0);
        for (int32 y = 0; y < height; ++y)
            for (int32 x = 0; x < width; ++x)
                if ((x - 22) * (x - 22) + (y - 16) * (y - 16) <= 81)
                    image.mask[size_t(y) * width + x] = 255;
    }
    return image;
}

HostSettings SettingsFor(int32 channels, bool withMask, const std::string& profile) {
    HostSettings settings;
    settings.imageMode = channels < 3 ? plugInModeGrayScale : plugInModeRGBColor;
    settings.planes = int16(channels);
    if (channels == 2 || channels == 4) {
        settings.inLayerPlanes = int16(channels - 1);
        settings.inTransparencyMask = 1;
    }
    settings.foreground = RGBColor{65535, 65535, 65535};  // white walls on black
    settings.background = RGBColor{0, 0, 0};
    if (withMask) settings.filterRect = Rect{7, 13, 26, 32};  // the disc's bounds
    std::string error;
    EXPECT_TRUE(ApplyHostProfiles(profile, &settings, &error)) << error;
    return settings;
}

// The generator's state the labyrinth starts from: the C runtime's seed
// and the plug-in as freshly loaded (the direction order it keeps from
// pass to pass among the rest).
void StartGenerator() {
    ResetModuleState();
    srand(7);
}

int32 confirmedDialogs = 0;
int16 amountShown = -1;

// The user of a dialog: takes what it shows, sets Amount 4 and confirms.
bool ConfirmWithAmountFour(FilterInstance* instance) {
    ++confirmedDialogs;
    FilterParameters* parameters = ParametersOf(instance->filter);
    amountShown = parameters != nullptr ? parameters->Amount : -1;
    if (parameters != nullptr) parameters->Amount = 4;
    AllocatePreviewBuffers(instance);
    *instance->result = FetchPreviewImage(instance);
    ReleasePreviewBuffers(instance);
    return *instance->result == noErr;
}

struct ProfileRun {
    int16 result = 0;
    FilterRecord record{};  // as the plug-in last saw it
    HostBytes out;
};

ProfileRun RunProfile(int32 channels, bool withMask, const std::string& profile, int16 amount = 4) {
    HostSession session;
    OpenHostSession(&session, TestImage(channels, withMask),
                    SettingsFor(channels, withMask, profile));
    ProfileRun run;
    run.record = session.record;
    SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, amount}});
    StartGenerator();
    nativeFilterDialog = ConfirmWithAmountFour;
    run.result = RunFilterSession(&session, PluginMain, false);
    nativeFilterDialog = nullptr;
    run.out = session.result.samples;
    CloseHostSession(&session);
    return run;
}

struct ProfileTest : ::testing::Test {
    int32_t hostKind = HostKind;
    void SetUp() override {
        HostKind = hostKindOther;
        confirmedDialogs = 0;
        amountShown = -1;
    }
    void TearDown() override {
        HostKind = hostKind;
        nativeFilterDialog = nullptr;
    }
};

TEST(HostProfiles, NamesCombineAndUnknownOnesAreRefused) {
    HostSettings settings;
    std::string error;
    EXPECT_TRUE(ApplyHostProfiles("colour-bytes,no-handles", &settings, &error)) << error;
    EXPECT_TRUE(settings.colourFieldsHoldBytes);
    EXPECT_FALSE(settings.haveHandleSuite);
    EXPECT_TRUE(settings.haveDescriptorSuites);
    EXPECT_FALSE(ApplyHostProfiles("colour-bytes,", &settings, &error));
    EXPECT_NE(error.find("empty"), std::string::npos) << error;
    EXPECT_FALSE(ApplyHostProfiles("gimp", &settings, &error));
    EXPECT_NE(error.find("'gimp'"), std::string::npos) << error;
    EXPECT_NE(error.find("photoshop, colour-bytes"), std::string::npos) << error;
    size_t count = 0;
    const HostProfile* all = HostProfiles(&count);
    EXPECT_EQ(count, 8u);
    EXPECT_STREQ(all[0].name, "photoshop");
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(FindHostProfile(all[i].name), &all[i]);
}

TEST(HostProfiles, PhotoshopIsTheDefault) {
    const HostSettings defaults;
    HostSettings settings;
    std::string error;
    ASSERT_TRUE(ApplyHostProfiles("photoshop", &settings, &error));
    EXPECT_EQ(memcmp(&defaults.foreground, &settings.foreground, sizeof(RGBColor)), 0);
    EXPECT_EQ(settings.colourFieldsHoldBytes, defaults.colourFieldsHoldBytes);
    EXPECT_EQ(settings.keepParameters, defaults.keepParameters);
    EXPECT_EQ(settings.haveDescriptorSuites, defaults.haveDescriptorSuites);
    EXPECT_EQ(settings.haveHandleSuite, defaults.haveHandleSuite);
    EXPECT_EQ(settings.haveDisplayPixels, defaults.haveDisplayPixels);
    EXPECT_EQ(settings.abortPumpsMessages, defaults.abortPumpsMessages);
    EXPECT_EQ(settings.maxSpaceInKilobytes, defaults.maxSpaceInKilobytes);
    EXPECT_EQ(settings.wholeImageFilterRect, defaults.wholeImageFilterRect);
}

TEST_F(ProfileTest, RecordsCarryEachConvention) {
    // (Pointers of the 4-byte-packed record are compared by value.)
    const ProfileRun photoshop = RunProfile(3, true, "photoshop");
    EXPECT_EQ(photoshop.record.foreground.red, 65535);
    EXPECT_EQ(photoshop.record.foreColor[0], 255);
    EXPECT_EQ(photoshop.record.foreColor[2], 255);
    EXPECT_EQ(photoshop.record.backColor[0], 0);
    EXPECT_EQ(photoshop.record.maxSpace, 64 * 1024 * 1024);
    EXPECT_TRUE(photoshop.record.descriptorParameters != nullptr);
    EXPECT_TRUE(photoshop.record.handleProcs != nullptr);
    EXPECT_TRUE(photoshop.record.displayPixels != nullptr);
    EXPECT_EQ(photoshop.record.filterRect.top, 7);  // the disc's bounds
    EXPECT_EQ(photoshop.record.filterRect.right, 32);

    const ProfileRun bytes = RunProfile(3, true, "colour-bytes");
    EXPECT_EQ(bytes.record.foreground.red, 255);
    EXPECT_EQ(bytes.record.foreground.blue, 255);
    EXPECT_EQ(bytes.record.foreColor[1], 255);
    EXPECT_EQ(bytes.record.background.green, 0);
    const ProfileRun gray = RunProfile(1, false, "colour-bytes");
    EXPECT_EQ(gray.record.foreground.green, 255);
    EXPECT_EQ(gray.record.foreColor[0], 255);
    EXPECT_EQ(gray.record.foreColor[1], 0);

    EXPECT_EQ(RunProfile(3, false, "kilobyte-space").record.maxSpace, 64 * 1024);
    EXPECT_TRUE(RunProfile(3, false, "no-handles").record.handleProcs == nullptr);
    EXPECT_TRUE(RunProfile(3, false, "no-display").record.displayPixels == nullptr);
    const ProfileRun whole = RunProfile(3, true, "whole-filter-rect");
    EXPECT_EQ(whole.record.filterRect.top, 0);
    EXPECT_EQ(whole.record.filterRect.left, 0);
    EXPECT_EQ(whole.record.filterRect.bottom, height);
    EXPECT_EQ(whole.record.filterRect.right, width);
    EXPECT_EQ(whole.record.haveMask, 1);
    const ProfileRun quiet = RunProfile(3, false, "no-descriptors");
    EXPECT_TRUE(quiet.record.descriptorParameters == nullptr);
}

// White walls on black, given as 8-bit values: the same image as from a
// host that gives them on the 16-bit scale, for every image kind.
TEST_F(ProfileTest, ColourBytesGiveTheSameImageAsPhotoshop) {
    for (int32 channels : {1, 2, 3, 4}) {
        for (bool withMask : {false, true}) {
            const ProfileRun photoshop = RunProfile(channels, withMask, "photoshop");
            const ProfileRun bytes = RunProfile(channels, withMask, "colour-bytes");
            ASSERT_EQ(photoshop.result, 0);
            ASSERT_EQ(bytes.result, 0);
            EXPECT_EQ(bytes.out, photoshop.out) << channels << " " << withMask;
            int32 white = 0;
            for (size_t i = 0; i < bytes.out.size(); i += size_t(channels))
                white += bytes.out[i] == 255 ? 1 : 0;
            EXPECT_GT(white, 0) << channels;
        }
    }
}

TEST_F(ProfileTest, ProfilesThatChangeNoPixelGiveTheSameImage) {
    const ProfileRun photoshop = RunProfile(3, true, "photoshop");
    for (const char* profile : {"kilobyte-space", "quiet-abort", "no-display", "no-handles",
                                "no-handles,colour-bytes,kilobyte-space"}) {
        const ProfileRun run = RunProfile(3, true, profile);
        EXPECT_EQ(run.result, 0) << profile;
        EXPECT_EQ(run.out, photoshop.out) << profile;
    }
}

// No descriptors and no kept parameters: the dialog comes up on every run,
// showing the default Amount, and the chosen Amount is the one drawn.
TEST_F(ProfileTest, NoDescriptorsRunsFromTheDialogEveryTime) {
    HostSession session;
    OpenHostSession(&session, TestImage(3, false), SettingsFor(3, false, "no-descriptors"));
    for (int32 run = 1; run <= 2; ++run) {
        amountShown = -1;
        StartGenerator();
        nativeFilterDialog = ConfirmWithAmountFour;
        EXPECT_EQ(RunFilterSession(&session, PluginMain, false), 0) << run;
        EXPECT_EQ(confirmedDialogs, run);
        EXPECT_EQ(amountShown, 10) << run;
    }
    // The same labyrinth as a replayed step with Amount 4.
    const ProfileRun replayed = RunProfile(3, false, "photoshop", 4);
    EXPECT_EQ(session.result.samples, replayed.out);
    nativeFilterDialog = nullptr;
    CloseHostSession(&session);
}

// The whole image as filter rectangle with a disc selection: pixels
// outside the disc keep their values.
TEST_F(ProfileTest, WholeFilterRectKeepsTheUnselectedPixels) {
    const HostImage image = TestImage(3, true);
    const ProfileRun run = RunProfile(3, true, "whole-filter-rect");
    ASSERT_EQ(run.result, 0);
    int32 changed = 0;
    for (size_t p = 0; p < image.mask.size(); ++p) {
        for (size_t c = 0; c < 3; ++c) {
            if (image.mask[p] == 0) {
                ASSERT_EQ(run.out[p * 3 + c], image.samples[p * 3 + c]) << p;
            } else {
                changed += run.out[p * 3 + c] != image.samples[p * 3 + c] ? 1 : 0;
                ASSERT_TRUE(run.out[p * 3 + c] == 0 || run.out[p * 3 + c] == 255) << p;
            }
        }
    }
    EXPECT_GT(changed, 0);
}

}  // namespace
