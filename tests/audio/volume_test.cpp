#include "volume.h"

#include <gtest/gtest.h>

TEST(VolumeTest, WordCarriesTheSliderValueForBothChannels)
{
    EXPECT_EQ(audio::volumeWord(0), 0x00000000u);
    EXPECT_EQ(audio::volumeWord(50000), 0xC350C350u);
    EXPECT_EQ(audio::volumeWord(65534), 0xFFFEFFFEu);
    // Only the low 16 bits of the value count.
    EXPECT_EQ(audio::volumeWord(0x1C350), 0xC350C350u);
}

TEST(VolumeTest, GainIsLinearInTheChannelVolume)
{
    EXPECT_EQ(audio::volumeWordToGain(0), 0.0);
    EXPECT_EQ(audio::volumeWordToGain(0xFFFF), 1.0);
    EXPECT_DOUBLE_EQ(audio::volumeWordToGain(50000), 50000.0 / 65535.0);
    EXPECT_DOUBLE_EQ(audio::volumeWordToGain(65534), 65534.0 / 65535.0);
    // Equal steps of the slider give equal steps of gain.
    EXPECT_DOUBLE_EQ(audio::volumeWordToGain(20000) - audio::volumeWordToGain(10000),
                     audio::volumeWordToGain(40000) - audio::volumeWordToGain(30000));
}

TEST(VolumeTest, BothHalvesOfTheWordGiveTheSameGain)
{
    const uint32_t word = audio::volumeWord(50000);
    EXPECT_EQ(audio::volumeWordToGain(word & 0xFFFF), audio::volumeWordToGain(word >> 16));
}
