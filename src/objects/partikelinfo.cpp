// Particle types: reading "partikel.prt", the weighted picks and the start-value draws.
#include "objects/partikelinfo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/partikelliste.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/text.h"

namespace {

// Every key of a type block in the order the reader takes them.
constexpr const char16_t* kTypeKeys[] = {
    u"NAME",
    u"RENDER_EXTRA_TYPEN",
    u"DEATH_PARAM",
    u"DRAW_EBENE",
    u"RENDER_EXTRA_ID",
    u"CHECK_EXACT",
    u"CHECK_TELEPORTER",
    u"PARTIKELTYP",
    u"CHECK_KRAFTFELDER",
    u"ANIMATIONEN",
    u"ANIMATIONEN_PROP",
    u"COLORKEY",
    u"FADE_IN_TIME",
    u"FADE_OUT_TIME",
    u"FADING",
    u"SIZING",
    u"ROTATE_WITH_DIRECTION",
    u"ROTATE_WITH_NORMAL",
    u"ROTATE_WITH_COLLISION",
    u"ROTATE_MIRROR",
    u"CAN_BE_DELETED",
    u"CHANGES_EBENE",
    u"COLLISION_EBENE",
    u"COLLISION_WORM",
    u"LEBENSDAUER",
    u"ABHÄNGIGKEIT_WIND",
    u"REIBUNG_LUFT",
    u"REIBUNG_COLLISION",
    u"INIT_ROATION_SPEED",
    u"INIT_ROATION",
    u"MAXSPEED",
    u"GRAVITATION",
    u"INIT_SPEED",
    u"INIT_POSITION",
    u"SIZE",
    u"PARTIKEL_INFOS",
    u"PARTIKEL_PROP",
    u"DRAW",
    u"MAXPARTIKEL",
    u"SPAWNSPEED",
    u"SPAWNPOSITION",
    u"SPAWNPOSITION_OFFSET",
    u"REKURSION",
    u"EVENT_CREATE",
    u"EVENT_CREATE_PROP",
    u"EVENT_DELETE",
    u"EVENT_DELETE_PROP",
    u"EVENT_COLLIDE",
    u"EVENT_COLLIDE_PROP",
    u"EVENT_KILL",
    u"EVENT_KILL_PROP",
    u"EVENT_ENTER_WASSSER",
    u"EVENT_ENTER_WASSSER_PROP",
    u"EVENT_WORMCOLLIDE",
    u"EVENT_WORMCOLLIDE_PROP",
};
constexpr const char16_t* kDeathKeys[] = {u"TYP", u"AND", u"AND_SUB", u"DEATH_PARAM"};

// Reads a type block's keys, checking value counts and numbers, and reports what it
// cannot use on stderr under the type's name.
class TypeReader {
 public:
  TypeReader(const KVNode& node, const std::u16string& type) : m_node(node), m_type(type) {}

  void Report(std::u16string_view key, const char* what) const {
    std::fprintf(stderr, "partikel.prt: type \"%s\", key \"%s\": %s\n", platform::U16ToUtf8(m_type).c_str(),
                 platform::U16ToUtf8(std::u16string(key)).c_str(), what);
  }

  // The key's values when it is present with at least one; with fewer than `wanted` the
  // ones given are used and, when `reportShort`, that is reported.
  const KVNode* Values(std::u16string_view key, unsigned wanted, bool reportShort = true) const {
    const KVNode* child = m_node.GetChild(0, key);
    if (!child) return nullptr;
    if (child->GetValueCount() == 0) {
      Report(key, "no value; the default stands");
      return nullptr;
    }
    if (reportShort && child->GetValueCount() < wanted)
      Report(key, "too few values; the rest keep their defaults");
    return child;
  }

  // A finite number; NaN and infinities keep the default.
  bool Number(std::u16string_view key, const KVNode& values, unsigned index, double& out) const {
    if (index >= values.GetValueCount()) return false;
    const double v = values.GetValue(index)->AsDouble();
    if (!std::isfinite(v)) {
      Report(key, "not a finite number; the default stands");
      return false;
    }
    out = v;
    return true;
  }

  void Read(std::u16string_view key, PartikelInfo::Pair& pair) const {
    // Giving only the base is the usual shorthand for a fixed value.
    if (const KVNode* v = Values(key, 2, false)) {
      Number(key, *v, 0, pair.base);
      Number(key, *v, 1, pair.range);
    }
  }
  // A number for a single-precision vector: one beyond the float range would make it
  // infinite.
  bool FloatNumber(std::u16string_view key, const KVNode& values, unsigned index, double& out) const {
    double v = out;
    if (!Number(key, values, index, v)) return false;
    if (std::fabs(v) > double(std::numeric_limits<float>::max())) {
      Report(key, "a number too large; the default stands");
      return false;
    }
    out = v;
    return true;
  }
  void Read(std::u16string_view key, PartikelInfo::Quad& quad) const {
    if (const KVNode* v = Values(key, 4)) {
      FloatNumber(key, *v, 0, quad.baseX);
      FloatNumber(key, *v, 1, quad.baseY);
      FloatNumber(key, *v, 2, quad.rangeX);
      FloatNumber(key, *v, 3, quad.rangeY);
    }
  }
  void Read(std::u16string_view key, Vector2& vector) const {
    if (const KVNode* v = Values(key, 2)) {
      double x = vector.x, y = vector.y;
      FloatNumber(key, *v, 0, x);
      FloatNumber(key, *v, 1, y);
      vector = Vector2(float(x), float(y));
    }
  }
  bool Read(std::u16string_view key, int32_t& out, unsigned index = 0, unsigned wanted = 1) const {
    const KVNode* v = Values(key, wanted);
    if (!v || index >= v->GetValueCount()) return false;
    out = v->GetValue(index)->AsInt();
    return true;
  }
  bool Read(std::u16string_view key, bool& out, unsigned index = 0, unsigned wanted = 1) const {
    const KVNode* v = Values(key, wanted);
    if (!v || index >= v->GetValueCount()) return false;
    out = v->GetValue(index)->AsBool();
    return true;
  }
  void Read(std::u16string_view key, double& out, unsigned index, unsigned wanted) const {
    if (const KVNode* v = Values(key, wanted)) Number(key, *v, index, out);
  }
  void ReadTexts(std::u16string_view key, std::vector<std::u16string>& out) const {
    if (const KVNode* v = m_node.GetChild(0, key))
      for (unsigned i = 0; i < v->GetValueCount(); ++i) out.push_back(v->GetValue(i)->Text());
  }
  // At most `limit` weights; a weight that is not a finite number counts 1.0.
  std::vector<double> ReadWeights(std::u16string_view key, size_t limit) const {
    std::vector<double> weights;
    if (const KVNode* v = m_node.GetChild(0, key))
      for (unsigned i = 0; i < v->GetValueCount() && weights.size() < limit; ++i) {
        double w = 1.0;
        Number(key, *v, i, w);
        weights.push_back(w);
      }
    return weights;
  }
  void ReadNames(std::u16string_view key, std::u16string_view weightKey,
                 PartikelInfo::WeightedNames& list) const {
    ReadTexts(key, list.names);
    list.weights = CumulativeWeights(ReadWeights(weightKey, list.names.size()), list.names.size());
  }

 private:
  const KVNode& m_node;
  const std::u16string& m_type;
};

void CollectUnknown(const KVNode& node, const char16_t* const* begin, const char16_t* const* end,
                    std::vector<std::u16string>& out, int depth) {
  for (const auto& child : node.Children()) {
    const std::u16string& key = child->Name();
    if (std::none_of(begin, end, [&](const char16_t* known) { return key == known; })) {
      out.push_back(key);
      continue;
    }
    if (key == u"DEATH_PARAM" && depth < DeathParam::kMaxDepth)
      CollectUnknown(*child, std::begin(kDeathKeys), std::end(kDeathKeys), out, depth + 1);
  }
}

uint8_t DrawChannel(uint32_t base, uint32_t variation, int shift) {
  const float b = float((base >> shift) & 0xFF) / 255.0f;
  const float v = float((variation >> shift) & 0xFF) / 255.0f;
  const float r = float(platform::RandFraction());
  const float value = std::clamp(b + (2.0f * r - 1.0f) * v, 0.0f, 1.0f);
  return uint8_t(platform::TruncInRange(value * 255.0f));
}

}  // namespace

std::vector<double> CumulativeWeights(std::vector<double> weights, size_t count) {
  weights.resize(count, 1.0);
  double sum = 0.0;
  for (double w : weights) sum += w;
  double running = 0.0;
  for (double& w : weights) {
    running += w / sum;
    w = running;
  }
  return weights;
}

int32_t PickCumulative(const std::vector<double>& cumulative, double r) {
  for (size_t i = 0; i < cumulative.size(); ++i)
    if (cumulative[i] >= r) return int32_t(i);
  return -1;
}

double PartikelInfo::Pair::Draw() const { return base + platform::RandFraction() * range; }
double PartikelInfo::Pair::DrawSymmetric() const {
  return base + (2.0 * platform::RandFraction() - 1.0) * range;
}

const std::u16string& PartikelInfo::WeightedNames::Pick() const {
  static const std::u16string kNone;
  const int32_t i = PickCumulative(weights, platform::RandFraction());
  return i >= 0 && size_t(i) < names.size() ? names[size_t(i)] : kNone;
}

DeathParam::DeathParam(const KVNode& node, int depth) {
  if (const KVNode* typ = node.GetChild(0, u"TYP"))
    for (unsigned i = 0; i < typ->GetValueCount(); ++i) {
      const std::u16string& word = typ->GetValue(i)->Text();
      if (word == u"ALTER") bits |= kAge;
      if (word == u"SPEED") bits |= kAtRest;
      if (word == u"WORLD") bits |= kOutside;
      if (word == u"NO_PARTIKELS") bits |= kNoChildren;
      if (word == u"ANIMATION_END") bits |= kAnimationEnd;
    }
  node.Read(u"AND", all);
  node.Read(u"AND_SUB", andSub);
  if (const KVNode* sub = node.GetChild(0, u"DEATH_PARAM"); sub && depth + 1 < kMaxDepth)
    nested = std::make_unique<DeathParam>(*sub, depth + 1);
}

bool DeathParam::WithNested(bool own, uint32_t state) const {
  const bool sub = nested->Matches(state);
  return andSub ? own && sub : own || sub;
}

PartikelInfo::PartikelInfo(const KVNode* node, const AnimationManager* animationManager) {
  if (node) {
    node->Read(u"NAME", name);
    const TypeReader in(*node, name);
    in.ReadTexts(u"RENDER_EXTRA_TYPEN", renderExtraTypes);
    if (const KVNode* d = node->GetChild(0, u"DEATH_PARAM")) death = std::make_unique<DeathParam>(*d);
    in.Read(u"DRAW_EBENE", drawLayer);
    in.Read(u"RENDER_EXTRA_ID", renderExtraId);
    in.Read(u"CHECK_EXACT", checkExact);
    in.Read(u"CHECK_TELEPORTER", checkTeleporter);
    if (in.Read(u"PARTIKELTYP", partikelTyp)) checkForceFields = true;
    in.Read(u"CHECK_KRAFTFELDER", checkForceFields);

    std::vector<std::u16string> animationNames;
    in.ReadTexts(u"ANIMATIONEN", animationNames);
    std::vector<double> weights = in.ReadWeights(u"ANIMATIONEN_PROP", animationNames.size());
    weights.resize(animationNames.size(), 1.0);
    for (size_t i = 0; i < animationNames.size(); ++i) {
      const Animation* a = animationManager ? animationManager->FindAnimation(animationNames[i]) : nullptr;
      if (!a) {
        // A particle cannot draw or mask with an animation that does not exist.
        in.Report(u"ANIMATIONEN", "names an animation that does not exist; it is left out");
        continue;
      }
      animations.push_back(a);
      animationWeights.push_back(weights[i]);
    }
    animationWeights = CumulativeWeights(animationWeights, animations.size());

    if (const KVNode* v = in.Values(u"COLORKEY", 2)) {
      colourBase = platform::WToUL16(v->GetValue(0)->Text());
      if (v->GetValueCount() > 1) colourVariation = platform::WToUL16(v->GetValue(1)->Text());
    }
    in.Read(u"FADE_IN_TIME", fadeIn);
    in.Read(u"FADE_OUT_TIME", fadeOut);
    in.Read(u"FADING", fadingIn, 0, 2);
    in.Read(u"FADING", fadingOut, 1, 2);
    in.Read(u"SIZING", sizingIn, 0, 2);
    in.Read(u"SIZING", sizingOut, 1, 2);
    in.Read(u"ROTATE_WITH_DIRECTION", rotateWithDirection);
    in.Read(u"ROTATE_WITH_NORMAL", rotateWithNormal);
    in.Read(u"ROTATE_WITH_COLLISION", rotateWithCollision);
    in.Read(u"ROTATE_MIRROR", rotateMirror);
    in.Read(u"CAN_BE_DELETED", canBeDeleted);
    in.Read(u"CHANGES_EBENE", changesLayer);
    in.Read(u"COLLISION_EBENE", collisionShape);
    in.Read(u"COLLISION_WORM", collisionWorm);
    in.Read(u"LEBENSDAUER", lifetime);
    if (lifetime.range < 0.0 || (lifetime.base < 0.0 && lifetime.base + lifetime.range > 0.0)) {
      // A range that reaches across zero would give some particles a lifetime and others
      // none at random; the type lives without a limit, as without the key.
      in.Report(u"LEBENSDAUER", "a negative lifetime range; the particles live without a limit");
      lifetime = Pair{-1.0, 0.0};
    }
    in.Read(u"ABHÄNGIGKEIT_WIND", windFactor);
    in.Read(u"REIBUNG_LUFT", airFriction);
    in.Read(u"REIBUNG_COLLISION", collisionFriction);
    in.Read(u"INIT_ROATION_SPEED", spin);
    in.Read(u"INIT_ROATION", startAngle);
    in.Read(u"MAXSPEED", maxSpeed);
    in.Read(u"GRAVITATION", gravity);
    in.Read(u"INIT_SPEED", initSpeed);
    in.Read(u"INIT_POSITION", initPosition);
    in.Read(u"SIZE", size);
    in.ReadNames(u"PARTIKEL_INFOS", u"PARTIKEL_PROP", childTypes);
    in.Read(u"DRAW", draw);
    in.Read(u"MAXPARTIKEL", maxChildrenBase, 0, 2);
    in.Read(u"MAXPARTIKEL", maxChildrenRange, 1, 2);
    in.Read(u"SPAWNSPEED", spawnRate);
    in.Read(u"SPAWNPOSITION", spawnPosition);
    in.Read(u"SPAWNPOSITION_OFFSET", spawnOffset);
    in.Read(u"REKURSION", recursionBase, 0, 2);
    in.Read(u"REKURSION", recursionRange, 1, 2);
    in.ReadNames(u"EVENT_CREATE", u"EVENT_CREATE_PROP", eventCreate);
    in.ReadNames(u"EVENT_DELETE", u"EVENT_DELETE_PROP", eventDelete);
    in.ReadNames(u"EVENT_COLLIDE", u"EVENT_COLLIDE_PROP", eventCollide);
    in.ReadNames(u"EVENT_KILL", u"EVENT_KILL_PROP", eventKill);
    in.ReadNames(u"EVENT_ENTER_WASSSER", u"EVENT_ENTER_WASSSER_PROP", eventEnterWater);
    in.ReadNames(u"EVENT_WORMCOLLIDE", u"EVENT_WORMCOLLIDE_PROP", eventWormCollide);

    for (const std::u16string& key : UnknownKeys(*node)) in.Report(key, "unknown key; ignored");
    if ((collisionShape == 3 || collisionShape == 4) && animations.empty())
      in.Report(u"COLLISION_EBENE", "a mask shape without an animation; the particles collide as boxes");
  }
  BuildMasks();
}

PartikelInfo::~PartikelInfo() = default;

void PartikelInfo::BuildMasks() {
  if (collisionShape != 3 && collisionShape != 4) return;
  for (const Animation* a : animations) {
    const AnimationFrames* frames = a->GetFrames();
    for (int32_t i = 0; frames && i < frames->GetCount(); ++i)
      if (const AnimationFrame* f = frames->GetFrame(i); f && !m_masks.count(f))
        m_masks.emplace(f, SolidMask::FromTexture(f->texture ? f->texture->texture : nullptr, f->rect));
  }
}

const SolidMask* PartikelInfo::MaskFor(const AnimationFrame* frame) const {
  auto it = frame ? m_masks.find(frame) : m_masks.end();
  return it != m_masks.end() && it->second.width > 0 ? &it->second : nullptr;
}

std::vector<std::u16string> PartikelInfo::UnknownKeys(const KVNode& node) {
  std::vector<std::u16string> out;
  CollectUnknown(node, std::begin(kTypeKeys), std::end(kTypeKeys), out, 0);
  return out;
}

std::unique_ptr<Animation> PartikelInfo::PickAnimation() const {
  const int32_t i = PickCumulative(animationWeights, platform::RandFraction());
  return i >= 0 && size_t(i) < animations.size() ? animations[size_t(i)]->Clone() : nullptr;
}

Argb PartikelInfo::DrawColour() const {
  const uint8_t a = DrawChannel(colourBase, colourVariation, 24);
  const uint8_t r = DrawChannel(colourBase, colourVariation, 16);
  const uint8_t g = DrawChannel(colourBase, colourVariation, 8);
  const uint8_t b = DrawChannel(colourBase, colourVariation, 0);
  return (Argb(a) << 24) | (Argb(r) << 16) | (Argb(g) << 8) | Argb(b);
}

Vector2 PartikelInfo::DrawQuadSymmetric(const Quad& q) {
  const double r1 = platform::RandFraction();
  const double r2 = platform::RandFraction();
  return Vector2(float(q.baseX + (2.0 * r1 - 1.0) * q.rangeX), float(q.baseY + (2.0 * r2 - 1.0) * q.rangeY));
}

Vector2 PartikelInfo::DrawSize() const {
  const double r = platform::RandFraction();
  return Vector2(float(size.baseX + r * size.rangeX), float(size.baseY + r * size.rangeY));
}

Vector2 PartikelInfo::DrawSpawnPosition() const {
  const double r1 = platform::RandFraction();
  const double r2 = platform::RandFraction();
  return Vector2(float((2.0 * r1 - 1.0) * spawnPosition.x), float((2.0 * r2 - 1.0) * spawnPosition.y));
}

int32_t PartikelInfo::DrawMaxChildren() const {
  return platform::TruncToInt(maxChildrenBase + platform::RandFraction() * maxChildrenRange);
}

int32_t PartikelInfo::DrawRecursion() const {
  return platform::TruncToInt(recursionBase + platform::RandFraction() * recursionRange);
}

void PartikelInfo::LoadAll(const KVNode* root, PartikelListe& list, const AnimationManager* animations) {
  if (!root) return;
  for (unsigned i = 0, n = root->CountChildren(u"PARTIKEL_INFO"); i < n; ++i)
    list.AddInfo(std::make_unique<PartikelInfo>(root->GetChild(i, u"PARTIKEL_INFO"), animations));
  std::vector<const PartikelInfo*> earth;
  if (const KVNode* names = root->GetChild(0, u"ERDE_PARTIKEL"))
    for (unsigned i = 0; i < names->GetValueCount(); ++i)
      earth.push_back(list.FindInfo(names->GetValue(i)->Text()));
  std::vector<double> weights;
  if (const KVNode* props = root->GetChild(0, u"ERDE_PARTIKEL_PROP"))
    for (unsigned i = 0; i < props->GetValueCount(); ++i) {
      // A weight that is no number would make every pick fail; it counts 1.0.
      const double w = props->GetValue(i)->AsDouble();
      if (!std::isfinite(w) || w < 0.0)
        std::fprintf(stderr, "partikel.prt: ERDE_PARTIKEL_PROP: weight %u is not a number of 0 or more; 1 stands\n",
                     i + 1);
      weights.push_back(std::isfinite(w) && w >= 0.0 ? w : 1.0);
    }
  // Weights beyond the earth types are left out; their sum would keep the list below 1.0.
  std::vector<double> cumulative = CumulativeWeights(std::move(weights), earth.size());
  list.SetEarthTypes(std::move(earth), std::move(cumulative));
}
