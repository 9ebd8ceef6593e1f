// The battle's display on the recording backend: where the HUD's elements lie on three
// screens, the weapon store's cells with their counts and greyed looks for a team's
// ammunition, the hover test and the clicks that pick a weapon, close the store and press
// the buttons, and the text areas laid out after a reset.
#include "battle/levelhud.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "battle/battle_display.h"
#include "battle/cameramanager.h"
#include "battle/humansteuerung.h"
#include "engine/apigraphics.h"
#include "engine/spriterenderer.h"
#include "platform/graphics.h"
#include "platform/text.h"
#include "support/kv_fixture.h"
#include "world/wind.h"

namespace display_test {
namespace {

GUIRect RectOf(LevelHud& hud, int32_t id) {
  GUIElement* e = hud.FindElement(id);
  EXPECT_NE(e, nullptr) << "element " << id;
  return e ? e->GetRect() : GUIRect{};
}

TEST_F(BattleDisplay, HudLiesOnTheScreenAtEachSize) {
  Play(2);
  struct Case {
    int32_t w, h;
  };
  for (const Case c : {Case{800, 600}, Case{1024, 768}, Case{1920, 1080}}) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    MakeHud(c.w, c.h);
    // The parts' sizes give the elements theirs.
    EXPECT_EQ(RectOf(*hud, LevelHud::kHudBar), (GUIRect{0, 0, c.w, c.h}));
    EXPECT_EQ(RectOf(*hud, LevelHud::kTurnTime), (GUIRect{10, 10, 144, 52}));
    EXPECT_EQ(RectOf(*hud, LevelHud::kWindMeter), (GUIRect{c.w / 2 - 136, 10, 272, 32}));
    EXPECT_EQ(RectOf(*hud, LevelHud::kMessageButton), (GUIRect{c.w - 3 * 40 - 45, 10, 40, 40}));
    EXPECT_EQ(RectOf(*hud, LevelHud::kPauseButton), (GUIRect{c.w - 2 * 40 - 30, 10, 40, 40}));
    EXPECT_EQ(RectOf(*hud, LevelHud::kHelpButton), (GUIRect{c.w - 40 - 15, 10, 40, 40}));
    EXPECT_EQ(RectOf(*hud, LevelHud::kMessageList), (GUIRect{c.w - 176 - 10, 60, 176, 296}));
    // Two team panels centred along the bottom, 30 apart.
    const GUIRect a = RectOf(*hud, LevelHud::TeamPanelId(0)), b = RectOf(*hud, LevelHud::TeamPanelId(1));
    EXPECT_EQ(a, (GUIRect{c.w / 2 - 175, c.h - 82, 160, 72}));
    EXPECT_EQ(b.x - a.x, 190);
    EXPECT_EQ(a.x + (b.x + b.width) - c.w, 0);
    EXPECT_EQ(hud->FindElement(LevelHud::TeamPanelId(2)), nullptr);
    // The HUD bar's children in their order: clock, wind, three buttons, teams, messages.
    GUIElement* bar = hud->GetElement(LevelHud::kHudSlot);
    std::vector<int32_t> ids;
    for (size_t i = 0; i < bar->GetChildCount(); ++i) ids.push_back(bar->GetChild(i)->GetId().id);
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 3, 4, 5, LevelHud::TeamPanelId(0), LevelHud::TeamPanelId(1), 6}));
    // The three text areas.
    EXPECT_EQ(globals->messagePanel1.PanelRect(),
              (Rect{int32_t(c.w * 0.2), int32_t(c.h * 0.1), int32_t(c.w * 0.8), int32_t(c.h * 0.25)}));
    EXPECT_EQ(globals->messagePanel1.Mode(), MessagePanel::kFromTop);
    EXPECT_EQ(globals->messagePanel2.PanelRect(),
              (Rect{int32_t(c.w * 0.2), int32_t(c.h * 0.6), int32_t(c.w * 0.8), int32_t(c.h * 0.75)}));
    EXPECT_EQ(globals->messagePanel2.Mode(), MessagePanel::kFromBottom);
    // The message list keeps its last eight lines, the oldest leaving first.
    for (int i = 0; i < 12; ++i)
      globals->fadingTextList.Add(std::make_unique<FadingTextLabel>(platform::FormatW(u"%d", i), 0xFFFFFFFF));
    globals->fadingTextList.Update();
    ASSERT_EQ(globals->fadingTextList.Lines().size(), size_t(LevelHud::kMessageLines));
    EXPECT_EQ(globals->fadingTextList.Lines().front()->text, u"4");
  }
}

TEST_F(BattleDisplay, OpenStoreFrameStaysBetweenTheClockAndTheTeamPanels) {
  Play(2);
  struct Case {
    int32_t w, h;
  };
  for (const Case c : {Case{800, 600}, Case{1024, 768}, Case{1920, 1080}}) {
    for (const int32_t my : {0, c.h / 2, c.h - 1}) {
      SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " mouse y " << my);
      MakeHud(c.w, c.h);
      OpenStore(MouseAt(c.w / 2, my));
      const GUIRect store = hud->GetStorePanel()->GetRect();
      const GUIRect clock = RectOf(*hud, LevelHud::kTurnTime);
      const GUIRect team = RectOf(*hud, LevelHud::TeamPanelId(0));
      EXPECT_GE(store.y - LevelHud::kStoreFrame, clock.y + clock.height);
      EXPECT_LE(store.y + store.height + LevelHud::kStoreFrame, team.y - LevelHud::kTeamBarRise);
    }
  }
}

TEST_F(BattleDisplay, ManyTeamsOnASmallScreenStayOnItWithIdsApartFromTheStore) {
  Play(8, 1);
  MakeHud(800, 600);
  std::set<int32_t> teamIds;
  for (int i = 0; i < 8; ++i) {
    const GUIRect r = RectOf(*hud, LevelHud::TeamPanelId(i));
    EXPECT_GE(r.x, 0);
    EXPECT_LE(r.x + r.width, 800);
    teamIds.insert(LevelHud::TeamPanelId(i));
    EXPECT_EQ(hud->GetPlayingTeamByIndex(i), teams[size_t(i)]);
  }
  EXPECT_EQ(hud->GetPlayingTeamByIndex(8), nullptr);
  EXPECT_EQ(hud->GetPlayingTeamByIndex(-1), nullptr);
  // No team panel shares an id with the store, a cell or the bar's own elements.
  std::vector<int32_t> others = {0, 1, 2, 3, 4, 5, 6, LevelHud::kStorePanel};
  GUIElement* store = hud->GetStorePanel();
  for (size_t i = 0; i < store->GetChildCount(); ++i) others.push_back(store->GetChild(i)->GetId().id);
  for (int32_t id : others) EXPECT_EQ(teamIds.count(id), 0u) << id;
  // The store on a screen smaller than it plus its margins opens on the screen.
  hud->SetScreenSize(300, 200);
  const InputState mouse = MouseAt(150, 100);
  OpenStore(mouse);
  EXPECT_GE(store->GetRect().x, 0);
  EXPECT_GE(store->GetRect().y, 0);
}

TEST_F(BattleDisplay, StoreHasAColumnPerCategoryAndACellPerWeapon) {
  Play(2);
  MakeHud();
  WaffenSet* set = globals->GetWaffenSet();
  ASSERT_GT(set->GetCategoryCount(), 1);
  int32_t rows = 0, cells = 0;
  for (int32_t c = 0; c < set->GetCategoryCount(); ++c) {
    rows = std::max(rows, set->GetCategory(c)->GetWeaponCount());
    cells += set->GetCategory(c)->GetWeaponCount();
  }
  GUIElement* store = hud->GetStorePanel();
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->GetId().id, LevelHud::kStorePanel);
  EXPECT_EQ(store->GetRect().width, 65 * set->GetCategoryCount() + 2 * (set->GetCategoryCount() - 1) + 20);
  EXPECT_EQ(store->GetRect().height, 50 * rows + 2 * (rows - 1) + 20);
  ASSERT_EQ(int32_t(store->GetChildCount()), cells);
  for (int32_t c = 0; c < set->GetCategoryCount(); ++c)
    for (int32_t r = 0; r < set->GetCategory(c)->GetWeaponCount(); ++r) {
      GUIElement* cell = hud->FindElement(LevelHud::kFirstCell + c * rows + r);
      ASSERT_NE(cell, nullptr);
      EXPECT_EQ(hud->GetCellWeapon(cell->GetId().id), set->GetCategory(c)->GetWaffe(r));
      EXPECT_EQ(cell->GetRect().x - store->GetRect().x, 10 + c * 67);
      EXPECT_EQ(cell->GetRect().y - store->GetRect().y, 10 + r * 52);
    }
}

// What a cell shows for the team's stock, as drawn: the icon's colour and the count.
TEST_F(BattleDisplay, CellsShowCountsAndGreyWhatTheTeamCannotUse) {
  Play(2);
  MakeHud();
  Mannschaft* own = teams[0];
  Waffe* unlimited = Weapon(u"Bazooka");
  Waffe* spent = Weapon(u"Dynamit");
  Waffe* notYet = Weapon(u"Luftschlag");
  ASSERT_TRUE(unlimited && spent && notYet);
  ASSERT_EQ(unlimited->GetAmmoForTeam(own), -1);
  spent->FindTeamRecord(own)->ammunition = 0;
  ASSERT_GT(notYet->GetAmmoForTeam(own), 0);
  ASSERT_GT(notYet->GetStartRound(), 0) << "the air strike waits for a later round";

  struct Case {
    Waffe* weapon;
    Argb icon;
    std::u16string count;
  };
  const Case cases[] = {{unlimited, 0xFF7F7F7F, u"\u221E"}, {spent, 0x7F808080, u""}, {notYet, 0x7FFFFFFF, u"1"}};
  const InputState away = MouseAt(5, 700);
  OpenStore(away);
  ASSERT_DOUBLE_EQ(hud->GetPanelAnimator().GetValue(), 1.0);
  platform::GraphicsDevice* device = run->graphics->GetDevice();
  SpriteRenderer* renderer = run->graphics->GetSpriteRenderer();
  device->ClearRecordedDraws();
  ASSERT_TRUE(Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend)));
  hud->DrawOverlay();
  renderer->End();
  const auto& draws = device->RecordedDraws();
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::U16ToUtf8(c.weapon->GetName()));
    EXPECT_EQ(LevelHud::CountText(c.weapon->GetAmmoForTeam(own)), c.count);
    const TexturePartRecord* icon = c.weapon->GetPreview();
    ASSERT_NE(icon, nullptr);
    auto it = std::find_if(draws.begin(), draws.end(), [&](const platform::DrawRecord& d) {
      return d.texture == icon->texture && d.source == icon->rect;
    });
    ASSERT_NE(it, draws.end());
    EXPECT_EQ(it->colour, c.icon);
    // A weapon the team holds leaves the cell's right strip to the count.
    const GUIRect cell = CellOf(c.weapon)->GetRect();
    const bool available = c.weapon != spent;
    EXPECT_FLOAT_EQ(it->corners[1].x, float(cell.x + cell.width - 5 - (available ? 15 : 0)));
  }
  // The cell behind a weapon the team cannot use is grey, the others white.
  const TexturePartRecord* cellPart = hud->GetTexture(21);
  ASSERT_NE(cellPart, nullptr);
  std::vector<Argb> cellColours;
  for (const auto& d : draws)
    if (d.texture == cellPart->texture && d.source == cellPart->rect) cellColours.push_back(d.colour);
  EXPECT_EQ(cellColours.size(), hud->GetStorePanel()->GetChildCount());
  // Grey: the spent dynamite and every weapon whose first round has not come.
  int32_t waiting = 0;
  for (const Waffe* w : globals->GetWaffenSet()->Weapons()) waiting += w->GetStartRound() > 0 ? 1 : 0;
  EXPECT_EQ(std::count(cellColours.begin(), cellColours.end(), 0xFFC0C0C0), 1 + waiting);

  // Hovering a usable weapon's cell brightens its icon as the cell fades in.
  EXPECT_EQ(LevelHud::CellColoursFor(true, true, 1.0).icon, 0xFFFFFFFF);
  EXPECT_EQ(LevelHud::CellColoursFor(true, true, 0.5).icon, 0xFFBFBFBF);
  EXPECT_EQ(LevelHud::CellColoursFor(false, true, 1.0).icon, 0x7F808080);
}

TEST_F(BattleDisplay, ClickingACellArmsTheWormAndClosesTheStore) {
  Play(2);
  MakeHud();
  Waffe* bazooka = Weapon(u"Bazooka");
  Waffe* dynamite = Weapon(u"Dynamit");
  dynamite->FindTeamRecord(teams[0])->ammunition = 0;
  GUIElement* bazookaCell = CellOf(bazooka);
  ASSERT_NE(bazookaCell, nullptr);

  // Closed: the place of a cell belongs to the camera.
  InputState onCell = MouseOn(bazookaCell);
  hud->OnMouseMove(&onCell);
  hud->OnLeftButtonDown(&onCell);
  EXPECT_EQ(hud->GetHoveredWeapon(), nullptr);
  EXPECT_EQ(battle.worm->GetWeapon(), nullptr);
  EXPECT_EQ(camera.moves, 1);
  EXPECT_EQ(camera.leftDowns, 1);
  EXPECT_TRUE(hud->LeftHeld());
  hud->OnLeftButtonUp(&onCell);
  EXPECT_FALSE(hud->LeftHeld());

  OpenStore(MouseAt(512, 384));
  onCell = MouseOn(bazookaCell);
  const int before = camera.Total();
  hud->OnMouseMove(&onCell);
  EXPECT_EQ(hud->GetHoveredWeapon(), bazooka);
  // A weapon the team has none of is not taken, and the store stays open.
  InputState onSpent = MouseOn(CellOf(dynamite));
  hud->OnLeftButtonDown(&onSpent);
  EXPECT_EQ(battle.worm->GetWeapon(), nullptr);
  EXPECT_TRUE(hud->IsStoreOpening());
  hud->OnLeftButtonDown(&onCell);
  EXPECT_EQ(battle.worm->GetWeapon(), bazooka);
  EXPECT_EQ(hud->GetSelectedWeapon(), bazooka);
  EXPECT_DOUBLE_EQ(hud->GetDescriptionTimer(), LevelHud::kDescriptionTime);
  EXPECT_FALSE(hud->IsStoreOpening());
  EXPECT_EQ(hud->GetHoveredWeapon(), nullptr) << "the closed store's cell is not hovered, though the pointer stays";
  EXPECT_EQ(camera.Total(), before);
  for (int i = 0; i < 20; ++i) hud->Update(&onCell, 0.01);
  EXPECT_DOUBLE_EQ(hud->GetPanelAnimator().GetValue(), 0.0);

  // Open again: a click on the bare screen closes it and the camera hears nothing of it.
  battle.worm->SetWeapon(nullptr);
  OpenStore(MouseAt(512, 384));
  const InputState bare = MouseAt(5, 500);
  hud->OnMouseWheel(&bare);
  hud->OnLeftButtonDown(&bare);
  EXPECT_FALSE(hud->IsStoreOpening());
  EXPECT_EQ(camera.Total(), before);
  // Closing: the wheel goes to the camera again.
  hud->OnMouseWheel(&bare);
  EXPECT_EQ(camera.wheels, 1);
}

TEST_F(BattleDisplay, ButtonsPauseHelpAndHideTheMessages) {
  Play(2);
  MakeHud();
  InputState pause = MouseOn(hud->FindElement(LevelHud::kPauseButton));
  InputState help = MouseOn(hud->FindElement(LevelHud::kHelpButton));
  InputState messages = MouseOn(hud->FindElement(LevelHud::kMessageButton));
  hud->OnLeftButtonDown(&pause);
  hud->OnLeftButtonDown(&help);
  EXPECT_EQ(battle.pauses, 1);
  EXPECT_EQ(battle.helps, 1);
  ASSERT_TRUE(hud->MessagesShown());
  hud->OnLeftButtonDown(&messages);
  EXPECT_FALSE(hud->MessagesShown());
  EXPECT_FALSE(hud->GetMessagePanel()->GetBehaviour().hoverable);
  hud->OnLeftButtonDown(&messages);
  EXPECT_TRUE(hud->MessagesShown());
  EXPECT_EQ(camera.Total(), 0);
  // A worm that has fired this turn cannot open the store.
  hud->HandlePanelRequest(1, &pause);
  EXPECT_TRUE(hud->IsStoreOpening());
  hud->HandlePanelRequest(3, &pause);
  EXPECT_FALSE(hud->IsStoreOpening());
}

TEST_F(BattleDisplay, TeamPanelsShowControlStrengthHealthAndTheActiveTeam) {
  Play(4);
  MakeHud(1024, 768);
  // The second team lost half its health.
  for (Worm* w : teams[1]->PlayOrder()) w->SetHealth(w->GetHealth() / 2);
  teams[1]->Bar().SetValue(teams[1]->TotalHealth(), false);
  for (int i = 0; i < 100; ++i) teams[1]->Bar().Update(0.01);
  platform::GraphicsDevice* device = run->graphics->GetDevice();
  SpriteRenderer* renderer = run->graphics->GetSpriteRenderer();
  device->ClearRecordedDraws();
  ASSERT_TRUE(Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend)));
  hud->DrawOverlay();
  renderer->End();
  auto drawsOf = [&](int part) {
    std::vector<platform::DrawRecord> out;
    const TexturePartRecord* p = hud->GetTexture(part);
    for (const auto& d : device->RecordedDraws())
      if (p && d.texture == p->texture && d.source.left >= p->rect.left && d.source.right <= p->rect.right &&
          d.source.top == p->rect.top)
        out.push_back(d);
    return out;
  };
  // Panels in their team's colour; the human's icon on the first, the computer's on the
  // others, with a badge for the easy and the hard computer and none for one of another name.
  const auto panels = drawsOf(13);
  ASSERT_EQ(panels.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(panels[i].colour, teams[i]->GetColour());
  EXPECT_EQ(drawsOf(14).size(), 1u);
  EXPECT_EQ(drawsOf(15).size(), 3u);
  EXPECT_EQ(drawsOf(16).size(), 1u);
  EXPECT_EQ(drawsOf(17).size(), 0u);
  EXPECT_EQ(drawsOf(18).size(), 1u);
  // Health bars: full, half, full, against the largest team's start.
  const auto bars = drawsOf(12);
  ASSERT_EQ(bars.size(), 4u);
  EXPECT_FLOAT_EQ(bars[0].corners[1].x - bars[0].corners[0].x, 160.0f);
  EXPECT_FLOAT_EQ(bars[1].corners[1].x - bars[1].corners[0].x, 80.0f);
  // The active team's highlight, once, around the first panel.
  const auto highlight = drawsOf(10);
  ASSERT_EQ(highlight.size(), 1u);
  const GUIRect first = RectOf(*hud, LevelHud::TeamPanelId(0));
  EXPECT_FLOAT_EQ(highlight[0].corners[0].x, float(first.x - 2));
}

// Teams made for one battle are not in the roster: their panels stand in the turn order of
// the round's start and keep their places as the turns go round; the highlight moves.
TEST_F(BattleDisplay, TeamPanelsOfTeamsOutsideTheRosterKeepTheirPlacesAsTheTurnsGoRound) {
  Play(3);
  WormManager* manager = globals->GetWormManager();
  for (Mannschaft* team : teams) manager->RemoveTeam(team);
  for (Mannschaft* team : teams) manager->AddTeamToGame(team);
  manager->BeginGame();
  ASSERT_EQ(manager->PlayingTeams().size(), 3u);
  battle.worm = manager->PlayingTeams().front()->PlayOrder().front();
  MakeHud(1024, 768);
  platform::GraphicsDevice* device = run->graphics->GetDevice();
  SpriteRenderer* renderer = run->graphics->GetSpriteRenderer();
  const TexturePartRecord* panel = hud->GetTexture(13);
  const TexturePartRecord* highlight = hud->GetTexture(10);
  ASSERT_TRUE(panel && highlight);
  struct Look {
    std::vector<Argb> colours;  // the panels' colours from left to right
    float highlightX = -1.0f;
  };
  auto look = [&] {
    device->ClearRecordedDraws();
    EXPECT_TRUE(Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend)));
    hud->DrawOverlay();
    renderer->End();
    Look out;
    // A panel is drawn in pieces: its left edge is its leftmost piece's.
    std::map<Argb, float> left;
    auto of = [](const platform::DrawRecord& d, const TexturePartRecord* p) {
      return d.texture == p->texture && d.source.left >= p->rect.left && d.source.right <= p->rect.right &&
             d.source.top == p->rect.top;
    };
    for (const auto& d : device->RecordedDraws()) {
      if (of(d, panel)) left[d.colour] = left.count(d.colour) ? std::min(left[d.colour], d.corners[0].x) : d.corners[0].x;
      if (of(d, highlight)) out.highlightX = out.highlightX < 0.0f ? d.corners[0].x : std::min(out.highlightX, d.corners[0].x);
    }
    std::vector<std::pair<float, Argb>> panels;
    for (const auto& [colour, x] : left) panels.push_back({x, colour});
    std::sort(panels.begin(), panels.end());
    for (const auto& p : panels) out.colours.push_back(p.second);
    return out;
  };
  const Look first = look();
  ASSERT_EQ(first.colours.size(), 3u);
  std::vector<float> highlights = {first.highlightX};
  for (int turn = 1; turn <= 3; ++turn) {
    SCOPED_TRACE(turn);
    Mannschaft* next = manager->NextTeam();
    battle.worm = next->PlayOrder().front();
    const Look now = look();
    EXPECT_EQ(now.colours, first.colours);
    highlights.push_back(now.highlightX);
  }
  // The highlight visits each panel once and comes back.
  EXPECT_EQ(highlights.front(), highlights.back());
  EXPECT_EQ(std::set<float>(highlights.begin(), highlights.end()).size(), 3u);
}

TEST_F(BattleDisplay, WindBarGrowsFromTheMiddleToTheWindsSide) {
  Play(2);
  MakeHud(1024, 768);
  WindManager* winds = globals->GetWindManager();
  ASSERT_NE(winds, nullptr);
  platform::GraphicsDevice* device = run->graphics->GetDevice();
  SpriteRenderer* renderer = run->graphics->GetSpriteRenderer();
  const TexturePartRecord* bar = hud->GetTexture(9);
  ASSERT_NE(bar, nullptr);
  auto barDraws = [&] {
    device->ClearRecordedDraws();
    EXPECT_TRUE(Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend)));
    hud->DrawOverlay();
    renderer->End();
    std::vector<platform::DrawRecord> out;
    for (const auto& d : device->RecordedDraws())
      if (d.texture == bar->texture && d.source.top == bar->rect.top && d.source.bottom == bar->rect.bottom)
        out.push_back(d);
    return out;
  };
  // A sideways wind of one strength: full to the right or the left by the draw; one of no
  // strength at all (its maximum is 0) shows none.
  winds->Load(ParseBody(u"<WIND><NAME> \"FULL\" <\\NAME><WINDSPEED> \"100\" \"100\" <\\WINDSPEED>"
                        u"<WINDSPEED_CONSTRAINTS> \"1\" \"0\" <\\WINDSPEED_CONSTRAINTS><\\WIND>"
                        u"<WIND><NAME> \"NONE\" <\\NAME><WINDSPEED> \"0\" \"0\" <\\WINDSPEED><\\WIND>")
                  .get());
  const float centre = 512.0f, length = 272.0f / 2.0f - 30.0f;
  struct Case {
    const char16_t* wind;
    int side;  // -1 left, 0 none, 1 right
  };
  for (const Case c : {Case{u"FULL", 1}, Case{u"FULL", -1}, Case{u"NONE", 0}}) {
    const std::u16string name = c.wind;
    winds->SelectByName(&name);
    // New draws until the wind blows to the wanted side, then it glides to its strength.
    for (int i = 0; i < 100; ++i) {
      winds->NewRound(1.0);
      if (c.side == 0 || (c.side > 0) == (winds->GetCurrentWind()->GetSignedTarget() > 0.0)) break;
    }
    for (int i = 0; i < 300; ++i) winds->GetCurrentWind()->Update(0.01);
    const auto draws = barDraws();
    if (c.side == 0) {
      EXPECT_TRUE(draws.empty());
      continue;
    }
    ASSERT_EQ(draws.size(), 1u);
    if (c.side > 0) {
      EXPECT_FLOAT_EQ(draws[0].corners[0].x, centre);
      EXPECT_FLOAT_EQ(draws[0].corners[1].x, centre + length);
    } else {
      EXPECT_FLOAT_EQ(draws[0].corners[0].x, centre - length);
      EXPECT_FLOAT_EQ(draws[0].corners[1].x, centre);
    }
  }
}

// The weapon description follows the pointer, but never leaves the screen nor covers the
// turn clock, the wind meter, the buttons or a team's panel with its bar and highlight: near
// an edge or a corner it goes to the pointer's other side, or moves past what it would cover.
TEST_F(BattleDisplay, DescriptionBoxStaysOnTheScreenAndOffTheClockAndTheTeamPanels) {
  // A device as large as the largest screen, so that no draw on any of them is culled.
  WaffenTeams::Install(nullptr);
  run.reset();
  run = std::make_unique<EngineRun>(nullptr, platform::Size{1920, 1080});
  Load(run->context, run->globals);
  ASSERT_EQ(run->graphics->GetScreenWidth(), 1920u);
  Play(2);
  const TexturePartRecord* box = globals->GetBoxTexture();
  ASSERT_TRUE(box && box->texture) << "the box texture of misc.prt";
  platform::GraphicsDevice* device = run->graphics->GetDevice();
  SpriteRenderer* renderer = run->graphics->GetSpriteRenderer();
  struct Size {
    int32_t w, h;
  };
  for (const Size size : {Size{800, 600}, Size{1024, 768}, Size{1920, 1080}}) {
    const int32_t w = size.w, h = size.h;
    MakeHud(w, h);
    // The bazooka picked from the store: its description shows for a while.
    OpenStore(MouseAt(w / 2, h / 2));
    const InputState onCell = MouseOn(CellOf(Weapon(u"Bazooka")));
    hud->OnLeftButtonDown(&onCell);
    ASSERT_EQ(hud->GetSelectedWeapon(), Weapon(u"Bazooka"));
    hud->UpdateDescription(1.0);
    std::vector<Rect> keepOut;
    for (int32_t id : {1, 2, 3, 4, 5}) keepOut.push_back(RectOf(*hud, id).ToCorners());
    for (int i = 0; i < 2; ++i) {
      const Rect r = RectOf(*hud, LevelHud::TeamPanelId(i)).ToCorners();
      // The health bar and the active team's frame rise above the panel.
      keepOut.push_back({r.left - 2, r.top - 14, r.right + 2, r.bottom});
    }
    // The worm at turn stands a little above and left of the middle, at the screen's own scale;
    // it and its label (up to 120 above its top) stay in view.
    const Vector2 feet = *battle.worm->GetPosition(), wormSize = *battle.worm->GetSize();
    const int32_t wormX = w / 2 - 80, wormY = h / 2 - 60;
    globals->GetCamera()->SetView({feet.x - float(wormX), feet.y - float(wormY), 1920.0f, 1080.0f});
    keepOut.push_back({wormX - 45, wormY - int32_t(wormSize.y) - 120, wormX + 45, wormY});
    struct Mouse {
      const char* where;
      int32_t x, y;
      bool besidePointer;  // whether it fits beside the pointer, 50 away
    };
    const Mouse mice[] = {
        {"top left", 0, 0, false},          {"top right", w - 1, 0, false},
        {"bottom left", 0, h - 1, false},   {"bottom right", w - 1, h - 1, false},
        {"top middle", w / 2, 0, false},    {"bottom middle", w / 2, h - 1, false},
        {"left middle", 0, h / 2, true},    {"right middle", w - 1, h / 2, true},
        {"middle", w / 2, h / 2, true},     {"beside the clock", 150, 30, false},
        {"over a team", w / 2 - 100, h - 40, false},
        {"up left of the worm", wormX - 80, wormY - 150, false},
    };
    for (const Mouse& m : mice) {
      SCOPED_TRACE(testing::Message() << w << "x" << h << " mouse " << m.where);
      const InputState at = MouseAt(m.x, m.y);
      hud->OnMouseMove(&at);
      hud->Update(&at, 0.0);
      device->ClearRecordedDraws();
      ASSERT_TRUE(Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend)));
      hud->DrawOverlay();
      renderer->End();
      Rect drawn{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
      for (const auto& d : device->RecordedDraws())
        if (d.texture == box->texture)
          for (const Vector2& c : d.corners) {
            drawn.left = std::min(drawn.left, int32_t(c.x));
            drawn.top = std::min(drawn.top, int32_t(c.y));
            drawn.right = std::max(drawn.right, int32_t(c.x));
            drawn.bottom = std::max(drawn.bottom, int32_t(c.y));
          }
      ASSERT_LT(drawn.left, drawn.right) << "the description is drawn";
      EXPECT_GT(drawn.Width(), 100);
      EXPECT_GE(drawn.left, 0);
      EXPECT_GE(drawn.top, 0);
      EXPECT_LE(drawn.right, w);
      EXPECT_LE(drawn.bottom, h);
      for (const Rect& k : keepOut)
        EXPECT_FALSE(drawn.left < k.right && k.left < drawn.right && drawn.top < k.bottom && k.top < drawn.bottom)
            << "covers " << k.left << "," << k.top << " - " << k.right << "," << k.bottom;
      // Where there is room beside the pointer, it is 50 away on one side and does not hide it.
      if (m.besidePointer) {
        EXPECT_TRUE(drawn.left == m.x + 50 || drawn.right == m.x - 50) << drawn.left << " " << drawn.right;
        EXPECT_TRUE(drawn.top == m.y + 50 || drawn.bottom == m.y - 50) << drawn.top << " " << drawn.bottom;
      }
    }
  }
}

// The description speaks of the weapon a person holds at turn: the computer's turn, and a
// setting the computer changes on the same weapon, show nothing; the person's next turn
// shows it again only once they change its setting or pick it.
TEST_F(BattleDisplay, DescriptionFollowsThePersonAtTurnNotTheComputer) {
  Play(2);
  MakeHud(1024, 768);
  Worm* person = battle.worm;
  Worm* computer = teams[1]->PlayOrder().front();
  ASSERT_NE(dynamic_cast<HumanSteuerung*>(person->GetControl()), nullptr);
  ASSERT_EQ(dynamic_cast<HumanSteuerung*>(computer->GetControl()), nullptr) << "the easy computer plays team B";
  Waffe* grenade = Weapon(u"Granate");
  ASSERT_TRUE(grenade->HasSetting());
  OpenStore(MouseAt(512, 384));
  const InputState onCell = MouseOn(CellOf(grenade));
  hud->OnLeftButtonDown(&onCell);
  hud->UpdateDescription(0.01);
  ASSERT_EQ(hud->GetSelectedWeapon(), grenade);
  EXPECT_GT(hud->GetDescriptionTimer(), 4.0);

  struct Step {
    const char* what;
    Worm* atTurn;
    bool arm;             // the weapon's setting changes this frame
    Waffe* selected;      // what the display then speaks of
    bool shown;
  };
  const Step steps[] = {
      {"the computer's turn", computer, false, nullptr, false},
      {"the computer sets the fuse", computer, true, nullptr, false},
      {"the person's next turn", person, false, grenade, false},
      {"the person sets the fuse", person, true, grenade, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    battle.worm = step.atTurn;
    step.atTurn->SetWeapon(grenade);
    if (step.arm) grenade->Arm(2.0);
    hud->UpdateDescription(0.01);
    EXPECT_EQ(hud->GetSelectedWeapon(), step.selected);
    EXPECT_EQ(hud->GetDescriptionTimer() > 0.0, step.shown);
  }
}

TEST(BattleDescription, FadesInStaysAndFadesOut) {
  struct Case {
    double timer, alpha;
  };
  for (const Case c : {Case{5.0, 0.0}, Case{4.75, 0.5}, Case{4.5, 1.0}, Case{2.0, 1.0}, Case{0.25, 0.5},
                       Case{0.0, 0.0}, Case{-1.0, 0.0}})
    EXPECT_NEAR(LevelHud::DescriptionAlpha(c.timer), c.alpha, 1e-9) << c.timer;
}

}  // namespace
}  // namespace display_test
