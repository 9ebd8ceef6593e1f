// The battle's display: the HUD bar across the screen (the turn time, the wind meter, the
// message, pause and help buttons, one panel per playing team with its health bar and its
// control's icon, and the message list), the weapon store panel that opens at the mouse
// with a column per weapon category and a cell per weapon, the hover test and the mouse
// handlers, and the places of the battle's text areas. The battle owns one and tells it
// what it shows through the host.
#pragma once

#include <cstdint>
#include <vector>

#include "battle/wertanimator.h"
#include "engine/apiinput.h"
#include "engine/gfxtypes.h"
#include "engine/guidrawklasse.h"
#include "engine/resetobjekt.h"

class APIContext;
class Mannschaft;
class MyGlobals;
class Waffe;
class Worm;
struct TexturePartRecord;

// What the display asks of the battle it shows.
class HudHost {
 public:
  virtual ~HudHost() = default;
  // The worm whose turn it is; null between battles.
  virtual Worm* GetActiveWorm() const = 0;
  // The seconds left of the turn.
  virtual double GetTurnTimeLeft() const = 0;
  // A round has been started (the world and its worms exist), and the battle runs (not
  // paused).
  virtual bool IsRoundStarted() const { return true; }
  virtual bool IsRunning() const { return true; }
  // The pause and help buttons.
  virtual void OpenPauseScreen() {}
  virtual void OpenHelpScreen() {}
};

class LevelHud : public GUIDrawKlasse, public MyControl, public ResetObjekt {
 public:
  // Root slots, element ids and the parts of "menu_neu.prt" by index.
  static constexpr int kSlotCount = 5;
  static constexpr int kHudSlot = 0;
  static constexpr int kStoreSlot = 1;
  enum ElementId : int32_t {
    kHudBar = 0,
    kTurnTime = 1,
    kWindMeter = 2,
    kMessageButton = 3,
    kPauseButton = 4,
    kHelpButton = 5,
    kMessageList = 6,
    kStorePanel = 13,
    // Weapon cells count up from here, team panels down from kFirstTeamPanel, so the two
    // ranges never meet however many teams and weapons there are.
    kFirstCell = 100,
    kFirstTeamPanel = -1,
  };
  static constexpr int kTextureCount = 22;
  static constexpr int kFontCount = 9;
  static const char16_t* const kTextureNames[kTextureCount];
  // Cell layout of the weapon store.
  static constexpr int32_t kCellWidth = 50;
  static constexpr int32_t kCountWidth = 15;
  static constexpr int32_t kCellHeight = 50;
  static constexpr int32_t kCellGap = 2;
  static constexpr int32_t kStoreMargin = 10;
  // The panel animator runs this many times faster than the game.
  static constexpr double kPanelSpeed = 10.0;
  // Seconds a picked weapon's description stays, and how long it fades in and out.
  static constexpr double kDescriptionTime = 5.0;
  static constexpr double kDescriptionFade = 0.5;
  // Neither side of the open weapon store comes nearer to the screen's edge than this.
  static constexpr int32_t kStoreEdge = 100;
  // How far the store's frame is drawn beyond its panel, and how far a team's health bar
  // rises above its panel.
  static constexpr int32_t kStoreFrame = 30;
  static constexpr int32_t kTeamBarRise = 12;
  // The message list holds at most this many lines.
  static constexpr int32_t kMessageLines = 8;
  // How far the active team's frame rises above its panel.
  static constexpr int32_t kTeamHighlightRise = 14;
  // The weapon description sits this far from the pointer, and this far from what it moves
  // away from.
  static constexpr int32_t kDescriptionOffset = 50;
  static constexpr int32_t kDescriptionGap = 4;
  // How far the worm at turn, its label, its weapon and the arrow over it reach beside and
  // above its middle and top.
  static constexpr int32_t kWormKeepOutHalfWidth = 50;
  static constexpr int32_t kWormKeepOutRise = 130;

  static int32_t TeamPanelId(int index) { return kFirstTeamPanel - index; }
  // The team index of a team panel's id, or -1.
  static int TeamIndexOf(int32_t id) { return id <= kFirstTeamPanel ? kFirstTeamPanel - id : -1; }
  static bool IsCell(int32_t id) { return id >= kFirstCell; }

  // Makes the fonts, loads the parts, builds the HUD bar and the weapon store and shows the
  // first page. `camera` gets the mouse events the display does not take (may be null).
  LevelHud(APIContext* context, MyGlobals* globals, HudHost* host, MyControl* camera = nullptr);
  ~LevelHud() override;

  // The screen the display lays itself out on: the graphics manager's, unless one is given
  // (0, 0 returns to the graphics manager's).
  void SetScreenSize(int32_t width, int32_t height);
  int32_t ScreenWidth() const;
  int32_t ScreenHeight() const;

  // Rebuilds the HUD bar for the playing teams (at every round start).
  void BuildHudBar();
  // Rebuilds the weapon store from the weapon set (when a battle is switched on).
  void BuildWeaponStore();
  // Shows slot i and the weapon store's slot.
  void ShowPage(int page);
  int GetShownPage() const { return m_shownPage; }

  // Per frame: the element under the mouse and the hover fades (real time), then the panel
  // animator by the game step.
  void Update(const InputState* mouse, double gameStep);
  // The battle's panel request: 1 opens the store (only while closed, with an active worm
  // that can act), 3 toggles, 2 and anything else close it.
  void HandlePanelRequest(int32_t request, const InputState* mouse);
  void OpenStore(const InputState* mouse);
  void CloseStore();
  bool IsStoreOpening() const { return m_panel.GetTarget() != 0.0; }
  const WertAnimator& GetPanelAnimator() const { return m_panel; }
  // The description clock by the real step; a selected weapon that asks for its description
  // again (a changed setting) shows it anew, fading back in from where it stood. The
  // selected weapon is the one the worm at turn holds while a person plays it, none while the
  // computer does; when it changes, its description waits for a pick or a changed setting.
  void UpdateDescription(double realStep);
  double GetDescriptionTimer() const { return m_descriptionTimer; }
  // A new battle: no weapon is selected or hovered.
  void ForgetWeapons();

  // Draws the HUD bar, the text areas, the weapon store (while it is open at all) and the
  // weapon description, inside an open sprite batch.
  void DrawOverlay();
  // The description's alpha for the selected weapon, by the timer.
  static double DescriptionAlpha(double timer);
  // Where a description box of that size goes: below and to the right of the pointer, or on
  // whichever other side of it the box is whole on the screen and off every keep-out
  // rectangle; failing that, kept on the screen and moved past what it covers; failing that
  // too, only on the screen.
  static Rect PlaceDescription(int32_t width, int32_t height, int32_t mouseX, int32_t mouseY, int32_t screenWidth,
                               int32_t screenHeight, const std::vector<Rect>& keepOut);
  // What a description box stays off: the turn clock, the wind meter, the three buttons,
  // the worm at turn with its label and each team's panel with its health bar and highlight.
  std::vector<Rect> DescriptionKeepOut() const;

  // The hover test: the GUI base's test; while the store is closed or closing, its cells,
  // the store and the HUD bar's background do not count.
  bool HoverTest(const InputState* mouse);

  void OnMouseMove(const InputState* state) override;
  void OnLeftButtonDown(const InputState* state) override;
  void OnLeftButtonUp(const InputState* state) override;
  void OnRightButtonDown(const InputState* state) override;
  void OnRightButtonUp(const InputState* state) override;
  void OnMouseWheel(const InputState* state) override;

  // After a device reset: the three text areas; also lays the HUD out again on a new size.
  void Reset();
  void OnResetDevice() override;
  void OnLostDevice() override {}

  // The i-th playing team in the roster's fixed order (teams not in the roster after them),
  // as the HUD bar was laid out while the same teams play, or null.
  Mannschaft* GetPlayingTeamByIndex(int index) const;
  int GetPlayingTeamCount() const;

  // The HUD bar's elements and the store's, drawn from the GUI's element hooks.
  void DrawElement(GUIElement* element, const GUIRect* rect, const Rect* extra) override;
  void DrawListRow(GUIElement* element, const GUIRect* rect, const Rect* extra) override;

  // The weapon of a cell id, or null.
  Waffe* GetCellWeapon(int32_t id) const;
  // The element with that id in the HUD or the store, or null.
  GUIElement* FindElement(int32_t id) const;
  GUIElement* GetStorePanel() const { return m_storePanel; }
  GUIElement* GetMessagePanel() const { return m_messagePanel; }
  Waffe* GetSelectedWeapon() const { return m_selected; }
  Waffe* GetHoveredWeapon() const { return m_hovered; }
  bool MessagesShown() const { return m_messagesShown; }
  bool LeftHeld() const { return m_leftHeld; }
  bool RightHeld() const { return m_rightHeld; }
  const TexturePartRecord* GetTexture(int index) const {
    return index >= 0 && index < kTextureCount ? m_textures[index] : nullptr;
  }
  int GetFont(int index) const { return index >= 0 && index < kFontCount ? m_fonts[index] : -1; }

  // A deep panel (the weapon store's look) stretched over the rectangle, inside a batch.
  void DrawPanel(const Rect& rect, Argb colour = 0xFFFFFFFF) const { DrawPart(20, rect, colour); }

  // The colours of a weapon cell: the cell, the icon and the count, before the panel's alpha.
  struct CellColours {
    Argb cell;
    Argb icon;
    Argb count;
  };
  static CellColours CellColoursFor(bool available, bool usable, double hoverFade);
  // The count a cell shows: "%d" above 0, "∞" for unlimited (-1), else nothing.
  static std::u16string CountText(int32_t ammunition);

 private:
  GUIElement* MakeElement(int32_t id, const GUIRect& rect, bool storeHook, double fadeIn, double fadeOut,
                          const char16_t* textKey = nullptr);
  void DrawPart(int texture, const Rect& dst, Argb colour, int mode = 1) const;
  void DrawPartSection(int texture, const Rect& src, const Rect& dst, Argb colour) const;
  void DrawTeamPanel(GUIElement* element, const Rect& r, Mannschaft* team);
  void DrawWindBar(const Rect& r);
  void DrawStyledText(int font, const std::u16string& text, const Rect& rect) const;
  void DrawDescription();
  // The playing teams in the roster's order, then those not in it in their turn order.
  std::vector<Mannschaft*> CurrentTeamOrder() const;
  void ApplyMessagesShown();
  int32_t TextureWidth(int index) const;
  int32_t TextureHeight(int index) const;

  APIContext* m_context;
  MyGlobals* m_globals;
  HudHost* m_host;
  MyControl* m_camera;
  int32_t m_screenWidth = 0;
  int32_t m_screenHeight = 0;
  int32_t m_laidOutWidth = 0;
  int32_t m_laidOutHeight = 0;
  bool m_messagesShown = true;
  GUIElement* m_messagePanel = nullptr;
  GUIElement* m_storePanel = nullptr;
  bool m_leftHeld = false;
  bool m_rightHeld = false;
  const TexturePartRecord* m_textures[kTextureCount] = {};
  int m_fonts[kFontCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
  int m_shownPage = 0;
  Waffe* m_selected = nullptr;
  Waffe* m_hovered = nullptr;
  double m_descriptionTimer = 1.0;
  WertAnimator m_panel;
  // The playing teams in the order their panels were laid out.
  std::vector<Mannschaft*> m_teamOrder;
  // The weapon of each cell, by id - kFirstCell.
  std::vector<Waffe*> m_cellWeapons;
  // The mouse as the last handler saw it, for the description's place.
  int32_t m_mouseX = 0;
  int32_t m_mouseY = 0;
};
