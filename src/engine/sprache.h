// The language table: every user-interface text in every language, answered by key in
// the active language. Later files override earlier ones.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class DataArchive;
class KVNode;

struct SpracheText {
  std::u16string key;
  std::vector<std::u16string> texts;  // one per language, in the order of "SPRACHEN"
};

// The engine context creates it from the configuration root at start-up (it reads
// "Sprache" and loads the files listed there from disk), the front end then loads
// "sprache.lng" from the archive with LoadArchiveFile, and at shutdown the context calls
// Save(root) before destroying it.
class Sprache {
 public:
  // Language codes.
  static constexpr int32_t kGerman = 0;
  static constexpr int32_t kEnglish = 1;
  static constexpr int32_t kRussian = 2;
  static constexpr int32_t kFrench = 3;

  explicit Sprache(const KVNode* configRoot);
  ~Sprache() { Clear(); }
  Sprache(const Sprache&) = delete;
  Sprache& operator=(const Sprache&) = delete;

  // Deletes every entry and name; the active index becomes 1, the active name "ENGLISCH".
  void Clear();
  // A language file from disk; a missing file, or one loaded before, adds nothing.
  void LoadFile(const std::u16string& path);
  // The same from the data archive (from disk when there is no archive).
  void LoadArchiveFile(const std::u16string& name, const DataArchive* archive);
  bool IsFileLoaded(const std::u16string& name) const;

  // The text of the last entry with this key (exact) at the active index; null when no
  // entry has the key or the entry has no text for the active language.
  const std::u16string* GetText(std::u16string_view key) const;

  // Selects the last language of that name; an unknown name changes nothing.
  void SetLanguage(std::u16string_view name);
  // Selects by index; an index outside the names changes nothing.
  void SetLanguageIndex(int index);
  // The name at the active index, or empty.
  std::u16string GetActiveLanguageName() const;
  // Appends "Sprache" with "Aktive_Sprache" and "Loaded_Files".
  void Save(KVNode* root) const;

  int32_t ActiveCode() const { return m_activeCode; }
  int ActiveIndex() const { return m_activeIndex; }
  const std::vector<std::u16string>& LanguageNames() const { return m_names; }
  const std::vector<std::u16string>& LoadedFiles() const { return m_loadedFiles; }
  // The code of a language name: DEUTSCH 0, RUSSISCH 2, FRANZÖSISCH 3, anything else 1.
  static int32_t CodeOf(std::u16string_view name);

 private:
  void AddDocument(const std::u16string& name, std::unique_ptr<KVNode> document);

  int32_t m_activeCode = kEnglish;
  std::vector<std::unique_ptr<SpracheText>> m_entries;
  std::vector<std::u16string> m_names;
  std::vector<int32_t> m_codes;
  int m_activeIndex = 1;
  std::vector<std::u16string> m_loadedFiles;
  std::u16string m_activeName = u"ENGLISCH";
  // "Aktive_Sprache" as the configuration held it.
  std::u16string m_savedChoice;
};
