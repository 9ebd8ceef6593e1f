// The battle as the players see and handle it: the display (HUD bar, team panels, weapon
// store, weapon description) and the drawing passes over one Level, with the mouse going to
// the display and through it to the camera. The scene that runs a battle owns one beside its
// Level and calls it around each frame of the Level.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "battle/levelhud.h"
#include "battle/levelrender.h"
#include "posteffects/posteffectscene.h"

class APIContext;
class Level;
class MyGlobals;

class LevelDisplay final : public HudHost, public PostEffectScene {
 public:
  // Without a context the process-wide one is used; without globals the context's.
  explicit LevelDisplay(Level& level, MyGlobals* globals = nullptr, APIContext* context = nullptr);
  ~LevelDisplay() override;
  LevelDisplay(const LevelDisplay&) = delete;
  LevelDisplay& operator=(const LevelDisplay&) = delete;

  // After the Level's round has begun: team panels for the round's teams, the store for the
  // weapon set, the text areas, no weapon selected; the mouse goes to the display from now on.
  void BeginRound();
  // The battle is over for now: the display lets the mouse go.
  void EndRound();
  // One frame: the display's hover and store, the Level's frame, then the store following
  // the Level's requests (a right click, a new turn) and the description's clock.
  void Update();

  // The world pass and the effect pass of the post-effect chain, and the overlay on top.
  void RenderPass() override { m_renderer.RenderPass(); }
  bool RenderForEffect(const std::u16string& name) override { return m_renderer.RenderForEffect(name); }
  // The worms' labels and the display; while paused, the pause box instead.
  void RenderOverlay();

  // Once the round is booked: its headline and its table (who stood out how) in a box in the
  // middle of the screen, inside an open sprite batch or on its own.
  void RenderResult();
  // The lines of the result box: the headline, then label and value pairs.
  struct ResultLine {
    std::u16string label;
    std::u16string value;
  };
  std::vector<ResultLine> ResultLines(std::u16string* headline) const;

  // HudHost: what the display reads of the Level; the pause button pauses and resumes.
  Worm* GetActiveWorm() const override;
  double GetTurnTimeLeft() const override;
  bool IsRoundStarted() const override;
  bool IsRunning() const override;
  void OpenPauseScreen() override;
  // The help button shows the keys in a box, and hides it again.
  void OpenHelpScreen() override { m_helpShown = !m_helpShown; }
  bool IsHelpShown() const { return m_helpShown; }

  LevelHud& GetHud() { return *m_hud; }
  LevelRenderer& GetRenderer() { return m_renderer; }
  bool IsListening() const { return m_listening; }

 private:
  void Listen(bool on);
  // A box of text lines ("|" between them) in the middle of the screen.
  void DrawTextPanel(const std::u16string& text, int font);

  Level& m_level;
  MyGlobals* m_globals;
  APIContext* m_context;
  std::unique_ptr<LevelHud> m_hud;
  LevelRenderer m_renderer;
  bool m_listening = false;
  bool m_helpShown = false;
  // The Level's store target as last seen, so its opening and closing reach the display.
  double m_levelStoreTarget = 0.0;
};
