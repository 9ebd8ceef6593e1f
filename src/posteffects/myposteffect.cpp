// The post effect base: reading, copying, creating, the pass loop and the blends.
#include "posteffects/myposteffect.h"

#include <cmath>
#include <vector>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/effect.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "objects/renderextra.h"
#include "posteffects/myposteffectrenderdata.h"
#include "posteffects/posteffectlibrary.h"

namespace {

constexpr const char* kTechnique = "RenderPost";

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

bool ReadEffectNumber(const KVNode& node, std::u16string_view key, unsigned index, double& out) {
  const KVNode* child = node.GetChild(0, key);
  if (!child) return false;
  const KVValue* value = child->GetValue(index);
  out = value ? value->AsDouble() : 0.0;
  return true;
}

uint32_t ParseHexColour(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
      i + 2 < text.size() && HexDigit(text[i + 2]) >= 0)
    i += 2;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int d = HexDigit(text[i]);
    if (d < 0) break;
    value = value * 16 + uint64_t(d);
    // Out of range reads as the largest value, whatever the sign.
    if (value > 0xFFFFFFFFull) return 0xFFFFFFFFu;
  }
  const uint32_t v = uint32_t(value);
  return negative ? uint32_t(0u - v) : v;
}

int32_t ParseLeadingInt(std::u16string_view text) {
  KVValue value{std::u16string(text)};
  return value.AsInt();
}

MyPostEffect::MyPostEffect(const KVNode* node, const DataArchive* archive, APIContext* context)
    : m_archive(archive), m_context(context ? context : APIContext::Get()) {
  m_graphics = m_context->graphics;
  m_globals = dynamic_cast<MyGlobals*>(m_context->globals.get());
  SetV4_1Now({});
  SetV4_2Now({});
  SetF_1Now(0.0f);
  SetF_2Now(0.0f);
  m_scaling.BlendOrSet({1.0f, 1.0f}, nullptr);
  if (m_graphics) m_graphics->RegisterResetObjekt(this);
  if (node) {
    node->Read(u"NAME", m_name);
    std::u16string colour;
    if (node->Read(u"CLEAR_COLOR", colour)) m_clearColour = ParseHexColour(colour);
    node->Read(u"FX_NAME", m_fileName, 0);
    node->Read(u"FX_NAME", m_secondFileName, 1);
    if (const KVNode* extra = node->GetChild(0, u"RENDER_EXTRA")) {
      if (const KVValue* v = extra->GetValue(0)) m_renderExtra = v->AsBool();
      if (const KVValue* v = extra->GetValue(1)) m_renderExtraName = v->Text();
      if (const KVValue* v = extra->GetValue(2)) m_extraThroughSecond = v->AsBool();
    }
    // The extra's picture at a fraction of the screen: it is only sampled (a mask, a key),
    // so a smaller one draws the scene again for a fraction of the pixels. Values outside
    // (0, 1] keep the full size.
    double ex = 0.0, ey = 0.0;
    if (ReadEffectNumber(*node, u"EXTRA_SCALING", 0, ex) && ReadEffectNumber(*node, u"EXTRA_SCALING", 1, ey) &&
        ex > 0.0 && ex <= 1.0 && ey > 0.0 && ey <= 1.0)
      m_extraScaling = {float(ex), float(ey)};
    node->Read(u"MAKE_ORIGINAL", m_copyToOrg);
    double x = 0.0, y = 0.0;
    if (ReadEffectNumber(*node, u"SCALING", 0, x) && ReadEffectNumber(*node, u"SCALING", 1, y))
      m_scaling.BlendOrSet({float(x), float(y)}, nullptr);
    auto vector = [&](const char16_t* key, void (MyPostEffect::*set)(const PEVector4&)) {
      double v[4] = {};
      if (!ReadEffectNumber(*node, key, 0, v[0])) return;
      for (unsigned i = 1; i < 4; ++i) ReadEffectNumber(*node, key, i, v[i]);
      (this->*set)({float(v[0]), float(v[1]), float(v[2]), float(v[3])});
    };
    vector(u"PARAM_V4_1", &MyPostEffect::SetV4_1Now);
    vector(u"PARAM_V4_2", &MyPostEffect::SetV4_2Now);
    double f = 0.0;
    if (ReadEffectNumber(*node, u"PARAM_F_1", 0, f)) SetF_1Now(float(f));
    if (ReadEffectNumber(*node, u"PARAM_F_2", 0, f)) SetF_2Now(float(f));
  }
  m_lost = true;
  m_created = false;
}

MyPostEffect::MyPostEffect(const MyPostEffect& other)
    : ResetObjekt(),
      m_fileName(other.m_fileName),
      m_secondFileName(other.m_secondFileName),
      m_name(other.m_name),
      m_archive(other.m_archive),
      m_effect(other.m_effect),
      m_secondEffect(other.m_secondEffect),
      m_graphics(other.m_graphics),
      m_context(other.m_context),
      m_globals(other.m_globals),
      m_library(other.m_library),
      m_time(other.m_time),
      m_v4_1(other.m_v4_1),
      m_v4_2(other.m_v4_2),
      m_f_1(other.m_f_1),
      m_f_2(other.m_f_2),
      m_scaling(other.m_scaling),
      m_invertScaling(other.m_invertScaling),
      m_renderExtraName(other.m_renderExtraName),
      m_renderExtra(other.m_renderExtra),
      m_extraThroughSecond(other.m_extraThroughSecond),
      m_extraScaling(other.m_extraScaling),
      m_lost(true),
      m_created(false),
      m_copyToOrg(other.m_copyToOrg),
      m_rendered(other.m_rendered),
      m_enabled(true),
      m_clearColour(other.m_clearColour) {
  if (m_graphics) m_graphics->RegisterResetObjekt(this);
}

MyPostEffect::~MyPostEffect() {
  OnLostDevice();
  if (m_graphics) m_graphics->UnregisterResetObjekt(this);
}

std::unique_ptr<MyPostEffect> MyPostEffect::Clone() const {
  return std::unique_ptr<MyPostEffect>(new MyPostEffect(*this));
}

platform::Effect* MyPostEffect::GetEffect() const { return m_effect ? m_effect->GetEffect() : nullptr; }

float MyPostEffect::ScreenWidth() const { return m_graphics ? float(m_graphics->GetScreenWidth()) : 1.0f; }
float MyPostEffect::ScreenHeight() const { return m_graphics ? float(m_graphics->GetScreenHeight()) : 1.0f; }

void MyPostEffect::SetLibrary(PostEffectLibrary* library) { m_library = library; }

void MyPostEffect::Create() {
  EffectCache* cache = m_graphics ? m_graphics->GetEffectCache() : nullptr;
  if (!cache) return;
  m_effect = cache->Get(m_fileName, nullptr, m_archive);
  if (!m_effect || !m_effect->GetEffect()) return;
  if (m_extraThroughSecond && !m_secondFileName.empty()) {
    m_secondEffect = cache->Get(m_secondFileName, nullptr, m_archive);
    if (!m_secondEffect || !m_secondEffect->GetEffect()) return;
  }
  platform::Effect* fx = m_effect->GetEffect();
  m_sourceHandle = fx->GetParameterByName(platform::kEffectSourceTexture);
  m_originalHandle = fx->GetParameterByName(platform::kEffectOriginalTexture);
  m_extraHandle = fx->GetParameterByName(platform::kEffectExtraTexture);
  m_technique = fx->GetTechniqueByName(kTechnique);
  m_v4_1Handle = fx->GetParameterByName("g_Vec4_Param1");
  m_v4_2Handle = fx->GetParameterByName("g_Vec4_Param2");
  m_f_1Handle = fx->GetParameterByName("g_Float_Param1");
  m_f_2Handle = fx->GetParameterByName("g_Float_Param2");
  m_timeHandle = fx->GetParameterByName("g_time");
  // Offsets written in pixels become texels of the current screen.
  const float w = ScreenWidth(), h = ScreenHeight();
  for (uint32_t i = 0;; ++i) {
    const platform::EffectHandle parameter = fx->GetParameter(i);
    if (!parameter) break;
    const platform::EffectHandle note = fx->GetAnnotationByName(parameter, "ConvertPixelsToTexels");
    std::string sourceName;
    if (!note || !fx->GetString(note, &sourceName)) continue;
    const platform::EffectHandle source = fx->GetParameterByName(sourceName);
    platform::EffectParameterInfo info;
    if (!source || !fx->GetParameterDesc(source, &info)) continue;
    const uint32_t n = info.bytes / 8;
    std::vector<platform::Vector4> values(n);
    fx->GetVectorArray(source, values.data(), n);
    for (platform::Vector4& v : values) {
      v.x /= w;
      v.y /= h;
    }
    fx->SetVectorArray(parameter, values.data(), n);
  }
  m_lost = false;
  m_created = true;
}

void MyPostEffect::OnLostDevice() { m_lost = true; }

void MyPostEffect::OnResetDevice() {
  if (m_created) Create();
}

platform::Texture* MyPostEffect::DrawRenderExtra(MyPostEffectRenderData& data) {
  platform::GraphicsDevice* device = m_graphics->GetDevice();
  platform::Texture* target = data.ExtraAt(m_extraScaling.x, m_extraScaling.y);
  if (!target || !device->SetRenderTarget(target)) return nullptr;
  // The scene keeps its screen coordinates on a smaller picture.
  device->SetDrawingArea(data.Width(), data.Height());
  device->BeginScene();
  device->Clear(platform::kClearTarget, m_clearColour, 1.0f, 0);
  bool drew = false;
  if (!m_extraThroughSecond || !m_secondEffect || !m_secondEffect->GetEffect()) {
    drew = m_library->RenderLevelExtra(m_renderExtraName);
  } else {
    SpriteRenderer* sprites = m_graphics->GetSpriteRenderer();
    platform::Effect* second = m_secondEffect->GetEffect();
    if (sprites) sprites->effect = m_secondEffect;
    second->SetTechnique(second->GetTechniqueByName(kTechnique));
    uint32_t passes = 0;
    drew = true;
    if (second->Begin(&passes)) {
      for (uint32_t i = 0; i < passes; ++i) {
        second->BeginPass(i);
        drew = m_library->RenderLevelExtra(m_renderExtraName);
        second->EndPass();
      }
      second->End();
    }
    if (sprites) sprites->effect = nullptr;
  }
  device->EndScene();
  device->SetDrawingArea(0, 0);
  return drew ? target : nullptr;
}

void MyPostEffect::Render(MyPostEffectRenderData& data) {
  m_rendered = false;
  platform::Effect* fx = GetEffect();
  if (!fx || !m_library || m_lost || !m_enabled || !m_graphics || !data.IsComplete()) return;
  platform::GraphicsDevice* device = m_graphics->GetDevice();
  if (!device) return;
  platform::Texture* kept = device->RenderTarget();

  fx->SetTechnique(m_technique);
  fx->SetTexture(m_sourceHandle, data.Source());
  fx->SetTexture(m_originalHandle, data.Org());
  if (m_renderExtra) {
    platform::Texture* extra = DrawRenderExtra(data);
    if (!extra) {
      device->SetRenderTarget(kept);
      return;
    }
    fx->SetTexture(m_extraHandle, extra);
  }
  fx->SetFloat(m_timeHandle, float(m_time));
  fx->SetFloat(m_f_1Handle, m_f_1.Current());
  fx->SetFloat(m_f_2Handle, m_f_2.Current());
  fx->SetVector(m_v4_1Handle, m_v4_1.Current());
  fx->SetVector(m_v4_2Handle, m_v4_2.Current());

  device->SetRenderTarget(data.Work());
  device->BeginScene();
  uint32_t passes = 0;
  if (fx->Begin(&passes)) {
    const platform::EffectHandle technique = fx->GetCurrentTechnique();
    platform::SpriteQuad& quad = data.quad;
    using RD = MyPostEffectRenderData;
    // The black of the cleared target shows only under a blending pass, or around a smaller
    // picture that goes on screen; elsewhere the passes draw over it or nothing reads it
    // (the next effect reads only the part written). Clearing a whole screen costs a
    // software rasteriser more than a small pass, so it is left out where it cannot show.
    // The depth buffer is never tested by a pass: it is not cleared.
    bool blends = false;
    for (uint32_t i = 0; i < passes; ++i) blends = blends || fx->GetPassDesc(technique, i)->blend.enabled;
    float sx0 = 1.0f, sy0 = 1.0f;
    if (passes > 0) PassScale(*fx, technique, 0, sx0, sy0);
    const bool firstCoversAll = passes > 0 && (quad.v[RD::kBottomRight].x + 0.5f) * sx0 >= float(data.Width()) &&
                                (quad.v[RD::kBottomRight].y + 0.5f) * sy0 >= float(data.Height());
    // A technique may start from a copy of the captured picture instead of black, to blend
    // its passes onto it (a copy costs far less than a pass that reads the picture).
    int32_t startFromOriginal = 0;
    fx->GetInt(fx->GetAnnotationByName(technique, "StartFromOriginal"), &startFromOriginal);
    if (startFromOriginal != 0 && device->CopyRenderTarget(data.Org(), data.Work())) {
    } else if (blends || (m_copyToOrg && !firstCoversAll) || passes == 0) {
      device->Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
    }
    for (uint32_t i = 0; i < passes; ++i) {
      fx->BeginPass(i);
      bool changed = false;
      // Each pass samples the part of the source that the previous pass wrote.
      if (quad.v[RD::kTopRight].u != data.scaleX) {
        quad.v[RD::kTopRight].u = quad.v[RD::kBottomRight].u = data.scaleX;
        changed = true;
      }
      if (quad.v[RD::kBottomLeft].v != data.scaleY) {
        quad.v[RD::kBottomLeft].v = quad.v[RD::kBottomRight].v = data.scaleY;
        changed = true;
      }
      fx->SetSourceRegion(data.scaleX, data.scaleY);
      float sx = 1.0f, sy = 1.0f;
      PassScale(*fx, technique, i, sx, sy);
      if (sx != 1.0f) {
        for (int c : {RD::kTopRight, RD::kBottomRight}) quad.v[c].x = (quad.v[c].x + 0.5f) * sx - 0.5f;
        changed = true;
      }
      if (sy != 1.0f) {
        for (int c : {RD::kBottomLeft, RD::kBottomRight}) quad.v[c].y = (quad.v[c].y + 0.5f) * sy - 0.5f;
        changed = true;
      }
      if (changed) data.UploadQuad();
      data.scaleX *= sx;
      data.scaleY *= sy;
      fx->CommitChanges();
      device->DrawPreTransformedQuad(nullptr, quad, fx->PassState(), int(i));
      fx->EndPass();
    }
    fx->End();
  }
  device->EndScene();
  data.SwapSourceAndWork();
  m_rendered = true;
  if (MakesOriginal()) device->CopyRenderTarget(data.Source(), data.Org());
  device->SetRenderTarget(kept);
}

void MyPostEffect::PassScale(const platform::Effect& fx, platform::EffectHandle technique, uint32_t pass,
                             float& sx, float& sy) const {
  const platform::EffectHandle handle = fx.GetPass(technique, pass);
  sx = sy = 1.0f;
  fx.GetFloat(fx.GetAnnotationByName(handle, "fScaleX"), &sx);
  fx.GetFloat(fx.GetAnnotationByName(handle, "fScaleY"), &sy);
  const platform::Vector2& scaling = m_scaling.Current();
  if (m_invertScaling) {
    sx /= scaling.x;
    sy /= scaling.y;
  } else {
    sx *= scaling.x;
    sy *= scaling.y;
  }
}

void MyPostEffect::Update(const double& dt) {
  m_time += dt;
  m_v4_1.Update(dt);
  m_v4_2.Update(dt);
  m_f_1.Update(dt);
  m_f_2.Update(dt);
  m_scaling.Update(dt);
  if (m_renderExtra && !m_renderExtraName.empty() && m_globals && m_globals->GetRenderExtras()) {
    if (const ::RenderExtra* entry = m_globals->GetRenderExtras()->FindLast(m_renderExtraName))
      m_enabled = entry->IsInUse();
  }
}

void MyPostEffect::SetParamV4_1(const PEVector4& value, const double* time) {
  m_v4_1.BlendOrSet(value, time);
}
void MyPostEffect::SetParamV4_2(const PEVector4& value, const double* time) {
  m_v4_2.BlendOrSet(value, time);
}
void MyPostEffect::SetParamF_1(const float& value, const double* time) { m_f_1.BlendOrSet(value, time); }
void MyPostEffect::SetParamF_2(const float& value, const double* time) { m_f_2.BlendOrSet(value, time); }

void MyPostEffect::SetScaling(const platform::Vector2& value, bool invert, const double* time) {
  m_invertScaling = invert;
  m_scaling.BlendOrSet(value, time);
}

void MyPostEffect::SetParamF_1Pixels(const float& value, const double* time) {
  const float texels = value / ScreenWidth();
  SetParamF_1(texels, time);
}

void MyPostEffect::SetParamV4_1Screen(const PEVector4& value, const double* time) {
  const float w = ScreenWidth();
  const PEVector4 v{ScreenHeight() / w, value.y / w, value.z, value.w};
  SetParamV4_1(v, time);
}

bool MyPostEffect::BlendsFinished() const {
  return m_v4_1.IsDone() && m_v4_2.IsDone() && m_f_1.IsDone() && m_f_2.IsDone() && m_scaling.IsDone();
}

void MyPostEffect::Describe(std::ostream&, const std::string&) const {}
