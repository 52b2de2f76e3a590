#include <gtest/gtest.h>
#include "platform/DSound.h"
TEST(SoundMixer, Placeholder) { EXPECT_EQ(Kivo::DSoundVolumeGain(0), 1.0); }
