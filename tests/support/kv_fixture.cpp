#include "support/kv_fixture.h"

#include <fstream>
#include <sstream>

#include "engine/kvnode.h"
#include "platform/text.h"

std::unique_ptr<KVNode> LoadFixture(const std::string& relativePath) {
  std::ifstream in(std::string(KRUMBOLT_FIXTURES) + "/" + relativePath, std::ios::binary);
  if (!in) return nullptr;
  std::stringstream bytes;
  bytes << in.rdbuf();
  return ParseKVText(platform::Utf8ToU16(bytes.str()));
}

std::unique_ptr<KVNode> ParseBody(std::u16string_view body, std::u16string_view root) {
  std::u16string text = u"<>\n \t<\\>\n<";
  text.append(root).append(u">\n").append(body).append(u"\n<\\").append(root).append(u">\n");
  return ParseKVText(text);
}
