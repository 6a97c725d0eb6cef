// kvdemo-setup: lays a believable KVDNC installation on a fresh root ($KESTREL_ROOT):
// the product's registry values, an install cache with a newer data version, and a
// data path holding an older version, an older post-processor, a stale compiled menu
// and files the user changed. Run KVDNC on it afterwards: the first start updates the
// data path, the second finds nothing newer. It also lays what the product path table
// reads (release 2024, posts with variable files, modules with version resources, INI
// keys, an add-in server, a command-manager tab, a few unusable paths), for kvpaths.
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
#include "KVVariableLibrary/kv_varlib.h"
#include "demo_modules.h"

namespace {

constexpr const wchar_t* kProductKey = L"SOFTWARE\\Kestrel\\KVDNC";
constexpr const wchar_t* kInstallPath = L"C:\\Program Files\\Kestrel\\KVDNC\\";
constexpr const wchar_t* kCache = L"C:\\Program Files\\Kestrel\\KVDNC\\UserDataCache\\";
constexpr const wchar_t* kDataPath = L"C:\\Users\\Public\\Documents\\Kestrel\\KVDNC\\";

constexpr const wchar_t* kReleaseKey = L"Software\\Kestrel\\R24.3";
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
      "  <FileVersion MajorVersion=\"0\" MinorVersion=\"7\" IncrementalVersion=\"0\" "
      "UserVersion=\"" +
      version + "\" />\r\n  <Header><CommonConfiguration /></Header>\r\n</CustSection>\r\n";
  std::string menus =
      "<MenuGroup Name=\"KVDESIGN\"><Ribbon Version=\"" + version + "\"/></MenuGroup>\r\n";
  HZIP zip = CreateZipZ(const_cast<wchar_t*>(windowsPath.c_str()), 0, ZIP_FILENAME);
  if (zip == nullptr) Die("cannot create " + kv::WideToAnsi(windowsPath));
  for (auto& [name, data] :
       {std::pair{L"header.cui", &header}, std::pair{L"MenuGroup.cui", &menus}}) {
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
  WriteFile(folder + L"dft.pst",
            "; default parameters (" + origin + ")\r\n" + Repeat("PARAM ", 40));
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
    WriteFile(
        c + L"Tools\\Library " + std::to_wstring(i % 8) + L"\\tool" + std::to_wstring(i) + L".tdb",
        Repeat("TOOL ", 60 + i % 50));
  }
  for (const char* material :
       {"Aluminium 6061", "Steel 1018", "Stainless 304", "Brass C360", "Titanium Gr5", "Acetal"}) {
    WriteFile(
        c + L"Materials\\" + std::wstring(material, material + std::strlen(material)) + L".mat",
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
  WriteFile(d + L"kvcfg\\kestrel.ini",
            "[Units]\r\nLinear=mm\r\nPrecision=3\r\n; set by the user\r\n");
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
      !kv::WriteRegistryText(kv::Hive::kCurrentUser, kOldDatabaseKey, L"Database Path",
                             kOldDatabase)
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

void MakeFolder(const std::wstring& windowsPath) {
  if (!CreateFolder(windowsPath.c_str())) Die("cannot create " + kv::WideToAnsi(windowsPath));
}

void SetText(kv::Hive hive, const std::wstring& key, const std::wstring& name,
             const std::wstring& value) {
  if (!kv::WriteRegistryText(hive, key, name, value).ok()) {
    Die("cannot write the registry value " + kv::WideToAnsi(key) + "\\" + kv::WideToAnsi(name));
  }
}

// A path variable of a post's variable file, as the paths dialog writes it.
void SetPathVariable(const std::wstring& post, const wchar_t* file, const wchar_t* type,
                     const wchar_t* name, const std::string& value) {
  kv_VarLib variables(post.c_str(), file, type, false);
  std::string field = value;
  field.resize(260, '\0');
  if (variables.SetVarBin(L"1", name, field.data(), 260) == 0) {
    Die("cannot write " + kv::WideToAnsi(post) + "\\" + kv::WideToAnsi(file));
  }
  ++g_files;
}

// A post-processor of a product as the path table finds it: "dft.pst", its description,
// its compile data, and the path variables of its variable files.
void WriteTablePost(const std::wstring& product, const std::wstring& name,
                    const std::string& description, const std::string& version,
                    const std::string& tools, const std::string& nc, bool setupToNc) {
  const std::wstring post = std::wstring(kDataPath) + product + L"\\" + name + L"\\";
  WriteFile(post + L"dft.pst", "; default parameters\r\n");
  WriteFile(post + name + L".pst",
            "(NCUNITS                  \"\" \"Units                         \" \"mm\" ()())\r\n"
            "(FEEDMAX                  \"\" \"Largest feed rate             \" 12000 ()())\r\n"
            "(AUTOINDEX                \"\" \"Index automatically           \" T ()())\r\n");
  WriteFile(post + L"postdesc.txt", description + "\r\n");
  WriteFile(post + L"KVPostCompileData.txt",
            "Acad Version: " + version + "\r\nPost Version: 5\r\nManufacturer: " + description +
                "\r\nCompiled DateTime: 2024-03-11 09:30\r\n");
  SetPathVariable(post, L"MPOST.bin", L"PSM", L"NCTOOLS", tools);
  SetPathVariable(post, L"CPOST.bin", L"PSC", L"NCPATH", nc);
  SetPathVariable(post, L"CPOST.bin", L"PSC", L"KVPB_AUTO_SETUP_PATH", "%MAINPATH%Setup Sheets");
  kv_VarLib variables(post.c_str(), L"CPOST.bin", L"PSC", false);
  if (variables.SetVar(L"1", L"KVPB_SETUP_TO_NC", setupToNc ? 1 : 0) == 0)
    Die("cannot write CPOST.bin");
}

// What the product path table of release 2024 reads, some of it unusable on purpose.
void WritePathTable() {
  const std::wstring d = kDataPath;
  const std::wstring install = kInstallPath;
  for (kv::Hive hive : {kv::Hive::kCurrentUser, kv::Hive::kLocalMachine}) {
    SetText(hive, kReleaseKey, L"Data Path", d);
  }
  SetText(kv::Hive::kLocalMachine, kProductKey, L"Data Path", d);
  SetText(kv::Hive::kLocalMachine, kReleaseKey, L"Install Path", install);

  // Modules with version resources; one damaged, which shows no version.
  const std::string product(std::begin(k_product_module), std::end(k_product_module));
  const std::string german(std::begin(k_german_module), std::end(k_german_module));
  for (const wchar_t* module :
       {L"common\\KVC_CommonLoader.arx", L"common\\KVC_Plot.arx", L"kvdesign\\kvdesign.arx",
        L"kvnest\\kvnest.arx", L"kvpunch\\kvpunch.arx", L"kvpbcom\\KVSWAddin.dll"}) {
    WriteFile(install + module, product);
  }
  WriteFile(install + L"kvprof\\kvprof.arx", german);
  WriteFile(install + L"kvwire\\kvwire.arx", product.substr(0, product.size() / 2));
  WriteFile(install + L"CommonVars.txt",
            "(NCUNITS                  \"\" \"Units                         \" \"mm\" ()())\r\n"
            "(TOOLCHANGE               \"\" \"Tool change time (s)          \" 4.5 ()())\r\n");
  WriteFile(install + L"Unneededvars.txt", "\"OLDVAR\"\r\n");

  // The add-in server of SolidWorks and a command-manager tab of the suite.
  SetText(kv::Hive::kLocalMachine,
          L"Software\\Classes\\CLSID\\{4DCBFE87-F9EA-4C37-AE82-BA63E9E14153}\\InprocServer32", L"",
          install + L"kvpbcom\\KVSWAddin.dll");
  SetText(kv::Hive::kCurrentUser,
          L"Software\\SolidWorks\\SOLIDWORKS 2019\\User Interface\\CommandManager\\PartContext\\12",
          L"RefName", L"KESTREL");

  // Posts: a good one, one whose tooling folder lacks "crib.dbf", a profile post whose
  // tooling folder is missing.
  WriteFile(d + L"KVPunch\\AMADA1\\tools\\crib.dbf", "tool crib\r\n");
  MakeFolder(d + L"NC\\");
  MakeFolder(d + L"Setup Sheets\\");
  MakeFolder(d + L"Tools\\Trumpf\\");
  WriteTablePost(L"KVPunch", L"AMADA1", "Amada EM 2510 punch", "2024", "%POSTPATH%/tools",
                 "%MAINPATH%NC", true);
  WriteTablePost(L"KVPunch", L"TRUMPF1", "Trumpf TruPunch 3000", "2024", "%MAINPATH%Tools\\Trumpf",
                 "%MAINPATH%NC", false);
  WriteTablePost(L"KVProf", L"LASER1", "Bystronic laser", "2023", "D:\\Profile Tools",
                 "%MAINPATH%NC", false);
  WriteFile(d + L"KVWire\\WIRE1\\dft.pst", "; default parameters\r\n");

  // The INI keys of the products, appended to the user's kestrel.ini.
  MakeFolder(d + L"Borders\\");
  for (const wchar_t* folder : {L"Requests", L"Releases", L"Responses", L"Layouts", L"Processed"}) {
    MakeFolder(d + L"Dispatcher\\" + folder + L"\\");
  }
  WriteFile(d + L"Templates\\kestrel.drwdot", "template");
  std::string ini;
  if (!kv::ReadFile(d + L"kvcfg\\kestrel.ini", &ini).ok()) Die("cannot read kestrel.ini");
  ini +=
      "[KVDesign]\r\nborder_path=%DATA%Borders\r\ndrawing_template=%DATA%Templates\\kestrel."
      "drwdot\r\n"
      "[KVNest]\r\ndxfdata=%DATA%NC\r\n"
      "[KVDispatcher]\r\nkvdispatcherdbpath=%DATA%Dispatcher\r\n"
      "kvdispatchernccodepath=%DATA%NC\r\n"
      "kvdispatcherrequestpath=%DATA%Dispatcher\\Requests\r\n"
      "kvdispatcherreleasepath=%DATA%Dispatcher\\Releases\r\n"
      "kvdispatcherresponsepath=%DATA%Dispatcher\\Responses\r\n"
      "kvdispatcherlayoutspath=%DATA%Dispatcher\\Layouts\r\n"
      "kvdispatcherproclayoutspath=%DATA%Dispatcher\\Processed\r\n"
      "kvdispatcherarchivepath=\\\\archive\\kestrel\r\n"
      "[KVWire]\r\nWIRE1_NCPATH=%DATA%NC\r\n";
  const std::string data = kv::WideToAnsi(d);
  for (size_t at; (at = ini.find("%DATA%")) != std::string::npos;) ini.replace(at, 6, data);
  WriteFile(d + L"kvcfg\\kestrel.ini", ini);
}

}  // namespace

// The message catalogue the suite's message boxes read their texts from.
void WriteMessageCatalogue() {
  WriteFile(std::wstring(kInstallPath) + L"kvdesign\\messages.xml",
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<KtlMessages>\r\n"
            "  <KtlMessage>\r\n"
            "    <msgid>DATA_UPDATED</msgid>\r\n"
            "    <KtlMessageString msg=\"Your data folder was brought up to date.\"/>\r\n"
            "    <KtlMessageString msg=\"Posts you changed were kept.\"/>\r\n"
            "  </KtlMessage>\r\n"
            "  <KtlMessage>\r\n"
            "    <msgid>POST_LOCKED</msgid>\r\n"
            "    <KtlMessageString msg=\"The post-processor is in use by another program.\"/>\r\n"
            "    <KtlMessageString msg=\"Close it, then try again.\"/>\r\n"
            "  </KtlMessage>\r\n"
            "</KtlMessages>\r\n");
}

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
    std::cerr << "kvdemo-setup: " << root
              << " already holds an installation; give it a fresh root\n";
    return 1;
  }
  if (!kv::MapDriveFolder(L'c').ok()) Die("cannot map drive C: under " + root);

  SetValue(kv::Hive::kLocalMachine, L"Install Path", kInstallPath);
  SetValue(kv::Hive::kCurrentUser, L"Data Path", kDataPath);
  WriteCache(toolFiles);
  WriteDataPath();
  WriteOldDatabase();
  WritePathTable();
  WriteMessageCatalogue();

  auto ansi = [](const std::wstring& text) { return kv::WideToAnsi(text); };
  std::cout
      << "Demo installation laid under " << root << " (" << g_files << " files)\n"
      << "  HKLM\\" << ansi(kProductKey) << "  Install Path = " << ansi(kInstallPath) << "\n"
      << "  HKCU\\" << ansi(kProductKey) << "  Data Path    = " << ansi(kDataPath) << "\n"
      << "  install cache " << ansi(kCache) << "  data version 2024.3.1\n"
      << "  data path  data version 2024.2.4 (an older post, a changed kestrel.ini,\n"
      << "  two missing kvdesign files, an older menu archive and its compiled menu)\n"
      << "  a release-2007 database at " << ansi(kOldDatabase) << " (HKCU\\"
      << ansi(kOldDatabaseKey) << ")\n"
      << "  release 2024 (" << ansi(kReleaseKey) << ") with the paths its products use: posts\n"
      << "  with variable files, modules with version resources, INI keys, an add-in server,\n"
      << "  a command-manager tab and a few unusable paths (see kvpaths)\n";
  return 0;
}
