// Every control of the game (the human players' by key configuration, the computer
// opponents'), owned by the game-wide object for the whole run. It reads the key
// configuration in layers: a player's "keyconfig.cfg" over the archive's
// "keyconfig_default.cfg" over the built-in set, so a damaged or partial file loses only
// what it got wrong; it writes the configuration back whole.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "battle/steuerung.h"

class APIContext;
class DataArchive;
class KVNode;
class TimerClock;

class SteuerungListe {
 public:
  static constexpr const char16_t* kDefaultFile = u"keyconfig_default.cfg";
  // The control the menus ask for the pause action.
  static constexpr const char16_t* kActiveName = u"DEFAULT";

  // The built-in set, then "keyconfig_default.cfg" of the archive over it. The human
  // controls read input through the context and ticks from the clock (the process-wide
  // and the system's when none).
  explicit SteuerungListe(const DataArchive* archive, APIContext* context = nullptr,
                          TimerClock* clock = nullptr);
  ~SteuerungListe();
  SteuerungListe(const SteuerungListe&) = delete;
  SteuerungListe& operator=(const SteuerungListe&) = delete;

  // Once per battle frame, before the worms: every control, first to last.
  void Update();
  // The first control of exactly that name (case counts), else null.
  Steuerung* FindByName(std::u16string_view name) const;
  // The control named "DEFAULT"; null when none is.
  Steuerung* GetActive() const { return m_active; }
  void SetLevel(MyLoadScreen* loadScreen, MainMenu* scene);

  // The human controls ("DEFAULT") and the three computer strengths ("CPU_LEICHT",
  // "CPU_MITTEL", "CPU_SCHWER") with their built-in bindings and parameters; what the list
  // held is gone.
  void LoadBuiltIn();
  // Reads a key configuration over what the list holds: each "HUMANSTEUERUNG" and
  // "CPUSTEUERUNG" block is loaded over the control of its name (a control of the other
  // kind is replaced), or becomes a new control at the end of the list. Controls the
  // document does not name stay as they were. No document: nothing changes.
  void ReadKeyconfig(const KVNode* root);
  // Appends a "HUMANSTEUERUNG" or "CPUSTEUERUNG" block per control, in list order.
  void WriteKeyconfig(KVNode* root) const;
  // Writes the whole configuration (root "Keyconfig", UTF-16) through a temporary file, so
  // a failed write keeps the previous file; says so on failure and returns false.
  bool SaveKeyconfig(std::u16string_view path) const;

  const std::vector<std::unique_ptr<Steuerung>>& Controls() const { return m_controls; }
  const DataArchive* GetArchive() const { return m_archive; }

 private:
  template <class Kind>
  void ReadBlocks(const KVNode* root, std::u16string_view section, const char16_t* defaultName);
  template <class Kind>
  std::unique_ptr<Kind> Make(const char16_t* name) const;

  const DataArchive* m_archive;
  APIContext* m_context;
  TimerClock* m_clock;
  std::vector<std::unique_ptr<Steuerung>> m_controls;
  Steuerung* m_active = nullptr;
};
