// VersionInfo: a module's version resource read through the platform's file handles,
// and the VerQueryValue queries on it.
#include "KVPlatform/version.h"

#include "KVPlatform/file_handle.h"
#include "KVPlatform/text.h"
#include "version_parse.h"

namespace kv {
namespace {

class FileSource : public version::ByteSource {
 public:
  FileSource(FileHandle* file, uint64_t size) : file_(file), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t size) override {
    if (offset > size_ || size > size_ - offset) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    while (size > 0) {
      size_t got = 0;
      if (!file_->ReadAt(offset, out, size, &got).ok() || got == 0) return false;
      out += got;
      offset += got;
      size -= got;
    }
    return true;
  }

 private:
  FileHandle* file_;
  uint64_t size_;
};

}  // namespace

struct VersionInfo::Tree {
  version::Node root;
};

VersionInfo::VersionInfo() = default;
VersionInfo::~VersionInfo() = default;
VersionInfo::VersionInfo(VersionInfo&&) noexcept = default;
VersionInfo& VersionInfo::operator=(VersionInfo&&) noexcept = default;

namespace {

// The version tree of a module's bytes.
Status ReadTree(version::ByteSource& source, version::Node* root) {
  std::vector<uint8_t> block;
  if (Status s = version::FindVersionResource(source, &block); !s.ok()) return s;
  if (!version::ParseVersionBlock(block, root)) return Status(kErrorInvalidData);
  return Status::Ok();
}

}  // namespace

Status VersionInfo::Read(std::wstring_view path, VersionInfo* info) {
  info->tree_.reset();
  FileHandle file;
  HandleInfo described;
  if (Status s = FileHandle::OpenForReading(path, &file, &described); !s.ok()) return s;
  if (described.kind != HandleKind::kDiskFile) return Status(kErrorBadFormat);
  FileSource source(&file, described.size);
  auto tree = std::make_unique<Tree>();
  if (Status s = ReadTree(source, &tree->root); !s.ok()) return s;
  info->tree_ = std::move(tree);
  return Status::Ok();
}

Status VersionInfo::ReadFromMemory(const uint8_t* data, size_t size, VersionInfo* info) {
  info->tree_.reset();
  version::MemorySource source(data, data != nullptr ? size : 0);
  auto tree = std::make_unique<Tree>();
  if (Status s = ReadTree(source, &tree->root); !s.ok()) return s;
  info->tree_ = std::move(tree);
  return Status::Ok();
}

bool VersionInfo::HasVersion() const { return tree_ != nullptr; }

std::vector<VersionTranslation> VersionInfo::Translations() const {
  std::vector<VersionTranslation> pairs;
  std::vector<uint8_t> bytes;
  if (!QueryValue(L"\\VarFileInfo\\Translation", &bytes)) return pairs;
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    pairs.push_back({static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8)),
                     static_cast<uint16_t>(bytes[i + 2] | (bytes[i + 3] << 8))});
  }
  return pairs;
}

bool VersionInfo::QueryString(std::wstring_view subBlock, std::wstring* value) const {
  if (!tree_) return false;
  const version::Node* node = version::FindNode(tree_->root, subBlock);
  if (node == nullptr || node->type != 1) return false;
  std::wstring text = Utf16LeToWide(node->value.data(), node->value.size());
  size_t zero = text.find(L'\0');
  if (zero != std::wstring::npos) text.resize(zero);
  *value = std::move(text);
  return true;
}

bool VersionInfo::QueryValue(std::wstring_view subBlock, std::vector<uint8_t>* bytes) const {
  if (!tree_) return false;
  const version::Node* node = version::FindNode(tree_->root, subBlock);
  if (node == nullptr) return false;
  *bytes = node->value;
  return true;
}

}  // namespace kv
