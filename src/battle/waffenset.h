// Every weapon of the game for the whole run: the flat list read from "waffen.waf", grouped
// by class in keyword order, and the categories in which the weapon panel and the store
// show them. A member of the game-wide object; the front end loads it once at start-up.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class APIContext;
class KVNode;
class Mannschaft;
class MyGlobals;
class Objekt;
class Waffe;

class WaffenKategorie {
 public:
  // NAME, TEXT_ID and the WAFFEN names, each resolved in the flat list from its end; names
  // of no weapon are left out.
  void Read(const KVNode* block, const std::vector<Waffe*>& weapons);

  const std::u16string& GetName() const { return m_name; }
  const std::u16string& GetTextId() const { return m_textId; }
  int32_t GetWeaponCount() const { return int32_t(m_weapons.size()); }
  Waffe* GetWaffe(int32_t i) const { return i >= 0 && i < GetWeaponCount() ? m_weapons[size_t(i)] : nullptr; }

 private:
  std::u16string m_name = u"UNNAMED_KAT";
  std::u16string m_textId;
  std::vector<Waffe*> m_weapons;  // not owned
};

class WaffenSet {
 public:
  // The weapon-block keywords in the order the loader takes them.
  static constexpr int kKeywordCount = 21;
  static const char16_t* const kKeywords[kKeywordCount];

  WaffenSet(MyGlobals* globals = nullptr, APIContext* context = nullptr);
  ~WaffenSet();
  WaffenSet(const WaffenSet&) = delete;
  WaffenSet& operator=(const WaffenSet&) = delete;

  // Reads the weapon file: every block of each keyword, keyword by keyword, then every
  // KATEGORIE. Blocks of other names are skipped with a message. Loading again adds.
  void Load(const KVNode* root);
  // The weapon class of a keyword, made from its block. Null for an unknown keyword.
  static std::unique_ptr<Waffe> Create(const std::u16string& keyword, const KVNode* block, MyGlobals* globals,
                                       APIContext* context);

  void GetWeapons(std::vector<Waffe*>& out) const;
  const std::vector<Waffe*>& Weapons() const { return m_weapons; }
  Waffe* FindByName(const std::u16string& name) const;
  // An object one of the weapons keeps (Waffe::FindOwnedObject); null when none has it.
  Objekt* FindOwnedObject(uint32_t id) const;
  int32_t GetCategoryCount() const { return int32_t(m_categories.size()); }
  const WaffenKategorie* GetCategory(int32_t i) const {
    return i >= 0 && i < GetCategoryCount() ? &m_categories[size_t(i)] : nullptr;
  }

  // At each level start: ClearTeamRecords, then AddTeamRecords once per playing team, so
  // every round starts with full ammunition.
  void AddTeamRecords(Mannschaft* team);
  void ClearTeamRecords();
  // At each turn change.
  void ResetTurnCounts();
  // When a new game or the next round of a game starts.
  void ResetAllForGame();
  void UpdateAll(double step);
  void DrawAll(const Vector2& offset, const Vector2& scale, bool flag);
  // The render-extra pass; true when any weapon drew.
  bool DrawAimAll(const Vector2& offset, const Vector2& scale);
  // Appends, in list order, every weapon the worm's team has ammunition for.
  void CollectUsableWeapons(std::vector<Waffe*>& out, const Objekt& worm) const;

 private:
  MyGlobals* m_globals;
  APIContext* m_context;
  std::vector<Waffe*> m_weapons;  // owned
  std::vector<WaffenKategorie> m_categories;
};
