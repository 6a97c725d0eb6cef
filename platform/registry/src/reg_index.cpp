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
  size_t length = (lead & 0xE0) == 0xC0   ? 2
                  : (lead & 0xF0) == 0xE0 ? 3
                  : (lead & 0xF8) == 0xF0 ? 4
                                          : 0;
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

inline uint32_t Fold(uint32_t c) {
  if (c < 0x80) return c - 'a' < 26 ? c - 32 : c;
  return static_cast<uint32_t>(FoldCase(static_cast<wchar_t>(c)));
}

// FNV-1a over the folded characters; both spellings of a name (UTF-8 in the file, wide
// from a caller) give the same number.
constexpr uint64_t kHashStart = 0xCBF29CE484222325ull;
uint64_t Mix(uint64_t h, uint32_t c) { return (h ^ c) * 0x100000001B3ull; }

uint64_t HashName(std::string_view utf8) {
  uint64_t h = kHashStart;
  for (size_t i = 0; i < utf8.size();) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      h = Mix(h, Fold(c));
      ++i;
    } else {
      h = Mix(h, Fold(NextCodePoint(utf8, &i).value_or(0xFFFD)));
    }
  }
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

// Whether a value line (from its '"' or '@' on) names `folded`, read from its bytes
// without building the name.
bool LineNames(std::string_view line, std::wstring_view folded) {
  if (line[0] == '@') return folded.empty();
  size_t k = 0;
  size_t i = 1;
  while (i < line.size()) {
    uint32_t c = static_cast<unsigned char>(line[i]);
    if (c == '"') return k == folded.size();
    if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"')) {
      c = static_cast<unsigned char>(line[i + 1]);
      i += 2;
    } else if (c < 0x80) {
      ++i;
    } else {
      std::optional<uint32_t> decoded = NextCodePoint(line, &i);
      if (!decoded) return false;  // not UTF-8: a bad line, never a value
      c = *decoded;
    }
    if (k >= folded.size() || Fold(c) != static_cast<uint32_t>(folded[k++])) return false;
  }
  return false;
}

// LineNames for one name, most lines turned down by a few of their bytes: for a name of
// plain ASCII (the usual case) the name is compared as bytes, and a line whose name
// would need unescaping or decoding is handed to LineNames.
class NameMatcher {
 public:
  explicit NameMatcher(std::wstring_view folded) : folded_(folded) {
    for (wchar_t c : folded) {
      if (c >= 0x80 || c == L'"' || c == L'\\') {
        bytes_.clear();
        return;
      }
      bytes_ += static_cast<char>(c);
    }
    ascii_ = true;
  }

  bool Matches(std::string_view line) const {
    if (!ascii_ || line[0] == '@') return LineNames(line, folded_);
    const size_t n = bytes_.size();
    for (size_t i = 0; i < n; ++i) {
      if (1 + i >= line.size()) return false;
      auto c = static_cast<unsigned char>(line[1 + i]);
      if (c == '\\' || c >= 0x80) return LineNames(line, folded_);
      if (c == '"' || Fold(c) != static_cast<unsigned char>(bytes_[i])) return false;
    }
    if (1 + n >= line.size()) return false;
    if (line[1 + n] == '\\') return LineNames(line, folded_);
    return line[1 + n] == '"';
  }

 private:
  std::wstring_view folded_;
  std::string bytes_;
  bool ascii_ = false;
};

// A key is found by the hash of its whole path, folded: it follows from the names alone,
// so that the place of a key in the table is known before the keys above it are.
constexpr uint64_t kRootPath = 0x6A09E667F3BCC908ull;

uint64_t ChildPath(uint64_t parentPath, uint64_t nameHash) {
  uint64_t h = parentPath * 0x9E3779B97F4A7C15ull ^ nameHash;
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 33;
  return h;
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
    : hive_(hive),
      text_(std::move(file.text)),
      utf16_(file.utf16),
      keys_(std::make_shared<Keys>()) {
  keys_->nodes.emplace_back();  // the hive's root
  keys_->nodes.back().path = kRootPath;
  size_t bodyStart = 0;
  int bodyLine = 1;
  RegParseResult header = ReadRegHeader(text_, &bodyStart, &bodyLine);
  regedit4_ = header.regedit4;
  editable_ = header.hasHeader && !header.regedit4;

  // First what each usable key line names, with the path hash of each of its keys; then
  // the keys themselves. Key lines below one another usually share their first names:
  // those are matched by their bytes against the line before, and only the rest are
  // looked up in the table, whose places are known ahead (the path hashes), so that its
  // memory is fetched ahead too.
  // What phase one keeps of each key line, small, since it keeps one per line.
  struct Line {
    uint32_t start = 0, next = 0;
    uint32_t shared = kNone;  // keys shared with the usable key line before; kNone: unusable
    uint32_t count = 0;       // its other keys, the next `count` of `names`
  };
  struct Name {
    uint32_t offset, length;  // in text_
    uint64_t path;
  };
  std::vector<Line> keyLines;
  std::vector<Name> names;
  // Room for a key line in every 40 bytes, never moved while filled: pages not used are
  // never touched.
  keyLines.reserve(text_.size() / 40 + 16);
  names.reserve(text_.size() / 40 + 16);
  std::vector<std::string_view> previous;
  std::vector<uint64_t> previousPaths;
  KeyLine key;
  const std::string_view text(text_);
  for (size_t start = bodyStart, next; start < text.size(); start = next) {
    size_t end = text.find('\n', start);
    next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    size_t first = start;
    while (first < end && IsBlank(text[first])) ++first;
    if (first == end || text[first] != '[') continue;  // only key lines matter here
    std::string_view line = TrimLine(text.substr(start, end - start));
    if (!IsValidUtf8(line)) continue;  // a bad line, which ends nothing
    Line info{static_cast<uint32_t>(start), static_cast<uint32_t>(next)};
    if (ParseKeyLine(line, &key).empty() && KeyProblem(hive_, key.hive, key.remove).empty()) {
      size_t shared = 0;
      while (shared < key.components.size() && shared < previous.size() &&
             previous[shared] == key.components[shared]) {
        ++shared;
      }
      previous.resize(shared);
      previousPaths.resize(shared);
      uint64_t path = shared == 0 ? kRootPath : previousPaths.back();
      info.shared = static_cast<uint32_t>(shared);
      info.count = static_cast<uint32_t>(key.components.size() - shared);
      for (size_t depth = shared; depth < key.components.size(); ++depth) {
        path = ChildPath(path, HashName(key.components[depth]));
        names.push_back(Name{static_cast<uint32_t>(key.components[depth].data() - text_.data()),
                             static_cast<uint32_t>(key.components[depth].size()), path});
        previous.push_back(key.components[depth]);
        previousPaths.push_back(path);
      }
    }
    keyLines.push_back(info);
  }

  keys_->nodes.reserve(names.size() + 1);
  blocks_.reserve(keyLines.size());
  size_t slots = 64;
  while (slots < names.size() * 2) slots *= 2;
  keys_->slots.assign(slots, Slot());

  constexpr size_t kAhead = 8;
  std::vector<NodeId> stack;  // the keys of the usable key line before, by depth
  uint32_t open = kNone;
  size_t i = 0;  // the next of `names`
  for (const Line& line : keyLines) {
    if (open != kNone) blocks_[open].end = line.start;
    open = kNone;
    if (line.shared == kNone) continue;
    stack.resize(line.shared);
    NodeId node = line.shared == 0 ? kRoot : stack.back();
    for (const size_t end = i + line.count; i < end; ++i) {
      if (i + kAhead < names.size()) {
        __builtin_prefetch(&keys_->slots[names[i + kAhead].path & (keys_->slots.size() - 1)]);
      }
      const std::string_view name =
          std::string_view(text_).substr(names[i].offset, names[i].length);
      const uint64_t path = names[i].path;
      std::optional<NodeId> found =
          Probe(node, path, [&](NodeId child) { return SameName(name, NameBytes(child)); });
      node = found ? *found
                   : AddChild(node, name, path, static_cast<uint32_t>(blocks_.size()), line.next);
      stack.push_back(node);
    }
    blocks_.push_back(Block{line.next, static_cast<uint32_t>(text_.size()), kNone});
    open = static_cast<uint32_t>(blocks_.size() - 1);
    Node& owner = keys_->nodes[node];
    if (owner.lastBlock == kNone) {
      owner.firstBlock = open;
    } else {
      blocks_[owner.lastBlock].next = open;
    }
    owner.lastBlock = open;
  }
}

std::string_view HiveData::NameBytes(NodeId node) const {
  const Node& at = keys_->nodes[node];
  return std::string_view(text_).substr(blocks_[at.keyBlock].start - at.nameBack, at.nameLength);
}

HiveData::NodeId HiveData::AddChild(NodeId parent, std::string_view name, uint64_t path,
                                    uint32_t block, uint32_t blockStart) {
  if ((keys_->nodes.size() + 1) * 2 > keys_->slots.size()) Grow();
  Node child;
  child.parent = parent;
  child.keyBlock = block;
  child.nameBack = blockStart - static_cast<uint32_t>(name.data() - text_.data());
  child.nameLength = static_cast<uint32_t>(name.size());
  child.path = path;
  auto id = static_cast<NodeId>(keys_->nodes.size());
  keys_->nodes.push_back(child);
  Node& owner = keys_->nodes[parent];
  if (owner.lastChild == kNone) {
    owner.firstChild = id;
  } else {
    keys_->nodes[owner.lastChild].nextSibling = id;
  }
  owner.lastChild = id;
  Place(id);
  return id;
}

void HiveData::Place(NodeId id) {
  const uint64_t path = keys_->nodes[id].path;
  size_t slot = static_cast<size_t>(path) & (keys_->slots.size() - 1);
  while (keys_->slots[slot].node != kNone) slot = (slot + 1) & (keys_->slots.size() - 1);
  keys_->slots[slot] = Slot{id, static_cast<uint32_t>(path >> 32)};
}

void HiveData::Grow() {
  keys_->slots.assign(keys_->slots.size() * 2, Slot());
  for (NodeId id = 1; id < keys_->nodes.size(); ++id) Place(id);
}

template <typename Same>
std::optional<HiveData::NodeId> HiveData::Probe(NodeId parent, uint64_t path, Same same) const {
  const auto tag = static_cast<uint32_t>(path >> 32);
  for (size_t slot = static_cast<size_t>(path) & (keys_->slots.size() - 1);
       keys_->slots[slot].node != kNone; slot = (slot + 1) & (keys_->slots.size() - 1)) {
    if (keys_->slots[slot].tag != tag) continue;
    const NodeId id = keys_->slots[slot].node;
    if (keys_->nodes[id].parent == parent && keys_->nodes[id].path == path && same(id)) return id;
  }
  return std::nullopt;
}

std::optional<HiveData::NodeId> HiveData::FindChild(NodeId parent, std::wstring_view folded) const {
  return Probe(parent, ChildPath(keys_->nodes[parent].path, HashFolded(folded)),
               [&](NodeId child) { return EqualsFolded(NameBytes(child), folded); });
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
  for (uint32_t child = keys_->nodes[node].firstChild; child != kNone;
       child = keys_->nodes[child].nextSibling) {
    children.push_back(child);
  }
  return children;
}

bool HiveData::HasChildren(NodeId node) const { return keys_->nodes[node].firstChild != kNone; }

const std::vector<SubKey>& HiveData::SortedChildren(NodeId node) const {
  std::lock_guard<std::mutex> guard(valuesMutex_);
  auto& slot = children_[node];
  if (!slot) {
    auto sorted = std::make_unique<std::vector<SubKey>>();
    for (NodeId child : Children(node)) {
      SubKey key{Name(child), {}};
      key.folded = FoldCase(key.name);
      sorted->push_back(std::move(key));
    }
    std::sort(sorted->begin(), sorted->end(),
              [](const SubKey& a, const SubKey& b) { return a.folded < b.folded; });
    slot = std::move(sorted);
  }
  return *slot;
}

KeyPath HiveData::StoredPath(NodeId node) const {
  KeyPath path;
  for (NodeId at = node; at != kRoot; at = keys_->nodes[at].parent) path.push_back(Name(at));
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
  const std::string_view text(text_);
  std::optional<NameMatcher> matcher;
  if (folded != nullptr) matcher.emplace(*folded);
  for (uint32_t block = keys_->nodes[node].firstBlock; block != kNone;
       block = blocks_[block].next) {
    const size_t end = blocks_[block].end;
    size_t at = blocks_[block].start;
    while (at < end) {
      // Most lines are passed over by their first bytes alone.
      size_t lineEnd = text.find('\n', at);
      if (lineEnd == std::string_view::npos || lineEnd > end) lineEnd = end;
      size_t first = at;
      while (first < lineEnd && IsBlank(text[first])) ++first;
      const bool candidate =
          first < lineEnd && (text[first] == '"' || text[first] == '@') &&
          (folded == nullptr || matcher->Matches(text.substr(first, lineEnd - first)));
      if (!candidate) {
        at = lineEnd < end ? lineEnd + 1 : end;
        continue;
      }
      LineCursor lines(text, at, end);
      std::string_view line = TrimLine(lines.Next());
      ValueLine value;
      if (IsValidUtf8(line) && ParseValueLines(line, lines, regedit4_, &value.parsed).empty() &&
          (!value.parsed.value || IsValidValueName(value.parsed.name))) {
        value.start = at;
        value.end = lines.offset();
        each(value);
      }
      at = lines.offset();
    }
  }
}

std::optional<RegValue> HiveData::FindValue(NodeId node, std::wstring_view foldedName) const {
  {
    std::lock_guard<std::mutex> guard(valuesMutex_);
    if (values_.count(node) != 0 || ++asked_[node] > 1) {
      const KeptValues& kept = Kept(node);
      auto it = kept.byName.find(foldedName);
      if (it == kept.byName.end()) return std::nullopt;
      return kept.values[it->second].value;
    }
  }
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

const HiveData::KeptValues& HiveData::Kept(NodeId node) const {
  auto& slot = values_[node];
  if (!slot) {
    auto kept = std::make_unique<KeptValues>();
    kept->values = ParseValues(node);
    kept->byName.reserve(kept->values.size());
    for (size_t i = 0; i < kept->values.size(); ++i)
      kept->byName.emplace(kept->values[i].folded, i);
    slot = std::move(kept);
  }
  return *slot;
}

const std::vector<RegNamedValue>& HiveData::Values(NodeId node) const {
  std::lock_guard<std::mutex> guard(valuesMutex_);
  return Kept(node).values;
}

RegNode HiveData::Subtree(NodeId node) const {
  RegNode tree;
  if (node != kRoot) {
    tree.name = Name(node);
    tree.folded = FoldCase(tree.name);
  }
  for (RegNamedValue& value : ParseValues(node)) tree.AddValue(std::move(value));
  for (uint32_t child = keys_->nodes[node].firstChild; child != kNone;
       child = keys_->nodes[child].nextSibling) {
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

std::shared_ptr<const HiveData> HiveData::WithValue(NodeId node, std::wstring_view name,
                                                    const RegValue& value) const {
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
  if (current && *current->parsed.value == value) return nullptr;
  std::string valueLine;
  AppendValueLine(stored, value, &valueLine);
  if (current) return Spliced({Splice{current->start, current->end - current->start, valueLine}});
  if (uint32_t last = keys_->nodes[node].lastBlock; last != kNone) {
    // After the last line of the key's last key line that is not blank.
    size_t at = blocks_[last].start;
    LineCursor lines(text_, blocks_[last].start, blocks_[last].end);
    while (!lines.AtEnd()) {
      if (!TrimLine(lines.Next()).empty()) at = lines.offset();
    }
    // A last line without its line end gets one first.
    std::string added = at > 0 && text_[at - 1] != '\n' ? "\n" : "";
    added += valueLine;
    return Spliced({Splice{at, 0, std::move(added)}});
  }
  std::string out = text_;
  EndWithBlankLine(&out);
  AppendKeyLine(PathText(node), &out);
  out += valueLine;
  out += '\n';
  return std::make_shared<const HiveData>(hive_, RegFileText{std::move(out), false});
}

std::shared_ptr<const HiveData> HiveData::WithoutValue(NodeId node,
                                                       std::wstring_view foldedName) const {
  std::vector<Splice> splices;
  bool present = false;
  const std::wstring folded(foldedName);
  ForEachValueLine(node, &folded, [&](const ValueLine& line) {
    splices.push_back(Splice{line.start, line.end - line.start, {}});
    present = line.parsed.value.has_value();
  });
  return present ? Spliced(std::move(splices)) : nullptr;
}

std::shared_ptr<const HiveData> HiveData::WithKey(const KeyPath& path) const {
  NodeId node = kRoot;
  size_t depth = 0;
  for (; depth < path.size(); ++depth) {
    std::optional<NodeId> child = FindChild(node, FoldCase(path[depth]));
    if (!child) break;
    node = *child;
  }
  if (depth == path.size()) return nullptr;
  std::string out = text_;
  EndWithBlankLine(&out);
  std::wstring prefix = PathText(node);
  for (; depth < path.size(); ++depth) {
    prefix += L"\\" + path[depth];
    AppendKeyLine(prefix, &out);
    out += '\n';
  }
  return std::make_shared<const HiveData>(hive_, RegFileText{std::move(out), false});
}

std::shared_ptr<const HiveData> HiveData::Spliced(std::vector<Splice> splices) const {
  size_t size = text_.size();
  for (const Splice& splice : splices) size += splice.added.size() - splice.removed;
  std::string text;
  text.reserve(size);
  size_t copied = 0;
  for (const Splice& splice : splices) {
    text.append(text_, copied, splice.at - copied);
    text += splice.added;
    copied = splice.at + splice.removed;
  }
  text.append(text_, copied, std::string::npos);
  return std::shared_ptr<const HiveData>(new HiveData(*this, std::move(text), splices));
}

HiveData::HiveData(const HiveData& from, std::string text, const std::vector<Splice>& splices)
    : hive_(from.hive_),
      text_(std::move(text)),
      editable_(true),
      keys_(from.keys_),
      blocks_(from.blocks_) {
  // Offsets after a splice move by what it changed in length. A splice lies inside the
  // lines of one key: an end at the place of an insertion belongs to that key and moves,
  // a start there stays. Key lines do not change, so the keys are shared as they are
  // (their names are placed relative to the blocks).
  auto moved = [&splices](uint32_t offset, bool isEnd) {
    int64_t delta = 0;
    for (const Splice& splice : splices) {
      const size_t after = splice.at + splice.removed;
      if (offset > after || (offset == after && (splice.removed > 0 || isEnd))) {
        delta += static_cast<int64_t>(splice.added.size()) - static_cast<int64_t>(splice.removed);
      }
    }
    return static_cast<uint32_t>(offset + delta);
  };
  for (Block& block : blocks_) {
    block.start = moved(block.start, false);
    block.end = moved(block.end, true);
  }
}

}  // namespace kv::detail
