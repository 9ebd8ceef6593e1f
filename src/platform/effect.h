// Effects: named parameters, techniques made of passes, and per-pass shader programs that
// draw the device's pre-transformed quads. An effect is built from a plain description (the
// game reads its effect files into one); each graphics backend compiles it in its own way.
// The parameter store, the handles and the Begin/pass protocol are shared by every backend.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics.h"

namespace platform {

class Texture;

struct Vector4 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 0.0f;
  constexpr bool operator==(const Vector4& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
};

enum class EffectValueType { Float, Vec2, Vec3, Vec4, Int, Texture };

// Number of 32-bit components of one element of the type (1 for a texture).
int EffectComponents(EffectValueType type);

struct EffectAnnotationDesc {
  enum class Type { Float, Int, String };
  std::string name;
  Type type = Type::Float;
  std::vector<float> numbers;  // Float and Int
  std::string text;            // String
};

struct EffectParamDesc {
  std::string name;
  EffectValueType type = EffectValueType::Float;
  // Array elements; 0 for a single value.
  uint32_t count = 0;
  // Initial values, element after element; missing ones are 0.
  std::vector<float> defaults;
  std::vector<EffectAnnotationDesc> annotations;
};

// How a texture parameter is sampled.
struct EffectSamplerDesc {
  std::string name;  // the texture parameter
  bool linear = true;
  bool clamp = true;  // else repeat
};

enum class BlendFactor {
  Zero,
  One,
  SrcColor,
  InvSrcColor,
  SrcAlpha,
  InvSrcAlpha,
  DestAlpha,
  InvDestAlpha,
  DestColor,
  InvDestColor
};
enum class BlendOp { Add, Subtract, RevSubtract, Min, Max };

struct EffectBlend {
  bool enabled = false;
  BlendFactor src = BlendFactor::One;
  BlendFactor dst = BlendFactor::Zero;
  BlendOp op = BlendOp::Add;
  // Alpha blended with factors of its own; else with src and dst as the colour.
  bool separateAlpha = false;
  BlendFactor alphaSrc = BlendFactor::One;
  BlendFactor alphaDst = BlendFactor::Zero;
};

// Which vertex values reach the fragment stage: POST gives the two texture-coordinate pairs,
// SPRITE also the vertex colour.
enum class EffectLayout { Post, Sprite };

struct EffectPassDesc {
  std::string name;
  std::vector<EffectAnnotationDesc> annotations;
  EffectBlend blend;
  EffectLayout layout = EffectLayout::Post;
  std::string vertex;    // GLSL with main(); empty for the standard vertex stage
  std::string fragment;  // GLSL with main()
};

struct EffectTechniqueDesc {
  std::string name;
  std::vector<EffectAnnotationDesc> annotations;
  std::vector<EffectPassDesc> passes;
};

struct EffectDescription {
  std::vector<EffectParamDesc> params;
  std::vector<EffectSamplerDesc> samplers;
  std::string common;  // GLSL shared by both stages of every pass
  std::vector<EffectTechniqueDesc> techniques;
};

// Parameters every effect has, declared or not: the three textures of the post-effect chain
// on texture units 0, 1 and 2, the running time and the four free parameters.
inline constexpr const char* kEffectSourceTexture = "g_Textur_SRC";
inline constexpr const char* kEffectOriginalTexture = "g_Textur_ORG";
inline constexpr const char* kEffectExtraTexture = "g_Textur_EXTRA";

// Checks a description and completes it with the standard parameters. False, with the
// reason, for anything a backend could not build: unknown or clashing names, sizes out of
// range, samplers of no texture, passes without a fragment stage, no technique.
bool PrepareEffectDescription(EffectDescription& description, std::string* error);

// The shader texts of one pass: the generated prelude (uniforms for every parameter,
// u_Screen and u_SrcScale, the vertex inputs and the varyings v_Tex0, v_Tex1 and, for the
// SPRITE layout, v_Color, the output o_Color), the common text, then the pass's own text.
// Vertex positions are target pixels with pixel centres at integer coordinates and y
// downward; v = 0 is the top row of every texture.
struct EffectPassSources {
  std::string vertex;
  std::string fragment;
};
EffectPassSources BuildEffectPassSources(const EffectDescription& description, const EffectPassDesc& pass);

// Names an effect's parameter, technique, pass or annotation; null when a lookup failed.
// Valid only for the effect that gave it.
struct EffectHandle {
  enum class Kind : uint8_t { None, Parameter, Technique, Pass, Annotation };
  Kind kind = Kind::None;
  int32_t index = -1;
  explicit operator bool() const { return kind != Kind::None; }
  bool operator==(const EffectHandle& o) const { return kind == o.kind && index == o.index; }
};

struct EffectParameterInfo {
  std::string name;
  EffectValueType type = EffectValueType::Float;
  uint32_t elements = 0;  // 0 for a single value
  uint32_t components = 1;
  uint32_t bytes = 0;  // elements (at least 1) x components x 4
  uint32_t annotations = 0;
};

class Effect {
 public:
  virtual ~Effect();
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  const EffectDescription& Description() const { return m_description; }

  // Lookups. Names compare exactly; the first match wins.
  uint32_t ParameterCount() const { return uint32_t(m_description.params.size()); }
  EffectHandle GetParameter(uint32_t index) const;
  EffectHandle GetParameterByName(std::string_view name) const;
  bool GetParameterDesc(EffectHandle parameter, EffectParameterInfo* info) const;
  uint32_t TechniqueCount() const { return uint32_t(m_description.techniques.size()); }
  EffectHandle GetTechnique(uint32_t index) const;
  EffectHandle GetTechniqueByName(std::string_view name) const;
  uint32_t PassCount(EffectHandle technique) const;
  EffectHandle GetPass(EffectHandle technique, uint32_t index) const;
  EffectHandle GetPassByName(EffectHandle technique, std::string_view name) const;
  // The description of a technique's pass; null when there is no such pass.
  const EffectPassDesc* GetPassDesc(EffectHandle technique, uint32_t index) const;
  // Annotations of a parameter, a technique or a pass.
  EffectHandle GetAnnotation(EffectHandle object, uint32_t index) const;
  EffectHandle GetAnnotationByName(EffectHandle object, std::string_view name) const;

  // Values of parameters and annotations (annotations are read-only). Numeric types convert
  // into each other; a vector reads or writes the first components of an element, the
  // others read as 0. An array call covers at most the parameter's elements.
  bool GetFloat(EffectHandle handle, float* value) const;
  bool GetInt(EffectHandle handle, int32_t* value) const;
  bool GetString(EffectHandle handle, std::string* value) const;
  bool GetVector(EffectHandle handle, Vector4* value) const;
  bool GetVectorArray(EffectHandle handle, Vector4* values, uint32_t count) const;
  bool GetFloatArray(EffectHandle handle, float* values, uint32_t count) const;
  bool SetFloat(EffectHandle handle, float value);
  bool SetInt(EffectHandle handle, int32_t value);
  bool SetVector(EffectHandle handle, const Vector4& value);
  bool SetVectorArray(EffectHandle handle, const Vector4* values, uint32_t count);
  bool SetFloatArray(EffectHandle handle, const float* values, uint32_t count);
  // The texture is not owned: it must outlive the draws that use it.
  bool SetTexture(EffectHandle handle, Texture* texture);
  Texture* GetTexture(EffectHandle handle) const;
  // The part of the source picture that holds valid pixels (u_SrcScale), (1, 1) at first.
  void SetSourceRegion(float x, float y);

  // Drawing: choose a technique (the first one at creation), Begin it, and between
  // BeginPass and EndPass every pre-transformed quad of the device is drawn with that pass.
  // Values set before BeginPass take effect with it; values set inside a pass take effect
  // with CommitChanges.
  bool SetTechnique(EffectHandle technique);
  EffectHandle GetCurrentTechnique() const;
  bool Begin(uint32_t* passes, uint32_t flags = 0);
  bool BeginPass(uint32_t pass);
  bool CommitChanges();
  bool EndPass();
  bool End();
  // The pass now begun, -1 outside a pass.
  int CurrentPass() const { return m_pass; }
  // Whether the current pass blends (for recording draws); the pass sets its own blend state.
  DrawState PassState() const;

  // The device reset protocol. Programs survive a reset; the effect only notes the state.
  void OnLostDevice() { m_lost = true; }
  void OnResetDevice() { m_lost = false; }
  bool IsLost() const { return m_lost; }

 protected:
  // The description must have passed PrepareEffectDescription.
  explicit Effect(EffectDescription description);

  struct Value {
    std::vector<float> floats;  // numeric types, ints included (exact to 2^24)
    Texture* texture = nullptr;
    uint64_t version = 0;  // the change counter's value at the last change
  };
  const std::vector<Value>& Values() const { return m_values; }
  const Value& SourceRegion() const { return m_sourceRegion; }
  // Texture unit of each parameter (-1 for numeric ones).
  const std::vector<int>& TextureUnits() const { return m_units; }
  int CurrentTechniqueIndex() const { return m_technique; }
  // The flat index of a technique's pass, as the backend compiled them (technique by
  // technique, pass by pass).
  int FlatPassIndex(int technique, int pass) const { return m_firstPass[size_t(technique)] + pass; }

  // Backend: make the pass current (its program, blend state and the values so far),
  // apply values changed since, and leave the pass.
  virtual void ApplyPass(int flatPass) = 0;
  virtual void Commit(int flatPass) = 0;
  virtual void LeavePass(int flatPass) = 0;

 private:
  const EffectParamDesc* Param(EffectHandle handle) const;
  const EffectAnnotationDesc* Annotation(EffectHandle handle) const;
  bool Numeric(EffectHandle handle, const EffectParamDesc** param, Value** value);
  void Touch(Value& value) { value.version = ++m_changeCounter; }

  EffectDescription m_description;
  std::vector<Value> m_values;
  std::vector<int> m_units;
  Value m_sourceRegion;
  // Flat tables: the first pass of each technique, and the annotations of each parameter,
  // technique and pass as ranges [first, first + count) of one list.
  std::vector<int> m_firstPass;
  std::vector<const EffectAnnotationDesc*> m_annotations;
  std::vector<int> m_paramAnnotations;
  std::vector<int> m_techniqueAnnotations;
  std::vector<int> m_passAnnotations;
  std::vector<const EffectPassDesc*> m_passes;
  uint64_t m_changeCounter = 0;
  int m_technique = -1;
  bool m_begun = false;
  int m_pass = -1;
  bool m_lost = false;
};

}  // namespace platform
