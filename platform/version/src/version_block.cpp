// The VS_VERSIONINFO tree: each node is a length, a value length, a type, a UTF-16 key,
// padding to 32 bits, the value, padding, and child nodes up to the node's length. A
// node that claims more than its parent holds, a key without its terminator, or a
// binary value past the node's end makes the whole resource unreadable.
#include <cstdint>
#include <string>
#include <vector>

#include "KVPlatform/text.h"
#include "version_parse.h"

namespace kv::version {
namespace {

constexpr int kMaxDepth = 8;
constexpr size_t kMaxNodes = 20000;

size_t Align4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

class Parser {
 public:
  explicit Parser(const std::vector<uint8_t>& block) : b_(block) {}

  // Parses the node at `at` that must end by `limit`; *next is where the next sibling
  // may start.
  bool ParseNode(size_t at, size_t limit, int depth, Node* node, size_t* next) {
    if (depth > kMaxDepth || ++nodes_ > kMaxNodes) return false;
    if (at > limit || limit - at < 6) return false;
    const size_t length = U16(at);
    const size_t valueLength = U16(at + 2);
    node->type = U16(at + 4);
    if (length < 6 || length > limit - at) return false;
    const size_t end = at + length;
    size_t p = at + 6;
    node->key.clear();
    for (;;) {
      if (end - p < 2) return false;  // no terminator inside the node
      const uint16_t c = U16(p);
      p += 2;
      if (c == 0) break;
      node->key += static_cast<wchar_t>(c);
    }
    p = Align4(p);
    if (valueLength > 0) {
      size_t bytes = node->type == 1 ? valueLength * 2 : valueLength;
      if (p > end) return false;
      if (bytes > end - p) {
        // Some tools count a text's length in bytes, or include padding: a text is taken
        // up to the node's end, a binary value must fit.
        if (node->type != 1) return false;
        bytes = end - p;
      }
      node->value.assign(b_.begin() + static_cast<long>(p),
                         b_.begin() + static_cast<long>(p + bytes));
      p += bytes;
    }
    node->children.clear();
    p = Align4(p);
    while (p < end && end - p >= 6) {
      Node child;
      size_t after = 0;
      if (!ParseNode(p, end, depth + 1, &child, &after)) return false;
      node->children.push_back(std::move(child));
      p = Align4(after);
    }
    *next = end;
    return true;
  }

 private:
  uint16_t U16(size_t at) const { return static_cast<uint16_t>(b_[at] | (b_[at + 1] << 8)); }

  const std::vector<uint8_t>& b_;
  size_t nodes_ = 0;
};

}  // namespace

bool ParseVersionBlock(const std::vector<uint8_t>& block, Node* root) {
  Parser parser(block);
  size_t next = 0;
  if (!parser.ParseNode(0, block.size(), 0, root, &next)) return false;
  return root->key == L"VS_VERSION_INFO";
}

const Node* FindNode(const Node& root, std::wstring_view subBlock) {
  const Node* node = &root;
  size_t start = 0;
  while (start < subBlock.size()) {
    size_t end = subBlock.find(L'\\', start);
    if (end == std::wstring_view::npos) end = subBlock.size();
    std::wstring_view part = subBlock.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    const Node* found = nullptr;
    for (const Node& child : node->children) {
      if (EqualsNoCase(child.key, part)) {
        found = &child;
        break;
      }
    }
    if (found == nullptr) return nullptr;
    node = found;
  }
  return node;
}

}  // namespace kv::version
