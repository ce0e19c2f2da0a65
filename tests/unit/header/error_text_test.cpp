// uZyvErrorText, the header's table of LastError texts.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "uZyvSDK.h"

namespace {

// Every code the library can leave in LastError, and the numbers it never
// uses.
const int32_t kReported[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                             17, 18, 19, 20, 21, 22, 23, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37,
                             40, 41};
const int32_t kUnused[] = {-1, 24, 25, 26, 27, 38, 39, 42, 99, INT32_MIN, INT32_MAX};

TEST(ErrorText, EveryReportedCodeHasATextOfItsOwn) {
  std::set<std::string> texts;
  for (int32_t code : kReported) {
    const char* text = uZyvErrorText(code);
    ASSERT_NE(nullptr, text) << code;
    EXPECT_NE(std::string("unknown error code"), text) << code;
    EXPECT_GT(std::strlen(text), 10u) << code;
    EXPECT_TRUE(texts.insert(text).second) << code << " shares its text: " << text;
  }
}

TEST(ErrorText, NumbersWithoutACodeAreUnknown) {
  for (int32_t code : kUnused) EXPECT_STREQ("unknown error code", uZyvErrorText(code)) << code;
}

TEST(ErrorText, TheEnumAndTheTextsComeFromOneTable) {
  // The enumerators and the texts are generated from the same rows: the
  // number of rows equals the number of reported codes.
  int rows = 0;
#define COUNT_ROW(name, value, text) ++rows;
  UZYV_ERROR_TABLE(COUNT_ROW)
#undef COUNT_ROW
  EXPECT_EQ(int(sizeof kReported / sizeof kReported[0]), rows);
  EXPECT_EQ(22, UZYV_ERR_RUNTIME_FILE);
  EXPECT_STREQ(uZyvErrorText(UZYV_ERR_NO_MASK), uZyvErrorText(37));
}

}  // namespace
