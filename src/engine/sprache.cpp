#include "engine/sprache.h"

#include "engine/kvnode.h"

Sprache::Sprache(const KVNode* configRoot) {
  Clear();
  const KVNode* section = configRoot ? configRoot->GetChild(0, u"Sprache") : nullptr;
  if (!section) return;
  if (const KVNode* files = section->GetChild(0, u"Loaded_Files"))
    for (unsigned i = 0; i < files->GetValueCount(); ++i) LoadFile(files->GetValue(i)->Text());
  if (const KVValue* active = section->Find(u"Aktive_Sprache")) {
    SetLanguage(active->Text());
    m_activeName = active->Text();
    m_savedChoice = active->Text();
  }
}

void Sprache::Clear() {
  m_entries.clear();
  m_names.clear();
  m_codes.clear();
  m_loadedFiles.clear();
  m_activeIndex = 1;
  m_activeCode = kEnglish;
  m_activeName = u"ENGLISCH";
}

int32_t Sprache::CodeOf(std::u16string_view name) {
  if (name == u"DEUTSCH") return kGerman;
  if (name == u"RUSSISCH") return kRussian;
  if (name == u"FRANZ\u00D6SISCH") return kFrench;
  return kEnglish;
}

void Sprache::LoadFile(const std::u16string& path) {
  AddDocument(path, IsFileLoaded(path) ? nullptr : LoadKVFile(path));
}

void Sprache::LoadArchiveFile(const std::u16string& name, const DataArchive* archive) {
  AddDocument(name, IsFileLoaded(name) ? nullptr : LoadKVFromArchive(name, archive));
}

// Adds a read document (null when it could not be read or was loaded before), then
// re-applies the active language so that it follows the names this file added.
void Sprache::AddDocument(const std::u16string& name, std::unique_ptr<KVNode> document) {
  if (document) {
    m_loadedFiles.push_back(name);
    if (const KVNode* texts = document->GetChild(0, u"TEXTE")) {
      for (const auto& child : texts->Children()) {
        auto entry = std::make_unique<SpracheText>();
        entry->key = child->Name();
        for (unsigned i = 0; i < child->GetValueCount(); ++i)
          entry->texts.push_back(child->GetValue(i)->Text());
        m_entries.push_back(std::move(entry));
      }
    }
    if (const KVNode* languages = document->GetChild(0, u"SPRACHEN")) {
      for (unsigned i = 0; i < languages->GetValueCount(); ++i) {
        const std::u16string& language = languages->GetValue(i)->Text();
        m_names.push_back(language);
        m_codes.push_back(CodeOf(language));
      }
    }
  }
  SetLanguageIndex(m_activeIndex);
  if (!m_activeName.empty()) SetLanguage(m_activeName);
}

bool Sprache::IsFileLoaded(const std::u16string& name) const {
  for (const auto& f : m_loadedFiles)
    if (f == name) return true;
  return false;
}

const std::u16string* Sprache::GetText(std::u16string_view key) const {
  for (size_t i = m_entries.size(); i-- > 0;) {
    const SpracheText& entry = *m_entries[i];
    if (entry.key != key) continue;
    if (m_activeIndex < 0 || size_t(m_activeIndex) >= entry.texts.size()) return nullptr;
    return &entry.texts[size_t(m_activeIndex)];
  }
  return nullptr;
}

void Sprache::SetLanguage(std::u16string_view name) {
  for (size_t i = 0; i < m_names.size(); ++i) {
    if (m_names[i] != name) continue;
    m_activeIndex = int(i);
    m_activeCode = m_codes[i];
  }
}

void Sprache::SetLanguageIndex(int index) {
  if (index < 0 || size_t(index) >= m_names.size()) return;
  m_activeIndex = index;
  m_activeCode = m_codes[size_t(index)];
}

std::u16string Sprache::GetActiveLanguageName() const {
  if (m_activeIndex < 0 || size_t(m_activeIndex) >= m_names.size()) return {};
  return m_names[size_t(m_activeIndex)];
}

void Sprache::Save(KVNode* root) const {
  if (!root) return;
  KVNode* section = root->AddChild(u"Sprache");
  // Without any language names (every language file failed to load) the choice read from
  // the configuration is kept, rather than lost to an empty name.
  const bool noNames = m_names.empty() && !m_savedChoice.empty();
  section->AddChildWith(u"Aktive_Sprache", noNames ? m_savedChoice : GetActiveLanguageName());
  KVNode* files = section->AddChild(u"Loaded_Files");
  for (const auto& f : m_loadedFiles) files->InsertValue(std::make_unique<KVValue>(f));
}
