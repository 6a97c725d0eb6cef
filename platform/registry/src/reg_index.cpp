// The indexed text of a stored hive: the one-pass index of its keys, reads of values
// from their key's lines, and edits that touch only the lines they are about.
#include "reg_index.h"

#include <algorithm>

#include "KVPlatform/text.h"

namespace kv::detail {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The code point at s[*i] of valid UTF-8, moving past it; nullopt for a byte that does
// not start a well-formed sequence.
std::optional<uint32_t> NextCodePoint(std::string_view s, size_t* i) {
  auto lead = static_cast<unsigned char>(s[*i]);
  if (lead < 0x80) {
    ++*i;
    return lead;
  }
  size_t length = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
  if (length == 0 || *i + length > s.size()) return std::nullopt;
  uint32_t c = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    auto next = static_cast<unsigned char>(s[*i + k]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
  }
  *i += length;
  return c;
}

uint32_t Fold(uint32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
  return static_cast<uint32_t>(FoldCase(static_cast<wchar_t>(c)));
}

// FNV-1a over the folded characters; both spellings of a name (UTF-8 in the file, wide
// from a caller) give the same number.
constexpr uint64_t kHashStart = 0xCBF29CE484222325ull;
uint64_t Mix(uint64_t h, uint32_t c) { return (h ^ c) * 0x100000001B3ull; }

uint64_t HashName(std::string_view utf8) {
  uint64_t h = kHashStart;
  for (size_t i = 0; i < utf8.size();) h = Mix(h, Fold(NextCodePoint(utf8, &i).value_or(0xFFFD)));
  return h;
}

uint64_t HashFolded(std::wstring_view folded) {
  uint64_t h = kHashStart;
  for (wchar_t c : folded) h = Mix(h, static_cast<uint32_t>(c));
  return h;
}

bool EqualsFolded(std::string_view utf8, std::wstring_view folded) {
  size_t k = 0;
  for (size_t i = 0; i < utf8.size();) {
    std::optional<uint32_t> c = NextCodePoint(utf8, &i);
    if (!c || k >= folded.size() || Fold(*c) != static_cast<uint32_t>(folded[k++])) return false;
  }
  return k == folded.size();
}

// Two names in UTF-8 that are the same without regard to case.
bool SameName(std::string_view a, std::string_view b) {
  if (a == b) return true;
  size_t i = 0, k = 0;
  while (i < a.size() && k < b.size()) {
    std::optional<uint32_t> x = NextCodePoint(a, &i);
    std::optional<uint32_t> y = NextCodePoint(b, &k);
    if (!x || !y || Fold(*x) != Fold(*y)) return false;
  }
  return i == a.size() && k == b.size();
}

// Whether a value line (trimmed, starting with '"' or '@') names `folded`, read from its
// bytes without building the name.
bool LineNames(std::string_view line, std::wstring_view folded) {
  if (line[0] == '@') return folded.empty();
  size_t k = 0;
  size_t i = 1;
  while (i < line.size()) {
    uint32_t c = static_cast<unsigned char>(line[i]);
    if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"')) {
      c = static_cast<unsigned char>(line[i + 1]);
      i += 2;
    } else if (c == '"') {
      return k == folded.size();
    } else {
      std::optional<uint32_t> decoded = NextCodePoint(line, &i);
      if (!decoded) return false;  // not UTF-8: a bad line, never a value
      c = *decoded;
    }
    if (k >= folded.size() || Fold(c) != static_cast<uint32_t>(folded[k++])) return false;
  }
  return false;
}

size_t SlotHash(uint32_t parent, uint64_t hash) {
  uint64_t h = hash ^ (uint64_t{parent} * 0x9E3779B97F4A7C15ull);
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  return static_cast<size_t>(h);
}

// Why a usable key line of a hive file still does not belong in it; empty when it does.
std::wstring KeyProblem(Hive fileHive, Hive hive, bool remove) {
  if (hive != fileHive) {
    return L"a key of " + std::wstring(HiveName(hive)) + L" does not belong in the " +
           std::wstring(HiveName(fileHive)) + L" hive file";
  }
  if (remove) return L"a key deletion line [-...] does not belong in a hive file";
  return {};
}

// Builds a hive's tree from its file; keeps every line it cannot use.
class HiveSink : public RegTextSink {
 public:
  HiveSink(Hive hive, RegNode* root) : hive_(hive), root_(root), current_(root) {}

  std::wstring OnKey(Hive hive, const KeyPath& path, bool remove) override {
    if (std::wstring problem = KeyProblem(hive_, hive, remove); !problem.empty()) return problem;
    rawRun_ = false;
    current_ = CreateNode(*root_, path, nullptr);
    return {};
  }

  void OnValue(const std::wstring& name, const std::optional<RegValue>& value) override {
    rawRun_ = false;
    if (value) {
      current_->SetValue(name, *value);
    } else {
      current_->RemoveValue(FoldCase(name));
    }
  }

  // Kept lines are written back after the values of their key. Runs of them that were
  // apart in the file stay apart (a blank line between), so that a line ending in "\"
  // can never join a line that followed it only after the rewrite.
  void OnRaw(std::string_view line) override {
    if (!rawRun_ && !current_->rawLines.empty()) current_->rawLines.emplace_back();
    current_->rawLines.emplace_back(line);
    rawRun_ = true;
  }

  void OnBlank() override { rawRun_ = false; }

 private:
  bool rawRun_ = false;
  Hive hive_;
  RegNode* root_;
  RegNode* current_;
};

// Finds the problems of a hive file and nothing else.
class CheckSink : public RegTextSink {
 public:
  explicit CheckSink(Hive hive) : hive_(hive) {}
  std::wstring OnKey(Hive hive, const KeyPath&, bool remove) override {
    return KeyProblem(hive_, hive, remove);
  }
  void OnValue(const std::wstring&, const std::optional<RegValue>&) override {}
  void OnRaw(std::string_view) override {}

 private:
  Hive hive_;
};

// Ends `text` with a line end and a blank line, so that lines appended to it start a
// paragraph of their own.
void EndWithBlankLine(std::string* text) {
  if (text->empty()) return;
  if (text->back() != '\n') *text += '\n';
  const size_t end = text->size() - 1;  // the last line's LF
  size_t start = end == 0 ? std::string::npos : text->rfind('\n', end - 1);
  start = start == std::string::npos ? 0 : start + 1;
  if (!TrimLine(std::string_view(*text).substr(start, end - start)).empty()) *text += '\n';
}

}  // namespace

HiveData::HiveData(Hive hive, RegFileText file)
    : hive_(hive), text_(std::move(file.text)), utf16_(file.utf16) {
  nodes_.emplace_back();  // the hive's root
  slots_.assign(64, kNone);
  size_t bodyStart = 0;
  int bodyLine = 1;
  RegParseResult header = ReadRegHeader(text_, &bodyStart, &bodyLine);
  regedit4_ = header.regedit4;
  editable_ = header.hasHeader && !header.regedit4;

  // Key lines below one another usually share their first names: those are matched by
  // their bytes against the line before, and only the rest are looked up.
  std::vector<std::pair<std::string_view, NodeId>> previous;
  KeyLine key;
  uint32_t open = kNone;
  LineCursor lines(text_, bodyStart);
  while (!lines.AtEnd()) {
    const size_t start = lines.offset();
    std::string_view raw = lines.Next();
    size_t first = 0;
    while (first < raw.size() && IsBlank(raw[first])) ++first;
    if (first == raw.size() || raw[first] != '[') continue;
    std::string_view line = TrimLine(raw);
    if (!IsValidUtf8(line)) continue;  // a bad line, which ends nothing
    if (open != kNone) blocks_[open].end = start;
    open = kNone;
    if (!ParseKeyLine(line, &key).empty() || !KeyProblem(hive_, key.hive, key.remove).empty()) {
      continue;
    }
    NodeId node = kRoot;
    size_t depth = 0;
    while (depth < key.components.size() && depth < previous.size() &&
           previous[depth].first == key.components[depth]) {
      node = previous[depth++].second;
    }
    previous.resize(depth);
    for (; depth < key.components.size(); ++depth) {
      std::string_view name = key.components[depth];
      uint64_t hash = HashName(name);
      std::optional<NodeId> found;
      for (size_t slot = SlotHash(node, hash) & (slots_.size() - 1); slots_[slot] != kNone;
           slot = (slot + 1) & (slots_.size() - 1)) {
        const Node& candidate = nodes_[slots_[slot]];
        if (candidate.parent == node && candidate.hash == hash &&
            SameName(name, NameBytes(slots_[slot]))) {
          found = slots_[slot];
          break;
        }
      }
      node = found ? *found : AddChild(node, name);
      previous.emplace_back(name, node);
    }
    blocks_.push_back(Block{lines.offset(), text_.size(), kNone});
    open = static_cast<uint32_t>(blocks_.size() - 1);
    Node& owner = nodes_[node];
    if (owner.lastBlock == kNone) {
      owner.firstBlock = open;
    } else {
      blocks_[owner.lastBlock].next = open;
    }
    owner.lastBlock = open;
  }
}

std::string_view HiveData::NameBytes(NodeId node) const {
  return std::string_view(text_).substr(nodes_[node].nameStart, nodes_[node].nameLength);
}

HiveData::NodeId HiveData::AddChild(NodeId parent, std::string_view name) {
  if ((nodes_.size() + 1) * 2 > slots_.size()) Grow();
  Node child;
  child.parent = parent;
  child.nameStart = static_cast<size_t>(name.data() - text_.data());
  child.nameLength = name.size();
  child.hash = HashName(name);
  auto id = static_cast<NodeId>(nodes_.size());
  nodes_.push_back(child);
  Node& owner = nodes_[parent];
  if (owner.lastChild == kNone) {
    owner.firstChild = id;
  } else {
    nodes_[owner.lastChild].nextSibling = id;
  }
  owner.lastChild = id;
  size_t slot = SlotHash(parent, child.hash) & (slots_.size() - 1);
  while (slots_[slot] != kNone) slot = (slot + 1) & (slots_.size() - 1);
  slots_[slot] = id;
  return id;
}

void HiveData::Grow() {
  slots_.assign(slots_.size() * 2, kNone);
  for (NodeId id = 1; id < nodes_.size(); ++id) {
    size_t slot = SlotHash(nodes_[id].parent, nodes_[id].hash) & (slots_.size() - 1);
    while (slots_[slot] != kNone) slot = (slot + 1) & (slots_.size() - 1);
    slots_[slot] = id;
  }
}

std::optional<HiveData::NodeId> HiveData::FindChild(NodeId parent, std::wstring_view folded) const {
  uint64_t hash = HashFolded(folded);
  for (size_t slot = SlotHash(parent, hash) & (slots_.size() - 1); slots_[slot] != kNone;
       slot = (slot + 1) & (slots_.size() - 1)) {
    const Node& candidate = nodes_[slots_[slot]];
    if (candidate.parent == parent && candidate.hash == hash &&
        EqualsFolded(NameBytes(slots_[slot]), folded)) {
      return slots_[slot];
    }
  }
  return std::nullopt;
}

std::optional<HiveData::NodeId> HiveData::Find(const KeyPath& path) const {
  NodeId node = kRoot;
  for (const auto& component : path) {
    std::optional<NodeId> child = FindChild(node, FoldCase(component));
    if (!child) return std::nullopt;
    node = *child;
  }
  return node;
}

std::wstring HiveData::Name(NodeId node) const { return AnsiToWide(NameBytes(node)); }

std::vector<HiveData::NodeId> HiveData::Children(NodeId node) const {
  std::vector<NodeId> children;
  for (uint32_t child = nodes_[node].firstChild; child != kNone; child = nodes_[child].nextSibling) {
    children.push_back(child);
  }
  return children;
}

bool HiveData::HasChildren(NodeId node) const { return nodes_[node].firstChild != kNone; }

KeyPath HiveData::StoredPath(NodeId node) const {
  KeyPath path;
  for (NodeId at = node; at != kRoot; at = nodes_[at].parent) path.push_back(Name(at));
  std::reverse(path.begin(), path.end());
  return path;
}

std::wstring HiveData::PathText(NodeId node) const {
  std::wstring path(HiveName(hive_));
  for (const auto& name : StoredPath(node)) path += L"\\" + name;
  return path;
}

template <typename Each>
void HiveData::ForEachValueLine(NodeId node, const std::wstring* folded, Each each) const {
  for (uint32_t block = nodes_[node].firstBlock; block != kNone; block = blocks_[block].next) {
    LineCursor lines(text_, blocks_[block].start, blocks_[block].end);
    while (!lines.AtEnd()) {
      const size_t start = lines.offset();
      std::string_view line = TrimLine(lines.Next());
      if (line.empty() || (line[0] != '"' && line[0] != '@')) continue;
      if (folded != nullptr && !LineNames(line, *folded)) continue;
      if (!IsValidUtf8(line)) continue;
      ValueLine value;
      if (!ParseValueLines(line, lines, regedit4_, &value.parsed).empty()) continue;
      if (value.parsed.value && !IsValidValueName(value.parsed.name)) continue;
      value.start = start;
      value.end = lines.offset();
      each(value);
    }
  }
}

std::optional<RegValue> HiveData::FindValue(NodeId node, std::wstring_view foldedName) const {
  std::optional<RegValue> found;
  const std::wstring folded(foldedName);
  ForEachValueLine(node, &folded, [&](ValueLine& line) { found = std::move(line.parsed.value); });
  return found;
}

std::vector<RegNamedValue> HiveData::ParseValues(NodeId node) const {
  // Set and delete as the lines say, in order: a value keeps the place and spelling of
  // its first line; a deleted one is dropped (marked here, removed at the end).
  std::vector<RegNamedValue> values;
  std::vector<bool> deleted;
  std::unordered_map<std::wstring, size_t> at;
  ForEachValueLine(node, nullptr, [&](ValueLine& line) {
    std::wstring folded = FoldCase(line.parsed.name);
    auto it = at.find(folded);
    if (!line.parsed.value) {
      if (it != at.end()) {
        deleted[it->second] = true;
        at.erase(it);
      }
    } else if (it != at.end()) {
      values[it->second].value = std::move(*line.parsed.value);
    } else {
      at.emplace(folded, values.size());
      values.push_back(RegNamedValue{std::move(line.parsed.name), std::move(folded),
                                     std::move(*line.parsed.value)});
      deleted.push_back(false);
    }
  });
  size_t kept = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    if (deleted[i]) continue;
    if (kept != i) values[kept] = std::move(values[i]);
    ++kept;
  }
  values.resize(kept);
  return values;
}

const std::vector<RegNamedValue>& HiveData::Values(NodeId node) const {
  std::lock_guard<std::mutex> guard(valuesMutex_);
  auto& slot = values_[node];
  if (!slot) slot = std::make_unique<const std::vector<RegNamedValue>>(ParseValues(node));
  return *slot;
}

RegNode HiveData::Subtree(NodeId node) const {
  RegNode tree;
  if (node != kRoot) {
    tree.name = Name(node);
    tree.folded = FoldCase(tree.name);
  }
  for (RegNamedValue& value : ParseValues(node)) tree.AddValue(std::move(value));
  for (uint32_t child = nodes_[node].firstChild; child != kNone; child = nodes_[child].nextSibling) {
    tree.AddChild(std::make_unique<RegNode>(Subtree(child)));
  }
  return tree;
}

RegNode HiveData::Tree() const {
  RegNode root;
  if (text_.find_first_not_of(" \t\r\n") == std::string::npos) return root;
  HiveSink sink(hive_, &root);
  ParseRegText(text_, sink, utf16_);
  return root;
}

std::vector<RegImportError> HiveData::Problems() const {
  if (text_.find_first_not_of(" \t\r\n") == std::string::npos) return {};
  CheckSink sink(hive_);
  return ParseRegText(text_, sink, utf16_).errors;
}

std::string HiveData::WithValue(NodeId node, std::wstring_view name, const RegValue& value) const {
  // The line that holds the value now, and the spelling its name is stored with.
  std::optional<ValueLine> current;
  std::wstring stored(name);
  const std::wstring folded = FoldCase(name);
  ForEachValueLine(node, &folded, [&](ValueLine& line) {
    if (!line.parsed.value) {
      current.reset();
      return;
    }
    if (!current) stored = line.parsed.name;
    current = std::move(line);
  });
  std::string valueLine;
  AppendValueLine(stored, value, &valueLine);
  if (current) {
    return text_.substr(0, current->start) + valueLine + text_.substr(current->end);
  }
  if (uint32_t last = nodes_[node].lastBlock; last != kNone) {
    // After the last line of the key's last key line that is not blank.
    size_t at = blocks_[last].start;
    LineCursor lines(text_, blocks_[last].start, blocks_[last].end);
    while (!lines.AtEnd()) {
      if (!TrimLine(lines.Next()).empty()) at = lines.offset();
    }
    const bool lineEnd = at > 0 && text_[at - 1] != '\n';
    return text_.substr(0, at) + (lineEnd ? "\n" : "") + valueLine + text_.substr(at);
  }
  std::string out = text_;
  EndWithBlankLine(&out);
  AppendKeyLine(PathText(node), &out);
  out += valueLine;
  out += '\n';
  return out;
}

std::string HiveData::WithoutValue(NodeId node, std::wstring_view foldedName) const {
  std::string out;
  size_t copied = 0;
  const std::wstring folded(foldedName);
  ForEachValueLine(node, &folded, [&](const ValueLine& line) {
    out.append(text_, copied, line.start - copied);
    copied = line.end;
  });
  out.append(text_, copied, std::string::npos);
  return out;
}

std::string HiveData::WithKey(const KeyPath& path) const {
  NodeId node = kRoot;
  size_t depth = 0;
  for (; depth < path.size(); ++depth) {
    std::optional<NodeId> child = FindChild(node, FoldCase(path[depth]));
    if (!child) break;
    node = *child;
  }
  std::string out = text_;
  if (depth == path.size()) return out;
  EndWithBlankLine(&out);
  std::wstring prefix = PathText(node);
  for (; depth < path.size(); ++depth) {
    prefix += L"\\" + path[depth];
    AppendKeyLine(prefix, &out);
    out += '\n';
  }
  return out;
}

}  // namespace kv::detail
