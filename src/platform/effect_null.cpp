// The Null backend's effects: parameters, handles and the pass protocol without shaders.
// Its device records each quad with the pass number the caller names.
#include "platform/effect_backend.h"

namespace platform {

namespace {

class NullEffect final : public Effect {
 public:
  explicit NullEffect(EffectDescription description) : Effect(std::move(description)) {}

 protected:
  void ApplyPass(int) override {}
  void Commit(int) override {}
  void LeavePass(int) override {}
};

}  // namespace

std::unique_ptr<Effect> CreateNullEffect(const EffectDescription& description, std::string* error) {
  EffectDescription prepared = description;
  if (!PrepareEffectDescription(prepared, error)) return nullptr;
  return std::unique_ptr<Effect>(new NullEffect(std::move(prepared)));
}

}  // namespace platform
