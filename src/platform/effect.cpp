// What every effect backend shares: checking a description, the generated shader prelude,
// the parameter store with its handles, and the technique and pass protocol.
#include "platform/effect.h"

#include <algorithm>
#include <cctype>

#include "platform/numeric.h"

namespace platform {

namespace {

constexpr uint32_t kMaxElements = 256;
constexpr int kMaxTextureUnits = 16;

struct StandardParam {
  const char* name;
  EffectValueType type;
};
constexpr StandardParam kStandardParams[] = {
    {kEffectSourceTexture, EffectValueType::Texture}, {kEffectOriginalTexture, EffectValueType::Texture},
    {kEffectExtraTexture, EffectValueType::Texture},  {"g_time", EffectValueType::Float},
    {"g_Float_Param1", EffectValueType::Float},       {"g_Float_Param2", EffectValueType::Float},
    {"g_Vec4_Param1", EffectValueType::Vec4},         {"g_Vec4_Param2", EffectValueType::Vec4},
};

// Names the generated prelude declares itself.
constexpr const char* kReservedNames[] = {"u_Screen", "u_SrcScale", "a_Position",  "a_Color",
                                          "a_Tex0",   "a_Tex1",     "v_Tex0",      "v_Tex1",
                                          "v_Color",  "o_Color",    "PixelToClip", "main"};

bool IsIdentifier(const std::string& name) {
  if (name.empty() || name.size() > 64) return false;
  if (!(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_')) return false;
  for (char c : name)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  if (name.compare(0, 3, "gl_") == 0) return false;
  for (const char* reserved : kReservedNames)
    if (name == reserved) return false;
  return true;
}

const char* GlslType(EffectValueType type) {
  switch (type) {
    case EffectValueType::Float:
      return "float";
    case EffectValueType::Vec2:
      return "vec2";
    case EffectValueType::Vec3:
      return "vec3";
    case EffectValueType::Vec4:
      return "vec4";
    case EffectValueType::Int:
      return "int";
    case EffectValueType::Texture:
      return "sampler2D";
  }
  return "float";
}

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

std::string PreludeHeader(const EffectDescription& d) {
  std::string s = "#version 330 core\nuniform vec2 u_Screen;\nuniform vec2 u_SrcScale;\n";
  for (const EffectParamDesc& p : d.params) {
    s += "uniform ";
    s += GlslType(p.type);
    s += ' ';
    s += p.name;
    if (p.count > 0) s += "[" + std::to_string(p.count) + "]";
    s += ";\n";
  }
  return s;
}

}  // namespace

int EffectComponents(EffectValueType type) {
  switch (type) {
    case EffectValueType::Vec2:
      return 2;
    case EffectValueType::Vec3:
      return 3;
    case EffectValueType::Vec4:
      return 4;
    default:
      return 1;
  }
}

bool PrepareEffectDescription(EffectDescription& d, std::string* error) {
  for (const StandardParam& standard : kStandardParams) {
    auto it = std::find_if(d.params.begin(), d.params.end(),
                           [&](const EffectParamDesc& p) { return p.name == standard.name; });
    if (it == d.params.end()) {
      EffectParamDesc p;
      p.name = standard.name;
      p.type = standard.type;
      d.params.push_back(std::move(p));
    } else if (it->type != standard.type || it->count != 0) {
      return Fail(error, std::string("parameter ") + standard.name + " has the wrong type");
    }
  }
  int textures = 0;
  for (size_t i = 0; i < d.params.size(); ++i) {
    const EffectParamDesc& p = d.params[i];
    if (!IsIdentifier(p.name)) return Fail(error, "parameter name \"" + p.name + "\" is not usable");
    for (size_t j = 0; j < i; ++j)
      if (d.params[j].name == p.name) return Fail(error, "parameter " + p.name + " is declared twice");
    if (p.type == EffectValueType::Texture) {
      ++textures;
      if (p.count != 0 || !p.defaults.empty())
        return Fail(error, "texture parameter " + p.name + " takes no count and no values");
      continue;
    }
    if (p.count > kMaxElements) return Fail(error, "parameter " + p.name + " has too many elements");
    size_t size = size_t(std::max<uint32_t>(1, p.count)) * size_t(EffectComponents(p.type));
    if (p.defaults.size() > size)
      return Fail(error, "parameter " + p.name + " has more values than it holds");
  }
  if (textures > kMaxTextureUnits) return Fail(error, "too many texture parameters");
  for (size_t i = 0; i < d.samplers.size(); ++i) {
    const EffectSamplerDesc& s = d.samplers[i];
    auto it = std::find_if(d.params.begin(), d.params.end(),
                           [&](const EffectParamDesc& p) { return p.name == s.name; });
    if (it == d.params.end() || it->type != EffectValueType::Texture)
      return Fail(error, "sampler " + s.name + " names no texture parameter");
    for (size_t j = 0; j < i; ++j)
      if (d.samplers[j].name == s.name) return Fail(error, "sampler " + s.name + " is declared twice");
  }
  if (d.techniques.empty()) return Fail(error, "no technique");
  for (const EffectTechniqueDesc& t : d.techniques) {
    if (t.passes.empty()) return Fail(error, "technique " + t.name + " has no pass");
    for (const EffectPassDesc& pass : t.passes)
      if (pass.fragment.find_first_not_of(" \t\r\n") == std::string::npos)
        return Fail(error, "pass " + t.name + "/" + pass.name + " has no fragment stage");
  }
  return true;
}

EffectPassSources BuildEffectPassSources(const EffectDescription& d, const EffectPassDesc& pass) {
  const bool sprite = pass.layout == EffectLayout::Sprite;
  const std::string header = PreludeHeader(d);
  EffectPassSources out;
  // "#line n s" numbers the effect's own texts: source 1 is the common text, 2 the vertex
  // stage and 3 the fragment stage, so compiler messages point into the effect file's blocks.
  out.vertex = header +
               "layout(location = 0) in vec4 a_Position;\n"
               "layout(location = 1) in vec4 a_Color;\n"
               "layout(location = 2) in vec2 a_Tex0;\n"
               "layout(location = 3) in vec2 a_Tex1;\n"
               "out vec2 v_Tex0;\nout vec2 v_Tex1;\n";
  if (sprite) out.vertex += "out vec4 v_Color;\n";
  // Pixel centres lie at integer coordinates (half a pixel left of and above where they lie
  // in clip space) and y grows downward; row 0 of every target and texture is the top one.
  out.vertex += "vec4 PixelToClip(vec2 p) { return vec4((p + 0.5) * 2.0 / u_Screen - 1.0, 0.0, 1.0); }\n";
  out.vertex += "#line 1 1\n" + d.common + "\n#line 1 2\n";
  if (pass.vertex.find_first_not_of(" \t\r\n") == std::string::npos) {
    out.vertex +=
        "void main() {\n"
        "  gl_Position = PixelToClip(a_Position.xy);\n"
        "  v_Tex0 = a_Tex0;\n"
        "  v_Tex1 = a_Tex1;\n";
    if (sprite) out.vertex += "  v_Color = a_Color;\n";
    out.vertex += "}\n";
  } else {
    out.vertex += pass.vertex + "\n";
  }
  out.fragment = header + "in vec2 v_Tex0;\nin vec2 v_Tex1;\n";
  if (sprite) out.fragment += "in vec4 v_Color;\n";
  out.fragment += "out vec4 o_Color;\n#line 1 1\n" + d.common + "\n#line 1 3\n" + pass.fragment + "\n";
  return out;
}

Effect::Effect(EffectDescription description) : m_description(std::move(description)) {
  const auto& params = m_description.params;
  m_values.resize(params.size());
  m_units.assign(params.size(), -1);
  int nextUnit = 3;
  for (size_t i = 0; i < params.size(); ++i) {
    const EffectParamDesc& p = params[i];
    if (p.type == EffectValueType::Texture) {
      if (p.name == kEffectSourceTexture)
        m_units[i] = 0;
      else if (p.name == kEffectOriginalTexture)
        m_units[i] = 1;
      else if (p.name == kEffectExtraTexture)
        m_units[i] = 2;
      else
        m_units[i] = nextUnit++;
      continue;
    }
    Value& v = m_values[i];
    v.floats.assign(size_t(std::max<uint32_t>(1, p.count)) * size_t(EffectComponents(p.type)), 0.0f);
    std::copy(p.defaults.begin(), p.defaults.end(), v.floats.begin());
    if (p.type == EffectValueType::Int)
      for (float& f : v.floats) f = float(TruncToInt(f));
  }
  m_sourceRegion.floats = {1.0f, 1.0f};
  auto addAnnotations = [this](const std::vector<EffectAnnotationDesc>& list, std::vector<int>& first) {
    first.push_back(int(m_annotations.size()));
    for (const EffectAnnotationDesc& a : list) m_annotations.push_back(&a);
  };
  for (const EffectParamDesc& p : params) addAnnotations(p.annotations, m_paramAnnotations);
  for (const EffectTechniqueDesc& t : m_description.techniques) {
    addAnnotations(t.annotations, m_techniqueAnnotations);
    m_firstPass.push_back(int(m_passes.size()));
    for (const EffectPassDesc& pass : t.passes) {
      m_passes.push_back(&pass);
      addAnnotations(pass.annotations, m_passAnnotations);
    }
  }
  m_technique = m_description.techniques.empty() ? -1 : 0;
}

Effect::~Effect() = default;

EffectHandle Effect::GetParameter(uint32_t index) const {
  if (index >= m_description.params.size()) return {};
  return {EffectHandle::Kind::Parameter, int32_t(index)};
}

EffectHandle Effect::GetParameterByName(std::string_view name) const {
  for (size_t i = 0; i < m_description.params.size(); ++i)
    if (m_description.params[i].name == name) return {EffectHandle::Kind::Parameter, int32_t(i)};
  return {};
}

bool Effect::GetParameterDesc(EffectHandle handle, EffectParameterInfo* info) const {
  const EffectParamDesc* p = Param(handle);
  if (!p || !info) return false;
  info->name = p->name;
  info->type = p->type;
  info->elements = p->count;
  info->components = uint32_t(EffectComponents(p->type));
  info->bytes = std::max<uint32_t>(1, p->count) * info->components * 4;
  info->annotations = uint32_t(p->annotations.size());
  return true;
}

EffectHandle Effect::GetTechnique(uint32_t index) const {
  if (index >= m_description.techniques.size()) return {};
  return {EffectHandle::Kind::Technique, int32_t(index)};
}

EffectHandle Effect::GetTechniqueByName(std::string_view name) const {
  for (size_t i = 0; i < m_description.techniques.size(); ++i)
    if (m_description.techniques[i].name == name) return {EffectHandle::Kind::Technique, int32_t(i)};
  return {};
}

uint32_t Effect::PassCount(EffectHandle technique) const {
  if (technique.kind != EffectHandle::Kind::Technique || technique.index < 0 ||
      size_t(technique.index) >= m_description.techniques.size())
    return 0;
  return uint32_t(m_description.techniques[size_t(technique.index)].passes.size());
}

EffectHandle Effect::GetPass(EffectHandle technique, uint32_t index) const {
  if (index >= PassCount(technique)) return {};
  return {EffectHandle::Kind::Pass, FlatPassIndex(technique.index, int(index))};
}

const EffectPassDesc* Effect::GetPassDesc(EffectHandle technique, uint32_t index) const {
  if (index >= PassCount(technique)) return nullptr;
  return &m_description.techniques[size_t(technique.index)].passes[index];
}

EffectHandle Effect::GetPassByName(EffectHandle technique, std::string_view name) const {
  uint32_t n = PassCount(technique);
  for (uint32_t i = 0; i < n; ++i)
    if (m_description.techniques[size_t(technique.index)].passes[i].name == name)
      return {EffectHandle::Kind::Pass, FlatPassIndex(technique.index, int(i))};
  return {};
}

EffectHandle Effect::GetAnnotation(EffectHandle object, uint32_t index) const {
  const std::vector<EffectAnnotationDesc>* list = nullptr;
  int first = 0;
  size_t i = size_t(object.index);
  switch (object.kind) {
    case EffectHandle::Kind::Parameter:
      if (object.index < 0 || i >= m_description.params.size()) return {};
      list = &m_description.params[i].annotations;
      first = m_paramAnnotations[i];
      break;
    case EffectHandle::Kind::Technique:
      if (object.index < 0 || i >= m_description.techniques.size()) return {};
      list = &m_description.techniques[i].annotations;
      first = m_techniqueAnnotations[i];
      break;
    case EffectHandle::Kind::Pass:
      if (object.index < 0 || i >= m_passes.size()) return {};
      list = &m_passes[i]->annotations;
      first = m_passAnnotations[i];
      break;
    default:
      return {};
  }
  if (index >= list->size()) return {};
  return {EffectHandle::Kind::Annotation, first + int32_t(index)};
}

EffectHandle Effect::GetAnnotationByName(EffectHandle object, std::string_view name) const {
  for (uint32_t i = 0;; ++i) {
    EffectHandle a = GetAnnotation(object, i);
    if (!a) return {};
    if (m_annotations[size_t(a.index)]->name == name) return a;
  }
}

const EffectParamDesc* Effect::Param(EffectHandle h) const {
  if (h.kind != EffectHandle::Kind::Parameter || h.index < 0 ||
      size_t(h.index) >= m_description.params.size())
    return nullptr;
  return &m_description.params[size_t(h.index)];
}

const EffectAnnotationDesc* Effect::Annotation(EffectHandle h) const {
  if (h.kind != EffectHandle::Kind::Annotation || h.index < 0 || size_t(h.index) >= m_annotations.size())
    return nullptr;
  return m_annotations[size_t(h.index)];
}

bool Effect::Numeric(EffectHandle handle, const EffectParamDesc** param, Value** value) {
  const EffectParamDesc* p = Param(handle);
  if (!p || p->type == EffectValueType::Texture) return false;
  *param = p;
  *value = &m_values[size_t(handle.index)];
  return true;
}

bool Effect::GetFloat(EffectHandle handle, float* value) const {
  if (!value) return false;
  if (const EffectAnnotationDesc* a = Annotation(handle)) {
    if (a->type == EffectAnnotationDesc::Type::String || a->numbers.empty()) return false;
    *value = a->numbers[0];
    return true;
  }
  const EffectParamDesc* p = Param(handle);
  if (!p || p->type == EffectValueType::Texture) return false;
  *value = m_values[size_t(handle.index)].floats[0];
  return true;
}

bool Effect::GetInt(EffectHandle handle, int32_t* value) const {
  float f = 0.0f;
  if (!value || !GetFloat(handle, &f)) return false;
  *value = TruncToInt(f);
  return true;
}

bool Effect::GetString(EffectHandle handle, std::string* value) const {
  const EffectAnnotationDesc* a = Annotation(handle);
  if (!value || !a || a->type != EffectAnnotationDesc::Type::String) return false;
  *value = a->text;
  return true;
}

bool Effect::GetVector(EffectHandle handle, Vector4* value) const {
  if (!value) return false;
  float v[4] = {};
  if (const EffectAnnotationDesc* a = Annotation(handle)) {
    if (a->type == EffectAnnotationDesc::Type::String) return false;
    for (size_t i = 0; i < a->numbers.size() && i < 4; ++i) v[i] = a->numbers[i];
  } else {
    const EffectParamDesc* p = Param(handle);
    if (!p || p->type == EffectValueType::Texture) return false;
    const Value& stored = m_values[size_t(handle.index)];
    for (int i = 0; i < EffectComponents(p->type); ++i) v[i] = stored.floats[size_t(i)];
  }
  *value = {v[0], v[1], v[2], v[3]};
  return true;
}

bool Effect::GetVectorArray(EffectHandle handle, Vector4* values, uint32_t count) const {
  const EffectParamDesc* p = Param(handle);
  if (!p || p->type == EffectValueType::Texture || count > std::max<uint32_t>(1, p->count)) return false;
  if (count > 0 && !values) return false;
  const Value& stored = m_values[size_t(handle.index)];
  const int n = EffectComponents(p->type);
  for (uint32_t e = 0; e < count; ++e) {
    float v[4] = {};
    for (int i = 0; i < n; ++i) v[i] = stored.floats[size_t(e) * size_t(n) + size_t(i)];
    values[e] = {v[0], v[1], v[2], v[3]};
  }
  return true;
}

bool Effect::GetFloatArray(EffectHandle handle, float* values, uint32_t count) const {
  const EffectParamDesc* p = Param(handle);
  if (!p || p->type == EffectValueType::Texture) return false;
  const Value& stored = m_values[size_t(handle.index)];
  if (count > stored.floats.size() || (count > 0 && !values)) return false;
  std::copy_n(stored.floats.begin(), count, values);
  return true;
}

bool Effect::SetFloat(EffectHandle handle, float value) { return SetFloatArray(handle, &value, 1); }

bool Effect::SetInt(EffectHandle handle, int32_t value) {
  float f = float(value);
  return SetFloatArray(handle, &f, 1);
}

bool Effect::SetVector(EffectHandle handle, const Vector4& value) {
  return SetVectorArray(handle, &value, 1);
}

bool Effect::SetVectorArray(EffectHandle handle, const Vector4* values, uint32_t count) {
  const EffectParamDesc* p = nullptr;
  Value* stored = nullptr;
  if (!Numeric(handle, &p, &stored) || count > std::max<uint32_t>(1, p->count)) return false;
  if (count > 0 && !values) return false;
  const int n = EffectComponents(p->type);
  const bool integer = p->type == EffectValueType::Int;
  for (uint32_t e = 0; e < count; ++e) {
    const float v[4] = {values[e].x, values[e].y, values[e].z, values[e].w};
    for (int i = 0; i < n; ++i)
      stored->floats[size_t(e) * size_t(n) + size_t(i)] = integer ? float(TruncToInt(v[i])) : v[i];
  }
  Touch(*stored);
  return true;
}

bool Effect::SetFloatArray(EffectHandle handle, const float* values, uint32_t count) {
  const EffectParamDesc* p = nullptr;
  Value* stored = nullptr;
  if (!Numeric(handle, &p, &stored) || count > stored->floats.size()) return false;
  if (count > 0 && !values) return false;
  const bool integer = p->type == EffectValueType::Int;
  for (uint32_t i = 0; i < count; ++i) stored->floats[i] = integer ? float(TruncToInt(values[i])) : values[i];
  Touch(*stored);
  return true;
}

bool Effect::SetTexture(EffectHandle handle, Texture* texture) {
  const EffectParamDesc* p = Param(handle);
  if (!p || p->type != EffectValueType::Texture) return false;
  Value& stored = m_values[size_t(handle.index)];
  stored.texture = texture;
  Touch(stored);
  return true;
}

Texture* Effect::GetTexture(EffectHandle handle) const {
  const EffectParamDesc* p = Param(handle);
  if (!p || p->type != EffectValueType::Texture) return nullptr;
  return m_values[size_t(handle.index)].texture;
}

void Effect::SetSourceRegion(float x, float y) {
  m_sourceRegion.floats = {x, y};
  Touch(m_sourceRegion);
}

bool Effect::SetTechnique(EffectHandle technique) {
  if (m_begun || PassCount(technique) == 0) return false;
  m_technique = technique.index;
  return true;
}

EffectHandle Effect::GetCurrentTechnique() const {
  if (m_technique < 0) return {};
  return {EffectHandle::Kind::Technique, m_technique};
}

bool Effect::Begin(uint32_t* passes, uint32_t) {
  if (m_begun || m_technique < 0) return false;
  m_begun = true;
  if (passes) *passes = PassCount(GetCurrentTechnique());
  return true;
}

bool Effect::BeginPass(uint32_t pass) {
  if (!m_begun || m_pass >= 0 || pass >= PassCount(GetCurrentTechnique())) return false;
  m_pass = int(pass);
  ApplyPass(FlatPassIndex(m_technique, m_pass));
  return true;
}

bool Effect::CommitChanges() {
  if (m_pass < 0) return false;
  Commit(FlatPassIndex(m_technique, m_pass));
  return true;
}

bool Effect::EndPass() {
  if (m_pass < 0) return false;
  LeavePass(FlatPassIndex(m_technique, m_pass));
  m_pass = -1;
  return true;
}

bool Effect::End() {
  if (!m_begun) return false;
  EndPass();
  m_begun = false;
  return true;
}

DrawState Effect::PassState() const {
  if (m_pass < 0) return {false, false};
  return {m_passes[size_t(FlatPassIndex(m_technique, m_pass))]->blend.enabled, false};
}

}  // namespace platform
