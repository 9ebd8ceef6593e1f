// A post effect made of other post effects: an ordered list of effect names whose fresh
// copies run one after another as one effect. A bloom combination routes its two float
// parameters to its bright pass and its bloom combine; the camera finds a depth of field
// inside one, and the blur animator a child by name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "posteffects/myposteffect.h"

class MyPE_DOF;
class MyPE_Scatter;

class MyPE_EffectCombination : public MyPostEffect {
 public:
  enum Type : int32_t { kOrdinary = 0, kBloom = 1 };

  MyPE_EffectCombination(const KVNode* node, const DataArchive* archive, APIContext* context = nullptr);
  ~MyPE_EffectCombination() override;

  // Names, flag and type; no children until Create.
  std::unique_ptr<MyPostEffect> Clone() const override;
  // Fresh copies of every named effect the library knows, each attached and created.
  void Create() override;
  void SetLibrary(PostEffectLibrary* library) override;
  // The children in order; a child that does not complete its pass stops the rest when
  // cancel on failure is on, and the quad is put back as it was.
  void Render(MyPostEffectRenderData& data) override;
  // The same without the last child: the small pictures its children leave for a pass that
  // does the last child's work together with other effects' (in the source, at the data's
  // scale). True when every child run completed its pass.
  bool RenderAllButLast(MyPostEffectRenderData& data);
  bool MakesOriginal() const override;
  // Steps the children; enabled while every child is.
  void Update(const double& dt) override;
  void SetParamF_1(const float& value, const double* time) override;
  void SetParamF_2(const float& value, const double* time) override;
  void Describe(std::ostream& out, const std::string& prefix) const override;

  // The last depth-of-field child, or null. Owned by the combination; a later Create
  // replaces it.
  MyPE_DOF* FindDOF() const;
  // The last light-scattering child, or null; owned like the depth of field.
  MyPE_Scatter* FindScatter() const;
  // The last child of that name, or null (null for no name).
  MyPostEffect* FindEffect(const std::u16string* name) const;
  MyPostEffect* FindEffect(const std::u16string& name) const { return FindEffect(&name); }

  const std::vector<std::u16string>& GetEffectNames() const { return m_names; }
  size_t ChildCount() const { return m_children.size(); }
  MyPostEffect* GetChild(size_t index) const {
    return index < m_children.size() ? m_children[index].get() : nullptr;
  }
  bool CancelsOnFailure() const { return m_cancelOnFailure; }
  Type GetType() const { return m_type; }

 protected:
  MyPE_EffectCombination(const MyPE_EffectCombination& other);

 private:
  template <typename Kind>
  MyPostEffect* FirstChildOf() const;
  // The first `count` children in order, with cancel on failure.
  void RenderChildren(MyPostEffectRenderData& data, size_t count);

  std::vector<std::u16string> m_names;
  std::vector<std::unique_ptr<MyPostEffect>> m_children;
  bool m_cancelOnFailure = true;
  Type m_type = kOrdinary;
};
