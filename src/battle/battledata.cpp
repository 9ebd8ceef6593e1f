// Loading the battle's data files.
#include "battle/battledata.h"

#include "battle/waffenset.h"
#include "battle/waffenteams.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/contentlimits.h"
#include "engine/gameeventhost.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "objects/bonussettings.h"
#include "objects/eventtable.h"
#include "objects/explosiontable.h"
#include "objects/kraftfeldliste.h"
#include "objects/namen.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/renderextra.h"
#include "objects/teleporterliste.h"
#include "objects/wormmanager.h"
#include "posteffects/posteffectlibrary.h"
#include "world/catalogueassets.h"
#include "world/ebeneneigenschaft.h"
#include "world/settingkatalog.h"
#include "world/wassermanager.h"
#include "world/wind.h"

void LoadBattleData(MyGlobals& globals, APIContext& context, const BattleDataOptions& options) {
  const DataArchive* archive = globals.GetArchive();
  auto step = [&] {
    if (options.step) options.step();
  };
  // Each file is handed to its loader even when it is missing (a null document loads
  // nothing). The document lives, and messages about its values name it, until the end of
  // the statement that hands it to its loader. After a stop, what is left loads nothing.
  auto load = [&](const char16_t* name) {
    const bool stopped = options.stop && options.stop();
    return content::ScopedDocument(name, stopped ? nullptr : LoadKVFromArchive(name, archive));
  };
  AnimationManager* animations = globals.GetAnimationManager();
  animations->LoadFile(load(u"animationen.ani").get(), archive);
  step();
  animations->LoadFile(load(u"ebenen_animationen.ani").get(), archive);
  step();
  // The particle types name their animations, so they come after them.
  PartikelInfo::LoadAll(load(u"partikel.prt").get(), *globals.GetPartikelListe(), animations);
  step();
  // The explosions' blasts and the events name particle types too; the events also name
  // sounds and animations.
  globals.GetExplosionTable()->Load(load(u"explosionen.exp").get(), globals.GetPartikelListe());
  step();
  globals.GetEventTable()->Load(load(u"events.evt").get(), *globals.GetEventHost());
  step();
  globals.GetLayerProperties()->Load(load(u"eigenschaften.egs").get());
  step();
  globals.GetNamen()->Load(load(u"namen.nam").get());
  step();
  // The roster's person sets and templates (the car and the walking bomb weapons send out),
  // then the player's own teams and worms through the same reader.
  bool templates = false;
  {
    const content::ScopedDocument defaults = load(u"worms_default.wrm");
    templates = defaults.get() != nullptr;
    globals.GetWormManager()->Load(defaults.get());
  }
  // Without the templates (a quit stopped the loading, or the file is missing) the player's
  // worms could not be built: the roster would read as damaged and the end would write it
  // back empty. It is then left unread, and so kept as it is.
  if (options.playerRoster && templates) globals.GetWormManager()->LoadRoster(context.UserFilePath(u"teams.man"));
  // The weapons ask the worm manager which team a worm plays for.
  WaffenTeams::Install(globals.GetWormManager());
  step();
  // Water and winds go to the game-wide managers, where every world and battle finds them.
  globals.GetWasserManager()->Load(load(u"wasser.was").get());
  step();
  if (WindManager* wind = globals.GetWindManager()) wind->Load(load(u"wind.wnd").get());
  step();
  globals.GetRenderExtras()->Load(load(u"RenderExtra.ree").get());
  step();
  // Gates are particles of named types, with animations and sounds of their own.
  const LoadSources sources{globals.GetPartikelListe(), animations, context.sound, archive};
  globals.GetTeleporterListe()->Load(load(u"Teleporter.tpt").get(), sources);
  step();
  globals.GetKraftfeldListe()->Create(load(u"kraftfelder.kft").get(), sources);
  step();
  globals.GetBonusSettings()->LoadFile(load(u"Boni.bon").get());
  step();
  if (PostEffectLibrary* effects = globals.GetPostEffects()) effects->Load(load(u"PostEffects.efx").get(), archive);
  // The weapons name particle types, animations, sounds, persons, gate and field types and
  // effect instances, so they come after all of those.
  globals.GetWaffenSet()->Load(load(u"waffen.waf").get());
  step();
  APIGraphics* graphics = context.graphics;
  GameCatalogueAssets assets(graphics ? graphics->GetTexturDefCache() : nullptr, animations, archive);
  // The catalogue comes last: its backdrops copy the moving animations.
  globals.GetSettingKatalog()->Load(load(u"WorldSetting.wst").get(), &assets, graphics);
  step();
}
