// Windows path strings: parsing (pure) and resolution to host paths (looks at the disk).
#include "KVPlatform/path.h"

#include "kvhost/host_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cwctype>

#include "KVPlatform/root.h"
#include "KVPlatform/text.h"

namespace kv {
namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

void SplitComponents(std::wstring_view rest, std::vector<std::wstring>* components) {
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    std::wstring_view part = rest.substr(start, end - start);
    if (!part.empty() && part != L".") components->emplace_back(part);
    start = end + 1;
  }
}

bool Exists(const std::string& host) {
  struct stat info;
  return lstat(host.c_str(), &info) == 0;
}

bool IsDirectory(const std::string& host) {
  struct stat info;
  return stat(host.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Finds an entry of `folder` whose name equals `name` without regard to case.
bool FindNoCase(const std::string& folder, std::wstring_view name, std::string* found) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return false;
  bool hit = false;
  while (dirent* entry = readdir(dir)) {
    const std::wstring candidate = AnsiToWide(entry->d_name);
    if (EqualsNoCase(candidate, name)) {
      *found = entry->d_name;
      hit = true;
      break;
    }
  }
  closedir(dir);
  return hit;
}

std::string Join(const std::string& base, const std::string& name) {
  if (base.empty()) return name;
  if (base.back() == '/') return base + name;
  return base + "/" + name;
}

}  // namespace

WindowsPath ParseWindowsPath(std::wstring_view path) {
  WindowsPath parsed;
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':') {
    parsed.kind = PathKind::kDrive;
    parsed.drive = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(path[0])));
    parsed.absolute = true;
    SplitComponents(path.substr(2), &parsed.components);
    return parsed;
  }
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    parsed.kind = PathKind::kUnc;
    parsed.absolute = true;
    std::vector<std::wstring> parts;
    SplitComponents(path.substr(2), &parts);
    if (!parts.empty()) parsed.server = parts[0];
    if (parts.size() > 1) parsed.share = parts[1];
    if (parts.size() > 2) parsed.components.assign(parts.begin() + 2, parts.end());
    return parsed;
  }
  parsed.kind = PathKind::kHost;
  parsed.absolute = !path.empty() && IsSeparator(path[0]);
  SplitComponents(path, &parsed.components);
  return parsed;
}

bool IsAbsolutePath(std::wstring_view path) {
  const WindowsPath parsed = ParseWindowsPath(path);
  switch (parsed.kind) {
    case PathKind::kDrive: return true;
    case PathKind::kUnc: return !parsed.server.empty() && !parsed.share.empty();
    case PathKind::kHost: return parsed.absolute;
  }
  return false;
}

bool NamesRoot(std::wstring_view path) {
  const WindowsPath parsed = ParseWindowsPath(path);
  size_t depth = 0;
  for (const std::wstring& component : parsed.components) {
    if (component != L"..") {
      ++depth;
    } else if (depth > 0) {
      --depth;
    } else if (parsed.kind == PathKind::kHost && !parsed.absolute) {
      return false;  // a relative path above the working folder names some folder
    }
  }
  return depth == 0;
}

}  // namespace kv

namespace kv::host {

std::filesystem::path RootPath() { return std::filesystem::path(RootFolder()); }

std::filesystem::path RegistryFolder() { return RootPath() / "registry"; }

std::filesystem::path DriveFolder(wchar_t letter) {
  const char name[2] = {static_cast<char>(std::towlower(static_cast<wint_t>(letter))), '\0'};
  return RootPath() / "drives" / name;
}

namespace {

// `path` below `base` (both made canonical as far as they exist): the components in
// between, or false when it lies elsewhere.
bool Below(const std::filesystem::path& base, const std::filesystem::path& path,
           std::vector<std::string>* rest) {
  std::error_code error;
  const std::filesystem::path from = std::filesystem::weakly_canonical(base, error);
  if (error || from.empty()) return false;
  auto at = path.begin();
  for (const std::filesystem::path& part : from) {
    if (at == path.end() || *at != part) return false;
    ++at;
  }
  rest->clear();
  for (; at != path.end(); ++at) {
    if (!at->empty()) rest->push_back(at->string());
  }
  return true;
}

std::wstring WithComponents(std::wstring head, const std::vector<std::string>& rest) {
  for (size_t i = 0; i < rest.size(); ++i) {
    if (i > 0 || (head.back() != L'\\')) head += L'\\';
    head += AnsiToWide(rest[i]);
  }
  return head;
}

}  // namespace

std::wstring HostToWindowsPath(const std::filesystem::path& host) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::weakly_canonical(host, error);
  if (error) path = host.lexically_normal();
  std::vector<std::string> rest;
  for (wchar_t letter = L'a'; letter <= L'z'; ++letter) {
    const std::filesystem::path drive = DriveFolder(letter);
    if (!IsDirectory(drive.string())) continue;
    if (Below(drive, path, &rest)) {
      return WithComponents(std::wstring(1, static_cast<wchar_t>(letter - L'a' + L'A')) + L":\\",
                            rest);
    }
  }
  if (Below(RootPath() / "unc", path, &rest) && rest.size() >= 2) {
    std::wstring share = L"\\\\" + AnsiToWide(rest[0]) + L"\\" + AnsiToWide(rest[1]);
    rest.erase(rest.begin(), rest.begin() + 2);
    return WithComponents(std::move(share), rest);
  }
  return AnsiToWide(host.string());
}

Status ResolvePath(std::wstring_view path, std::filesystem::path* host) {
  if (path.empty()) return Status(kErrorPathNotFound);
  if (path.find(L'\0') != std::wstring_view::npos) return Status(kErrorInvalidName);
  const WindowsPath parsed = ParseWindowsPath(path);

  std::string base;
  std::vector<std::wstring> components;
  switch (parsed.kind) {
    case PathKind::kDrive:
      base = DriveFolder(parsed.drive).string();
      if (!IsDirectory(base)) return Status(kErrorPathNotFound);
      components = parsed.components;
      break;
    case PathKind::kUnc: {
      // A share exists only when its folder does, as a drive exists only when mapped.
      if (parsed.server.empty() || parsed.share.empty()) return Status(kErrorPathNotFound);
      base = (RootPath() / "unc").string();
      for (const std::wstring* part : {&parsed.server, &parsed.share}) {
        std::string name = WideToAnsi(*part);
        if (*part == L".." || (!Exists(Join(base, name)) && !FindNoCase(base, *part, &name))) {
          return Status(kErrorPathNotFound);
        }
        base = Join(base, name);
      }
      if (!IsDirectory(base)) return Status(kErrorPathNotFound);
      components = parsed.components;
      break;
    }
    case PathKind::kHost:
      base = parsed.absolute ? "/" : "";
      components = parsed.components;
      break;
  }

  // The drive or share folder is the floor that ".." never climbs above.
  const size_t floor = base.size();
  bool existing = true;
  for (const std::wstring& component : components) {
    if (component == L"..") {
      const size_t slash = base.find_last_of('/');
      const std::string last = slash == std::string::npos ? base : base.substr(slash + 1);
      if (base.size() > floor && last != "..") {
        base.resize(slash == std::string::npos ? 0 : std::max(slash, floor));
        if (base.empty() && parsed.absolute) base = "/";
      } else if (parsed.kind == PathKind::kHost && !parsed.absolute) {
        base = Join(base, "..");
      }
      continue;
    }
    std::string name = WideToAnsi(component);
    if (existing) {
      std::string candidate = Join(base, name);
      if (!Exists(candidate)) {
        std::string found;
        if (FindNoCase(base, component, &found)) {
          name = found;
        } else {
          existing = false;
        }
      }
    }
    base = Join(base, name);
  }
  *host = base.empty() ? std::filesystem::path(".") : std::filesystem::path(base);
  return Status::Ok();
}

}  // namespace kv::host
