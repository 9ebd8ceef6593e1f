// The object base: ids from the run-wide counter, names, the common keys and copies.
#include "objects/objekt.h"

#include <gtest/gtest.h>

#include "engine/kvnode.h"
#include "support/kv_fixture.h"

namespace {

struct Thing final : Objekt {
  using Objekt::Objekt;
  Vector2 position, size, speed;
  Vector2* GetPosition() override { return &position; }
  Vector2* GetSize() override { return &size; }
  Vector2* GetSpeed() override { return &speed; }
};

}  // namespace

TEST(Objekt, IdsComeFromOneCounterAndNameTheUnnamed) {
  Objekt::SetNextId(0);
  Thing first;
  EXPECT_EQ(first.GetId(), 0u);
  EXPECT_EQ(first.GetName(), u"UNNAMED_OBJEKT_0");
  EXPECT_EQ(first.GetHealth(), 100.0);
  EXPECT_EQ(first.GetRenderExtraId(), -1);

  // A copy is a new object: copying twice gives three distinct ids, one apart each, and
  // the copies keep the source's name.
  Thing copy(first);
  Thing copyOfCopy(copy);
  EXPECT_EQ(copy.GetId(), 1u);
  EXPECT_EQ(copyOfCopy.GetId(), 2u);
  EXPECT_EQ(copyOfCopy.GetName(), u"UNNAMED_OBJEKT_0");

  // A new id takes the counter's next value; nothing else changes.
  EXPECT_EQ(first.AssignNewId(), 3u);
  EXPECT_TRUE(first.HasId(3));
  EXPECT_FALSE(first.HasId(0));
  EXPECT_EQ(first.GetName(), u"UNNAMED_OBJEKT_0");
  EXPECT_EQ(Objekt::PeekNextId(), 4u);
}

TEST(Objekt, ReadsItsKeysAndTreatsKeysWithoutValuesAsAbsent) {
  auto root = ParseBody(
      u"<A><NAME> \"Kiste\" <\\NAME><HEALTH> \"42.5\" <\\HEALTH><RENDER_EXTRA_ID> \"3\" <\\RENDER_EXTRA_ID>"
      u"<RENDER_EXTRA_TYPEN> \"GLOW\" \"HEAT\" \"GLOW\" <\\RENDER_EXTRA_TYPEN><\\A>"
      u"<B><NAME> <\\NAME><HEALTH> <\\HEALTH><RENDER_EXTRA_ID> <\\RENDER_EXTRA_ID>"
      u"<RENDER_EXTRA_TYPEN> <\\RENDER_EXTRA_TYPEN><\\B>");
  Thing a(root->GetChild(0, u"A"));
  EXPECT_EQ(a.GetName(), u"Kiste");
  EXPECT_EQ(a.GetHealth(), 42.5);
  EXPECT_EQ(a.GetRenderExtraId(), 3);
  EXPECT_EQ(a.GetRenderExtraTypes(), (std::vector<std::u16string>{u"GLOW", u"HEAT", u"GLOW"}));

  Objekt::SetNextId(77);
  Thing b(root->GetChild(0, u"B"));
  EXPECT_EQ(b.GetName(), u"UNNAMED_OBJEKT_77");
  EXPECT_EQ(b.GetHealth(), 100.0);
  EXPECT_EQ(b.GetRenderExtraId(), -1);
  EXPECT_TRUE(b.GetRenderExtraTypes().empty());
}

TEST(Objekt, ACopyKeepsEmptyExtraAnimationSlotsAndTheRenderExtraSettings) {
  auto root = ParseBody(u"<A><RENDER_EXTRA_TYPEN> \"GLOW\" <\\RENDER_EXTRA_TYPEN><\\A>");
  Thing source(root->GetChild(0, u"A"));
  source.ExtraAnimations().push_back(nullptr);
  source.ExtraAnimationNames().push_back(u"GLOW");
  Thing copy(source);
  ASSERT_EQ(copy.ExtraAnimations().size(), 1u);
  EXPECT_EQ(copy.ExtraAnimations()[0], nullptr);
  EXPECT_EQ(copy.ExtraAnimationNames(), source.ExtraAnimationNames());
  EXPECT_EQ(copy.GetRenderExtraTypes(), source.GetRenderExtraTypes());
}
