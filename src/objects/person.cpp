// Person: construction from a PERSON record, copies, commands, death, animation choice and
// the round effects. The movement itself is in person_move.cpp.
#include "objects/person.h"

#include <cmath>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/personenmanager.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "world/landstamp.h"
#include "world/welt.h"

namespace {

// The record's entries in the order they are read (the order of the clones' draws).
constexpr struct {
  const char16_t* name;
  int32_t number;
} kNamedEntries[] = {
    {u"STEHEN", Person::kAnimStehen},     {u"LAUFEN", Person::kAnimLaufen},
    {u"RUTSCHEN", Person::kAnimRutschen}, {u"SPRINGEN", Person::kAnimSpringen},
    {u"FALLEN_2", Person::kAnimFallen2},  {u"FALLEN", Person::kAnimFallen},
    {u"RENNEN", Person::kAnimRennen},     {u"FADENKREUZ", Person::kAnimFadenkreuz},
    {u"KLETTERN", Person::kAnimKlettern}, {u"AUFSTEHEN", Person::kAnimAufstehen},
    {u"ERSOFFEN", Person::kAnimErsoffen}, {u"JETPACK", Person::kAnimJetpack},
};
constexpr struct {
  const char16_t* prefix;
  int32_t first;
} kNumberedEntries[] = {
    {u"DADDEL_", Person::kAnimDaddel},
    {u"TOT_", Person::kAnimTot},
    {u"KRANK_", Person::kAnimKrank},
};

}  // namespace

std::u16string Person::AnimationName(int32_t number) {
  for (const auto& e : kNamedEntries)
    if (e.number == number) return e.name;
  for (const auto& e : kNumberedEntries)
    if (number >= e.first && number <= e.first + 8)
      return e.prefix + std::u16string(1, char16_t(u'0' + number - e.first));
  return {};
}

namespace {

// The object part reads only the record's name ("Person" without one): the other keys of a
// PERSON record are the person's own.
std::unique_ptr<KVNode> NameNodeFor(const KVNode* block) {
  std::u16string name = u"Person";
  if (block) block->Read(u"NAME", name);
  auto node = std::make_unique<KVNode>(u"PERSON");
  node->AddChildWith(u"NAME", name);
  return node;
}

}  // namespace

Person::Person(const PartikelInfo* type, const KVNode* block, const PersonenManager* manager,
               const AnimationManager* animations)
    : Partikel(type, nullptr, nullptr, 0xFFFFFFFF, 0, kTypeLayer, NameNodeFor(block).get()) {
  if (manager) m_properties = manager->FindEigenschaften(nullptr);
  if (!block) return;
  block->Read(u"POSITION", Pos().x, 0);
  block->Read(u"POSITION", Pos().y, 1);
  std::u16string setName;
  if (manager && block->Read(u"PERSON_EIGENSCHAFTEN", setName))
    m_properties = manager->FindEigenschaften(&setName);
  const KVNode* table = block->GetChild(0, u"ANIMATIONEN");
  if (!table || !animations) return;
  auto readEntry = [&](const std::u16string& key, int32_t number) {
    const KVNode* entry = table->GetChild(0, key);
    if (!entry) return;
    if (const KVValue* first = entry->GetValue(0))
      m_animations[number] = animations->CreateAnimation(first->Text());
    if (const KVValue* second = entry->GetValue(1))
      m_animations2[number] = animations->CreateAnimation(second->Text());
  };
  for (const auto& e : kNamedEntries) readEntry(e.name, e.number);
  for (const auto& e : kNumberedEntries)
    for (int i = 0; i < 9; ++i) readEntry(e.prefix + std::u16string(1, char16_t(u'0' + i)), e.first + i);
}

Person::Person(const Person& other)
    : Partikel(other),
      m_state(other.m_state),
      m_previousState(other.m_previousState),
      m_stateBeforeClimb(other.m_stateBeforeClimb),
      m_facingRight(other.m_facingRight),
      m_lastPosition(other.m_lastPosition),
      m_world(other.m_world),
      m_properties(other.m_properties),
      m_deathKind(other.m_deathKind) {
  poison = other.poison;
  poisonGiven = other.poisonGiven;
  poisonPerRound = other.poisonPerRound;
  for (int i = 0; i < kAnimationCount; ++i) {
    if (other.m_animations[i]) m_animations[i] = other.m_animations[i]->Clone();
    if (other.m_animations2[i]) m_animations2[i] = other.m_animations2[i]->Clone();
    if (other.m_current && other.m_current == other.m_animations[i].get()) m_current = m_animations[i].get();
  }
}

Person::~Person() = default;

Animation* Person::GetAnimation(int32_t number) const {
  return number >= 0 && number < kAnimationCount ? m_animations[number].get() : nullptr;
}

Animation* Person::GetSecondAnimation(int32_t number) const {
  return number >= 0 && number < kAnimationCount ? m_animations2[number].get() : nullptr;
}

void Person::MakeCurrent(int32_t number) {
  m_current = m_animations[number].get();
  m_current2 = m_animations2[number].get();
}

void Person::ResetMovement() {
  m_state = kStanding;
  m_previousState = kStanding;
  m_stateBeforeClimb = kStanding;
  m_facingRight = true;
  poisonPerRound = 0.0;
  m_deathKind = kAlive;
}

void Person::SetInputX(double value) {
  double factor = m_world ? m_world->GetLayerProperties().factor : 1.0;
  // A factor of zero would turn any input into an endless force.
  if (!(std::isfinite(factor) && factor != 0.0)) factor = 1.0;
  ExtraAcceleration().x = float(value / factor);
  m_inputXGiven = true;
}

void Person::SetInputY(double value) {
  double factor = m_world ? m_world->GetLayerProperties().factor : 1.0;
  if (!(std::isfinite(factor) && factor != 0.0)) factor = 1.0;
  ExtraAcceleration().y = float(value / factor);
  m_inputYGiven = true;
}

bool Person::Command(int32_t action, const CommandParam* param) {
  switch (action) {
    case kWalking:
      if (param) m_facingRight = param->flag != 0;
      CheckGround();
      m_state = kWalking;
      break;
    case kFalling:
      Speed() = Vector2(0.0f, 0.0f);
      m_state = kFalling;
      break;
    case kThrown:
      if (param) Speed() = param->vector;
      m_state = kThrown;
      break;
    case kJumping:
      if (m_state != kFalling) {
        const double jump = m_properties.jumpSpeed;
        const double side = m_facingRight ? 1.0 : -1.0;
        if (param)
          Speed() = Vector2(float(side * jump * param->vector.x), float(-jump * param->vector.y));
        else
          Speed() = Vector2(float(side * jump), float(-jump));
        // The take-off keeps the falling animation's state, so the animation does not restart.
        m_previousState = kFalling;
      }
      m_state = kFalling;
      break;
    case kJumpingBack:
      if (m_state != kFalling) {
        const double jump = m_properties.jumpSpeed;
        const double back = m_facingRight ? -0.2 : 0.2;
        Vector2 speed(float(back * jump), float(-jump));
        if (param) speed *= float(param->value);
        Speed() = speed;
        m_previousState = kFalling;
      }
      m_state = kFalling;
      break;
    default:
      m_state = action;
      break;
  }
  return true;
}

bool Person::IsDead() const {
  // Persons are never made const; the particle's question is const because for a plain
  // particle asking changes nothing, while a person settles its death the first time.
  return const_cast<Person*>(this)->DecideDeath();
}

bool Person::DecideDeath() {
  if (m_deathKind == kAlive) {
    const Vector2 half = Size() / 2.0f;
    const Rect box{platform::TruncToInt(Pos().x - half.x), platform::TruncToInt(Pos().y - half.y),
                   platform::TruncToInt(Pos().x + half.x), platform::TruncToInt(Pos().y + half.y)};
    // A position that is no number anymore is out of the world, whatever the box says.
    const bool lost = !std::isfinite(Pos().x) || !std::isfinite(Pos().y);
    const double water = m_world ? m_world->WaterSurfaceY() : INFINITY;
    if (lost || (m_world && m_world->OutsideCode(box) != 0)) {
      m_deathKind = kLeftWorld;
      OnKilled();
    } else if (Pos().y > water) {
      m_deathKind = kDrowned;
      Command(kInWater);
      SetHealth(0.0);
      OnKilled();
    } else if (GetHealth() <= 0.0) {
      m_deathKind = kKilled;
      OnKilled();
    }
  }
  return m_deathKind != kAlive;
}

void Person::UpdateAnimation() {
  const bool dead = m_deathKind != kAlive;
  // A person without a current animation picks one too: a new person stands from its first
  // frame on rather than showing nothing until its state first changes.
  if (m_state != m_previousState || !m_current || m_current->IsFinished() || dead) {
    bool restart = true;
    bool byState = true;
    if (dead && m_deathKind != kDrowned) {
      bool any = false;
      bool playing = false;
      for (int i = kAnimTot; i < kAnimTot + 9; ++i) {
        any = any || m_animations[i];
        playing = playing || (m_current && m_current == m_animations[i].get());
      }
      if (any) {
        byState = false;
        if (playing) {
          restart = false;
          if (m_current->IsFinished() && m_corpsePending) {
            m_corpsePending = false;
            StampCorpse();
          }
        } else {
          int32_t i;
          do i = kAnimTot + platform::Rand() % 9;
          while (!m_animations[i]);
          MakeCurrent(i);
        }
      }
    }
    if (byState) {
      switch (m_state) {
        case kJetpack:
          MakeCurrent(kAnimJetpack);
          break;
        case kStanding:
          MakeCurrent(kAnimStehen);
          break;
        case kWalking:
          MakeCurrent(kAnimLaufen);
          break;
        case kRunning:
          MakeCurrent(kAnimRennen);
          break;
        case kJumping:
          MakeCurrent(kAnimSpringen);
          break;
        case kFalling:
        case kThrown:
          MakeCurrent(kAnimFallen);
          break;
        case kClimbing:
          MakeCurrent(kAnimKlettern);
          break;
        case kInWater:
          restart = m_current != m_animations[kAnimErsoffen].get();
          MakeCurrent(kAnimErsoffen);
          break;
        default:
          break;  // the backward jump keeps what plays
      }
    }
    if (restart) {
      if (m_current) m_current->Restart(-1);
      if (m_current2) m_current2->Restart(-1);
    }
  }
  const double step = Step();
  if (m_current) m_current->Update(step);
  if (m_current2) m_current2->Update(step);
  if (m_animations[kAnimFadenkreuz]) m_animations[kAnimFadenkreuz]->Update(step);
  if (m_animations2[kAnimFadenkreuz]) m_animations2[kAnimFadenkreuz]->Update(step);
  m_previousState = m_state;
}

void Person::StampCorpse() {
  if (!m_world) return;
  const float side = m_facingRight ? 1.0f : -1.0f;
  const float x = Pos().x, y = Pos().y, w = Size().x, h = Size().y;
  const Rect destination{platform::TruncToInt(x - side * w / 2.0f), platform::TruncToInt(y - h + 2.0f),
                         platform::TruncToInt(x + side * w / 2.0f), platform::TruncToInt(y + 2.0f)};
  const Vector2 centre = Size() / 2.0f;
  auto stamp = [&](const Animation* animation, Argb colour) {
    const AnimationFrame* frame = animation ? animation->GetCurrentFrame() : nullptr;
    if (!frame || !frame->texture || !frame->texture->texture) return;
    LandStamp job(frame->texture->texture, frame->rect, destination, &centre, nullptr, true, colour,
                  LandStamp::kSourceAlpha, LandStamp::kInvSourceAlpha, false);
    m_world->StampIntoLayer(job, -1, nullptr);
  };
  // The overlay goes in first, so the body lies over it as it does when drawn.
  stamp(m_current2, GetColour());
  stamp(m_current, GetCurrentColour());
}

void Person::ClearEffects() {
  m_corpsePending = true;
  poison.clear();
  poisonGiven = false;
  poisonPerRound = 0.0;
  healing.clear();
  healingGiven = false;
  healingPerRound = 0.0;
}

namespace {

void Sum(const std::vector<Person::EffectEntry>& list, double& perRound, int32_t& roundsLeft) {
  perRound = 0.0;
  roundsLeft = 0;
  bool unlimited = false;
  for (const auto& e : list) {
    perRound += e.amount;
    if (e.roundsLeft == Person::EffectEntry::kUnlimited)
      unlimited = true;
    else if (int64_t(e.roundsLeft) > roundsLeft)
      roundsLeft = int32_t(std::min<uint32_t>(e.roundsLeft, INT32_MAX));
  }
  if (unlimited) roundsLeft = -1;
}

// One round off every limited entry, from the back; true when the entry stays.
template <class Visit>
void CountDown(std::vector<Person::EffectEntry>& list, Visit staying) {
  for (size_t i = list.size(); i-- > 0;) {
    Person::EffectEntry& e = list[i];
    if (e.roundsLeft != Person::EffectEntry::kUnlimited) {
      // An entry at 0 (never given rounds) goes too instead of wrapping round to unlimited.
      if (e.roundsLeft <= 1) {
        list.erase(list.begin() + std::ptrdiff_t(i));
        continue;
      }
      --e.roundsLeft;
    }
    staying(list[i]);
  }
}

}  // namespace

void Person::SumPoison() { Sum(poison, poisonPerRound, poisonRoundsLeft); }

void Person::SumHealing() { Sum(healing, healingPerRound, healingRoundsLeft); }

void Person::AdvanceRoundEffects() {
  healingGiven = false;
  CountDown(healing, [this](const EffectEntry& e) {
    if (e.flag) poison.clear();
  });
  SumHealing();
  poisonGiven = false;
  CountDown(poison, [](const EffectEntry&) {});
  SumPoison();
}
