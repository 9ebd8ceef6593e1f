#include "battle/levelrender.h"

#include "battle/cameramanager.h"
#include "battle/levelhud.h"
#include "battle/waffenset.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "objects/kraftfeldliste.h"
#include "objects/partikelliste.h"
#include "objects/renderextra.h"
#include "objects/teleporterliste.h"
#include "objects/wormmanager.h"
#include "world/wassermanager.h"
#include "world/welt.h"

namespace {

constexpr Argb kWhite = 0xFFFFFFFF;

struct View {
  Vector2 offset{0.0f, 0.0f};
  Vector2 scale{1.0f, 1.0f};
  Vector2 centre{0.0f, 0.0f};
};

View CameraView(MyGlobals* globals) {
  View v;
  if (CameraManager* camera = globals->GetCamera()) camera->GetViewTransform(v.offset, v.scale, v.centre);
  return v;
}

SpriteRenderer* Renderer(APIContext* context) {
  return context->graphics ? context->graphics->GetSpriteRenderer() : nullptr;
}

}  // namespace

LevelRenderer::LevelRenderer(APIContext* context, MyGlobals* globals, HudHost* host, LevelHud* hud)
    : m_context(context ? context : APIContext::Get()), m_globals(globals), m_host(host), m_hud(hud) {}

void LevelRenderer::RenderPass() {
  if (!m_globals || (m_host && !m_host->IsRoundStarted())) return;
  SpriteRenderer* renderer = Renderer(m_context);
  if (!renderer || !Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend))) return;
  const View v = CameraView(m_globals);
  Welt* world = m_globals->GetWelt();
  PartikelListe* particles = m_globals->GetPartikelListe();
  WasserManager* water = m_globals->GetWasserManager();
  auto depth = [&](int d) {
    if (particles) particles->Render(v.offset, v.scale, kWhite, d);
    if (water) water->Draw(v.offset, v.scale, kWhite, d);
  };
  if (world) world->DrawBackground(v.offset, v.scale, v.centre, kWhite, true, true);
  depth(kDepthBehind);
  if (KraftfeldListe* fields = m_globals->GetKraftfeldListe()) fields->Render(v.offset, v.scale);
  if (world) world->DrawGameLayers(v.offset, v.scale, kWhite);
  depth(kDepthBetween);
  if (WormManager* worms = m_globals->GetWormManager()) {
    worms->DrawWorms(v.offset, v.scale, kWhite, 0);
    worms->DrawWorms(v.offset, v.scale, kWhite, 1);
  }
  if (TeleporterListe* gates = m_globals->GetTeleporterListe()) gates->Render(v.offset, v.scale);
  if (WaffenSet* weapons = m_globals->GetWaffenSet()) weapons->DrawAll(v.offset, v.scale, false);
  depth(kDepthFront);
  if (world) world->DrawForegroundLayers(v.offset, v.scale, kWhite);
  depth(kDepthNearest);
  renderer->End();
}

bool LevelRenderer::RenderForEffect(const std::u16string& name) {
  if (!m_globals || (m_host && !m_host->IsRoundStarted())) return false;
  RenderExtraListe* extras = m_globals->GetRenderExtras();
  if (!extras || !extras->Find(&name)) return false;
  SpriteRenderer* renderer = Renderer(m_context);
  if (!renderer || !Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend))) return false;
  const View v = CameraView(m_globals);
  Welt* world = m_globals->GetWelt();
  PartikelListe* particles = m_globals->GetPartikelListe();
  WasserManager* water = m_globals->GetWasserManager();
  bool drew = false;
  auto add = [&](bool d) { drew = d || drew; };
  if (world) add(world->DrawBackgroundTinted(v.offset, v.scale));
  if (world) add(world->DrawBackgroundAnimations(v.offset, v.scale));
  if (particles) add(particles->RenderExtra(v.offset, v.scale, kDepthBehind));
  if (water) add(water->DrawForEffect(v.offset, v.scale, kDepthBehind));
  if (KraftfeldListe* fields = m_globals->GetKraftfeldListe()) add(fields->RenderExtra(v.offset, v.scale));
  if (world) add(world->DrawGameLayersTinted(v.offset, v.scale));
  if (world) add(world->DrawGameLayerAnimations(v.offset, v.scale));
  if (particles) add(particles->RenderExtra(v.offset, v.scale, kDepthBetween));
  if (water) add(water->DrawForEffect(v.offset, v.scale, kDepthBetween));
  if (WormManager* worms = m_globals->GetWormManager()) add(worms->RenderExtra(v.offset, v.scale));
  if (particles) add(particles->RenderExtra(v.offset, v.scale, kDepthFront));
  if (TeleporterListe* gates = m_globals->GetTeleporterListe()) add(gates->RenderExtra(v.offset, v.scale));
  if (WaffenSet* weapons = m_globals->GetWaffenSet()) add(weapons->DrawAimAll(v.offset, v.scale));
  if (world) add(world->DrawForegroundTinted(v.offset, v.scale));
  if (world) add(world->DrawForegroundAnimations(v.offset, v.scale));
  if (water) add(water->DrawForEffect(v.offset, v.scale, kDepthFront));
  renderer->End();
  return drew;
}

void LevelRenderer::RenderOverlay() {
  if (!m_globals || !m_host || !m_host->IsRoundStarted() || !m_host->IsRunning() || !m_host->GetActiveWorm())
    return;
  SpriteRenderer* renderer = Renderer(m_context);
  if (!renderer || !Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend))) return;
  const View v = CameraView(m_globals);
  if (WormManager* worms = m_globals->GetWormManager()) worms->DrawWorms(v.offset, v.scale, kWhite, 2);
  if (m_hud) m_hud->DrawOverlay();
  renderer->End();
}
