// The finishing pass: the plan of the active list, the small pictures kept, and the one pass.
#include "posteffects/finishingpass.h"

#include <cmath>

#include "engine/apigraphics.h"
#include "engine/effect.h"
#include "posteffects/mype_effectcombination.h"
#include "posteffects/myposteffect.h"
#include "posteffects/myposteffectrenderdata.h"

namespace {

constexpr const char* kTechnique = "RenderPost";

// The pixels a pass covers along one side when it shrinks the quad to `scale` of `size`:
// those whose centres lie inside it.
int32_t CoveredPixels(int32_t size, float scale) {
  return int32_t(std::ceil(double(size) * double(scale) - 0.5));
}

}  // namespace

void FinishingPass::SetGlows(platform::Effect& fx, const Glow* glows, float finish) {
  const char* names[2][2] = {{"g_Textur_GlowA", "g_GlowA"}, {"g_Textur_GlowB", "g_GlowB"}};
  float colours[2] = {0.0f, 0.0f};
  for (int i = 0; i < 2; ++i) {
    const Glow* glow = glows && glows[i].picture ? &glows[i] : nullptr;
    // An unused glow reads no picture (black), at strength 0.
    fx.SetTexture(fx.GetParameterByName(names[i][0]), glow ? glow->picture : nullptr);
    fx.SetVector(fx.GetParameterByName(names[i][1]), glow ? glow->values : platform::Vector4{1.0f, 1.0f, 0.0f, 1.0f});
    colours[i] = glow ? glow->colour : 0.0f;
  }
  fx.SetVector(fx.GetParameterByName("g_Finish"), {colours[0], colours[1], 0.0f, finish});
}

FinishingPass::Step FinishingPass::StepOf(const MyPostEffect& effect) {
  const platform::Effect* fx = effect.GetEffect();
  if (!fx) return Step::kNone;
  const platform::EffectHandle technique = fx->GetTechniqueByName(kTechnique);
  if (!technique || fx->PassCount(technique) != 1) return Step::kNone;
  std::string kind;
  if (!fx->GetString(fx->GetAnnotationByName(technique, "FinishStep"), &kind)) return Step::kNone;
  if (kind == "GlowWeighedColoured") return Step::kGlowWeighedColoured;
  if (kind == "GlowAdded") return Step::kGlowAdded;
  if (kind == "DepthKeyMix") return Step::kDepthKeyMix;
  return Step::kNone;
}

bool FinishingPass::ComposesDepthMix(const platform::Effect& fx) {
  return fx.GetParameterByName("g_Finish") && fx.GetParameterByName("g_Dof") && fx.GetParameterByName("g_Linear");
}

bool FinishingPass::ReadsPicture(const MyPostEffect& effect) {
  const platform::Effect* fx = effect.GetEffect();
  // Unknown: taken as reading it.
  if (!fx) return true;
  const platform::EffectDescription& d = fx->Description();
  const std::string_view name = platform::kEffectSourceTexture;
  if (d.common.find(name) != std::string::npos) return true;
  for (const platform::EffectTechniqueDesc& technique : d.techniques)
    for (const platform::EffectPassDesc& pass : technique.passes)
      if (pass.fragment.find(name) != std::string::npos || pass.vertex.find(name) != std::string::npos)
        return true;
  return false;
}

bool FinishingPass::Plan(const std::vector<MyPostEffect*>& active, std::vector<Part>& parts) {
  parts.clear();
  if (active.empty()) return false;
  int glows = 0;
  bool depth = false;
  for (size_t i = 0; i < active.size(); ++i) {
    auto* combination = dynamic_cast<MyPE_EffectCombination*>(active[i]);
    // A combination's children are the device objects (they make themselves again after a
    // reset); the combination itself stays marked lost after one.
    if (!combination || combination->ChildCount() < 2 || !combination->CancelsOnFailure()) return false;
    const size_t n = combination->ChildCount();
    MyPostEffect* last = combination->GetChild(n - 1);
    const Step step = StepOf(*last);
    if (step == Step::kNone || !last->CopiesToOriginal() || last->IsLost()) return false;
    // The depth of field blurs the picture all the steps before made: it must come last.
    if (depth) return false;
    if (step == Step::kDepthKeyMix)
      depth = true;
    else if (++glows > 2)
      return false;
    bool composes = false, reads = false;
    for (size_t c = 0; c + 1 < n; ++c) {
      const MyPostEffect* child = combination->GetChild(c);
      const platform::Effect* fx = child->GetEffect();
      if (!fx || child->IsLost() || child->CopiesToOriginal()) return false;
      if (!ReadsPicture(*child)) continue;
      reads = true;
      // The depth of field's blur must finish what it reads and compose its share of the
      // pass; later glows would read the picture the earlier ones finished.
      if (step == Step::kDepthKeyMix) {
        if (!ComposesDepthMix(*fx)) return false;
        composes = true;
      } else if (i > 0) {
        return false;
      }
    }
    if (step == Step::kDepthKeyMix && !composes) return false;
    parts.push_back({combination, last, step, reads});
  }
  return true;
}

platform::Vector4 FinishingPass::LinearPart(const Glow* glows) {
  // Each glow step without its clamps: x -> S(w x + glow), S moving the colours away from
  // their grey by the colour factor s: S = (1 + s) I - s (1 1 1)^T luminance. Every such
  // step is p I + q (1 1 1)^T luminance, and so is a product of them (the luminance weights
  // sum to 1): (p I + q G)(p' I + q' G) = p p' I + (p q' + q p' + q q') G.
  float p = 1.0f, q = 0.0f;
  for (int g = 0; g < 2; ++g) {
    if (!glows[g].picture) continue;
    const float s = glows[g].colour, weight = glows[g].values.w;
    const float sp = weight * (1.0f + s), sq = -weight * s;
    const float np = sp * p, nq = sp * q + sq * p + sq * q;
    p = np;
    q = nq;
  }
  return {p, q, 0.0f, 0.0f};
}

void FinishingPass::DrawPass(platform::Effect& fx, const char* technique, platform::Texture* target,
                             const platform::SpriteQuad& quad) {
  platform::GraphicsDevice* device = m_graphics->GetDevice();
  fx.SetTechnique(fx.GetTechniqueByName(technique));
  device->SetRenderTarget(target);
  device->BeginScene();
  uint32_t passes = 0;
  if (fx.Begin(&passes)) {
    // One unblended pass over the whole target: nothing of what it held shows.
    if (passes > 0 && fx.BeginPass(0)) {
      fx.SetSourceRegion(1.0f, 1.0f);
      fx.CommitChanges();
      device->DrawPreTransformedQuad(nullptr, quad, fx.PassState(), 0);
      fx.EndPass();
    }
    fx.End();
  }
  device->EndScene();
}

bool FinishingPass::Run(const std::vector<MyPostEffect*>& active, MyPostEffectRenderData& data) {
  if (!m_enabled || !m_graphics || !data.IsComplete()) return false;
  platform::GraphicsDevice* device = m_graphics->GetDevice();
  EffectCache* cache = m_graphics->GetEffectCache();
  if (!device || !cache) return false;
  // Asked of the cache every time: it keeps the loaded file (or its failure) for as long as
  // the device lives.
  Effect* loaded = cache->Get(kFile, nullptr, m_archive);
  platform::Effect* fx = loaded ? loaded->GetEffect() : nullptr;
  if (!fx || fx->IsLost() || !Plan(active, m_parts)) return false;
  platform::Texture* kept = device->RenderTarget();

  Glow glows[2];
  int glowCount = 0;
  bool anyGlow = false;
  // The depth of field's blur, in SOURCE, composed with the glows by the blur itself.
  bool composed = false;
  platform::Vector4 depth{1.0f, 1.0f, 0.0f, 0.0f};
  const float w = float(data.Width()), h = float(data.Height());
  for (const Part& part : m_parts) {
    const bool isDepth = part.step == Step::kDepthKeyMix;
    const int slot = isDepth ? -1 : glowCount++;
    if (!part.effect->IsEnabled()) continue;
    // An effect whose steps read the picture reads ORG as its SOURCE, not a copy (the earlier
    // effects' small passes left their pictures in SOURCE and WORK; the light rays read only
    // their silhouette).
    data.ReadOriginalAsSource(part.readsPicture);
    const platform::Vector4 mix{1.0f, 1.0f, part.last->ParamF_1(), part.last->ParamF_2()};
    // The depth of field's blur reads the captured picture: the glows have not reached it.
    // A blur that can finish its taps as this pass finishes the picture, and then do the
    // mix's share, is given the glows and the mix.
    std::vector<platform::Effect*> composing;
    if (isDepth)
      for (size_t c = 0; c + 1 < part.effect->ChildCount(); ++c) {
        platform::Effect* child = part.effect->GetChild(c)->GetEffect();
        if (child && ComposesDepthMix(*child)) {
          SetGlows(*child, glows, 1.0f);
          child->SetVector(child->GetParameterByName("g_Dof"), mix);
          child->SetVector(child->GetParameterByName("g_Linear"), LinearPart(glows));
          composing.push_back(child);
        }
      }
    const bool ran = part.effect->RenderAllButLast(data);
    // Shared effect files: the next user finds them as loaded, holding no picture that
    // could go before they are drawn again.
    for (platform::Effect* child : composing) SetGlows(*child, nullptr, 0.0f);
    data.ReadOriginalAsSource(false);
    if (!ran) continue;
    const float sx = data.scaleX, sy = data.scaleY;
    if (isDepth) {
      // The last part: its blur stays in SOURCE for the pass.
      depth = {sx, sy, mix.z, mix.w};
      composed = !composing.empty();
      continue;
    }
    const int32_t pw = CoveredPixels(data.Width(), sx), ph = CoveredPixels(data.Height(), sy);
    platform::Texture* held = data.Held(size_t(slot), pw, ph);
    if (held && device->CopyRenderTargetCorner(data.Source(), held)) {
      Glow& glow = glows[slot];
      glow.picture = held;
      const bool weighed = part.step == Step::kGlowWeighedColoured;
      glow.values = {sx * w / float(pw), sy * h / float(ph), part.last->ParamF_1(),
                     weighed ? part.last->ParamF_2() : 1.0f};
      glow.colour = weighed ? part.last->ParamV4_1().x : 0.0f;
      anyGlow = true;
    }
    data.ResetQuad();
    data.UploadQuad();
  }
  if (data.scaleX != 1.0f || data.scaleY != 1.0f) {
    data.ResetQuad();
    data.UploadQuad();
  }
  ++m_runs;
  const bool blurred = depth.w != 0.0f;
  // Nothing to lay over the picture: it stays as captured.
  if (!anyGlow && !blurred) {
    device->SetRenderTarget(kept);
    return true;
  }

  SetGlows(*fx, glows, 0.0f);
  platform::Vector4 finish;
  fx->GetVector(fx->GetParameterByName("g_Finish"), &finish);
  finish.z = anyGlow ? 1.0f : 0.0f;
  fx->SetVector(fx->GetParameterByName("g_Finish"), finish);
  fx->SetTexture(fx->GetParameterByName(platform::kEffectOriginalTexture), data.Org());
  fx->SetTexture(fx->GetParameterByName(platform::kEffectSourceTexture), nullptr);
  bool general = false;
  platform::Texture* over = data.Source();
  if (!blurred || !composed) {
    // The glows composed at the size of the first one.
    const Glow& first = glows[0].picture ? glows[0] : glows[1];
    const int32_t cw = first.picture->Width(), ch = first.picture->Height();
    over = data.Held(2, cw, ch);
    if (!over) {
      general = true;
    } else {
      platform::SpriteQuad quad = data.quad;
      using RD = MyPostEffectRenderData;
      for (int c : {RD::kTopRight, RD::kBottomRight}) quad.v[c].x = float(cw) - 0.5f;
      for (int c : {RD::kBottomLeft, RD::kBottomRight}) quad.v[c].y = float(ch) - 0.5f;
      DrawPass(*fx, "Compose", over, quad);
      // The whole small picture holds it; read at the glow's texels.
      depth = {first.values.x * float(first.picture->Width()) / float(cw),
               first.values.y * float(first.picture->Height()) / float(ch), 0.0f, 0.0f};
    }
  }
  fx->SetVector(fx->GetParameterByName("g_Linear"), LinearPart(glows));
  fx->SetVector(fx->GetParameterByName("g_Dof"), depth);
  fx->SetTexture(fx->GetParameterByName(platform::kEffectSourceTexture), general ? nullptr : over);
  DrawPass(*fx, general ? kTechnique : "Composed", data.Work(), data.quad);
  // The effect file is shared and outlives these pictures: it keeps none of them.
  SetGlows(*fx, nullptr, 0.0f);
  for (const char* name : {platform::kEffectOriginalTexture, platform::kEffectSourceTexture})
    fx->SetTexture(fx->GetParameterByName(name), nullptr);
  // The finished picture becomes ORG: the targets trade places instead of copying it. A
  // caller that drew into ORG finds ORG its target again.
  data.SwapOrgAndWork();
  device->SetRenderTarget(kept == data.Work() ? data.Org() : kept);
  return true;
}
