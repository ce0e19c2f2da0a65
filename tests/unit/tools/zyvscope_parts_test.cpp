// zyvscope's pictures and number formatting.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "format.h"
#include "pictures.h"
#include "svg.h"

namespace zyvscope {
namespace {

TEST(ZyvscopeScreen, DenseTracesKeepEveryColumnsExtremes) {
  // 100000 samples across 800 pixels, one single-sample spike.
  std::vector<svg::Point> points;
  for (int i = 0; i < 100000; ++i) points.push_back({80.0 + i * 0.008, 300.0 + (i % 7)});
  points[54321].y = 12.0;
  const std::vector<svg::Point> shown = screenPoints(points, 80.0, 880.0);
  EXPECT_LE(shown.size(), 2u * 801u);
  double top = 1e9, bottom = -1e9;
  for (const svg::Point& p : shown) {
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  EXPECT_EQ(12.0, top) << "the spike survives";
  EXPECT_EQ(306.0, bottom);
}

TEST(ZyvscopeScreen, SparseTracesAreCutToTheScreenWithOneNeighbourEachSide) {
  std::vector<svg::Point> points;
  for (int i = 0; i < 100; ++i) points.push_back({double(i * 20), double(i)});
  const std::vector<svg::Point> shown = screenPoints(points, 100.0, 300.0);
  ASSERT_EQ(13u, shown.size());  // x = 80 .. 320
  EXPECT_EQ(80.0, shown.front().x);
  EXPECT_EQ(320.0, shown.back().x);
  EXPECT_TRUE(screenPoints({}, 0, 10).empty());
  EXPECT_EQ(1u, screenPoints({{500.0, 1.0}}, 0, 10).size()) << "the neighbour beyond the right edge";
}

TEST(ZyvscopeScreen, LargestPeakSkipsTheDcBinAndNonFiniteBins) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(3, largestPeak({50.0, -inf, -20.0, -3.0, -10.0}));
  EXPECT_EQ(-1, largestPeak({10.0}));
  EXPECT_EQ(-1, largestPeak({10.0, -inf, std::nan("")}));
}

TEST(ZyvscopeSvg, NumbersAndTextAreWrittenPortably) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  } cases[] = {{0.5, 2, "0.5"},    {2.0, 2, "2"},      {-0.001, 2, "0"}, {1234.5678, 2, "1234.57"},
               {-12.25, 1, "-12.2"}, {1e6, 0, "1000000"}, {std::nan(""), 2, "0"}};
  for (const Case& c : cases) EXPECT_EQ(c.text, svg::number(c.value, c.decimals)) << c.value;
  EXPECT_EQ("&lt;a &amp; &quot;b&apos;&gt;", svg::escape("<a & \"b'>"));

  svg::Document doc(100, 50, "t<1>");
  doc.beginClip(0, 0, 10, 10);
  doc.text(1, 2, "x < y", svg::TextStyle{});
  const std::string s = doc.str();
  EXPECT_NE(std::string::npos, s.find("<title>t&lt;1&gt;</title>"));
  EXPECT_NE(std::string::npos, s.find(">x &lt; y</text>"));
  EXPECT_NE(std::string::npos, s.find("</g>\n</svg>")) << "an open clip is closed";
}

TEST(ZyvscopeFormat, EngineeringPrefixes) {
  struct Case {
    double value;
    const char* unit;
    int digits;
    const char* text;
  } cases[] = {
      {999.96, "Hz", 4, "1.000 kHz"}, {0.0025, "s", 4, "2.500 ms"},  {-1.5e-6, "s", 4, "-1.500 us"},
      {0.0, "V", 4, "0 V"},           {3.04, "V", 4, "3.040 V"},     {1e13, "Hz", 4, "10.00 THz"},
      {2e-15, "s", 3, "0.00200 ps"},  {100000, "Sa/s", 4, "100.0 kSa/s"}, {-0.0001, "V", 3, "-100 uV"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, engineering(c.value, c.unit, c.digits)) << c.value;
  EXPECT_EQ("---", engineering(std::nan(""), "V"));
  EXPECT_EQ("2.00 \xC2\xB5s", engineering(2e-6, "s", 3, "\xC2\xB5"));
}

TEST(ZyvscopeFormat, NiceStepsFollowOneTwoFive) {
  const double cases[][2] = {{0.4e-3, 0.5e-3}, {1e-3, 1e-3}, {0.0011, 0.002}, {3, 5}, {6, 10}, {0, 1}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(c[1], niceStep(c[0])) << c[0];
}

}  // namespace
}  // namespace zyvscope
