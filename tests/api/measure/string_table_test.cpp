// The display names of the measurement types, read from the library module's
// string table as an application reads them, for each of the three languages.
#ifdef _WIN32

#include <windows.h>

#include <string>

#include "support/sdk.h"

using namespace sdktest;

namespace {

// String `id` of the given language, from the RT_STRING block that holds it
// (16 strings per block, each a length followed by that many UTF-16 units).
// Empty when the block or the string is absent.
std::u16string loadString(HMODULE module, unsigned id, WORD language) {
  HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(id / 16 + 1), language);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  const auto* p = static_cast<const char16_t*>(LockResource(loaded));
  if (!p) return {};
  const char16_t* end = p + size / sizeof(char16_t);
  for (unsigned k = 0; k < id % 16 && p < end; ++k) p += 1 + *p;
  if (p >= end || p + 1 + *p > end) return {};
  return std::u16string(p + 1, *p);
}

constexpr WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);                // 1033
constexpr WORD kTraditional = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);  // 1028
constexpr WORD kSimplified = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);    // 2052

}  // namespace

using MeasNames = SdkTest;

TEST_F(MeasNames, EveryLanguageCarriesTheTypeNames) {
  static_assert(kEnglish == 1033 && kTraditional == 1028 && kSimplified == 2052);
  struct Case {
    unsigned id;
    std::u16string english, traditional, simplified;
  } cases[] = {
      {2500, u"Frequency", u"\u983B\u7387", u"\u9891\u7387"},
      {2506, u"Vpp", u"\u5CF0\u5C0D\u5CF0\u503C", u"\u5CF0\u5BF9\u5CF0\u503C"},
      {2511, u"- Duty", u"- \u9031\u671F", u"-\u5360\u7A7A\u6BD4"},
      {2512, u"+ Width", u"+ \u5BEC\u5EA6", u"\u6B63\u9891\u5BBD"},
      {2526, u"Avg. Freq.", u"\u5E73\u5747\u983B\u7387", u"\u5E73\u5747\u9891\u7387"},
      {2528, u"F. Edge Cnt", u"\u4E0B\u964D\u7DE3\u6578", u"\u4E0B\u964D\u7DE3\u6570"},
      {2529, u"Edge Count", u"\u8B8A\u5316\u7DE3\u6578", u"\u53D8\u5316\u7F18\u6570"},
  };
  auto module = static_cast<HMODULE>(currentSdk().handle());
  ASSERT_NE(nullptr, module);
  for (const Case& c : cases) {
    EXPECT_TRUE(loadString(module, c.id, kEnglish) == c.english) << c.id;
    EXPECT_TRUE(loadString(module, c.id, kTraditional) == c.traditional) << c.id;
    EXPECT_TRUE(loadString(module, c.id, kSimplified) == c.simplified) << c.id;
  }
  // Type 30 has no name; the identifiers stop at 2529.
  EXPECT_TRUE(loadString(module, 2530, kEnglish).empty());
  // An application's own loader finds the English text through the module.
  wchar_t text[32] = {};
  ASSERT_EQ(9, LoadStringW(module, 2500, text, 32));
  EXPECT_EQ(std::wstring(L"Frequency"), std::wstring(text));
}

#endif  // _WIN32
