// The control list and the key configuration document.
#include "battle/steuerungliste.h"

#include <algorithm>
#include <cstdio>

#include "battle/cpusteuerung.h"
#include "battle/humansteuerung.h"
#include "engine/kvnode.h"
#include "platform/text.h"

SteuerungListe::SteuerungListe(const DataArchive* archive, APIContext* context, TimerClock* clock)
    : m_archive(archive), m_context(context), m_clock(clock) {
  LoadBuiltIn();
  if (m_archive) ReadKeyconfig(LoadKVFromArchive(kDefaultFile, m_archive).get());
}

SteuerungListe::~SteuerungListe() = default;

template <>
std::unique_ptr<HumanSteuerung> SteuerungListe::Make<HumanSteuerung>(const char16_t* name) const {
  auto control = std::make_unique<HumanSteuerung>(m_context, m_clock);
  control->SetName(name);
  return control;
}

template <>
std::unique_ptr<CPUSteuerung> SteuerungListe::Make<CPUSteuerung>(const char16_t* name) const {
  return std::make_unique<CPUSteuerung>(name);
}

void SteuerungListe::LoadBuiltIn() {
  m_controls.clear();
  m_controls.push_back(Make<HumanSteuerung>(kActiveName));
  for (const char16_t* name : {u"CPU_LEICHT", u"CPU_MITTEL", u"CPU_SCHWER"})
    m_controls.push_back(Make<CPUSteuerung>(name));
  m_active = FindByName(kActiveName);
}

template <class Kind>
void SteuerungListe::ReadBlocks(const KVNode* root, std::u16string_view section,
                                const char16_t* defaultName) {
  const unsigned count = root->CountChildren(section);
  for (unsigned i = 0; i < count; ++i) {
    const KVNode* block = root->GetChild(i, section);
    std::u16string name = defaultName;
    block->Read(u"NAME", name);
    auto it = std::find_if(m_controls.begin(), m_controls.end(),
                           [&](const std::unique_ptr<Steuerung>& c) { return c->GetName() == name; });
    if (it != m_controls.end() && dynamic_cast<Kind*>(it->get())) {
      (*it)->Load(block);
      continue;
    }
    std::unique_ptr<Kind> control = Make<Kind>(defaultName);
    control->Load(block);
    if (it != m_controls.end())
      *it = std::move(control);
    else
      m_controls.push_back(std::move(control));
  }
}

void SteuerungListe::ReadKeyconfig(const KVNode* root) {
  if (!root) return;
  ReadBlocks<HumanSteuerung>(root, u"HUMANSTEUERUNG", kActiveName);
  ReadBlocks<CPUSteuerung>(root, u"CPUSTEUERUNG", u"CPU");
  m_active = FindByName(kActiveName);
}

void SteuerungListe::WriteKeyconfig(KVNode* root) const {
  if (!root) return;
  for (const auto& control : m_controls) {
    const bool human = dynamic_cast<const HumanSteuerung*>(control.get()) != nullptr;
    control->Save(root->AddChild(human ? u"HUMANSTEUERUNG" : u"CPUSTEUERUNG"));
  }
}

bool SteuerungListe::SaveKeyconfig(std::u16string_view path) const {
  KVNode root(u"Keyconfig");
  WriteKeyconfig(&root);
  if (SaveKVFile(path, root, true)) return true;
  std::fprintf(stderr, "Krumbolt: %s could not be written; the previous key configuration stays\n",
               platform::U16ToUtf8(std::u16string(path)).c_str());
  return false;
}

void SteuerungListe::Update() {
  for (const auto& control : m_controls) control->Update();
}

Steuerung* SteuerungListe::FindByName(std::u16string_view name) const {
  for (const auto& control : m_controls)
    if (control->GetName() == name) return control.get();
  return nullptr;
}

void SteuerungListe::SetLevel(MyLoadScreen* loadScreen, MainMenu* scene) {
  for (const auto& control : m_controls) control->SetLevel(loadScreen, scene);
}
