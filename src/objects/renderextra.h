// Render extras: named recipes for the extra drawing passes that post effects ask for. Each
// says which kinds of things take part and in which key colour, chosen per object by its
// render-extra index; objects that name an entry count themselves as its users. The list
// is read from "RenderExtra.ree" and kept by the game-wide object for the whole run.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/renderextralookup.h"

class KVNode;

class RenderExtra {
 public:
  // The kinds of things a pass can draw; the index is the layer key callers pass.
  enum Kind : int32_t {
    kBackgroundLayers = 0,
    kGameLayers = 1,
    kForegroundLayers = 2,
    kWorms = 3,
    kWater = 4,
    kParticles = 5,
    kForceFields = 6,
    kTeleporters = 7,
    kOthers = 8,
    kClouds = 9,
  };
  static constexpr int32_t kKindCount = 10;
  static constexpr int32_t kColourCount = 16;
  static constexpr uint32_t kDefaultColour = 0xFFFFFFFF;

  // Defaults; with a node, its "NAME", "ALWAYS_RENDER", "RENDERABLE" and "COLORKEYS".
  explicit RenderExtra(const KVNode* node = nullptr);

  // The kind a keyword of the file names, or -1 for a word that names none.
  static int32_t KindFromKeyword(std::u16string_view keyword);

  bool HasName(const std::u16string* name) const { return name && *name == m_name; }
  void AddUse() { ++m_users; }
  void ReleaseUse() {
    if (m_users > 0) --m_users;
  }
  bool IsInUse() const { return m_users > 0 || m_alwaysRender; }
  // Whether the entry renders that kind; for an index in 0..15 the kind's colour there is
  // written to `colour`, any other index leaves it as the caller preset it. A kind outside
  // the table renders nothing.
  bool GetColour(int32_t kind, uint32_t& colour, int32_t index) const;

  const std::u16string& GetName() const { return m_name; }
  int32_t GetUsers() const { return m_users; }
  bool RendersAlways() const { return m_alwaysRender; }
  bool RendersIn(int32_t kind) const { return kind >= 0 && kind < kKindCount && m_renders[size_t(kind)]; }

 private:
  void ReadColourKeys(const KVNode& block);

  std::array<bool, kKindCount> m_renders{};
  std::array<std::array<uint32_t, kColourCount>, kKindCount> m_colours;
  std::u16string m_name;
  int32_t m_users = 0;
  bool m_alwaysRender = false;
};

// The game-wide object installs its list as the render-extra lookup, so the layers, the
// water and the moving animations ask the current entry for their colours.
class RenderExtraListe : public RenderExtraLookup {
 public:
  RenderExtraListe() = default;
  RenderExtraListe(const RenderExtraListe&) = delete;
  RenderExtraListe& operator=(const RenderExtraListe&) = delete;

  // Appends one entry per "EINTRAG" child of the root, in file order; null does nothing.
  void Load(const KVNode* root);
  // The last entry of that name becomes the current one and is returned; with none (or a
  // null name) there is no current entry afterwards.
  RenderExtra* Find(const std::u16string* name);
  // The same search, leaving the current entry alone.
  RenderExtra* FindLast(const std::u16string* name) const;
  RenderExtra* FindLast(const std::u16string& name) const { return FindLast(&name); }
  RenderExtra* GetCurrent() const { return m_current; }
  // The current entry's answer for a layer key (RenderExtra::GetColour); false without a
  // current entry.
  bool GetLayerEntry(int32_t layerKey, Argb& colour, int32_t index) const override;
  void Clear();

  size_t GetCount() const { return m_entries.size(); }
  RenderExtra* GetEntry(size_t index) const {
    return index < m_entries.size() ? m_entries[index].get() : nullptr;
  }

 private:
  std::vector<std::unique_ptr<RenderExtra>> m_entries;
  RenderExtra* m_current = nullptr;
};
