// Reading effect files into effect descriptions.
#include "engine/effectfile.h"

#include <utility>

#include "engine/kvnode.h"
#include "platform/text.h"

namespace {

using platform::BlendFactor;
using platform::BlendOp;
using platform::EffectAnnotationDesc;
using platform::EffectValueType;

std::string Utf8(const std::u16string& text) { return platform::U16ToUtf8(text); }

// The keyword, upper-cased (A to Z), for comparisons that ignore letter case.
std::string Keyword(const KVValue* value) {
  std::string word = value ? Utf8(value->Text()) : std::string();
  for (char& c : word)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return word;
}

// Every value of the first child named key, one after the other (shader texts).
std::string JoinedText(const KVNode& node, std::u16string_view key) {
  std::string text;
  const KVNode* child = node.GetChild(0, key);
  if (!child) return text;
  for (unsigned i = 0; i < child->GetValueCount(); ++i) {
    if (i > 0) text += '\n';
    text += Utf8(child->GetValue(i)->Text());
  }
  return text;
}

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

bool ReadAnnotations(const KVNode& node, std::vector<EffectAnnotationDesc>* out, std::string* error) {
  for (unsigned i = 0; const KVNode* a = node.GetChild(i, u"ANNOTATION"); ++i) {
    if (a->GetValueCount() < 3) return Fail(error, "an ANNOTATION needs a name, a type and a value");
    EffectAnnotationDesc desc;
    desc.name = Utf8(a->GetValue(0)->Text());
    std::string type = Keyword(a->GetValue(1));
    if (type == "STRING") {
      desc.type = EffectAnnotationDesc::Type::String;
      desc.text = Utf8(a->GetValue(2)->Text());
    } else if (type == "FLOAT" || type == "INT") {
      desc.type = type == "INT" ? EffectAnnotationDesc::Type::Int : EffectAnnotationDesc::Type::Float;
      for (unsigned v = 2; v < a->GetValueCount(); ++v)
        desc.numbers.push_back(desc.type == EffectAnnotationDesc::Type::Int
                                   ? float(a->GetValue(v)->AsInt())
                                   : float(a->GetValue(v)->AsDouble()));
    } else {
      return Fail(error, "annotation " + desc.name + " has the unknown type \"" + type + "\"");
    }
    out->push_back(std::move(desc));
  }
  return true;
}

bool ReadParam(const KVNode& node, platform::EffectParamDesc* p, std::string* error) {
  const KVValue* name = node.Find(u"NAME");
  if (!name) return Fail(error, "a PARAM has no NAME");
  p->name = Utf8(name->Text());
  static const std::pair<const char*, EffectValueType> kTypes[] = {
      {"FLOAT", EffectValueType::Float}, {"VEC2", EffectValueType::Vec2},
      {"VEC3", EffectValueType::Vec3},   {"VEC4", EffectValueType::Vec4},
      {"INT", EffectValueType::Int},     {"TEXTURE", EffectValueType::Texture}};
  std::string type = node.Find(u"TYPE") ? Keyword(node.Find(u"TYPE")) : "FLOAT";
  bool known = false;
  for (const auto& [word, value] : kTypes)
    if (type == word) {
      p->type = value;
      known = true;
    }
  if (!known) return Fail(error, "parameter " + p->name + " has the unknown type \"" + type + "\"");
  int32_t count = 0;
  node.Read(u"COUNT", count);
  if (count < 0) return Fail(error, "parameter " + p->name + " has a negative COUNT");
  p->count = uint32_t(count);
  if (const KVNode* values = node.GetChild(0, u"VALUE"))
    for (unsigned i = 0; i < values->GetValueCount(); ++i)
      p->defaults.push_back(float(values->GetValue(i)->AsDouble()));
  return ReadAnnotations(node, &p->annotations, error);
}

bool ReadBlendFactor(const KVValue* value, BlendFactor* out) {
  static const std::pair<const char*, BlendFactor> kFactors[] = {
      {"ZERO", BlendFactor::Zero},           {"ONE", BlendFactor::One},
      {"SRCCOLOR", BlendFactor::SrcColor},   {"INVSRCCOLOR", BlendFactor::InvSrcColor},
      {"SRCALPHA", BlendFactor::SrcAlpha},   {"INVSRCALPHA", BlendFactor::InvSrcAlpha},
      {"DESTALPHA", BlendFactor::DestAlpha}, {"INVDESTALPHA", BlendFactor::InvDestAlpha},
      {"DESTCOLOR", BlendFactor::DestColor}, {"INVDESTCOLOR", BlendFactor::InvDestColor}};
  std::string word = Keyword(value);
  for (const auto& [name, factor] : kFactors)
    if (word == name) {
      *out = factor;
      return true;
    }
  return false;
}

bool ReadPass(const KVNode& node, platform::EffectPassDesc* pass, std::string* error) {
  std::u16string name16;
  if (node.Read(u"NAME", name16)) pass->name = Utf8(name16);
  if (const KVNode* blend = node.GetChild(0, u"BLEND")) {
    std::string first = Keyword(blend->GetValue(0));
    if (first != "OFF") {
      pass->blend.enabled = true;
      if (!ReadBlendFactor(blend->GetValue(0), &pass->blend.src) ||
          !ReadBlendFactor(blend->GetValue(1), &pass->blend.dst))
        return Fail(error, "pass " + pass->name + ": BLEND needs OFF or two blend factors");
      if (blend->GetValue(2)) {
        static const std::pair<const char*, BlendOp> kOps[] = {{"ADD", BlendOp::Add},
                                                               {"SUBTRACT", BlendOp::Subtract},
                                                               {"REVSUBTRACT", BlendOp::RevSubtract},
                                                               {"MIN", BlendOp::Min},
                                                               {"MAX", BlendOp::Max}};
        std::string op = Keyword(blend->GetValue(2));
        bool known = false;
        for (const auto& [word, value] : kOps)
          if (op == word) {
            pass->blend.op = value;
            known = true;
          }
        if (!known) return Fail(error, "pass " + pass->name + ": unknown blend operation \"" + op + "\"");
      }
      // Optionally two more factors for alpha alone (with the same operation).
      if (blend->GetValue(3)) {
        pass->blend.separateAlpha = true;
        if (!ReadBlendFactor(blend->GetValue(3), &pass->blend.alphaSrc) ||
            !ReadBlendFactor(blend->GetValue(4), &pass->blend.alphaDst))
          return Fail(error, "pass " + pass->name + ": BLEND for alpha needs two blend factors");
      }
    }
  }
  if (const KVValue* layout = node.Find(u"LAYOUT")) {
    std::string word = Keyword(layout);
    if (word == "SPRITE")
      pass->layout = platform::EffectLayout::Sprite;
    else if (word != "POST")
      return Fail(error, "pass " + pass->name + ": unknown LAYOUT \"" + word + "\"");
  }
  pass->vertex = JoinedText(node, u"VERTEX");
  pass->fragment = JoinedText(node, u"FRAGMENT");
  return ReadAnnotations(node, &pass->annotations, error);
}

}  // namespace

bool ReadEffectDescription(const KVNode& root, platform::EffectDescription* out, std::string* error) {
  if (!out) return false;
  if (root.Name() != u"EFFECT") return Fail(error, "not an effect file (its root is not EFFECT)");
  platform::EffectDescription d;
  for (unsigned i = 0; const KVNode* node = root.GetChild(i, u"PARAM"); ++i) {
    platform::EffectParamDesc p;
    if (!ReadParam(*node, &p, error)) return false;
    d.params.push_back(std::move(p));
  }
  for (unsigned i = 0; const KVNode* node = root.GetChild(i, u"SAMPLER"); ++i) {
    platform::EffectSamplerDesc s;
    const KVValue* name = node->Find(u"NAME");
    if (!name) return Fail(error, "a SAMPLER has no NAME");
    s.name = Utf8(name->Text());
    if (const KVValue* filter = node->Find(u"FILTER")) {
      std::string word = Keyword(filter);
      if (word != "LINEAR" && word != "POINT") return Fail(error, "sampler " + s.name + ": unknown FILTER");
      s.linear = word == "LINEAR";
    }
    if (const KVValue* wrap = node->Find(u"WRAP")) {
      std::string word = Keyword(wrap);
      if (word != "CLAMP" && word != "REPEAT") return Fail(error, "sampler " + s.name + ": unknown WRAP");
      s.clamp = word == "CLAMP";
    }
    d.samplers.push_back(std::move(s));
  }
  for (unsigned i = 0; const KVNode* node = root.GetChild(i, u"COMMON"); ++i) {
    for (unsigned v = 0; v < node->GetValueCount(); ++v) d.common += Utf8(node->GetValue(v)->Text()) + "\n";
  }
  for (unsigned i = 0; const KVNode* node = root.GetChild(i, u"TECHNIQUE"); ++i) {
    platform::EffectTechniqueDesc t;
    std::u16string name;
    if (node->Read(u"NAME", name)) t.name = Utf8(name);
    if (!ReadAnnotations(*node, &t.annotations, error)) return false;
    for (unsigned k = 0; const KVNode* passNode = node->GetChild(k, u"PASS"); ++k) {
      platform::EffectPassDesc pass;
      if (!ReadPass(*passNode, &pass, error)) return false;
      t.passes.push_back(std::move(pass));
    }
    d.techniques.push_back(std::move(t));
  }
  *out = std::move(d);
  return true;
}
