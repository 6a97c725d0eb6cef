// Numbered file names: listing the names in use and finding the lowest free counter.
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVFileUtilities/numbered_names.h"
#include "temp_root.h"

namespace {

class NumberedNamesTest : public kv::testing::RootTest {
 protected:
  void Touch(const std::string& relative) {
    kv::testing::TempRoot::WriteFile(root_.Drive('c') / relative, "");
  }
  void Folder(const std::string& relative) {
    std::filesystem::create_directories(root_.Drive('c') / relative);
  }

  // Runs kvc_next_aval_flname on a copy of the template followed by guard characters.
  std::wstring NextName(const std::wstring& fileTemplate, int* result) {
    std::vector<wchar_t> buffer(fileTemplate.begin(), fileTemplate.end());
    buffer.push_back(L'\0');
    buffer.insert(buffer.end(), 8, L'#');
    *result = kvc_next_aval_flname(buffer.data());
    EXPECT_EQ(std::wstring(buffer.end() - 8, buffer.end()), L"########")
        << "written past the template";
    return buffer.data();
  }
};

TEST_F(NumberedNamesTest, LowestFreeCounter) {
  struct Row {
    const char* what;
    std::vector<std::string> files;
    std::wstring fileTemplate;
    int result;
    std::wstring name;
  } rows[] = {
      {"empty folder", {}, L"C:/jobs/NEST???.DAT", 1, L"C:/jobs/NEST001.DAT"},
      {"run of three",
       {"NEST001.DAT", "NEST002.DAT", "NEST003.DAT"},
       L"C:/jobs/NEST???.DAT",
       1,
       L"C:/jobs/NEST004.DAT"},
      {"gap",
       {"NEST001.DAT", "NEST002.DAT", "NEST004.DAT"},
       L"C:/jobs/NEST???.DAT",
       1,
       L"C:/jobs/NEST003.DAT"},
      {"lower-case names are taken",
       {"nest001.dat", "Nest002.Dat"},
       L"C:/jobs/NEST???.DAT",
       1,
       L"C:/jobs/NEST003.DAT"},
      {"lower-case template", {"NEST001.DAT"}, L"C:/jobs/nest???.dat", 1, L"C:/jobs/nest002.dat"},
      {"no digit at the first mark, longer name",
       {"NESTABC.DAT", "NEST0001.DAT"},
       L"C:/jobs/NEST???.DAT",
       1,
       L"C:/jobs/NEST001.DAT"},
      {"counter 0 is never offered as free",
       {"NEST000.DAT", "NEST001.DAT"},
       L"C:/jobs/NEST???.DAT",
       1,
       L"C:/jobs/NEST002.DAT"},
      {"digit only at the first mark",
       {"NEST1AB.DAT", "NEST001.DAT"},
       L"C:/jobs/NEST???.DAT",
       1,
       L"C:/jobs/NEST002.DAT"},
      {"a folder takes its name",
       {"NEST001.DAT/"},
       L"C:/jobs/NEST???.DAT",
       1,
       L"C:/jobs/NEST002.DAT"},
      {"all one-digit counters taken",
       {"A1.TXT", "A2.TXT", "A3.TXT", "A4.TXT", "A5.TXT", "A6.TXT", "A7.TXT", "A8.TXT", "A9.TXT"},
       L"C:/jobs/A?.TXT",
       0,
       L"C:/jobs/A?.TXT"},
      {"marks in the middle", {"P01X.NC", "P02X.NC"}, L"C:/jobs/P??X.NC", 1, L"C:/jobs/P03X.NC"},
      {"no slash", {"NEST001.DAT"}, L"C:\\jobs\\NEST???.DAT", 0, L"C:\\jobs\\NEST???.DAT"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::filesystem::remove_all(root_.Drive('c') / "jobs");
    Folder("jobs");
    for (const std::string& file : row.files) {
      if (file.back() == '/') {
        Folder("jobs/" + file);
      } else {
        Touch("jobs/" + file);
      }
    }
    int result = -1;
    EXPECT_EQ(NextName(row.fileTemplate, &result), row.name);
    EXPECT_EQ(result, row.result);
  }
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(NumberedNamesTest, FailedCallLeavesNoNamesBehind) {
  for (const char* file :
       {"A1.TXT", "A2.TXT", "A3.TXT", "A4.TXT", "A5.TXT", "A6.TXT", "A7.TXT", "A8.TXT", "A9.TXT"}) {
    Touch(std::string("one/") + file);
  }
  Folder("two");
  int result = -1;
  EXPECT_EQ(NextName(L"C:/one/A?.TXT", &result), L"C:/one/A?.TXT");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(NextName(L"C:/two/A?.TXT", &result), L"C:/two/A1.TXT");
  EXPECT_EQ(result, 1);
}

TEST_F(NumberedNamesTest, TemplatesWithoutMarksOrWithTooMany) {
  Folder("jobs");
  Touch("jobs/N00000000001.DAT");
  int result = -1;
  EXPECT_EQ(NextName(L"C:/jobs/N???????????.DAT", &result), L"C:/jobs/N???????????.DAT");
  EXPECT_EQ(result, 0);
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, L"Search for ? failed");

  ui_.Clear();
  EXPECT_EQ(NextName(L"C:/jobs/NEST.DAT", &result), L"C:/jobs/NEST.DAT");
  EXPECT_EQ(result, 0);
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, L"No ??? in the passed argument");
  EXPECT_EQ(ui_.Messages()[0].buttons, static_cast<unsigned>(kv::kMbOk));
}

TEST_F(NumberedNamesTest, SetNextName) {
  struct Row {
    std::wstring fileTemplate;
    int number;
    int result;
    std::wstring out;
  } rows[] = {
      {L"A??B", 7, 1, L"A07B"},
      {L"NEST???.DAT", 0, 1, L"NEST000.DAT"},
      {L"NEST???.DAT", 999, 1, L"NEST999.DAT"},
      {L"NEST???.DAT", 1000, 0, L"NEST???.DAT"},
      {L"NEST???.DAT", -1, 0, L"NEST???.DAT"},
      {L"X??????????", 2147483647, 1, L"X2147483647"},
      {L"NEST.DAT", 1, 0, L"NEST.DAT"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.fileTemplate.begin(), row.fileTemplate.end()) + " " +
                 std::to_string(row.number));
    std::wstring out(row.fileTemplate.size() + 1, L'#');
    out.push_back(L'#');
    EXPECT_EQ(kvc_set_next_name(row.fileTemplate.c_str(), out.data(), row.number), row.result);
    EXPECT_EQ(std::wstring(out.c_str()), row.out);
    EXPECT_EQ(out.back(), L'#');
  }
  EXPECT_TRUE(ui_.Messages().empty());
  wchar_t out[32];
  EXPECT_EQ(kvc_set_next_name(L"A???????????", out, 1), 0);
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, L"Search for ? failed");
}

TEST_F(NumberedNamesTest, BuildListAndFindWithCallersList) {
  Folder("jobs");
  for (const char* file : {"nest003.dat", "NEST001.DAT", "NESTX01.DAT", "NEST02.DAT"})
    Touch(std::string("jobs/") + file);
  KvcFileNameSlot* list = nullptr;
  int count = 0;
  kvc_build_flname_array(L"C:/jobs/NEST???.DAT", &list, &count);
  ASSERT_EQ(count, 2);
  std::vector<std::wstring> names = {list[1], list[2]};
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"NEST001.DAT", L"NEST003.DAT"}));

  // A second call adds to the caller's list.
  kvc_build_flname_array(L"C:/jobs/NEST???.DAT", &list, &count);
  EXPECT_EQ(count, 4);

  // Without `?` or `/` nothing changes.
  KvcFileNameSlot* before = list;
  kvc_build_flname_array(L"C:/jobs/NEST.DAT", &list, &count);
  kvc_build_flname_array(L"NEST???.DAT", &list, &count);
  EXPECT_EQ(list, before);
  EXPECT_EQ(count, 4);
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, L"No ??? in the passed argument");

  // Names out of order are never offered.
  std::wcscpy(list[1], L"NEST002.DAT");
  std::wcscpy(list[2], L"NEST001.DAT");
  wchar_t fileTemplate[] = L"C:/jobs/NEST???.DAT";
  EXPECT_EQ(kvc_find_next_flname(fileTemplate, list, 2), 1);
  EXPECT_STREQ(fileTemplate, L"C:/jobs/NEST003.DAT");
  wchar_t noSlash[] = L"NEST???.DAT";
  EXPECT_EQ(kvc_find_next_flname(noSlash, list, 2), 0);
  EXPECT_STREQ(noSlash, L"NEST???.DAT");
  std::free(list);
}

}  // namespace
