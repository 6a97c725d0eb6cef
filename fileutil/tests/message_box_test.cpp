// KVMessageBox keeps its catalogue and its session list for the process, so each case
// runs in processes of its own (the helper program's "box" command).
#include "KVFileUtilities/message_box.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "child_process.h"
#include "data_path_fixture.h"

namespace {

using kv::fileutil::testing::RunChild;
using kv::testing::TempRoot;

constexpr char kKey[] = "Software\\Kestrel\\KVDNC";

std::string Catalogue(int extraLines = 0) {
  std::string lines;
  for (int i = 0; i < extraLines; ++i)
    lines += "<KtlMessageString msg=\"line " + std::to_string(i) + "\"/>";
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
         "<KtlMessages>\r\n"
         "  <KtlMessage>\r\n"
         "    <msgid>LOCKED</msgid>\r\n"
         "    <KtlMessageString msg=\"Grüße: the file is locked.\"/>\r\n"
         "    <KtlMessageString msg=\"Close it\\nthen\\tretry.\"/>\r\n"
         "  </KtlMessage>\r\n"
         "  <KtlMessage><msgid>locked</msgid><KtlMessageString msg=\"lower "
         "case\"/></KtlMessage>\r\n"
         "  <KtlMessage><msgid>EMPTY</msgid></KtlMessage>\r\n"
         "  <KtlMessage><msgid>LINES</msgid>" +
         lines +
         "</KtlMessage>\r\n"
         "</KtlMessages>\r\n";
}

std::string Utf16(const std::string& text) {
  const std::vector<uint8_t> units = kv::WideToUtf16Le(kv::AnsiToWide(text));
  return "\xFF\xFE" + std::string(units.begin(), units.end());
}

class MessageBoxTest : public kv::fileutil::testing::DataPathTest {
 protected:
  MessageBoxTest() {
    kv::RegKey product;
    if (!kv::RegKey::Create(kv::Hive::kLocalMachine, kv::AnsiToWide(kKey), kv::kKeyAllAccess,
                            &product)
             .ok() ||
        !product.SetValue(L"Install Path", kv::RegValue::String(L"C:\\Kestrel")).ok()) {
      throw std::runtime_error("cannot store the install path");
    }
    WriteIni("");
  }
  void WriteCatalogue(const std::string& bytes) const {
    TempRoot::WriteFile(root_.Drive(L'c') / "Kestrel" / "kvdesign" / "messages.xml", bytes);
  }
  // Runs the boxes in one process: each {id, mode, action}; the lines it printed.
  static std::vector<std::string> Boxes(const std::vector<std::vector<std::string>>& boxes) {
    std::vector<std::string> arguments;
    for (const auto& box : boxes) {
      arguments.insert(arguments.end(), {"box", kKey, box[0], box[1], box[2]});
    }
    const auto result = RunChild(arguments);
    EXPECT_EQ(result.status, 0);
    std::vector<std::string> lines;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // The text a box showed ("hidden" when none).
  static std::string TextOf(const std::string& line) {
    if (line.rfind("shown\t", 0) != 0) return line;
    return line.substr(6, line.find('\t', 6) - 6);
  }
  static std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    return fields;
  }
};

// Texts come from a catalogue in UTF-8 or in UTF-16 (read on the second attempt);
// identifiers match with regard to case, and without a text a box shows its identifier.
TEST_F(MessageBoxTest, TextsComeFromTheCatalogueInEitherEncoding) {
  struct Row {
    const char* name;
    std::string bytes;
    const char* locked;
  };
  const Row rows[] = {
      {"UTF-8", Catalogue(), "Grüße: the file is locked.\\nClose it\\nthen\\tretry."},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + Catalogue(),
       "Grüße: the file is locked.\\nClose it\\nthen\\tretry."},
      {"UTF-16", Utf16(Catalogue()), "Grüße: the file is locked.\\nClose it\\nthen\\tretry."},
      {"not XML", "<KtlMessages>", "LOCKED"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteCatalogue(row.bytes);
    const auto lines = Boxes({{"LOCKED", "session", "ok"},
                              {"locked", "session", "ok"},
                              {"EMPTY", "session", "ok"},
                              {"MISSING", "session", "ok"}});
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(TextOf(lines[0]), row.locked);
    EXPECT_EQ(TextOf(lines[1]), std::string(row.locked) == "LOCKED" ? "locked" : "lower case");
    EXPECT_EQ(TextOf(lines[2]), "EMPTY");
    EXPECT_EQ(TextOf(lines[3]), "MISSING");
  }
}

// Past four line feeds the dialog grows 16 pixels for each; the check box and OK move
// down with its bottom edge and the text stretches.
TEST_F(MessageBoxTest, TheDialogGrowsPastFourLineFeeds) {
  struct Row {
    int lines;
    int grownPixels;
    int grownUnits;
  };
  for (const Row& row : {Row{5, 0, 0}, Row{6, 16, 10}, Row{7, 32, 20}}) {
    SCOPED_TRACE(row.lines);
    WriteCatalogue(Catalogue(row.lines));
    const auto lines = Boxes({{"LINES", "persistent", "ok"}});
    ASSERT_EQ(lines.size(), 1u);
    const auto fields = Fields(lines[0]);
    ASSERT_EQ(fields.size(), 7u) << lines[0];
    EXPECT_EQ(std::stoi(fields[3]), 153 + row.grownPixels);  // 94 units
    EXPECT_EQ(std::stoi(fields[4]), 58 + row.grownUnits);    // the check box
    EXPECT_EQ(std::stoi(fields[5]), 73 + row.grownUnits);    // OK
    EXPECT_EQ(std::stoi(fields[6]), 41 + row.grownUnits);    // the text
  }
}

// Session suppression hides a message for the rest of the process in both modes (and
// only that identifier, case counting); persistent suppression is stored and hides it in
// later processes, in persistent mode only. Closing the window never suppresses.
TEST_F(MessageBoxTest, SuppressionForTheSessionAndForGood) {
  WriteCatalogue(Catalogue());
  const auto first = Boxes({
      {"LOCKED", "session", "check-ok"},       // shown, suppressed for the session
      {"LOCKED", "persistent", "ok"},          // hidden
      {"locked", "persistent", "ok"},          // another message: shown
      {"EMPTY", "persistent", "check-close"},  // shown, closed: not suppressed
      {"EMPTY", "persistent", "check-ok"},     // shown again, suppressed for good
      {"EMPTY", "persistent", "ok"},           // hidden
  });
  ASSERT_EQ(first.size(), 6u);
  EXPECT_EQ(Fields(first[0])[2], "Do not display this message again during this session.");
  EXPECT_EQ(first[1], "hidden");
  EXPECT_EQ(TextOf(first[2]), "lower case");
  EXPECT_EQ(Fields(first[3])[2], "Do not display this message again.");
  EXPECT_EQ(TextOf(first[4]), "EMPTY");
  EXPECT_EQ(first[5], "hidden");
  EXPECT_EQ(ReadIni(), "[Messages]\r\nEMPTY=1\r\n");

  const auto second = Boxes({
      {"LOCKED", "persistent", "ok"},  // the session's suppression is gone
      {"EMPTY", "session", "ok"},      // session mode does not read the file
      {"EMPTY", "persistent", "ok"},   // hidden for good
  });
  ASSERT_EQ(second.size(), 3u);
  EXPECT_EQ(TextOf(second[0]), "Grüße: the file is locked.\\nClose it\\nthen\\tretry.");
  EXPECT_EQ(TextOf(second[1]), "EMPTY");
  EXPECT_EQ(second[2], "hidden");
}

}  // namespace
