// Every name one shipped file gives for something another file defines is defined there:
// particle types, events, animations, sounds, weapons, persons, force fields, gate types,
// effects and effect instances, explosions, render extras, controls and language keys.
// The definitions are read from the archive's own files, so a renamed or missing entry
// anywhere shows here with the file and key that name it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "platform/text.h"

namespace {

std::unique_ptr<DataArchive> OpenArchive() {
  const char* env = std::getenv("KRUMBOLT_GOB");
  return DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
}

std::string U8(const std::u16string& s) { return platform::U16ToUtf8(s); }

std::u16string Upper(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
  return s;
}

std::u16string Value(const KVNode& node, unsigned i) {
  const KVValue* v = node.GetValue(i);
  return v ? v->Text() : std::u16string();
}

// Calls `visit` on every node below `node`, with the node holding it.
void Walk(const KVNode& node, const std::function<void(const KVNode& parent, const KVNode& child)>& visit) {
  for (const auto& child : node.Children()) {
    visit(node, *child);
    Walk(*child, visit);
  }
}

// The NAME (or another key's value, or the first value) of every block `block` below `root`, at any depth.
std::set<std::u16string> Defined(const KVNode* root, const std::set<std::u16string>& blocks, bool firstValue = false,
                                 const char16_t* key = u"NAME") {
  std::set<std::u16string> names;
  if (!root) return names;
  Walk(*root, [&](const KVNode&, const KVNode& child) {
    if (!blocks.count(child.Name())) return;
    std::u16string name;
    if (firstValue && child.GetValueCount() > 0)
      names.insert(Value(child, 0));
    else if (child.Read(key, name))
      names.insert(name);
  });
  return names;
}

struct Reference {
  // Which values name something: all, the first only, or every value but the first.
  enum Which { kAll, kFirst, kSecond };
  Reference(std::u16string k, std::string what, Which w = kAll, std::u16string in = {})
      : key(std::move(k)), kind(std::move(what)), which(w), within(std::move(in)) {}
  std::u16string key;
  std::string kind;
  Which which;
  // Only inside a block of this name, when given.
  std::u16string within;
};

class ContentNames : public testing::Test {
 protected:
  void SetUp() override {
    archive = OpenArchive();
    ASSERT_TRUE(archive);
    for (const auto& [name, entry] : archive->List()) entries.insert(Upper(name));
  }

  std::unique_ptr<KVNode> Load(const std::u16string& name) { return LoadKVFromArchive(name, archive.get()); }

  // Sounds and files are entries of the archive, found in one of the SEARCHPATH folders the
  // block (or a block around it) gives, or by their own path.
  bool HasEntry(const std::vector<std::u16string>& folders, const std::u16string& name) const {
    if (entries.count(Upper(name))) return true;
    for (const auto& folder : folders)
      if (entries.count(Upper(folder + u"\\" + name))) return true;
    return false;
  }

  std::unique_ptr<DataArchive> archive;
  std::set<std::u16string> entries;
};

TEST_F(ContentNames, EveryNameAShippedFileGivesIsDefined) {
  const auto particles = Load(u"partikel.prt"), events = Load(u"events.evt"), animations = Load(u"animationen.ani"),
             moving = Load(u"ebenen_animationen.ani"), explosions = Load(u"explosionen.exp"),
             roster = Load(u"worms_default.wrm"), weapons = Load(u"waffen.waf"), gates = Load(u"Teleporter.tpt"),
             fields = Load(u"kraftfelder.kft"), effects = Load(u"PostEffects.efx"), extras = Load(u"RenderExtra.ree"),
             keys = Load(u"keyconfig_default.cfg"), crates = Load(u"Boni.bon"), water = Load(u"wasser.was"),
             wind = Load(u"wind.wnd"), settings = Load(u"WorldSetting.wst"), layers = Load(u"eigenschaften.egs"),
             language = Load(u"sprache.lng");
  for (const KVNode* doc : {particles.get(), events.get(), animations.get(), moving.get(), explosions.get(),
                            roster.get(), weapons.get(), gates.get(), fields.get(), effects.get(), extras.get(),
                            keys.get(), crates.get(), water.get(), wind.get(), settings.get(), layers.get(),
                            language.get()})
    ASSERT_NE(doc, nullptr);

  static const std::set<std::u16string> kWeaponBlocks = {
      u"BAZOOKA", u"FLAMMENWERFER", u"HOMINGMISSLE",   u"GEWEHR", u"FLUGZEUG", u"AIRSTRIKE", u"ARMAGEDDON",
      u"GRANATE", u"DYNAMIT",       u"MINE",           u"AUTO",   u"SELBSTM\u00D6RDER",   u"OBJEKTE_EINF\u00DCGEN",
      u"EROSION", u"POST_EFFECTS",  u"JETPACK",        u"SCHILD", u"BEAMER",   u"NAHKAMPFWAFFE", u"SWITCHWORM",
      u"TELEPORT"};
  std::map<std::string, std::set<std::u16string>> defined;
  defined["particle type"] = Defined(particles.get(), {u"PARTIKEL_INFO"});
  defined["event"] = Defined(events.get(), {u"EXPLOSION_EVENT", u"EXPLOSION_EVENT_ANI", u"ENTER_WASSER_EVENT",
                                            u"KILL_EVENT", u"UNKILL_EVENT", u"PARTIKEL_CREATE_EVENT",
                                            u"CREATE_NEW_ID_EVENT", u"GIFT_EVENT", u"RENDEREFFECT_EVENT",
                                            u"SETSPEED_EVENT", u"ADDMUNI_EVENT", u"ADDMEDIKIT_EVENT"});
  defined["animation"] = Defined(animations.get(), {u"ANIMATION"});
  defined["frames"] = Defined(animations.get(), {u"ANIMATION_FRAMES"});
  defined["moving animation"] = Defined(moving.get(), {u"BEWEGTEANIMATION", u"PFADANIMATION"});
  defined["explosion"] = Defined(explosions.get(), {u"EXPLOSION"});
  defined["person"] = Defined(roster.get(), {u"PERSON"});
  defined["person properties"] = Defined(roster.get(), {u"PERSONENEIGENSCHAFTEN"});
  defined["weapon"] = Defined(weapons.get(), kWeaponBlocks, true);
  defined["gate type"] = Defined(gates.get(), {u"TELEPORTER"});
  defined["force field"] = Defined(fields.get(), {u"KILL_KRAFTFELD", u"SCHUBS_KRAFTFELD"});
  defined["effect"] = Defined(effects.get(), {u"POST_EFFECT", u"PE_WOBBLE", u"PE_BRIGHT", u"PE_BLUR_BLOOM",
                                              u"PE_BLOOM_COMBINE", u"PE_SATURATE", u"PE_LIGHT", u"PE_SCATTER",
                                              u"PE_DOF", u"PE_COMBINATION"});
  defined["effect animator"] = Defined(effects.get(), {u"PEA_BLUR", u"PEA_WOBBLE", u"PEA_SATURATE", u"PEA_LIGHT",
                                                       u"PEA_SCALING"});
  defined["effect instance"] = Defined(effects.get(), {u"POSTEFFECT_INSTANZ"});
  defined["render extra"] = Defined(extras.get(), {u"EINTRAG"});
  defined["control"] = Defined(keys.get(), {u"HUMANSTEUERUNG", u"CPUSTEUERUNG"});
  defined["crate set"] = Defined(crates.get(), {u"EINSTELLUNG"});
  defined["water"] = Defined(water.get(), {u"GEWAESSER"});
  defined["water type"] = Defined(water.get(), {u"WASSER"});
  defined["wind"] = Defined(wind.get(), {u"WIND"});
  defined["setting"] = Defined(settings.get(), {u"SETTING"}, false, u"NAME_ID");
  defined["layer properties"] = Defined(layers.get(), {u"EBENENEIGENSCHAFTEN"});
  for (const auto& [kind, names] : defined) EXPECT_FALSE(names.empty()) << kind << ": nothing defined";
  EXPECT_EQ(defined["weapon"].size(), 21u) << "one weapon of every kind";

  const std::vector<Reference> animationRefs = {{u"ANIMATIONEN", "animation"}};
  const std::vector<Reference> soundRefs = {{u"SOUNDS", "sound"}, {u"ON_SHOT_SOUNDS", "sound"},
                                            {u"TICK_SOUNDS", "sound"}, {u"FLUGSOUND", "sound"},
                                            {u"ON_TELEPORT_SOUNDS", "sound"}, {u"ON_CREATE_SOUNDS", "sound"},
                                            {u"ON_DESTROY_SOUNDS", "sound"}, {u"ON_HIT_SOUNDS", "sound"}};
  auto with = [](std::vector<Reference> a, const std::vector<Reference>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const std::vector<std::pair<const char16_t*, std::vector<Reference>>> files = {
      {u"partikel.prt",
       with(animationRefs,
            {{u"PARTIKEL_INFOS", "particle type"}, {u"ERDE_PARTIKEL", "particle type"},
             {u"EVENT_CREATE", "event"}, {u"EVENT_DELETE", "event"}, {u"EVENT_COLLIDE", "event"},
             {u"EVENT_KILL", "event"}, {u"EVENT_ENTER_WASSSER", "event"}, {u"EVENT_WORMCOLLIDE", "event"}})},
      {u"animationen.ani", {{u"ANIMATION_FRAME_NAME", "frames"}, {u"TEXTUR_FILE", "file"}}},
      {u"events.evt",
       with(with(animationRefs, soundRefs),
            {{u"EVENTS", "event"}, {u"PARTIKEL_INFOS", "particle type"}, {u"EXPLOSION_NAME", "explosion"},
             {u"REDNEREFFECT_ISTANZEN", "effect instance"}, {u"NAME_WAFFE", "weapon"}})},
      {u"explosionen.exp", {{u"PARTIKEL_NAMEN", "particle type"}}},
      {u"worms_default.wrm",
       {{u"EVENT_KILL", "event"}, {u"PERSON_EIGENSCHAFTEN", "person properties"},
        {u"PFEIL_ANIMATION", "animation"}, {u"SWITCHPFEIL_ANIMATION", "animation"},
        // Every entry of a person's animation table names animations.
        {u"STEHEN", "animation"}, {u"LAUFEN", "animation"}, {u"RENNEN", "animation"}, {u"SPRINGEN", "animation"},
        {u"FALLEN", "animation"}, {u"JETPACK", "animation"}, {u"KLETTERN", "animation"},
        {u"ERSOFFEN", "animation"}, {u"FADENKREUZ", "animation"}, {u"TOT_0", "animation"},
        {u"TOT_1", "animation"}, {u"DADDEL_0", "animation"}, {u"DADDEL_1", "animation"},
        {u"DADDEL_2", "animation"}, {u"DADDEL_3", "animation"}, {u"DADDEL_4", "animation"},
        {u"KRANK_0", "animation"}, {u"KRANK_1", "animation"}, {u"KRANK_2", "animation"}}},
      {u"waffen.waf",
       with(with(animationRefs, soundRefs),
            {{u"PARTIKELINFO", "particle type"}, {u"WAFFENANIMATION_GEW\u00C4HLT", "animation"},
             {u"WAFFENANIMATION_FEUER", "animation"}, {u"ANI_START", "animation"}, {u"ANI_ENDE", "animation"},
             {u"PERSON", "person"}, {u"TELEPORTER_NAME", "gate type"}, {u"SCHILDNAME", "force field"},
             {u"EFFECT_INSTANZ", "effect instance"}, {u"WAFFEN", "weapon"}, {u"TEXT_ID", "language key"},
             {u"VORSCHAU_BILDCHEN", "picture"}, {u"AUTO", "person", Reference::kAll, u"AUTO"}})},
      {u"Teleporter.tpt",
       with(with(animationRefs, soundRefs),
            {{u"PARTIKEL_INFO", "particle type"}, {u"RENDER_EXTRA_TYPEN", "render extra"},
             {u"EINTRAG", "animation", Reference::kFirst}, {u"EINTRAG", "render extra", Reference::kSecond}})},
      {u"kraftfelder.kft",
       with(soundRefs, {{u"ANIMATION", "animation"}, {u"RENDER_EXTRA_TYPEN", "render extra"},
                        {u"EINTRAG", "animation", Reference::kFirst},
                        {u"EINTRAG", "render extra", Reference::kSecond}})},
      {u"wasser.was",
       {{u"WASSER_ANIMATION", "animation"}, {u"WELLEN_ANIMATION", "animation"},
        {u"RENDER_EXTRA_TYPEN", "render extra"}, {u"WASSER", "water type", Reference::kAll, u"GEWAESSER"}}},
      {u"wind.wnd", {{u"PARTIKEL_INFOS", "particle type"}}},
      {u"Boni.bon", {{u"KISTE_TYP", "particle type"}}},
      {u"PostEffects.efx",
       {{u"FX_NAME", "file"}, {u"ANIMATOR_NAME", "effect animator"}, {u"POSTEFFECT_NAME", "effect"},
        {u"POSTEFFECT_NEXT_NAME", "effect"}, {u"BLUR_NAME", "effect"}}},
      {u"keyconfig_default.cfg", {{u"WAFFEN", "weapon"}}},
      {u"WorldSetting.wst",
       {{u"SCATTER_NAME", "effect"}, {u"DOF_EFFECT", "effect"}, {u"POST_EFFECT", "effect", Reference::kFirst},
        {u"WIND", "wind"}, {u"WASSER", "water"}, {u"NAME_TEXT_ID", "language key"},
        {u"BEWEGTEANIMATION", "moving animation", Reference::kFirst}}},
  };
  std::vector<std::u16string> levels = {u"mainmenu.lvl", u"rand_level.lvl"};
  for (const auto& [name, entry] : archive->List())
    if (name.size() > 4 && name.compare(name.size() - 4, 4, u".lvl") == 0 &&
        std::find(levels.begin(), levels.end(), name) == levels.end())
      levels.push_back(name);
  const std::vector<Reference> levelRefs = {{u"STEUERUNG", "control"},
                                            {u"BONUS", "crate set"},
                                            {u"SETTING_NAME", "setting"},
                                            {u"EBENEN_EIGENSCHAFT_NAME", "layer properties"}};

  // The texts the weapons build their keys from, besides their TEXT_IDs.
  std::set<std::u16string> languageKeys;
  Walk(*language, [&](const KVNode& parent, const KVNode& child) {
    if (parent.Name() == u"TEXTE") {
      bool complete = child.GetValueCount() >= 4;
      for (unsigned i = 0; complete && i < 4; ++i) complete = !Value(child, i).empty();
      if (complete) languageKeys.insert(child.Name());
    }
  });

  std::vector<std::string> unresolved;
  std::map<std::string, int> resolved;
  auto check = [&](const std::u16string& file, const std::u16string& key, const std::string& kind,
                   const std::u16string& name, const std::vector<std::u16string>& folders, const KVNode& node) {
    bool ok = false;
    if (kind == "sound" || kind == "file") {
      ok = HasEntry(folders, name);
    } else if (kind == "language key") {
      ok = languageKeys.count(name) > 0;
    } else if (kind == "picture") {
      // A part of a part file: the file in the block's folder, and a part of that name in it.
      const std::u16string part = Value(node, 1);
      std::u16string folder;
      node.Read(u"SEARCHPATH", folder);
      const auto partFile = Load(folder.empty() ? name : folder + u"\\" + name);
      ok = partFile != nullptr;
      if (ok) {
        std::set<std::u16string> parts;
        Walk(*partFile, [&](const KVNode&, const KVNode& c) {
          std::u16string id;
          if (c.Name() == u"TEX_PART" && c.Read(u"NAME_ID", id)) parts.insert(id);
        });
        ok = parts.count(part) > 0;
      }
    } else {
      ok = defined[kind].count(name) > 0;
    }
    if (ok)
      ++resolved[kind];
    else
      unresolved.push_back(U8(file) + ": " + U8(key) + " \"" + U8(name) + "\" is no " + kind);
  };
  auto scan = [&](const std::u16string& file, const KVNode& root, const std::vector<Reference>& refs) {
    // SEARCHPATH folders hold for the block that gives them and the blocks inside it.
    std::function<void(const KVNode&, std::vector<std::u16string>)> visit = [&](const KVNode& node,
                                                                                  std::vector<std::u16string> folders) {
      if (const KVNode* path = node.GetChild(0, u"SEARCHPATH"))
        for (unsigned i = 0; i < path->GetValueCount(); ++i) folders.push_back(Value(*path, i));
      // A frame of an animation gives its folder as its value.
      if (node.Name() == u"FRAME" && node.GetValueCount() > 0) folders.push_back(Value(node, 0));
      for (const auto& child : node.Children()) {
        for (const Reference& ref : refs) {
          if (child->Name() != ref.key || (!ref.within.empty() && node.Name() != ref.within)) continue;
          const unsigned n = child->GetValueCount();
          const unsigned first = ref.which == Reference::kSecond ? 1 : 0;
          const unsigned last = ref.which == Reference::kFirst ? std::min(n, 1u) : n;
          for (unsigned i = first; i < last; ++i) {
            if (ref.kind == "picture" && i > 0) break;
            check(file, ref.key, ref.kind, Value(*child, i), folders, *child);
          }
        }
        visit(*child, folders);
      }
    };
    visit(root, {});
  };
  for (const auto& [file, refs] : files) {
    const auto doc = Load(file);
    ASSERT_NE(doc, nullptr) << U8(file);
    scan(file, *doc, refs);
  }
  for (const auto& level : levels) {
    const auto doc = Load(level);
    ASSERT_NE(doc, nullptr) << U8(level);
    scan(level, *doc, levelRefs);
  }

  // Keys the weapons make from their names: the ammunition messages, and the runners' texts.
  Walk(*weapons, [&](const KVNode& parent, const KVNode& child) {
    if (parent.Name() != u"WAFFEN" || !kWeaponBlocks.count(child.Name())) return;
    std::u16string textId;
    if (child.Read(u"TEXT_ID", textId))
      for (const char16_t* suffix : {u"_CHANGE_ANZAHL1", u"_CHANGE_ANZAHL"})
        check(u"waffen.waf", u"TEXT_ID", "language key", textId + suffix, {}, child);
    if (child.Name() == u"SELBSTM\u00D6RDER")
      for (const char16_t* suffix : {u"_START", u"_BESCHREIBUNG"})
        check(u"waffen.waf", u"NAME", "language key", Value(child, 0) + suffix, {}, child);
  });

  std::string all;
  for (const auto& line : unresolved) all += line + "\n";
  EXPECT_TRUE(unresolved.empty()) << all;
  // The scan reached every kind it checks (a key renamed in the test would silently look at
  // nothing).
  for (const char* kind : {"particle type", "event", "animation", "sound", "weapon", "person", "force field",
                           "gate type", "effect instance", "effect", "effect animator", "language key",
                           "explosion", "render extra", "control", "crate set", "picture", "frames", "file", "water",
                           "water type", "wind", "setting", "layer properties", "moving animation"})
    EXPECT_GT(resolved[kind], 0) << kind;
}

}  // namespace
