#include "engine/kvnode.h"

#include <cerrno>
#include <cstring>

#include <cmath>

#include "engine/contentlimits.h"
#include "engine/dataarchive.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {
// Deeper nesting than any real file has; beyond it tags are read as plain content so that
// a hostile text cannot exhaust the stack.
constexpr int kMaxDepth = 200;
}  // namespace

KVSyntax KVSyntax::Default() {
  KVSyntax s;
  for (char16_t c : {u'\n', u' ', u'\t'})
    if (!s.IsSeparator(c)) s.separators.push_back(c);
  return s;
}

bool KVSyntax::FromText(std::u16string_view text, KVSyntax& syntax, size_t& pos) {
  syntax = KVSyntax();
  if (text.size() < 2) return false;
  syntax.open = text[0];
  syntax.close = text[1];
  pos = 2;
  while (pos < text.size() && text[pos] != syntax.open) syntax.separators.push_back(text[pos++]);
  if (pos >= text.size()) return false;
  ++pos;
  while (pos < text.size() && syntax.IsSeparator(text[pos])) ++pos;
  if (pos >= text.size()) return false;
  if (text[pos] != syntax.close) syntax.endMarker = text[pos];
  while (pos < text.size() && text[pos] != syntax.close) ++pos;
  if (pos >= text.size()) return false;
  ++pos;                         // the close character
  if (pos < text.size()) ++pos;  // the line end after the header
  return true;
}

KVValue::KVValue(int value, bool hex)
    : m_text(platform::FormatW(hex ? u"%x" : u"%d", value)), m_quoted(true) {}

KVValue::KVValue(double value)
    : m_text(platform::FormatW(u"%f", std::isfinite(value) ? value : 0.0)), m_quoted(true) {}

KVValue::KVValue(bool value) : m_text(value ? u"1" : u"0"), m_quoted(true) {}

int32_t KVValue::AsInt() const { return platform::WToI(m_text); }

double KVValue::AsDouble() const { return platform::WToF(m_text); }

void KVValue::Parse(std::u16string_view text, size_t& pos, const KVSyntax& syntax) {
  bool inside = false;
  while (pos < text.size()) {
    char16_t c = text[pos];
    if (c == u'"') {
      inside = !inside;
      m_quoted = true;
      ++pos;
      continue;
    }
    if (inside) {
      m_text.push_back(c);
      ++pos;
      continue;
    }
    if (c == syntax.open || c == syntax.close) return;
    if (syntax.IsSeparator(c)) {
      ++pos;
      return;
    }
    m_text.push_back(c);
    ++pos;
  }
}

KVValue* KVNode::InsertValue(std::unique_ptr<KVValue> value, int) {
  m_values.push_back(std::move(value));
  return m_values.back().get();
}

KVNode* KVNode::InsertChild(std::unique_ptr<KVNode> child, int) {
  m_children.push_back(std::move(child));
  return m_children.back().get();
}

KVNode* KVNode::GetChild(unsigned index, std::u16string_view name) const {
  for (const auto& child : m_children) {
    if (!name.empty() && child->m_name != name) continue;
    if (index == 0) return child.get();
    --index;
  }
  return nullptr;
}

unsigned KVNode::CountChildren(std::u16string_view name) const {
  unsigned n = 0;
  for (const auto& child : m_children)
    if (name.empty() || child->m_name == name) ++n;
  return n;
}

const KVValue* KVNode::GetValue(unsigned index) const {
  return index < m_values.size() ? m_values[index].get() : nullptr;
}

KVNode* KVNode::AddChild(std::u16string name) {
  return InsertChild(std::make_unique<KVNode>(std::move(name)));
}

const KVValue* KVNode::Find(std::u16string_view key, unsigned index) const {
  const KVNode* child = GetChild(0, key);
  return child ? child->GetValue(index) : nullptr;
}

bool KVNode::Read(std::u16string_view key, int32_t& out, unsigned index) const {
  const KVValue* v = Find(key, index);
  if (v) out = v->AsInt();
  return v != nullptr;
}

bool KVNode::Read(std::u16string_view key, double& out, unsigned index) const {
  const KVValue* v = Find(key, index);
  if (v) out = v->AsDouble();
  return v != nullptr;
}

bool KVNode::Read(std::u16string_view key, float& out, unsigned index) const {
  const KVValue* v = Find(key, index);
  if (v) out = float(v->AsDouble());
  return v != nullptr;
}

bool KVNode::Read(std::u16string_view key, bool& out, unsigned index) const {
  const KVValue* v = Find(key, index);
  if (v) out = v->AsBool();
  return v != nullptr;
}

bool KVNode::Read(std::u16string_view key, std::u16string& out, unsigned index) const {
  const KVValue* v = Find(key, index);
  if (v) out = v->Text();
  return v != nullptr;
}

void KVNode::Parse(std::u16string_view text, size_t& pos, const KVSyntax& syntax, int depth) {
  while (pos < text.size() && text[pos] != syntax.close) {
    if (text[pos] != syntax.open) m_name.push_back(text[pos]);
    ++pos;
  }
  if (pos >= text.size()) return;
  ++pos;
  while (pos < text.size()) {
    char16_t c = text[pos];
    if (c == syntax.open) {
      ++pos;
      if (pos >= text.size()) return;
      if (text[pos] == syntax.endMarker) {
        ++pos;
        size_t k = 0;
        while (pos < text.size()) {
          if (text[pos] == syntax.close) {
            ++pos;
            return;
          }
          if (k >= m_name.size() || text[pos] != m_name[k]) return;
          ++pos;
          ++k;
        }
        return;
      }
      if (depth >= kMaxDepth) continue;
      auto child = std::make_unique<KVNode>();
      child->Parse(text, pos, syntax, depth + 1);
      m_children.push_back(std::move(child));
      continue;
    }
    if (syntax.IsSeparator(c) || c == syntax.close) {
      // A stray close character among the content is skipped like a separator.
      ++pos;
      continue;
    }
    auto value = std::make_unique<KVValue>();
    value->Parse(text, pos, syntax);
    if (value->Quoted()) m_values.push_back(std::move(value));
  }
}

namespace {

// Text the writer cannot represent: a value cannot hold a double quote, and a name cannot
// hold the open or close character or start with the end marker. Blanks, tabs and line ends
// are part of a name and read back as they stand.
std::u16string CleanValue(const std::u16string& text) {
  std::u16string out = text;
  for (auto& c : out)
    if (c == u'"') c = u'\'';
  return out;
}

std::u16string CleanName(const std::u16string& name) {
  std::u16string out;
  for (char16_t c : name) {
    if (c == u'<' || c == u'>') continue;
    if (out.empty() && c == u'\\') continue;
    out.push_back(c);
  }
  return out;
}

}  // namespace

void KVNode::WriteUnicode(std::u16string& out, int depth) const {
  const std::u16string name = CleanName(m_name);
  const bool hasChildren = !m_children.empty();
  out.append(size_t(depth), u'\t');
  out += u'<';
  out += name;
  out += u'>';
  out += hasChildren ? u'\n' : u' ';
  if (hasChildren && !m_values.empty()) out.append(size_t(depth), u'\t');
  for (size_t i = 0; i < m_values.size(); ++i) {
    out += u'"';
    out += CleanValue(m_values[i]->Text());
    out += u'"';
    bool last = i + 1 == m_values.size();
    out += (last && hasChildren) ? u'\n' : u' ';
  }
  for (const auto& child : m_children) {
    child->WriteUnicode(out, depth + 1);
    out += u'\n';
  }
  if (hasChildren) out.append(size_t(depth), u'\t');
  out += u"<\\";
  out += name;
  out += u'>';
}

std::unique_ptr<KVNode> ParseKVText(std::u16string_view text) {
  auto root = std::make_unique<KVNode>();
  KVSyntax syntax;
  size_t pos = 0;
  if (!KVSyntax::FromText(text, syntax, pos)) return root;
  root->Parse(text, pos, syntax);
  return root;
}

std::u16string DecodeKVBytes(const uint8_t* bytes, size_t size, bool textMode) {
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return platform::Utf16LEToU16(bytes + 2, size - 2);
  std::u16string out;
  out.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    uint8_t b = bytes[i];
    if (textMode) {
      if (b == 0x1A) break;
      if (b == '\r' && i + 1 < size && bytes[i + 1] == '\n') continue;
    }
    out.push_back(platform::Cp1252ToUnit(b));
  }
  return out;
}

std::u16string WriteKVText(const KVNode& root) {
  std::u16string out = u"<>\n \t<\\>\n";
  root.WriteUnicode(out, 0);
  return out;
}

namespace {

// A document whose header cannot be read is said once.
std::unique_ptr<KVNode> ParseDocument(std::u16string_view name, const std::vector<uint8_t>& bytes, bool textMode) {
  const std::u16string text = DecodeKVBytes(bytes.data(), bytes.size(), textMode);
  KVSyntax syntax;
  size_t pos = 0;
  // Such a text still gives its empty root, as ParseKVText does.
  if (!KVSyntax::FromText(text, syntax, pos)) content::ReportFault(name, "no key/value header");
  return ParseKVText(text);
}

}  // namespace

std::unique_ptr<KVNode> LoadKVFile(std::u16string_view path) {
  std::string error;
  auto bytes = platform::ReadFile(path, content::kMaxDocumentBytes, &error);
  if (!bytes) {
    // A missing file is an answer, not a fault: callers try names that may not be there.
    if (error != std::strerror(ENOENT)) content::ReportFault(path, error);
    return nullptr;
  }
  return ParseDocument(path, *bytes, true);
}

std::unique_ptr<KVNode> LoadKVFromArchive(std::u16string_view name, const DataArchive* archive) {
  if (!archive) return LoadKVFile(name);
  auto entry = archive->Find(name);
  if (!entry) return nullptr;
  if (entry->size > content::kMaxDocumentBytes) {
    content::ReportFault(name, "the entry is larger than " + std::to_string(content::kMaxDocumentBytes) + " bytes");
    return nullptr;
  }
  auto bytes = archive->Read(*entry, content::kMaxDocumentBytes);
  if (!bytes) {
    content::ReportFault(name, "the archive could not be read");
    return nullptr;
  }
  return ParseDocument(name, *bytes, false);
}

bool SaveKVFile(std::u16string_view path, const KVNode& root, bool) {
  return platform::WriteFileAtomic(path, platform::U16ToUtf16LE(WriteKVText(root), true));
}
