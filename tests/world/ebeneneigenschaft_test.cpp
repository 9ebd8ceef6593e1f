#include "world/ebeneneigenschaft.h"

#include <gtest/gtest.h>

#include "engine/kvnode.h"
#include "support/kv_fixture.h"

TEST(EbenenEigenschaften, TheBuiltInDefaultAnswersFirst) {
  EbenenEigenschaften list;
  auto root = ParseBody(
      uR"(
    <EBENENEIGENSCHAFTEN> <NAME> "DEFAULT" <\NAME> <GRAVITATION> "0" "999" <\GRAVITATION> <\EBENENEIGENSCHAFTEN>
    <PERSONENEIGENSCHAFTEN> <NAME> "ERDE" <\NAME> <\PERSONENEIGENSCHAFTEN>
    <EBENENEIGENSCHAFTEN> <NAME> "ERDE" <\NAME> <GRAVITATION> "0" "120" <\GRAVITATION> <\EBENENEIGENSCHAFTEN>
    <EBENENEIGENSCHAFTEN> <NAME> "SCHIEF" <\NAME> <GRAVITATION> "-15.5" <\GRAVITATION> <\EBENENEIGENSCHAFTEN>
    <EBENENEIGENSCHAFTEN> <NAME> "ERDE" <\NAME> <GRAVITATION> "0" "1" <\GRAVITATION> <\EBENENEIGENSCHAFTEN>)");
  list.Load(root.get());
  list.Load(nullptr);
  ASSERT_EQ(list.GetCount(), 5u);

  struct Case {
    const char16_t* name;  // null: no name
    const char16_t* found;
    float x, y;
  };
  const Case cases[] = {
      {u"DEFAULT", u"DEFAULT", 0.0f, 100.0f},  // the file's "DEFAULT" is never found
      {u"ERDE", u"ERDE", 0.0f, 120.0f},        // the first of a name, from the front
      {u"SCHIEF", u"SCHIEF", -15.5f, 100.0f},  // a missing y keeps its default
      {u"erde", u"DEFAULT", 0.0f, 100.0f},    {u"MOND", u"DEFAULT", 0.0f, 100.0f},
      {nullptr, u"DEFAULT", 0.0f, 100.0f},
  };
  for (const Case& c : cases) {
    std::u16string name = c.name ? c.name : u"";
    const EbenenEigenschaft& set = list.Find(c.name ? &name : nullptr);
    EXPECT_EQ(set.name, c.found) << name.size();
    EXPECT_EQ(set.gravity.x, c.x);
    EXPECT_EQ(set.gravity.y, c.y);
    EXPECT_EQ(set.factor, 1.0);
  }
  EXPECT_EQ(&list.Find(u"DEFAULT"), &list.GetDefault());
}
