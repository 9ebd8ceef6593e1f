// Loading, caching and resetting effect files.
#include "engine/effect.h"

#include <cstdio>

#include "engine/apigraphics.h"
#include "engine/contentlimits.h"
#include "engine/dataarchive.h"
#include "engine/effectfile.h"
#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "platform/files.h"
#include "platform/text.h"

Effect::Effect(APIGraphics* graphics, std::u16string name, const SearchPath* path, const DataArchive* archive)
    : m_graphics(graphics), m_fileName(std::move(name)) {
  if (!m_graphics) return;
  m_graphics->RegisterResetObjekt(this);
  if (path) {
    m_loadedWithPath = true;
    for (int i = 0; i < path->GetCount(); ++i) {
      std::u16string folder = path->GetFolder(i);
      m_triedFolders.push_back(folder);
      if (m_graphics->CreateEffect(&m_effect, JoinPath(folder, m_fileName), archive)) {
        m_folder = folder;
        break;
      }
    }
  } else {
    m_graphics->CreateEffect(&m_effect, m_fileName, archive);
  }
  if (m_effect) m_sourceTexture = m_effect->GetParameterByName(platform::kEffectSourceTexture);
}

Effect::~Effect() {
  if (m_graphics) m_graphics->UnregisterResetObjekt(this);
}

bool Effect::TriedFolders(const SearchPath& path) const {
  if (m_effect || !m_loadedWithPath || int(m_triedFolders.size()) != path.GetCount()) return false;
  for (int i = 0; i < path.GetCount(); ++i)
    if (m_triedFolders[size_t(i)] != path.GetFolder(i)) return false;
  return true;
}

void Effect::OnResetDevice() {
  if (m_effect) m_effect->OnResetDevice();
}

void Effect::OnLostDevice() {
  if (m_effect) m_effect->OnLostDevice();
}

void Effect::SetSourceTexture(platform::Texture* texture) {
  if (m_effect) m_effect->SetTexture(m_sourceTexture, texture);
}

void Effect::CommitChanges() {
  if (m_effect) m_effect->CommitChanges();
}

int Effect::CurrentPass() const { return m_effect ? m_effect->CurrentPass() : 0; }

platform::DrawState Effect::PassState() const {
  return m_effect ? m_effect->PassState() : platform::DrawState{false, false};
}

EffectCache::~EffectCache() { Clear(); }

void EffectCache::Clear() {
  // Last first, the reverse of their making.
  while (!m_effects.empty()) m_effects.pop_back();
}

Effect* EffectCache::Get(const std::u16string& name, const SearchPath* path, const DataArchive* archive) {
  for (const auto& effect : m_effects) {
    if (effect->GetFileName() != name) continue;
    if (!path || path->Contains(effect->GetFolder())) return effect.get();
    // A failed load would otherwise never match its own search path again, and every later
    // request would load and append another copy of the same failure.
    if (effect->TriedFolders(*path)) return effect.get();
  }
  m_effects.push_back(std::make_unique<Effect>(m_graphics, name, path, archive));
  return m_effects.back().get();
}

bool APIGraphics::CreateEffect(std::unique_ptr<platform::Effect>* out, std::u16string_view path,
                               const DataArchive* archive) {
  if (!out) return false;
  if (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
  std::optional<std::vector<uint8_t>> bytes;
  if (archive) {
    auto entry = archive->Find(path);
    if (!entry) return false;
    bytes = archive->Read(*entry, content::kMaxDocumentBytes);
    if (!bytes || bytes->size() != entry->size) {
      content::ReportFault(path, entry->size > content::kMaxDocumentBytes ? "the effect is too large"
                                                                          : "the archive could not be read");
      return false;
    }
  } else {
    bytes = platform::ReadFile(path, content::kMaxDocumentBytes);
    if (!bytes) return false;
  }
  if (!m_device) return false;
  const std::string where = platform::U16ToUtf8(path);
  auto root = ParseKVText(DecodeKVBytes(bytes->data(), bytes->size(), archive == nullptr));
  platform::EffectDescription description;
  std::string error;
  if (!root || !ReadEffectDescription(*root, &description, &error)) {
    std::fprintf(stderr, "Krumbolt: effect %s: %s\n", where.c_str(), error.c_str());
    return false;
  }
  std::unique_ptr<platform::Effect> effect = m_device->CreateEffect(description, &error);
  if (!effect) {
    std::fprintf(stderr, "Krumbolt: effect %s: %s\n", where.c_str(), error.c_str());
    return false;
  }
  *out = std::move(effect);
  return true;
}
