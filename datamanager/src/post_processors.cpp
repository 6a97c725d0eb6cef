// The post-processors of a product: the post folders in the data path, each described by
// its "postdesc.txt" and "KVPostCompileData.txt".
#include <algorithm>
#include <string>
#include <vector>

#include "KVPlatform/file_system.h"
#include "KVPlatform/text.h"
#include "path_table.h"
#include "registry_values.h"

namespace kv::datamanager {
namespace {

constexpr size_t kMaxPostFolderName = 8;

bool Exists(const std::wstring& path) {
  kv::FileStatus status;
  return kv::GetFileStatus(path, &status).ok();
}

bool StartsWithNoCase(const std::wstring& line, std::wstring_view key) {
  return line.size() >= key.size() &&
         kv::EqualsNoCase(std::wstring_view(line).substr(0, key.size()), key);
}

// The value of `key` in the compile data: the text after the key and its two-character
// separator (": ") of the last line that begins with the key; empty when there is none.
std::wstring CompileDataValue(const std::vector<std::wstring>& lines, std::wstring_view key) {
  std::wstring value;
  for (const std::wstring& line : lines) {
    if (!StartsWithNoCase(line, key)) continue;
    value = line.size() > key.size() + 2 ? line.substr(key.size() + 2) : std::wstring();
  }
  return value;
}

}  // namespace

void EnumeratePostProcessors(const std::wstring& key, const std::wstring& product,
                             std::vector<PostRecord>& records, int& count) {
  records.clear();
  count = 0;
  std::wstring dataPath;
  if (!ReadProductDataPath(key, dataPath)) return;
  const std::wstring productFolder = dataPath + product + L"/";
  for (const std::wstring& name : ListSubfolders(productFolder)) {
    const std::wstring folder = productFolder + name + L"/";
    if (name.size() > kMaxPostFolderName || !Exists(folder + L"dft.pst")) continue;
    PostRecord record;
    record.postName.Set(name);
    record.description.Set(name);
    std::vector<std::wstring> lines;
    if (ReadTextLines(folder + L"postdesc.txt", lines) && !lines.empty()) {
      record.description.Set(lines[0]);
    }
    if (ReadTextLines(folder + L"KVPostCompileData.txt", lines)) {
      struct Field {
        const wchar_t* key;
        void (*set)(PostRecord&, const std::wstring&);
      };
      static const Field kFields[] = {
          {L"Acad Version", [](PostRecord& r, const std::wstring& v) { r.acadVersion.Set(v); }},
          {L"Post Version", [](PostRecord& r, const std::wstring& v) { r.postVersion.Set(v); }},
          {L"Manufacturer", [](PostRecord& r, const std::wstring& v) { r.manufacturer.Set(v); }},
          {L"Model", [](PostRecord& r, const std::wstring& v) { r.model.Set(v); }},
          {L"Controller", [](PostRecord& r, const std::wstring& v) { r.controller.Set(v); }},
          {L"Compiled DateTime",
           [](PostRecord& r, const std::wstring& v) { r.compiledDateTime.Set(v); }},
      };
      for (const Field& field : kFields) {
        std::wstring value = CompileDataValue(lines, field.key);
        if (!value.empty()) field.set(record, value);
      }
    }
    records.push_back(record);
  }
  std::stable_sort(records.begin(), records.end(), [](const PostRecord& a, const PostRecord& b) {
    return a.description.Get() < b.description.Get();
  });
  count = static_cast<int>(records.size());
}

}  // namespace kv::datamanager
