// Text conversion: UTF-8 as the ANSI code page, CP437 as the OEM code page, Windows
// case folding, and message texts filled with arguments.
#include "KVPlatform/text.h"

#include <locale.h>
#include <clocale>
#include <cwctype>

namespace kv {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// The upper half of CP437 (bytes 0x80-0xFF); the lower half is ASCII.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

int OemByte(wchar_t c) {
  if (c >= 0 && c < 0x80) return static_cast<int>(c);
  for (int i = 0; i < 128; ++i) {
    if (static_cast<wchar_t>(kCp437High[i]) == c) return 0x80 + i;
  }
  return -1;
}

bool IsScalarValue(uint32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

bool IsSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// With `keepSurrogates`, a surrogate takes the three bytes UTF-8 would give its value.
void AppendUtf8(uint32_t c, std::string* out, bool keepSurrogates = false) {
  if (!IsScalarValue(c) && !(keepSurrogates && IsSurrogate(c))) c = kReplacement;
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// The C.UTF-8 locale for Unicode case mapping; null where the system lacks it, and
// then only ASCII letters fold.
locale_t UnicodeLocale() {
  static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

std::wstring Utf8ToWide(std::string_view text, bool keepSurrogates) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out.push_back(static_cast<wchar_t>(lead));
      ++i;
      continue;
    }
    int length = 0;
    uint32_t c = 0;
    uint32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07, minimum = 0x10000;
    }
    bool valid = length > 0 && i + length <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
      } else {
        c = (c << 6) | (next & 0x3F);
      }
    }
    if (valid && c >= minimum && (IsScalarValue(c) || (keepSurrogates && IsSurrogate(c)))) {
      out.push_back(static_cast<wchar_t>(c));
      i += length;
    } else {
      out.push_back(kReplacement);
      ++i;
    }
  }
  return out;
}

}  // namespace

std::string WideToAnsi(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) AppendUtf8(static_cast<uint32_t>(c), &out);
  return out;
}

std::wstring AnsiToWide(std::string_view text) { return Utf8ToWide(text, false); }

std::string WideToWtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) AppendUtf8(static_cast<uint32_t>(c), &out, true);
  return out;
}

std::wstring Wtf8ToWide(std::string_view text) { return Utf8ToWide(text, true); }

bool WideToOem(std::wstring_view text, std::string* out) {
  out->clear();
  out->reserve(text.size());
  bool lossless = true;
  for (wchar_t c : text) {
    const int byte = OemByte(c);
    if (byte < 0) {
      lossless = false;
      out->push_back('?');
    } else {
      out->push_back(static_cast<char>(byte));
    }
  }
  return lossless;
}

std::wstring OemToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    out.push_back(byte < 0x80 ? static_cast<wchar_t>(byte)
                              : static_cast<wchar_t>(kCp437High[byte - 0x80]));
  }
  return out;
}

bool OemCanHold(wchar_t c) { return OemByte(c) >= 0; }

wchar_t FoldCase(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
  if (locale_t locale = UnicodeLocale())
    return static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), locale));
  return c;
}

std::wstring FoldCase(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = FoldCase(c);
  return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

std::wstring FormatMessageText(std::wstring_view format, std::initializer_list<FormatArg> args) {
  std::wstring out;
  out.reserve(format.size() + 64);
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    const wchar_t c = format[i];
    if (c != L'%' || i + 1 >= format.size()) {
      out.push_back(c);
      continue;
    }
    const wchar_t directive = format[i + 1];
    if (directive == L'%') {
      out.push_back(L'%');
      ++i;
    } else if ((directive == L's' || directive == L'd') && next != args.end()) {
      if (const auto* text = std::get_if<std::wstring_view>(&*next)) {
        out.append(*text);
      } else {
        out.append(std::to_wstring(std::get<long long>(*next)));
      }
      ++next;
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::vector<uint8_t> WideToUtf16Le(std::wstring_view text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  auto unit = [&](uint32_t u) {
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  };
  for (wchar_t c : text) {
    auto u = static_cast<uint32_t>(c);
    if (u > 0x10FFFF) {
      unit(0xFFFD);
    } else if (u > 0xFFFF) {
      u -= 0x10000;
      unit(0xD800 + (u >> 10));
      unit(0xDC00 + (u & 0x3FF));
    } else {
      unit(u);
    }
  }
  return bytes;
}

std::wstring Utf16LeToWide(const uint8_t* data, size_t size) {
  std::wstring text;
  text.reserve(size / 2);
  size_t count = size / 2;
  for (size_t i = 0; i < count; ++i) {
    uint32_t u = data[2 * i] | (static_cast<uint32_t>(data[2 * i + 1]) << 8);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count) {
      uint32_t low = data[2 * i + 2] | (static_cast<uint32_t>(data[2 * i + 3]) << 8);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        text.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)));
        ++i;
        continue;
      }
    }
    text.push_back(static_cast<wchar_t>(u));
  }
  return text;
}

}  // namespace kv
