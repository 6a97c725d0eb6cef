#include "KVPlatform/text.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Text, AnsiIsLosslessUtf8) {
  const std::wstring samples[] = {L"", L"plain", L"\u00E9t\u00E9 \u00AE", L"\u6570\u636E",
                                  L"\U0001F600 x"};
  for (const std::wstring& sample : samples) {
    SCOPED_TRACE(WideToAnsi(sample));
    EXPECT_EQ(AnsiToWide(WideToAnsi(sample)), sample);
  }
  EXPECT_EQ(WideToAnsi(L"\u00E9"), "\xC3\xA9");
}

TEST(Text, BadUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(AnsiToWide("a\xFF"
                       "b"),
            L"a\uFFFDb");
  EXPECT_EQ(AnsiToWide("\xC3"), L"\uFFFD");                      // cut short
  EXPECT_EQ(AnsiToWide("\xC0\xAF"), L"\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(AnsiToWide("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");  // a surrogate
  EXPECT_EQ(WideToAnsi(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}

TEST(Text, OemCodePageIsCp437) {
  std::string oem;
  EXPECT_TRUE(WideToOem(L"Stra\u00DFe \u00C7\u2591\u00A0", &oem));
  EXPECT_EQ(oem,
            "Stra\xE1"
            "e \x80\xB0\xFF");
  EXPECT_EQ(OemToWide(oem), L"Stra\u00DFe \u00C7\u2591\u00A0");
  EXPECT_FALSE(WideToOem(L"a\u20ACb", &oem));  // the euro sign is not in CP437
  EXPECT_EQ(oem, "a?b");
  EXPECT_TRUE(OemCanHold(L'\u00E9'));
  EXPECT_FALSE(OemCanHold(L'\u6570'));
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    std::string back;
    ASSERT_TRUE(WideToOem(OemToWide(one), &back)) << byte;
    ASSERT_EQ(back, one) << byte;
  }
}

TEST(Text, CaseFoldingIsUnicodeAware) {
  EXPECT_TRUE(EqualsNoCase(L"DataVersion.TXT", L"dataversion.txt"));
  EXPECT_TRUE(EqualsNoCase(L"\u00C9T\u00C9", L"\u00E9t\u00E9"));
  EXPECT_FALSE(EqualsNoCase(L"abc", L"abd"));
  EXPECT_FALSE(EqualsNoCase(L"abc", L"ab"));
}

TEST(Text, MessageArgumentsAreNeverReadAsFormats) {
  EXPECT_EQ(FormatMessageText(L"%s does not exist.", {L"C:\\100%s\\x"}),
            L"C:\\100%s\\x does not exist.");
  EXPECT_EQ(FormatMessageText(L"less than %d\nbut greater than %d", {100, -5}),
            L"less than 100\nbut greater than -5");
  EXPECT_EQ(FormatMessageText(L"100%% %s", {L"done"}), L"100% done");
  EXPECT_EQ(FormatMessageText(L"%s and %s", {L"one"}), L"one and %s");
  EXPECT_EQ(FormatMessageText(L"tail %", {}), L"tail %");
}

}  // namespace
}  // namespace kv
