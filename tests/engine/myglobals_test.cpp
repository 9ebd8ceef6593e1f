// The game-wide object's music volume.
#include "engine/myglobals.h"

#include <gtest/gtest.h>

#include "engine/apicontext.h"

TEST(MusicVolume, IsClampedAndBecomesHundredthsOfADecibel) {
  struct Case {
    int volume;
    int stored;
    int32_t mB;
  };
  const Case cases[] = {
      {100, 100, 0},  {50, 50, -602}, {10, 10, -2000}, {1, 1, -4000},
      {0, 0, -10000}, {150, 100, 0},  {-5, 0, -10000}, {99, 99, -8},
  };
  APIContext context;
  MyGlobals globals(&context);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.volume);
    EXPECT_EQ(MyGlobals::MusicAttenuation(c.volume), c.mB);
    globals.SetMusicVolume(c.volume);
    EXPECT_EQ(globals.GetMusicVolume(), c.stored);
  }
}
