// Worms and persons by id, presets and teams.
#include "objects/wormmanager.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/apicontext.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "objects/namen.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/worm.h"
#include "platform/random.h"
#include "platform/text.h"

namespace {

Objekt* FindIn(const std::vector<std::unique_ptr<Objekt>>& list, uint32_t id) {
  for (const auto& object : list)
    if (object->HasId(id)) return object.get();
  return nullptr;
}

}  // namespace

WormManager::WormManager() {
  m_presets.push_back(std::make_unique<WormEigenschaften>());
  m_defaultPreset = m_presets.back().get();
}

// The worms go before the teams they refer to.
WormManager::~WormManager() {
  m_worms.clear();
  m_defaultWorm.reset();
}

void WormManager::Load(const KVNode* block) {
  PersonenManager::Load(block);
  if (!block) return;
  m_dropped = false;
  auto drop = [this](const std::string& what) {
    m_dropped = true;
    std::fprintf(stderr, "Krumbolt: team file: %s; left out\n", what.c_str());
  };
  block->Read(u"MANNSCHAFT_COUNTER", m_teamCounter);
  for (unsigned i = 0, n = block->CountChildren(u"WORMEIGENSCHAFTEN"); i < n; ++i)
    AddPreset(std::make_unique<WormEigenschaften>(block->GetChild(i, u"WORMEIGENSCHAFTEN")));

  // Templates and roster worms wait for a battle: no world to act on yet, so no create event.
  Partikel::QuietCreation quiet;
  // A type of the record's own and its WORM block: the worm is built from them.
  auto buildOwn = [this](const KVNode& record) -> std::unique_ptr<Worm> {
    const KVNode* inner = record.GetChild(0, u"WORM");
    if (!inner || (!record.GetChild(0, u"PARTIKEL_INFO_DIREKT") && !record.GetChild(0, u"PARTIKEL_INFO_INDIREKT")))
      return nullptr;
    const PartikelInfo* type = ReadTemplateType(record);
    return type ? std::make_unique<Worm>(type, inner, m_globals) : nullptr;
  };
  if (const KVNode* record = block->GetChild(0, u"DEFAULT_WORM")) {
    if (auto worm = buildOwn(*record))
      m_defaultWorm = std::move(worm);
    else
      std::fprintf(stderr, "Krumbolt: DEFAULT_WORM without a particle type or a WORM block; no template worm\n");
  }

  std::vector<Mannschaft*> read;
  int32_t largestId = m_teamCounter;
  for (unsigned i = 0, n = block->CountChildren(u"MANNSCHAFT"); i < n; ++i) {
    if (int32_t(m_teams.size()) >= kMaxTeams) {
      drop(std::to_string(n - i) + " team(s) beyond the most a roster keeps");
      break;
    }
    auto team = std::make_unique<Mannschaft>();
    team->SetId(NextTeamId());
    team->SetColour(PickUnusedColour());
    team->Read(*block->GetChild(i, u"MANNSCHAFT"));
    if (FindTeamById(team->GetId())) {
      drop("a second team with the id " + std::to_string(team->GetId()));
      continue;
    }
    largestId = std::max(largestId, team->GetId());
    read.push_back(AddTeam(std::move(team)));
  }

  for (unsigned i = 0, n = block->CountChildren(u"WORM"); i < n; ++i) {
    const KVNode& entry = *block->GetChild(i, u"WORM");
    std::unique_ptr<Worm> worm = buildOwn(entry);
    if (!worm) {
      if (!m_defaultWorm) {
        drop("a worm with no type of its own and no template worm to copy");
        continue;
      }
      int32_t teamId = 0;
      if (entry.Read(u"MANNSCHAFTS_ID", teamId))
        if (const Mannschaft* team = FindTeamById(teamId); team && team->GetWormCount() >= kMaxWormsPerTeam) {
          drop("a worm beyond the most a team has");
          continue;
        }
      worm = std::make_unique<Worm>(*m_defaultWorm);
      worm->Read(&entry);
    }
    AddWorm(std::move(worm));
  }

  // A team without worms cannot play.
  for (Mannschaft* team : read)
    if (team->GetWormCount() == 0) {
      drop("the team \"" + platform::U16ToUtf8(team->GetName()) + "\" without worms");
      std::erase_if(m_teams, [team](const auto& t) { return t.get() == team; });
    }
  m_teamCounter = std::max(m_teamCounter, largestId);
}

void WormManager::Write(KVNode* root) const {
  if (!root) return;
  root->AddChildWith(u"MANNSCHAFT_COUNTER", int(m_teamCounter));
  for (const auto& team : m_teams) team->Write(root->AddChild(u"MANNSCHAFT"));
  for (const auto& object : m_worms) {
    const Worm* worm = dynamic_cast<const Worm*>(object.get());
    if (!worm || std::find(m_removedWorms.begin(), m_removedWorms.end(), worm) != m_removedWorms.end()) continue;
    worm->Write(root->AddChild(u"WORM"));
  }
}

void WormManager::LoadRoster(std::u16string_view path) {
  PlayerFile file = LoadPlayerFile(path, u"TEAMS");
  m_rosterLooked = true;
  m_rosterState = file.state;
  if (!file.root) return;
  Load(file.root.get());
  m_rosterLost = m_dropped;
}

bool WormManager::SaveRoster(std::u16string_view path) {
  if (!m_rosterLooked) return false;
  KVNode root(u"TEAMS");
  Write(&root);
  // What was left out on reading stays in the old file, kept aside.
  const PlayerFileState state =
      m_rosterLost && m_rosterState == PlayerFileState::Read ? PlayerFileState::Damaged : m_rosterState;
  if (!SavePlayerFileOver(path, state, root, "team roster")) return false;
  m_rosterState = PlayerFileState::Read;
  m_rosterLost = false;
  return true;
}

void WormManager::AddWorm(std::unique_ptr<Objekt> worm) {
  if (!worm) return;
  for (const auto& known : m_worms)
    if (known == worm) return;
  m_worms.push_back(std::move(worm));
}

Objekt* WormManager::FindWormById(uint32_t id) const { return FindIn(m_worms, id); }

void WormManager::CollectWorms(std::vector<Objekt*>& out) const {
  for (size_t i = m_playing.size(); i-- > 0;) m_playing[i]->CollectLivingWorms(out);
}

const WormEigenschaften& WormManager::FindPreset(const std::u16string* name) const {
  if (name)
    for (size_t i = m_presets.size(); i-- > 0;)
      if (m_presets[i]->name == *name) return *m_presets[i];
  return *m_defaultPreset;
}

void WormManager::AddPreset(std::unique_ptr<WormEigenschaften> preset) {
  if (!preset) return;
  m_presets.push_back(std::move(preset));
  if (m_presets.back()->name == u"DEFAULT") m_defaultPreset = m_presets.back().get();
}

Mannschaft* WormManager::AddTeam(std::unique_ptr<Mannschaft> team) {
  if (!team) return nullptr;
  m_teams.push_back(std::move(team));
  return m_teams.back().get();
}

Mannschaft* WormManager::FindTeamById(int32_t id) const {
  for (size_t i = m_teams.size(); i-- > 0;)
    if (m_teams[i]->GetId() == id) return m_teams[i].get();
  return nullptr;
}

void WormManager::RemoveTeam(Mannschaft* team) {
  if (!team) return;
  for (size_t i = m_teams.size(); i-- > 0;) {
    if (m_teams[i].get() != team) continue;
    for (Worm* worm : team->Worms()) m_removedWorms.push_back(worm);
    m_removedTeams.push_back(std::move(m_teams[i]));
    m_teams.erase(m_teams.begin() + std::ptrdiff_t(i));
  }
  std::erase(m_playing, team);
  std::erase(m_bars, &team->Bar());
  if (m_currentTeam == team) m_currentTeam = nullptr;
}

void WormManager::ClearSelection() {
  for (Mannschaft* team : m_playing) team->SetSelected(false);
  m_playing.clear();
  m_bars.clear();
  m_currentTeam = nullptr;
}

void WormManager::AddTeamToGame(Mannschaft* team) {
  if (!team) return;
  const size_t at = RandomInsert(m_playing, team);
  m_bars.insert(m_bars.begin() + std::ptrdiff_t(std::min(at, m_bars.size())), &team->Bar());
  team->SetSelected(false);
}

void WormManager::BeginGame() {
  m_bars.clear();
  m_maxTeamValue = 0.0;
  for (Mannschaft* team : m_playing) {
    m_bars.push_back(&team->Bar());
    m_maxTeamValue = std::max(m_maxTeamValue, team->Bar().GetRecorded());
  }
  for (size_t i = 0; i < m_bars.size(); ++i) m_bars[i]->SetTarget(double(i), 0.0);
  m_turns = ~0u;
}

void WormManager::Update(bool addTime, double gameStep, double realStep) {
  for (size_t i = m_playing.size(); i-- > 0;) m_playing[i]->Update();
  if (addTime && !m_playing.empty()) m_playing.front()->time += gameStep;
  for (size_t i = 0; i < m_bars.size(); ++i) {
    m_bars[i]->SetTarget(double(i), 1.0);
    m_bars[i]->Update(realStep);
  }
}

void WormManager::DrawWorms(const Vector2& offset, const Vector2& zoom, Argb colour, int32_t pass) {
  for (size_t t = m_playing.size(); t-- > 0;) {
    const std::vector<Worm*>& order = m_playing[t]->PlayOrder();
    for (size_t i = order.size(); i-- > 0;) {
      Worm& worm = *order[i];
      if (pass == 0)
        worm.DrawSprites(offset, zoom, colour, true);
      else if (pass == 1)
        worm.DrawAim(offset, zoom, colour);
      else if (pass == 2 && !worm.IsDead())
        worm.DrawLabel(offset, zoom);
    }
  }
}

bool WormManager::RenderExtra(const Vector2& offset, const Vector2& zoom) {
  bool any = false;
  for (size_t t = m_playing.size(); t-- > 0;) {
    const std::vector<Worm*>& order = m_playing[t]->PlayOrder();
    for (size_t i = order.size(); i-- > 0;) any = order[i]->DrawRenderExtra(offset, zoom) || any;
  }
  return any;
}

Mannschaft* WormManager::NextTeam() {
  if (m_playing.empty()) return nullptr;
  for (size_t i = 0; i < m_playing.size(); ++i) {
    std::rotate(m_playing.begin(), m_playing.begin() + 1, m_playing.end());
    if (!m_bars.empty()) std::rotate(m_bars.begin(), m_bars.begin() + 1, m_bars.end());
    ++m_turns;
    if (m_playing.front()->CountLivingWorms() > 0) break;
  }
  m_currentTeam = m_playing.front();
  return m_currentTeam;
}

uint32_t WormManager::GetRoundNumber() const {
  if (m_playing.empty() || m_turns == ~0u) return 0;
  return m_turns / uint32_t(m_playing.size());
}

int32_t WormManager::CountLivingTeams() const {
  return int32_t(std::count_if(m_playing.begin(), m_playing.end(),
                               [](const Mannschaft* t) { return t->CountLivingWorms() > 0; }));
}

void WormManager::EndRound() {
  for (size_t i = m_playing.size(); i-- > 0;)
    for (Worm* worm : m_playing[i]->PlayOrder()) worm->EndRoundStatistics();
}

void WormManager::EndGame() {
  for (Mannschaft* team : m_playing) {
    for (Worm* worm : team->PlayOrder()) worm->EndGameStatistics();
    team->wins += team->winsThisGame;
    team->losses += team->lossesThisGame;
  }
}

void WormManager::ResetGameStatistics() {
  for (Mannschaft* team : m_playing) {
    for (Worm* worm : team->PlayOrder()) worm->ResetGame();
    team->winsThisGame = 0;
    team->lossesThisGame = 0;
  }
}

void WormManager::ResetRoundStatistics() {
  for (Mannschaft* team : m_playing)
    for (Worm* worm : team->PlayOrder()) worm->ResetRound();
}

Argb WormManager::PickUnusedColour() const {
  const Argb* table = m_globals ? m_globals->teamColours : MyGlobals::kTeamColours;
  constexpr int kCount = MyGlobals::kTeamColourCount;
  if (m_teams.size() >= size_t(kCount)) return table[platform::Rand() % kCount];
  bool used[kCount] = {};
  for (const auto& team : m_teams)
    for (int i = 0; i < kCount; ++i)
      if (!used[i] && table[i] == team->GetColour()) {
        used[i] = true;
        break;
      }
  std::vector<Argb> unused;
  for (int i = 0; i < kCount; ++i)
    if (!used[i]) unused.push_back(table[i]);
  if (unused.empty()) return table[platform::Rand() % kCount];
  return unused[size_t(platform::Rand()) % unused.size()];
}

std::u16string WormManager::PickUnusedTeamName() const {
  const Namen* names = m_globals ? m_globals->GetNamen() : nullptr;
  if (!names) return u"UNNAMED_MANNSCHAFT";
  const APIContext* context = m_globals->GetContext();
  std::vector<std::u16string> taken;
  for (const auto& team : m_teams) taken.push_back(team->GetName());
  std::u16string name =
      Namen::FirstUnused(names->PickTeamNames(-1, context ? context->language.get() : nullptr), taken);
  return name.empty() ? u"UNNAMED_MANNSCHAFT" : name;
}

Mannschaft* WormManager::TeamOf(const Objekt& worm) const {
  const Worm* w = dynamic_cast<const Worm*>(&worm);
  return w ? w->GetTeam() : nullptr;
}

Argb WormManager::TeamColour(const Mannschaft* team) const { return team ? team->GetColour() : 0xFFFFFFFF; }
