// The chain's full-size last steps folded into one pass. Many effects end in a step that
// lays a small picture (a glow, light rays, a blurred picture) over the whole screen; one
// after another, each of them reads and writes every pixel. When every active effect ends
// in such a step, and the steps are of the kinds the finishing effect knows, the effects
// run all their other steps as usual, their small pictures are kept, and one pass over the
// screen does what their last steps would have done, in the same order. Otherwise the chain
// runs effect after effect as before.
//
// An effect file says what its last step computes with the string annotation "FinishStep"
// of its technique: "GlowWeighedColoured" (the bloom combine: the picture times F2 plus the
// glow times F1, white at most, then the colours strengthened by x of V4_1),
// "GlowAdded" (the glow times F1 added onto the picture, white at most) or "DepthKeyMix"
// (the depth of field's mix of the blurred picture by the key in its alpha: F1 the focal
// plane, F2 the blur amount).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/effect.h"

class APIGraphics;
class DataArchive;
class Effect;
class MyPE_EffectCombination;
class MyPostEffect;
class MyPostEffectRenderData;

class FinishingPass {
 public:
  static constexpr const char16_t* kFile = u"pe_finish.fx";

  enum class Step { kNone, kGlowWeighedColoured, kGlowAdded, kDepthKeyMix };

  struct Part {
    MyPE_EffectCombination* effect = nullptr;
    MyPostEffect* last = nullptr;
    Step step = Step::kNone;
    // Whether a step before the last reads the picture (the SOURCE it is given).
    bool readsPicture = false;
  };

  explicit FinishingPass(APIGraphics* graphics) : m_graphics(graphics) {}

  void SetArchive(const DataArchive* archive) { m_archive = archive; }
  // Off: the chain always runs effect after effect (for comparing both ways).
  void SetEnabled(bool enabled) { m_enabled = enabled; }
  bool IsEnabled() const { return m_enabled; }

  // What the effect's last step computes, read from its effect file.
  static Step StepOf(const MyPostEffect& effect);
  // Whether the effect's passes read the picture they are given.
  static bool ReadsPicture(const MyPostEffect& effect);
  // The active list as parts, in order; false when it cannot run through the finishing
  // pass: an effect that is no combination of created children ending in a known step that
  // makes the picture (with cancel on failure, no earlier child making the picture), more
  // than two glows, a depth of field that is not the last, or an effect after the first
  // whose earlier steps read the picture (the depth of field's blur excepted: it blurs the
  // captured picture and the finishing pass finishes the blur as it does the picture).
  static bool Plan(const std::vector<MyPostEffect*>& active, std::vector<Part>& parts);

  // Runs the active list over the data's pictures (the captured picture in ORG, the quad at
  // full size; SOURCE need not hold it) with the finishing pass, leaving the finished picture
  // in ORG. False, with nothing drawn, when the list does not fit the finishing pass or its
  // effect cannot be had: the caller runs the effects one by one.
  bool Run(const std::vector<MyPostEffect*>& active, MyPostEffectRenderData& data);
  // How often Run finished the chain (for tests and benchmarks).
  uint64_t Runs() const { return m_runs; }

 private:
  struct Glow {
    platform::Texture* picture = nullptr;
    platform::Vector4 values{1.0f, 1.0f, 0.0f, 1.0f};  // uv scale, strength, picture weight
    float colour = 0.0f;
  };
  // The two glows' pictures and values (none: null) into an effect that takes them, with w
  // of "g_Finish" (whether the effect finishes what it reads).
  static void SetGlows(platform::Effect& fx, const Glow* glows, float finish);
  // The picture's part of the glows' steps without their clamps: x times the colour plus y
  // times its grey.
  static platform::Vector4 LinearPart(const Glow* glows);
  // Whether a depth of field's blur can finish its taps and compose its share of the pass
  // (its effect file takes the glows, the mix and the picture's part).
  static bool ComposesDepthMix(const platform::Effect& fx);
  // One pass of the finishing effect's technique over the whole target.
  void DrawPass(platform::Effect& fx, const char* technique, platform::Texture* target,
                const platform::SpriteQuad& quad);

  APIGraphics* m_graphics;
  const DataArchive* m_archive = nullptr;
  Effect* m_effect = nullptr;
  bool m_loaded = false;
  bool m_enabled = true;
  uint64_t m_runs = 0;
  std::vector<Part> m_parts;
};
