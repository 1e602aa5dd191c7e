#include "peaks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(PeaksTest, LevelIsMagnitudeDividedBy180)
{
    EXPECT_EQ(audio::peakLevel(0), 0);
    EXPECT_EQ(audio::peakLevel(179), 0);
    EXPECT_EQ(audio::peakLevel(-179), 0);
    EXPECT_EQ(audio::peakLevel(180), 1);
    EXPECT_EQ(audio::peakLevel(-180), 1);
    EXPECT_EQ(audio::peakLevel(16383), 91);
    EXPECT_EQ(audio::peakLevel(32767), 182);
    EXPECT_EQ(audio::peakLevel(-32768), 182);
    // Far outside the scale still gives a magnitude, never an overflow.
    EXPECT_EQ(audio::peakLevel(std::numeric_limits<int32_t>::min()), 2147483648LL / 180);
}

TEST(PeaksTest, SamplePeaksMapOntoTheSigned16BitScale)
{
    EXPECT_EQ(audio::sampleToReading(0.0f), 0);
    EXPECT_EQ(audio::sampleToReading(1.0f), 32767);
    EXPECT_EQ(audio::sampleToReading(-1.0f), -32767);
    EXPECT_EQ(audio::sampleToReading(0.5f), 16384);
    EXPECT_EQ(audio::sampleToReading(179.0f / 32767.0f), 179);
    EXPECT_EQ(audio::sampleToReading(180.0f / 32767.0f), 180);
    // Clipped float output must not read beyond full scale.
    EXPECT_EQ(audio::sampleToReading(1.7f), 32767);
    EXPECT_EQ(audio::sampleToReading(-3.0f), -32767);
    EXPECT_EQ(audio::sampleToReading(std::nanf("")), 0);
    EXPECT_EQ(audio::sampleToReading(std::numeric_limits<float>::infinity()), 32767);
}

TEST(PeaksTest, FullScaleLightsAtMost182)
{
    EXPECT_EQ(audio::peakLevel(audio::sampleToReading(1.0f)), 182);
    EXPECT_EQ(audio::peakLevel(audio::sampleToReading(0.5f)), 91);
    EXPECT_EQ(audio::peakLevel(audio::sampleToReading(179.0f / 32767.0f)), 0);
}
