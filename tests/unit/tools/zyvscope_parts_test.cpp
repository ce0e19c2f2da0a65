// zyvscope's pictures, number formatting, settings-file lines and runtime
// file check.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "format.h"
#include "pictures.h"
#include "runtime_check.h"
#include "settings_lines.h"
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


TEST(ZyvscopeScreen, ClippedRunsFollowTheTraceBeyondEachEdge) {
  // Screen from y 0 (top) to 100, x 0 to 100.
  struct Case {
    const char* what;
    std::vector<svg::Point> points;
    std::vector<ClippedRun> runs;
  } cases[] = {
      {"inside", {{0, 10}, {50, 90}, {100, 50}}, {}},
      {"on the edges is not beyond", {{0, 0}, {50, 100}}, {}},
      {"above, from crossing to crossing", {{0, 20}, {10, -20}, {20, -20}, {30, 20}}, {{5, 25, true}}},
      {"below up to the last point", {{0, 50}, {40, 150}, {60, 150}}, {{20, 60, false}}},
      {"above then below", {{0, -10}, {10, -10}, {20, 110}, {30, 110}}, {{0, 10.0 + 10.0 / 12.0, true}, {10.0 + 110.0 / 12.0, 30, false}}},
      {"cut to the screen's width", {{-50, 120}, {150, 120}}, {{0, 100, false}}},
      {"entirely left of the screen", {{-50, 120}, {-10, 120}, {10, 50}}, {}},
  };
  for (const Case& c : cases) {
    const std::vector<ClippedRun> runs = clippedRuns(c.points, 0.0, 100.0, 0.0, 100.0);
    ASSERT_EQ(c.runs.size(), runs.size()) << c.what;
    for (std::size_t i = 0; i < runs.size(); ++i) {
      EXPECT_NEAR(c.runs[i].x0, runs[i].x0, 1e-9) << c.what;
      EXPECT_NEAR(c.runs[i].x1, runs[i].x1, 1e-9) << c.what;
      EXPECT_EQ(c.runs[i].above, runs[i].above) << c.what;
    }
  }
}

TEST(ZyvscopeScreen, TracesBeyondTheScreenAreDrawnAtItsEdgeAndMarked) {
  WaveformPicture pic;
  pic.sampleRate = 1000.0;
  pic.timePerDiv = 0.01;  // 100 samples across the screen
  pic.firstSampleTime = 0.0;
  pic.screenStart = 0.0;
  ScreenTrace t;
  t.label = "CH0";
  t.color = "#123456";
  for (int i = 0; i < 100; ++i) t.volts.push_back(i < 50 ? 10.0 : 0.0);  // 10 divisions up, then 0
  t.overRange = true;
  pic.traces.push_back(t);
  pic.warnings.push_back("CH0 over range");
  const std::string path = ::testing::TempDir() + "zyvscope-clip.svg";
  ASSERT_TRUE(writeWaveformPicture(pic, path));
  std::FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(nullptr, f);
  std::string svgText;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) svgText.append(chunk, n);
  std::fclose(f);
  std::remove(path.c_str());
  // The trace's points at the top edge (y 64), none above it.
  const std::size_t trace = svgText.find("stroke=\"#123456\"");
  ASSERT_NE(std::string::npos, trace);
  const std::size_t open = svgText.rfind("points=\"", trace);
  const std::string points = svgText.substr(open + 8, svgText.find('"', open + 8) - open - 8);
  EXPECT_NE(std::string::npos, points.find(",64 ")) << points;
  EXPECT_EQ(std::string::npos, points.find(",-")) << points;
  // One cut-off stretch along the top, from the left edge to half way.
  EXPECT_NE(std::string::npos, svgText.find("<line x1=\"80\" y1=\"65.5\" x2=\"")) << svgText;
  EXPECT_NE(std::string::npos, svgText.find("CH0 OVER-RANGE"));
  EXPECT_NE(std::string::npos, svgText.find(">CH0 over range</text>"));
}

TEST(ZyvscopeFormat, PhaseIsShownWithinHalfACircle) {
  const double cases[][2] = {{3997.23, 37.23}, {90, 90}, {180, 180}, {-180, 180}, {270, -90},
                             {-190, 170},      {720, 0}, {-3997.23, -37.23}};
  for (const auto& c : cases) EXPECT_NEAR(c[1], wrappedPhase(c[0]), 1e-9) << c[0];
  EXPECT_TRUE(std::isnan(wrappedPhase(std::nan(""))));
}

TEST(ZyvscopeFormat, WindowNamesSayWhatTheyDo) {
  EXPECT_EQ(0, windowIndex("middle-half"));
  EXPECT_STREQ("middle-half", windowName(0));
  EXPECT_EQ(2, windowIndex("Hanning"));
  EXPECT_EQ(2, windowIndex("hann"));
  for (const char* misleading : {"rect", "rectangle", "none"}) EXPECT_EQ(-1, windowIndex(misleading)) << misleading;
  EXPECT_NE(std::string::npos, std::string(windowNames()).find("middle-half"));
}

TEST(ZyvscopeSettingsFile, LinesAreReadAsTheLibraryReadsThem) {
  const SettingsFileCheck c = checkSettingsText(
      "; a comment\r\n"
      "  sample rate = 1 000 000 ; blanks go\r\n"
      "\n"
      "VOLTDIV = 1, 500000\n"
      "TrigEdge = 0, 1\n"
      "Colour = red\n"
      "just words\n"
      "VoltPos = 0, 8000, 9\n"
      "TrigPos = 12x\n"
      "HwBit=12");
  ASSERT_EQ(6u, c.lines.size());
  EXPECT_EQ(2, c.lines[0].number);
  EXPECT_EQ("samplerate=1000000", c.lines[0].text);
  EXPECT_STREQ("SampleRate", c.lines[0].key->name);
  EXPECT_EQ(1000000, c.lines[0].values[0]);
  EXPECT_STREQ("VoltDiv", c.lines[1].key->name) << "keys without regard to case";
  EXPECT_EQ(500000, c.lines[1].values[1]);
  EXPECT_EQ(0, c.lines[2].values[2]) << "a missing level reads as 0";
  EXPECT_EQ(12, c.lines[5].values[0]) << "the last line needs no line end";
  EXPECT_TRUE(c.notText.empty());
  const std::vector<std::string> expected = {
      "line 5: TrigEdge takes 3 values",     "line 6: unknown key \"Colour\"", "line 7: \"justwords\" has no \"=\"",
      "line 8: VoltPos takes 2 values", "line 9: TrigPos: \"12x\" is not a whole number; read as 12",
  };
  ASSERT_EQ(expected.size(), c.warnings.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(0u, c.warnings[i].find(expected[i])) << c.warnings[i];
}

TEST(ZyvscopeSettingsFile, ValuesSaturateAndBinaryFilesAreNoticed) {
  const SettingsFileCheck big = checkSettingsText("TrigDelay = 99999999999999999999\nTrigPos=-99999999999999999999\n");
  ASSERT_EQ(2u, big.lines.size());
  EXPECT_EQ(INT64_MAX, big.lines[0].values[0]);
  EXPECT_EQ(INT64_MIN, big.lines[1].values[0]);
  EXPECT_EQ(2u, big.warnings.size()) << "out of range is not what the file says";

  const SettingsFileCheck binary = checkSettingsText(std::string("SampleRate=1\n\x01\x02\0", 16));
  EXPECT_EQ(0u, binary.notText.find("line 2: the byte 0x01 at offset 13")) << binary.notText;
  EXPECT_TRUE(checkSettingsText("; caf\xC3\xA9, 10 \xC2\xB5s\n").notText.empty()) << "UTF-8 comments are text";
  const SettingsFileCheck loneCr = checkSettingsText("SampleRate=1\rRecordLength=8\n");
  ASSERT_FALSE(loneCr.warnings.empty());
  EXPECT_NE(std::string::npos, loneCr.warnings[0].find("carriage return inside the line")) << loneCr.warnings[0];
}

TEST(ZyvscopeSettingsFile, RefusalsSayWhy) {
  auto line = [](const char* text) { return checkSettingsText(text).lines.at(0); };
  struct Case {
    const char* line;
    int32_t code;
    std::vector<std::string> says;
  } cases[] = {
      {"VoltDiv=0,1234", 5, {"1.234 mV/div is not one of", "error 5", "here 0, 1234"}},
      {"VoltPos=9,8000", 3, {"channel 9 does not exist", "error 3"}},
      {"VoltPos=0,20000", 6, {"position 20000 is outside 0..16000"}},
      {"RecordLength=1001", 13, {"1001 is not a multiple of 8"}},
      {"TrigVideo=5,0,0", 0, {"source 5 must be 0 or 1"}},
      {"HwBit=10", 0, {"does not offer 10 bits"}},
      {"TrigWidth=0,0,0,0,0,0", 10, {"extended product", "error 10"}},
      {"TrigEdge=7,0,0", 2, {"outside its range", "source channel 0..2"}},
  };
  for (const Case& c : cases) {
    const std::string why = settingsRefusal(line(c.line), c.code);
    for (const std::string& s : c.says) EXPECT_NE(std::string::npos, why.find(s)) << c.line << ": " << why;
  }
  EXPECT_NE(std::string::npos, settingsHelp().find("TrigPattern"));
  for (const SettingsKey& k : settingsKeys()) EXPECT_EQ(&k, findSettingsKey(k.name)) << k.name;
}

TEST(ZyvscopeRuntimeFile, VersionRecordIsFoundAtAnAlignedPlace) {
  std::string bytes(64, '\0');
  const unsigned char record[16] = {0xBD, 0x04, 0xEF, 0xFE, 0, 0, 1, 0, 4, 0, 1, 0, 2, 0, 0, 0};
  uint32_t v[4] = {};
  EXPECT_FALSE(runtimeFileVersion(bytes, v[0], v[1], v[2], v[3]));
  bytes.replace(22, 16, reinterpret_cast<const char*>(record), 16);
  EXPECT_FALSE(runtimeFileVersion(bytes, v[0], v[1], v[2], v[3])) << "not on a 4-byte boundary";
  bytes.replace(32, 16, reinterpret_cast<const char*>(record), 16);
  ASSERT_TRUE(runtimeFileVersion(bytes, v[0], v[1], v[2], v[3]));
  EXPECT_EQ(1u, v[0]);
  EXPECT_EQ(4u, v[1]);
  EXPECT_EQ(0u, v[2]);
  EXPECT_EQ(2u, v[3]);
  EXPECT_FALSE(runtimeFileVersion(bytes.substr(0, 40), v[0], v[1], v[2], v[3])) << "a record cut short";
}

}  // namespace
}  // namespace zyvscope
