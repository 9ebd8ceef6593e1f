// The eight effect kinds: each reads the base's keys, then a few keys of its own that it
// writes into the base's animated parameters (some converted from pixels), and writes its
// own debugging text. Depth of field switches itself off while its blur is small; light
// follows the mouse.
#pragma once

#include "posteffects/myposteffect.h"

// Generates the constructors and Clone of a kind.
#define KRUMBOLT_PE_KIND(Kind)                                                         \
 public:                                                                               \
  Kind(const KVNode* node, const DataArchive* archive, APIContext* context = nullptr); \
  std::unique_ptr<MyPostEffect> Clone() const override {                               \
    return std::unique_ptr<MyPostEffect>(new Kind(*this));                             \
  }                                                                                    \
                                                                                       \
 protected:                                                                            \
  Kind(const Kind& other) = default;                                                   \
                                                                                       \
 public:

// "SÄTTIGUNG" → F1.
class MyPE_Saturate : public MyPostEffect {
  KRUMBOLT_PE_KIND(MyPE_Saturate)
  void Describe(std::ostream& out, const std::string& prefix) const override;
};

// "LUMINANCE" → F1, the bright pass's threshold.
class MyPE_Bright : public MyPostEffect {
  KRUMBOLT_PE_KIND(MyPE_Bright)
  void Describe(std::ostream& out, const std::string& prefix) const override;
};

// "BLOOM" → F1, the blur's strength.
class MyPE_BlurBloom : public MyPostEffect {
  KRUMBOLT_PE_KIND(MyPE_BlurBloom)
  void Describe(std::ostream& out, const std::string& prefix) const override;
};

// "BLOOM" → F1, "ORG_IMAGE_FAKTOR" → F2: the glow and the captured picture's weight.
class MyPE_BloomCombine : public MyPostEffect {
  KRUMBOLT_PE_KIND(MyPE_BloomCombine)
  void Describe(std::ostream& out, const std::string& prefix) const override;
};

// "AMPLITUDE" (pixels) → F1 / screen width, "SPEED_TILING" → V4_1.
class MyPE_Wobble : public MyPostEffect {
  KRUMBOLT_PE_KIND(MyPE_Wobble)
  void Describe(std::ostream& out, const std::string& prefix) const override;
};

// "MOUSE_PARAMS" (pixels) → V4_2, "LIGHT_PARAMS" → V4_1 (aspect, radius / width, z, w).
class MyPE_Light : public MyPostEffect {
  KRUMBOLT_PE_KIND(MyPE_Light)
  // Once attached and created, V4_2 follows the mouse every frame.
  void Update(const double& dt) override;
  void Describe(std::ostream& out, const std::string& prefix) const override;
};

// "EXPOSURE" → F1, "OFFSET" → F2, "SUN_POSITON" → V4_1, "DENSITY_WEIGHT_DECAY_NUM" → V4_2
// (the sample count whole).
class MyPE_Scatter : public MyPostEffect {
  KRUMBOLT_PE_KIND(MyPE_Scatter)
  void Describe(std::ostream& out, const std::string& prefix) const override;
};

// "FOCAL_PLANE" → F1, "BLUR" → F2.
class MyPE_DOF : public MyPostEffect {
  KRUMBOLT_PE_KIND(MyPE_DOF)
  // Enabled only while |blur| > 0.1.
  void Update(const double& dt) override;
  void Describe(std::ostream& out, const std::string& prefix) const override;
};
