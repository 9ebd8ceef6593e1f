// One full-screen post-processing step: a named record of "PostEffects.efx" that runs the
// "RenderPost" technique of an effect file over the frame chain's pictures, with four
// animated shader parameters, a running time, an animated scaling of its passes and an
// optional extra drawing of the scene. The base of every effect kind and of the combination.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "engine/resetobjekt.h"
#include "platform/effect.h"
#include "platform/math2d.h"
#include "posteffects/wertanimator.h"

class APIContext;
class APIGraphics;
class DataArchive;
class Effect;
class KVNode;
class MyGlobals;
class MyPostEffectRenderData;
class PostEffectLibrary;

using PEVector4 = platform::Vector4;

// Numbers of a key: the value at `index` of the first child named `key`, 0 when the key has
// fewer values (a short key reads its missing values as 0). False without the key.
bool ReadEffectNumber(const KVNode& node, std::u16string_view key, unsigned index, double& out);
// The text's leading hexadecimal number, as the C runtime's unsigned-long reading takes it
// (blanks, a sign, an optional 0x; too large a number gives 0xFFFFFFFF).
uint32_t ParseHexColour(std::u16string_view text);
// The text's leading integer, as the C runtime's integer reading takes it.
int32_t ParseLeadingInt(std::u16string_view text);

class MyPostEffect : public ResetObjekt {
 public:
  static constexpr const char16_t* kDefaultName = u"Unnamed_PostEffect";
  static constexpr const char16_t* kDefaultFile = u"effect.fx";
  static constexpr uint32_t kDefaultClearColour = 0xFF000000;

  // Defaults, then the keys of `node` when one is given. Effect files are read from
  // `archive` when the effect is created. Without a context the process-wide one is used.
  MyPostEffect(const KVNode* node, const DataArchive* archive, APIContext* context = nullptr);
  ~MyPostEffect() override;
  MyPostEffect& operator=(const MyPostEffect&) = delete;

  // A copy of the same class; the caller owns it. It starts lost and not created, with
  // every running blend carried over.
  virtual std::unique_ptr<MyPostEffect> Clone() const;
  // Loads the effect files through the graphics manager's cache and fetches the handles.
  virtual void Create();
  virtual void SetLibrary(PostEffectLibrary* library);
  // One full-screen step of the chain over the render data's pictures.
  virtual void Render(MyPostEffectRenderData& data);
  virtual bool MakesOriginal() const { return m_copyToOrg && m_rendered; }
  // Time, the blends, and the render extra's use switching the effect on and off.
  virtual void Update(const double& dt);
  virtual void SetParamV4_1(const PEVector4& value, const double* time);
  virtual void SetParamV4_2(const PEVector4& value, const double* time);
  virtual void SetParamF_1(const float& value, const double* time);
  virtual void SetParamF_2(const float& value, const double* time);
  // A readable line per parameter, for debugging; the base writes nothing.
  virtual void Describe(std::ostream& out, const std::string& prefix) const;

  void OnResetDevice() override;
  void OnLostDevice() override;

  void SetScaling(const platform::Vector2& value, bool invert, const double* time);
  // value / screen width.
  void SetParamF_1Pixels(const float& value, const double* time);
  // x := screen height / screen width, y := y / screen width; z and w as given.
  void SetParamV4_1Screen(const PEVector4& value, const double* time);
  void CallSetParamV4_1(const PEVector4& value, const double* time) { SetParamV4_1(value, time); }
  void CallSetParamF_1(const float& value, const double* time) { SetParamF_1(value, time); }
  void CallSetParamF_2(const float& value, const double* time) { SetParamF_2(value, time); }

  bool NeedsCreate() const { return m_lost || !m_library; }
  bool BlendsFinished() const;

  const std::u16string& GetName() const { return m_name; }
  const std::u16string& GetFileName() const { return m_fileName; }
  const std::u16string& GetSecondFileName() const { return m_secondFileName; }
  const std::u16string& GetRenderExtraName() const { return m_renderExtraName; }
  bool HasRenderExtra() const { return m_renderExtra; }
  bool ExtraThroughSecondEffect() const { return m_extraThroughSecond; }
  // The size of the render extra's picture as a fraction of the screen ("EXTRA_SCALING",
  // each value in (0, 1]; 1, 1 draws it into the screen-sized EXTRA).
  const platform::Vector2& ExtraScaling() const { return m_extraScaling; }
  bool CopiesToOriginal() const { return m_copyToOrg; }
  uint32_t GetClearColour() const { return m_clearColour; }
  bool IsLost() const { return m_lost; }
  bool IsCreated() const { return m_created; }
  bool IsEnabled() const { return m_enabled; }
  bool WasRendered() const { return m_rendered; }
  double GetTime() const { return m_time; }
  PostEffectLibrary* GetLibrary() const { return m_library; }
  const PEVector4& ParamV4_1() const { return m_v4_1.Current(); }
  const PEVector4& ParamV4_2() const { return m_v4_2.Current(); }
  float ParamF_1() const { return m_f_1.Current(); }
  float ParamF_2() const { return m_f_2.Current(); }
  const platform::Vector2& Scaling() const { return m_scaling.Current(); }
  bool InvertsScaling() const { return m_invertScaling; }
  // The loaded effect, null before a successful Create.
  platform::Effect* GetEffect() const;

 protected:
  MyPostEffect(const MyPostEffect& other);

  // Writes a parameter at once, as a value read from the file.
  void SetV4_1Now(const PEVector4& v) { m_v4_1.BlendOrSet(v, nullptr); }
  void SetV4_2Now(const PEVector4& v) { m_v4_2.BlendOrSet(v, nullptr); }
  void SetF_1Now(float v) { m_f_1.BlendOrSet(v, nullptr); }
  void SetF_2Now(float v) { m_f_2.BlendOrSet(v, nullptr); }
  float ScreenWidth() const;
  float ScreenHeight() const;
  void SetEnabled(bool enabled) { m_enabled = enabled; }
  void SetRendered(bool rendered) { m_rendered = rendered; }
  void SetLost(bool lost) { m_lost = lost; }
  APIContext* Context() const { return m_context; }
  APIGraphics* Graphics() const { return m_graphics; }

 private:
  // Draws the render extra into EXTRA, or into the smaller picture of its scaling: that
  // picture, null when nothing was drawn.
  platform::Texture* DrawRenderExtra(MyPostEffectRenderData& data);
  // How much a pass shrinks or grows the quad: its annotations and the effect's scaling.
  void PassScale(const platform::Effect& fx, platform::EffectHandle technique, uint32_t pass, float& sx,
                 float& sy) const;

  std::u16string m_fileName = kDefaultFile;
  std::u16string m_secondFileName;
  std::u16string m_name = kDefaultName;
  const DataArchive* m_archive;
  Effect* m_effect = nullptr;
  Effect* m_secondEffect = nullptr;
  APIGraphics* m_graphics = nullptr;
  APIContext* m_context = nullptr;
  MyGlobals* m_globals = nullptr;
  PostEffectLibrary* m_library = nullptr;
  platform::EffectHandle m_technique;
  platform::EffectHandle m_timeHandle;
  double m_time = 0.0;
  platform::EffectHandle m_v4_1Handle, m_v4_2Handle, m_f_1Handle, m_f_2Handle;
  pe::WertAnimator<PEVector4> m_v4_1, m_v4_2;
  pe::WertAnimator<float> m_f_1, m_f_2;
  platform::EffectHandle m_sourceHandle, m_originalHandle, m_extraHandle;
  pe::WertAnimator<platform::Vector2> m_scaling;
  bool m_invertScaling = false;
  std::u16string m_renderExtraName = u"NIX";
  bool m_renderExtra = false;
  bool m_extraThroughSecond = false;
  platform::Vector2 m_extraScaling{1.0f, 1.0f};
  bool m_lost = true;
  bool m_created = false;
  bool m_copyToOrg = false;
  bool m_rendered = false;
  bool m_enabled = true;
  uint32_t m_clearColour = kDefaultClearColour;
};
