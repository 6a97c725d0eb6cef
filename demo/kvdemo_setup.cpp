// kvdemo-setup: lays a believable KVDNC installation on a fresh root ($KESTREL_ROOT):
// the product's registry values, an install cache with a newer data version, and a
// data path holding an older version, an older post-processor, a stale compiled menu
// and files the user changed. Run KVDNC on it afterwards: the first start updates the
// data path, the second finds nothing newer.
//
//   KESTREL_ROOT=build/demo-root kvdemo-setup [--files N]
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "KVFileUtilities/path_utilities.h"
#include "KVFileUtilities/zip.h"
#include "KVPlatform/file_tasks.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/root.h"
#include "KVPlatform/text.h"

namespace {

constexpr const wchar_t* kProductKey = L"SOFTWARE\\Kestrel\\KVDNC";
constexpr const wchar_t* kInstallPath = L"C:\\Program Files\\Kestrel\\KVDNC\\";
constexpr const wchar_t* kCache = L"C:\\Program Files\\Kestrel\\KVDNC\\UserDataCache\\";
constexpr const wchar_t* kDataPath = L"C:\\Users\\Public\\Documents\\Kestrel\\KVDNC\\";

constexpr const wchar_t* kDatabaseKey = L"Software\\Kestrel\\PIECEbank\\2024";
constexpr const wchar_t* kOldDatabaseKey = L"Software\\Kestrel\\PIECEbank\\2007";
constexpr const wchar_t* kOldDatabase = L"C:\\Kestrel 2007\\PIECEbank\\";

int g_files = 0;

[[noreturn]] void Die(const std::string& what) {
  std::cerr << "kvdemo-setup: " << what << "\n";
  std::exit(1);
}

// Creates the folder that will hold `windowsPath`, every missing level of it.
void MakeParentFolder(const std::wstring& windowsPath) {
  const size_t slash = windowsPath.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return;
  const std::wstring folder = windowsPath.substr(0, slash + 1);
  if (!CreateFolder(folder.c_str())) Die("cannot create " + kv::WideToAnsi(folder));
}

void WriteFile(const std::wstring& windowsPath, const std::string& contents) {
  MakeParentFolder(windowsPath);
  if (!kv::WriteFileAtomically(windowsPath, contents).ok()) {
    Die("cannot write " + kv::WideToAnsi(windowsPath));
  }
  ++g_files;
}

// A .cuix menu archive: a zip file whose "header.cui" records the menu version.
void WriteMenuArchive(const std::wstring& windowsPath, const std::string& version) {
  MakeParentFolder(windowsPath);
  std::string header =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<CustSection xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\r\n"
      "  <FileVersion MajorVersion=\"0\" MinorVersion=\"7\" IncrementalVersion=\"0\" UserVersion=\"" +
      version + "\" />\r\n  <Header><CommonConfiguration /></Header>\r\n</CustSection>\r\n";
  std::string menus = "<MenuGroup Name=\"KVDESIGN\"><Ribbon Version=\"" + version + "\"/></MenuGroup>\r\n";
  HZIP zip = CreateZipZ(const_cast<wchar_t*>(windowsPath.c_str()), 0, ZIP_FILENAME);
  if (zip == nullptr) Die("cannot create " + kv::WideToAnsi(windowsPath));
  for (auto& [name, data] : {std::pair{L"header.cui", &header}, std::pair{L"MenuGroup.cui", &menus}}) {
    if (ZipAdd(zip, name, data->data(), static_cast<unsigned>(data->size()), ZIP_MEMORY) != HZ_OK) {
      Die("cannot write " + kv::WideToAnsi(windowsPath));
    }
  }
  if (CloseZipZ(zip) != HZ_OK) Die("cannot write " + kv::WideToAnsi(windowsPath));
  ++g_files;
}

void SetValue(kv::Hive hive, const wchar_t* name, const std::wstring& value) {
  if (!kv::WriteRegistryText(hive, kProductKey, name, value).ok()) {
    std::cerr << "kvdemo-setup: cannot write the registry value " << kv::WideToAnsi(name) << "\n";
    std::exit(1);
  }
}

std::string Repeat(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += line + std::to_string(i) + "\r\n";
  return text;
}

// A post-processor folder: what the update compares and copies.
void WritePost(const std::wstring& root, const std::wstring& name, int version,
               const std::string& origin) {
  const std::wstring folder = root + L"Post\\" + name + L"\\";
  WriteFile(folder + L"dft.pst", "; default parameters (" + origin + ")\r\n" + Repeat("PARAM ", 40));
  WriteFile(folder + L"KVPostCompileData.txt",
            "Post Name: " + std::string(name.begin(), name.end()) + "\r\nPost Version: " +
                std::to_string(version) + "\r\nCompiled By: Kestrel Post Builder\r\n");
  for (const char* fas : {"main.fas", "toolchange.fas", "cycles.fas", "output.fas"}) {
    WriteFile(folder + std::wstring(fas, fas + std::strlen(fas)),
              "FAS " + origin + " v" + std::to_string(version) + "\r\n" + Repeat("OP ", 200));
  }
  WriteFile(folder + name + L".pst", "post " + origin + " v" + std::to_string(version) + "\r\n");
  WriteFile(folder + L"KestrelPostDetail.man", "Post manual v" + std::to_string(version) + "\r\n");
  WriteFile(folder + L"postdesc.txt", "Post for " + std::string(name.begin(), name.end()) + "\r\n");
  for (int i = 0; i < 6; ++i) {
    WriteFile(folder + L"macros\\macro" + std::to_wstring(i) + L".mac", Repeat("G", 30));
  }
}

void WriteCache(int toolFiles) {
  const std::wstring c = kCache;
  WriteFile(c + L"DataVersion.txt", "2024.3.1\r\n");
  WriteFile(c + L"InfoCenter\\news.html", "<html><body>What's new in 2024.3</body></html>\r\n");
  WriteFile(c + L"Plot Styles\\monochrome.ctb", "ctb");
  WritePost(c, L"Fanuc 3-Axis Mill", 14, "cache");
  WritePost(c, L"Haas VF Mill", 7, "cache");
  WritePost(c, L"Heidenhain 5-Axis", 3, "cache");
  WritePost(c, L"Mazak Lathe", 2, "cache");
  WriteFile(c + L"Post\\README.txt", "Post-processors shipped with 2024.3\r\n");
  for (int i = 0; i < toolFiles; ++i) {
    WriteFile(c + L"Tools\\Library " + std::to_wstring(i % 8) + L"\\tool" + std::to_wstring(i) + L".tdb",
              Repeat("TOOL ", 60 + i % 50));
  }
  for (const char* material : {"Aluminium 6061", "Steel 1018", "Stainless 304", "Brass C360",
                               "Titanium Gr5", "Acetal"}) {
    WriteFile(c + L"Materials\\" + std::wstring(material, material + std::strlen(material)) + L".mat",
              Repeat("FEED ", 20));
  }
  WriteFile(c + L"kvcfg\\kestrel.ini", "[Units]\r\nLinear=inch\r\nPrecision=4\r\n");
  WriteFile(c + L"Jobs\\Samples\\bracket.nc", "%\r\nO1000 (BRACKET)\r\nG90 G54\r\nM30\r\n%\r\n");
  WriteFile(c + L"Jobs\\Samples\\flange.nc", "%\r\nO1001 (FLANGE)\r\nM30\r\n%\r\n");
  for (const char* bin : {"precmval.bin", "preceval.bin", "gapmval.bin", "gapeval.bin"}) {
    WriteFile(c + L"kvdesign\\kvdesign\\" + std::wstring(bin, bin + std::strlen(bin)),
              std::string(512, '\x5a'));
  }
  WriteMenuArchive(c + L"kvdesign\\win\\kvdesign.cuix", "24.3.1");
  WriteMenuArchive(c + L"kvdesign\\win\\kvdesignribbon2024.cuix", "24.3.0");
  WriteMenuArchive(c + L"kvdesign\\win\\kvdieribbon2024.cuix", "24.3.0");
}

void WriteDataPath() {
  const std::wstring d = kDataPath;
  WriteFile(d + L"DataVersion.txt", "2024.2.4\r\n");
  WritePost(d, L"Fanuc 3-Axis Mill", 12, "data");
  WritePost(d, L"Haas VF Mill", 7, "data");
  WritePost(d, L"Heidenhain 5-Axis", 4, "data");
  WriteFile(d + L"Post\\Fanuc 3-Axis Mill\\postdesc.txt", "Our shop's Fanuc, changed by Ann\r\n");
  WriteFile(d + L"kvcfg\\kestrel.ini", "[Units]\r\nLinear=mm\r\nPrecision=3\r\n; set by the user\r\n");
  WriteFile(d + L"kvdesign\\kvdesign\\precmval.bin", std::string(512, '\x11'));
  WriteFile(d + L"kvdesign\\kvdesign\\preceval.bin", std::string(512, '\x11'));
  WriteMenuArchive(d + L"kvdesign\\win\\kvdesign.cuix", "24.2.0");
  WriteFile(d + L"kvdesign\\win\\kvdesign.mnr", "compiled menu built from kvdesign.cuix 24.2.0");
  WriteMenuArchive(d + L"kvdesign\\win\\kvdesignribbon2024.cuix", "24.3.0");
}

// A database of release 2007, which the current release moves into its data path the
// first time it asks for its database root (kvdbroot shows that).
void WriteOldDatabase() {
  if (!kv::WriteRegistryText(kv::Hive::kCurrentUser, kDatabaseKey, L"Data Path", kDataPath).ok() ||
      !kv::WriteRegistryText(kv::Hive::kCurrentUser, kOldDatabaseKey, L"Database Path", kOldDatabase)
           .ok()) {
    std::cerr << "kvdemo-setup: cannot write the database registry values\n";
    std::exit(1);
  }
  const std::wstring old = kOldDatabase;
  WriteFile(old + L"material\\steel.mat", Repeat("grade 1018 density 7.87\r\n", 40));
  WriteFile(old + L"material\\aluminium.mat", Repeat("grade 6061 density 2.70\r\n", 40));
  for (int part = 1; part <= 12; ++part) {
    WriteFile(old + L"partlib\\brackets\\bracket" + std::to_wstring(part) + L".prt",
              Repeat("part geometry\r\n", 50 * part));
  }
  WriteFile(old + L"kvnest\\bin\\nest.cfg", "sheet 2500 x 1250\r\n");
  WriteFile(old + L"kvnest\\jobs\\job-0142\\job.nst", Repeat("nest record\r\n", 200));
  WriteFile(old + L"kvnest\\dbases\\sheets.db", Repeat("sheet stock\r\n", 300));
  WriteFile(old + L"kvnest\\reports\\job-0142.txt", "Job 0142: 14 parts on 2 sheets\r\n");
}

}  // namespace

int main(int argc, char** argv) {
  int toolFiles = 400;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--files") == 0 && i + 1 < argc) {
      toolFiles = std::atoi(argv[++i]);
    } else {
      std::cerr << "usage: KESTREL_ROOT=<fresh folder> kvdemo-setup [--files N]\n";
      return 2;
    }
  }
  const std::string root = kv::RootFolder();
  kv::RegKey existing;
  if (kv::RegKey::Open(kv::Hive::kLocalMachine, kProductKey, kv::kKeyQueryValue, &existing).ok()) {
    std::cerr << "kvdemo-setup: " << root << " already holds an installation; give it a fresh root\n";
    return 1;
  }
  if (!kv::MapDriveFolder(L'c').ok()) Die("cannot map drive C: under " + root);

  SetValue(kv::Hive::kLocalMachine, L"Install Path", kInstallPath);
  SetValue(kv::Hive::kCurrentUser, L"Data Path", kDataPath);
  WriteCache(toolFiles);
  WriteDataPath();
  WriteOldDatabase();

  auto ansi = [](const std::wstring& text) { return kv::WideToAnsi(text); };
  std::cout << "Demo installation laid under " << root << " (" << g_files << " files)\n"
            << "  HKLM\\" << ansi(kProductKey) << "  Install Path = " << ansi(kInstallPath) << "\n"
            << "  HKCU\\" << ansi(kProductKey) << "  Data Path    = " << ansi(kDataPath) << "\n"
            << "  install cache " << ansi(kCache) << "  data version 2024.3.1\n"
            << "  data path  data version 2024.2.4 (an older post, a changed kestrel.ini,\n"
            << "  two missing kvdesign files, an older menu archive and its compiled menu)\n"
            << "  a release-2007 database at " << ansi(kOldDatabase) << " (HKCU\\" << ansi(kOldDatabaseKey)
            << ")\n";
  return 0;
}
