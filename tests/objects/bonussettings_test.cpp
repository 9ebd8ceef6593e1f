#include "objects/bonussettings.h"

#include <gtest/gtest.h>

TEST(BonusSettings, SelectByNameFallsBackToTheDefaultSet) {
  BonusSettings settings;
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetDefault());
  settings.AddSet({u"WENIG"});
  settings.AddSet({u"DEFAULT"});
  settings.AddSet({u"VIEL"});
  settings.AddSet({u"WENIG"});

  const std::u16string wenig = u"WENIG", unknown = u"KEINE", def = u"DEFAULT";
  settings.Select(&wenig);
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetSets()[0]);  // the first of the name
  settings.AddSet({u"MEHR"});                                 // the current set survives appends
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetSets()[0]);
  settings.Select(&def);
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetSets()[1]);
  settings.Select(&unknown);
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetDefault());
  settings.Select(nullptr);
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetDefault());
}
