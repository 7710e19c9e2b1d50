#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "iqdenoiser.h"
#include "iqframe.h"
#include "pipelinetestutil.h"

using namespace pipelinetest;

namespace {

long long frameBytes(const NrFrame* frame)
{
    return framePlanesByteCount(frame->format, frame->width, frame->height);
}

std::vector<uint8_t> pixels(const NrFrame* frame)
{
    return std::vector<uint8_t>(frame->planes[0], frame->planes[0] + frameBytes(frame));
}

std::vector<uint8_t> blob(const uint8_t* profile)
{
    return std::vector<uint8_t>(profile, profile + NR_PROFILE_BLOB_SIZE);
}

// What a fresh engine makes of src with the given profile blob and settings.
std::vector<uint8_t> processedWithProfile(const NrFrame* src, const uint8_t* profile, int luminance,
                                          int chrominance = 0, int detail = 0)
{
    NrEngine* engine = nullptr;
    EXPECT_EQ(nr_engine_create(&engine), NR_OK);
    nr_engine_set_mode(engine, 0);
    nr_engine_set_strength(engine, 0);
    nr_engine_set_detail(engine, detail);
    nr_engine_set_luma_strength(engine, luminance);
    nr_engine_set_chroma_strength(engine, chrominance);
    EXPECT_EQ(nr_engine_load_profile(engine, profile), NR_OK);
    FramePtr dst(duplicateFrame(src));
    EXPECT_EQ(nr_engine_process(engine, src, dst.get(), nullptr, nullptr), NR_OK);
    nr_engine_destroy(engine);
    return pixels(dst.get());
}

} // namespace

TEST(Denoiser, FirstRunEstimatesAndLaterRunsReuseTheProfile)
{
    FramePtr first = frameFromImage(noisyImage(96, 64, 1, 14.0));
    FramePtr second = frameFromImage(noisyImage(96, 64, 2, 3.0));
    FramePtr dst(duplicateFrame(first.get()));

    IQDenoiser denoiser;
    ASSERT_TRUE(denoiser.hasEngine());
    EXPECT_EQ(denoiser.cachedProfile(), nullptr);
    denoiser.setLuminance(60);
    ASSERT_EQ(denoiser.process(first.get(), dst.get()), NR_OK);
    ASSERT_NE(denoiser.cachedProfile(), nullptr);
    const std::vector<uint8_t> profile = blob(denoiser.cachedProfile());
    EXPECT_NE(pixels(dst.get()), pixels(first.get())) << "luminance 60 changes a noisy photo";

    // A changed slider between runs does not estimate again: the second photo is processed with
    // the first photo's profile.
    denoiser.setLuminance(80);
    ASSERT_EQ(denoiser.process(second.get(), dst.get()), NR_OK);
    EXPECT_EQ(blob(denoiser.cachedProfile()), profile);
    EXPECT_EQ(pixels(dst.get()), processedWithProfile(second.get(), profile.data(), 80));
}

TEST(Denoiser, TurningChromaOnReplacesAProfileWithoutChromaOnce) {
    FramePtr photo = frameFromImage(noisyImage(96, 64, 1, 14.0));
    FramePtr other = frameFromImage(noisyImage(96, 64, 2, 5.0));
    // Chroma comes on through either setter that reaches the engine's chroma strength.
    struct Case {
        const char* name;
        void (*chromaOn)(IQDenoiser&);
    } cases[] = {{"setChrominance", [](IQDenoiser& d) { d.setChrominance(50); }},
                 {"setStrength", [](IQDenoiser& d) { d.setStrength(50); }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FramePtr dst(duplicateFrame(photo.get()));
        IQDenoiser denoiser;
        denoiser.setLuminance(40);
        ASSERT_EQ(denoiser.process(photo.get(), dst.get()), NR_OK);
        const std::vector<uint8_t> withoutChroma = blob(denoiser.cachedProfile());

        c.chromaOn(denoiser);
        denoiser.setLuminance(40);
        ASSERT_EQ(denoiser.process(photo.get(), dst.get()), NR_OK);

        IQDenoiser fresh;
        fresh.setLuminance(40);
        c.chromaOn(fresh);
        fresh.setLuminance(40);
        FramePtr freshDst(duplicateFrame(photo.get()));
        ASSERT_EQ(fresh.process(photo.get(), freshDst.get()), NR_OK);
        const std::vector<uint8_t> withChroma = blob(fresh.cachedProfile());
        ASSERT_NE(withChroma, withoutChroma) << "an estimate with chroma adds chroma tables";

        EXPECT_EQ(pixels(dst.get()), pixels(freshDst.get()));
        EXPECT_EQ(blob(denoiser.cachedProfile()), withChroma);

        // From now on the cache is loaded, not measured again: another photo is denoised with
        // the first photo's profile, also after chroma went off and on again.
        denoiser.setChrominance(0);
        denoiser.setChrominance(70);
        FramePtr otherDst(duplicateFrame(other.get()));
        ASSERT_EQ(denoiser.process(other.get(), otherDst.get()), NR_OK);
        EXPECT_EQ(blob(denoiser.cachedProfile()), withChroma);
        const std::vector<uint8_t> expected =
            processedWithProfile(other.get(), withChroma.data(), 40, 70);
        EXPECT_EQ(pixels(otherDst.get()), expected);
        IQDenoiser ownProfile;
        ownProfile.setLuminance(40);
        ownProfile.setChrominance(70);
        FramePtr ownDst(duplicateFrame(other.get()));
        ASSERT_EQ(ownProfile.process(other.get(), ownDst.get()), NR_OK);
        EXPECT_NE(pixels(ownDst.get()), expected) << "the other photo's own profile differs";
    }
}

TEST(Denoiser, ChromaGoingOffKeepsTheProfile) {
    FramePtr photo = frameFromImage(noisyImage(96, 64, 3, 12.0));
    FramePtr other = frameFromImage(noisyImage(96, 64, 4, 4.0));
    FramePtr dst(duplicateFrame(photo.get()));
    IQDenoiser denoiser;
    denoiser.setChrominance(60);
    ASSERT_EQ(denoiser.process(photo.get(), dst.get()), NR_OK);
    const std::vector<uint8_t> profile = blob(denoiser.cachedProfile());
    denoiser.setChrominance(0);
    denoiser.setLuminance(70);
    FramePtr otherDst(duplicateFrame(other.get()));
    ASSERT_EQ(denoiser.process(other.get(), otherDst.get()), NR_OK);
    EXPECT_EQ(blob(denoiser.cachedProfile()), profile);
    EXPECT_EQ(pixels(otherDst.get()), processedWithProfile(other.get(), profile.data(), 70, 0));
}

TEST(Denoiser, EachSliderReachesTheEngine)
{
    FramePtr photo = frameFromImage(noisyImage(96, 64, 1, 14.0));
    FramePtr dst(duplicateFrame(photo.get()));
    struct Case {
        int luminance, chrominance, sharpness;
    } cases[] = {{0, 80, 0}, {60, 0, 0}, {60, 0, 90}, {30, 70, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.luminance << " " << c.chrominance << " " << c.sharpness);
        IQDenoiser denoiser;
        denoiser.setLuminance(c.luminance);
        denoiser.setChrominance(c.chrominance);
        denoiser.setSharpness(c.sharpness);
        ASSERT_EQ(denoiser.process(photo.get(), dst.get()), NR_OK);
        const uint8_t* profile = denoiser.cachedProfile();
        EXPECT_EQ(pixels(dst.get()), processedWithProfile(photo.get(), profile, c.luminance,
                                                          c.chrominance, c.sharpness));
        // Without these settings the picture would come out otherwise.
        EXPECT_NE(pixels(dst.get()), processedWithProfile(photo.get(), profile, 0, 0, 0));
    }
}

TEST(Denoiser, FailedEstimateEstimatesAgainOnTheNextRun)
{
    FramePtr good = frameFromImage(noisyImage(64, 32));
    NrFrame unknown = *good;
    unknown.format = 0x402;
    FramePtr dst(duplicateFrame(good.get()));
    NrFrame unknownDst = *dst;
    unknownDst.format = 0x402;

    IQDenoiser denoiser;
    EXPECT_EQ(denoiser.process(&unknown, &unknownDst), NR_ERR_FORMAT);
    EXPECT_EQ(denoiser.cachedProfile(), nullptr);
    EXPECT_EQ(denoiser.process(good.get(), dst.get()), NR_OK);
    EXPECT_NE(denoiser.cachedProfile(), nullptr);
}

TEST(Denoiser, GivenBlobIsLoadedAtOnceAndLeftAlone)
{
    FramePtr photo = frameFromImage(noisyImage(64, 48, 7, 10.0));
    FramePtr other = frameFromImage(noisyImage(64, 48, 8, 25.0));
    IQDenoiser estimator;
    FramePtr dst(duplicateFrame(photo.get()));
    ASSERT_EQ(estimator.process(photo.get(), dst.get()), NR_OK);
    std::vector<uint8_t> given = blob(estimator.cachedProfile());
    const std::vector<uint8_t> original = given;

    IQDenoiser denoiser(given.data());
    ASSERT_NE(denoiser.cachedProfile(), nullptr);
    EXPECT_NE(denoiser.cachedProfile(), given.data()) << "the denoiser keeps its own copy";
    denoiser.setLuminance(50);
    ASSERT_EQ(denoiser.process(other.get(), dst.get()), NR_OK);
    EXPECT_EQ(given, original);
    EXPECT_EQ(blob(denoiser.cachedProfile()), original);
    EXPECT_EQ(pixels(dst.get()), processedWithProfile(other.get(), original.data(), 50));
}

TEST(Denoiser, NullFramesAreRefusedBeforeAnythingIsCached)
{
    FramePtr photo = frameFromImage(noisyImage(32, 16));
    FramePtr dst(duplicateFrame(photo.get()));
    const std::vector<uint8_t> before = pixels(dst.get());
    IQDenoiser denoiser;
    EXPECT_EQ(denoiser.process(nullptr, dst.get()), NR_ERR_INVALID_ARG);
    EXPECT_EQ(denoiser.process(photo.get(), nullptr), NR_ERR_INVALID_ARG);
    EXPECT_EQ(denoiser.cachedProfile(), nullptr);
    EXPECT_EQ(pixels(dst.get()), before);
}

TEST(Denoiser, SettersRememberWhatTheyForward)
{
    IQDenoiser denoiser;
    EXPECT_EQ(denoiser.luminanceValue(), 0);
    denoiser.setLuminance(40);
    denoiser.setChrominance(25);
    denoiser.setSharpness(70);
    denoiser.setStrength(90);
    EXPECT_EQ(denoiser.luminanceValue(), 40);
    EXPECT_EQ(denoiser.chrominanceValue(), 25);
    EXPECT_EQ(denoiser.sharpnessValue(), 70);
}

TEST(Denoiser, ZeroSettingsAndMismatchedFrames)
{
    FramePtr photo = frameFromImage(noisyImage(40, 20));
    FramePtr wider = frameFromImage(noisyImage(44, 20));
    IQDenoiser denoiser;
    EXPECT_EQ(denoiser.process(photo.get(), wider.get()), NR_ERR_SIZE);
    EXPECT_NE(denoiser.cachedProfile(), nullptr) << "the estimate ran on the valid source";
}
