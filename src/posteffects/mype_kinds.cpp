// The effect kinds' keys, conversions and texts.
#include "posteffects/mype_kinds.h"

#include <cmath>

#include "engine/apicontext.h"
#include "engine/apiinput.h"
#include "engine/kvnode.h"

namespace {

// A single-value key written at once into a float parameter.
template <typename Set>
void ReadSingle(const KVNode* node, std::u16string_view key, Set set) {
  double v = 0.0;
  if (node && ReadEffectNumber(*node, key, 0, v)) set(float(v));
}

// Four values of a key; false without the key.
bool ReadFour(const KVNode* node, std::u16string_view key, double (&v)[4]) {
  if (!node || !ReadEffectNumber(*node, key, 0, v[0])) return false;
  for (unsigned i = 1; i < 4; ++i) ReadEffectNumber(*node, key, i, v[i]);
  return true;
}

}  // namespace

MyPE_Saturate::MyPE_Saturate(const KVNode* node, const DataArchive* archive, APIContext* context)
    : MyPostEffect(node, archive, context) {
  ReadSingle(node, u"SÄTTIGUNG", [this](float v) { SetF_1Now(v); });
}

void MyPE_Saturate::Describe(std::ostream& out, const std::string& prefix) const {
  out << prefix << "S\xC3\xA4ttigung: " << ParamF_1() << std::endl;
}

MyPE_Bright::MyPE_Bright(const KVNode* node, const DataArchive* archive, APIContext* context)
    : MyPostEffect(node, archive, context) {
  ReadSingle(node, u"LUMINANCE", [this](float v) { SetF_1Now(v); });
}

void MyPE_Bright::Describe(std::ostream& out, const std::string& prefix) const {
  out << prefix << "Luminance: " << ParamF_1() << std::endl;
}

MyPE_BlurBloom::MyPE_BlurBloom(const KVNode* node, const DataArchive* archive, APIContext* context)
    : MyPostEffect(node, archive, context) {
  ReadSingle(node, u"BLOOM", [this](float v) { SetF_1Now(v); });
}

void MyPE_BlurBloom::Describe(std::ostream& out, const std::string& prefix) const {
  out << prefix << "Bloom: " << ParamF_1() << std::endl;
}

MyPE_BloomCombine::MyPE_BloomCombine(const KVNode* node, const DataArchive* archive, APIContext* context)
    : MyPostEffect(node, archive, context) {
  ReadSingle(node, u"BLOOM", [this](float v) { SetF_1Now(v); });
  ReadSingle(node, u"ORG_IMAGE_FAKTOR", [this](float v) { SetF_2Now(v); });
}

void MyPE_BloomCombine::Describe(std::ostream& out, const std::string& prefix) const {
  out << prefix << "Bloom: " << ParamF_1() << std::endl;
}

MyPE_Wobble::MyPE_Wobble(const KVNode* node, const DataArchive* archive, APIContext* context)
    : MyPostEffect(node, archive, context) {
  ReadSingle(node, u"AMPLITUDE", [this](float v) { SetF_1Now(v / ScreenWidth()); });
  double v[4] = {};
  if (ReadFour(node, u"SPEED_TILING", v)) SetV4_1Now({float(v[0]), float(v[1]), float(v[2]), float(v[3])});
}

void MyPE_Wobble::Describe(std::ostream& out, const std::string& prefix) const {
  out << prefix << "Amplitude: " << ParamF_1() << std::endl;
}

MyPE_Light::MyPE_Light(const KVNode* node, const DataArchive* archive, APIContext* context)
    : MyPostEffect(node, archive, context) {
  double x = 0.0, y = 0.0;
  if (node && ReadEffectNumber(*node, u"MOUSE_PARAMS", 0, x)) {
    ReadEffectNumber(*node, u"MOUSE_PARAMS", 1, y);
    SetV4_2Now({float(x) / ScreenWidth(), float(y) / ScreenHeight(), 0.0f, 0.0f});
  }
  double v[4] = {};
  // The first value is read and replaced by the screen's aspect ratio.
  if (ReadFour(node, u"LIGHT_PARAMS", v))
    SetV4_1Now({ScreenHeight() / ScreenWidth(), float(v[1]) / ScreenWidth(), float(v[2]), float(v[3])});
}

void MyPE_Light::Update(const double& dt) {
  MyPostEffect::Update(dt);
  if (NeedsCreate()) return;
  APIInput* input = Context()->input;
  if (!input) return;
  const InputState* state = input->GetInputState();
  const PEVector4 mouse{float(state->mouseX) / ScreenWidth(), float(state->mouseY) / ScreenHeight(), 0.0f,
                        0.0f};
  SetParamV4_2(mouse, nullptr);
}

void MyPE_Light::Describe(std::ostream& out, const std::string& prefix) const {
  out << prefix << "MouseParams: " << ParamV4_2().x << " " << ParamV4_2().y << std::endl;
}

MyPE_Scatter::MyPE_Scatter(const KVNode* node, const DataArchive* archive, APIContext* context)
    : MyPostEffect(node, archive, context) {
  ReadSingle(node, u"EXPOSURE", [this](float v) { SetF_1Now(v); });
  ReadSingle(node, u"OFFSET", [this](float v) { SetF_2Now(v); });
  double x = 0.0, y = 0.0;
  if (node && ReadEffectNumber(*node, u"SUN_POSITON", 0, x)) {
    ReadEffectNumber(*node, u"SUN_POSITON", 1, y);
    SetV4_1Now({float(x), float(y), 0.0f, 0.0f});
  }
  double v[4] = {};
  if (ReadFour(node, u"DENSITY_WEIGHT_DECAY_NUM", v)) {
    // The sample count is whole: its text's leading integer.
    const KVNode* key = node->GetChild(0, u"DENSITY_WEIGHT_DECAY_NUM");
    const KVValue* count = key->GetValue(3);
    SetV4_2Now({float(v[0]), float(v[1]), float(v[2]), float(count ? count->AsInt() : 0)});
  }
}

void MyPE_Scatter::Describe(std::ostream& out, const std::string& prefix) const {
  out << prefix << " Sunpos: " << ParamV4_1().x << " " << ParamV4_1().y << "\n"
      << prefix << "Density: " << ParamV4_2().x << " Weight:" << ParamV4_2().y << "\n"
      << prefix << "Decay: " << ParamV4_2().z << " NUM_SAMPLES:" << ParamV4_2().w << "\n"
      << prefix << "Exposure: " << ParamF_1() << " Offset:" << ParamF_2() << std::endl;
}

MyPE_DOF::MyPE_DOF(const KVNode* node, const DataArchive* archive, APIContext* context)
    : MyPostEffect(node, archive, context) {
  ReadSingle(node, u"FOCAL_PLANE", [this](float v) { SetF_1Now(v); });
  ReadSingle(node, u"BLUR", [this](float v) { SetF_2Now(v); });
}

void MyPE_DOF::Update(const double& dt) {
  MyPostEffect::Update(dt);
  SetEnabled(std::abs(ParamF_2()) > 0.1f);
}

void MyPE_DOF::Describe(std::ostream& out, const std::string& prefix) const {
  out << prefix << "FocalPlane: " << ParamF_1() << " Blur:" << ParamF_2() << std::endl;
}
