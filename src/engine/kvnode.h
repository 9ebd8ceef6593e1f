// The key/value text format shared by every data file, the configuration and the rosters:
// a tree of named nodes holding quoted text values and child nodes, with the syntax
// characters declared at the head of each text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class DataArchive;

// The five kinds of syntax character of one text.
struct KVSyntax {
  std::u16string separators;
  char16_t open = u'<';
  char16_t close = u'>';
  char16_t endMarker = u'\\';

  // Newline, blank and tab, with "<", ">" and a backslash.
  static KVSyntax Default();
  bool IsSeparator(char16_t c) const { return separators.find(c) != std::u16string::npos; }
  // Reads the header at the start of the text; pos ends where the root node starts.
  // Returns false when the text ends inside its header.
  static bool FromText(std::u16string_view text, KVSyntax& syntax, size_t& pos);
};

class KVValue {
 public:
  KVValue() = default;
  explicit KVValue(std::u16string text) : m_text(std::move(text)), m_quoted(true) {}
  explicit KVValue(const char16_t* text) : m_text(text ? text : u""), m_quoted(true) {}
  explicit KVValue(std::u16string_view text) : m_text(text), m_quoted(true) {}
  // "%x" (lower-case, two's complement for negatives) when hex is set, else "%d".
  KVValue(int value, bool hex);
  explicit KVValue(int value) : KVValue(value, false) {}
  // "%f"; values that are not finite are written as 0.000000 so they read back as numbers.
  explicit KVValue(double value);
  explicit KVValue(bool value);

  const std::u16string& Text() const { return m_text; }
  bool Quoted() const { return m_quoted; }
  int32_t AsInt() const;
  double AsDouble() const;
  bool AsBool() const { return AsInt() != 0; }

  // Reads one token from pos; pos ends after the token.
  void Parse(std::u16string_view text, size_t& pos, const KVSyntax& syntax);

 private:
  std::u16string m_text;
  bool m_quoted = false;
};

class KVNode {
 public:
  explicit KVNode(std::u16string name = u"") : m_name(std::move(name)) {}
  KVNode(const KVNode&) = delete;
  KVNode& operator=(const KVNode&) = delete;

  const std::u16string& Name() const { return m_name; }
  void SetName(std::u16string name) { m_name = std::move(name); }

  // Both append; the position argument exists for symmetry with the readers and is -1.
  KVValue* InsertValue(std::unique_ptr<KVValue> value, int position = -1);
  KVNode* InsertChild(std::unique_ptr<KVNode> child, int position = -1);

  // The index-th child whose name equals `name` exactly (every child when name is empty).
  KVNode* GetChild(unsigned index, std::u16string_view name) const;
  unsigned CountChildren(std::u16string_view name) const;
  unsigned GetValueCount() const { return unsigned(m_values.size()); }
  // The index-th value, or null when there are not that many.
  const KVValue* GetValue(unsigned index) const;
  const std::vector<std::unique_ptr<KVNode>>& Children() const { return m_children; }

  // Building helpers: a new child with that name, and values appended to this node.
  KVNode* AddChild(std::u16string name);
  template <class... V>
  KVNode* AddChildWith(std::u16string name, const V&... values) {
    KVNode* child = AddChild(std::move(name));
    (child->InsertValue(std::make_unique<KVValue>(values)), ...);
    return child;
  }
  void AddHex(int value) { InsertValue(std::make_unique<KVValue>(value, true)); }

  // Reading helpers: the index-th value of the first child named `key`. A missing key or
  // value leaves `out` unchanged and returns false, so readers keep their defaults.
  const KVValue* Find(std::u16string_view key, unsigned index = 0) const;
  bool Read(std::u16string_view key, int32_t& out, unsigned index = 0) const;
  bool Read(std::u16string_view key, double& out, unsigned index = 0) const;
  bool Read(std::u16string_view key, float& out, unsigned index = 0) const;
  bool Read(std::u16string_view key, bool& out, unsigned index = 0) const;
  bool Read(std::u16string_view key, std::u16string& out, unsigned index = 0) const;

  // Parses the node from pos (just after its open character, or the root's start).
  void Parse(std::u16string_view text, size_t& pos, const KVSyntax& syntax, int depth = 0);
  // Appends the node at the given depth in the writer's layout.
  void WriteUnicode(std::u16string& out, int depth) const;

 private:
  std::u16string m_name;
  // Declared before the values, so destruction frees the values first, then the children.
  std::vector<std::unique_ptr<KVNode>> m_children;
  std::vector<std::unique_ptr<KVValue>> m_values;
};

// Parses a whole text (header, then the root). A text that ends in its header gives an
// empty root.
std::unique_ptr<KVNode> ParseKVText(std::u16string_view text);
// Decodes file bytes: FF FE means UTF-16LE; otherwise each byte is one Windows-1252 unit.
// `textMode` applies the C runtime's text-mode reading to single-byte text (CR LF reads as
// LF, 0x1A ends the text).
std::u16string DecodeKVBytes(const uint8_t* bytes, size_t size, bool textMode);
// The whole document as the writer produces it (UTF-16 units, without the byte-order mark).
std::u16string WriteKVText(const KVNode& root);

std::unique_ptr<KVNode> LoadKVFile(std::u16string_view path);
// Without an archive this reads `name` from disk; with one, only from the archive.
std::unique_ptr<KVNode> LoadKVFromArchive(std::u16string_view name, const DataArchive* archive);
// Writes UTF-16LE with a byte-order mark through a temporary file; the previous file stays
// when the write fails. Returns whether the file was written.
bool SaveKVFile(std::u16string_view path, const KVNode& root, bool unicode = true);
