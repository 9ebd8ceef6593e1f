// Key/value documents for tests: fixture files kept as UTF-8 (as the content sources are)
// and inline texts given without their syntax header.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class KVNode;

// A UTF-8 file under tests/fixtures, parsed; null when it cannot be read.
std::unique_ptr<KVNode> LoadFixture(const std::string& relativePath);
// The body wrapped in the default syntax header and a root node named `root`.
std::unique_ptr<KVNode> ParseBody(std::u16string_view body, std::u16string_view root = u"ROOT");
