#include "pictures.h"

#include <algorithm>
#include <cmath>

#include "format.h"

namespace zyvscope {
namespace {

// Layout of both pictures: a screen of 10 x 8 divisions of 80 pixels.
constexpr double kDiv = 80.0;
constexpr double kLeft = 80.0, kTop = 64.0;
constexpr double kWidth = 10 * kDiv, kHeight = 8 * kDiv;
constexpr double kRight = kLeft + kWidth, kBottom = kTop + kHeight;
constexpr double kPictureWidth = kRight + 80.0, kPictureHeight = kBottom + 172.0;
const char* const kMicro = "\xC2\xB5";

const char* kBackground = "#15171a";
const char* kScreen = "#050807";
const char* kGrid = "#2c3a33";
const char* kAxis = "#4d6357";
const char* kText = "#d8dee0";
const char* kDim = "#8a969a";
const char* kTrigger = "#ff9330";
const char* kClip = "#ff3b3b";

svg::Style stroke(const std::string& color, double width, const std::string& dash = "") {
  svg::Style s;
  s.stroke = color;
  s.strokeWidth = width;
  s.dash = dash;
  return s;
}

svg::Style filled(const std::string& color) {
  svg::Style s;
  s.fill = color;
  return s;
}

svg::TextStyle font(const std::string& color, double size, const std::string& anchor = "start",
                    const std::string& weight = "normal") {
  svg::TextStyle t;
  t.fill = color;
  t.size = size;
  t.anchor = anchor;
  t.weight = weight;
  return t;
}

// The frame, the graticule with its centre axes and their ticks.
void drawScreen(svg::Document& doc) {
  doc.rect(0, 0, kPictureWidth, kPictureHeight, filled(kBackground));
  doc.rect(kLeft, kTop, kWidth, kHeight, filled(kScreen), 4);
  for (int i = 1; i < 10; ++i)
    if (i != 5) doc.line(kLeft + i * kDiv, kTop, kLeft + i * kDiv, kBottom, stroke(kGrid, 1, "1 5"));
  for (int j = 1; j < 8; ++j)
    if (j != 4) doc.line(kLeft, kTop + j * kDiv, kRight, kTop + j * kDiv, stroke(kGrid, 1, "1 5"));
  const double cx = kLeft + 5 * kDiv, cy = kTop + 4 * kDiv;
  doc.line(cx, kTop, cx, kBottom, stroke(kAxis, 1));
  doc.line(kLeft, cy, kRight, cy, stroke(kAxis, 1));
  for (int k = 1; k < 50; ++k) {
    const double x = kLeft + k * kDiv / 5, len = k % 5 == 0 ? 8 : 4;
    doc.line(x, cy - len, x, cy + len, stroke(kAxis, 1));
  }
  for (int k = 1; k < 40; ++k) {
    const double y = kTop + k * kDiv / 5, len = k % 5 == 0 ? 8 : 4;
    doc.line(cx - len, y, cx + len, y, stroke(kAxis, 1));
  }
}

void drawFrameBorder(svg::Document& doc) {
  doc.rect(kLeft, kTop, kWidth, kHeight, stroke("#59655f", 1.5), 4);
}

std::string upperCoupling(const std::string& c) { return c.empty() ? "DC" : c; }

// A small marker triangle pointing in one direction.
void marker(svg::Document& doc, double x, double y, char direction, const std::string& color) {
  const double s = 7;
  std::vector<svg::Point> p;
  switch (direction) {
    case 'r': p = {{x - 2 * s, y - s}, {x, y}, {x - 2 * s, y + s}}; break;  // points right, tip at x
    case 'l': p = {{x + 2 * s, y - s}, {x, y}, {x + 2 * s, y + s}}; break;
    default: p = {{x - s, y - 2 * s}, {x, y}, {x + s, y - 2 * s}}; break;  // points down
  }
  doc.polygon(p, filled(color));
}

}  // namespace

std::vector<svg::Point> screenPoints(const std::vector<svg::Point>& points, double left, double right) {
  std::vector<svg::Point> out;
  if (points.empty()) return out;
  auto first = std::lower_bound(points.begin(), points.end(), left,
                                [](const svg::Point& p, double x) { return p.x < x; });
  auto last = std::upper_bound(points.begin(), points.end(), right,
                               [](double x, const svg::Point& p) { return x < p.x; });
  if (first != points.begin()) --first;
  if (last != points.end()) ++last;
  const auto n = last - first;
  if (n <= 0) return out;
  const double span = std::max(1.0, right - left);
  if (double(n) <= 2.0 * span) return std::vector<svg::Point>(first, last);
  // Many points per column: the column's extremes, in the order they occur.
  out.reserve(std::size_t(4 * span) + 4);
  auto it = first;
  while (it != last) {
    const double column = std::floor(it->x);
    auto lo = it, hi = it;
    auto end = it;
    while (end != last && std::floor(end->x) == column) {
      if (end->y < lo->y) lo = end;
      if (end->y > hi->y) hi = end;
      ++end;
    }
    if (lo == hi) {
      out.push_back({column, lo->y});
    } else if (lo < hi) {
      out.push_back({column, lo->y});
      out.push_back({column, hi->y});
    } else {
      out.push_back({column, hi->y});
      out.push_back({column, lo->y});
    }
    it = end;
  }
  return out;
}

std::vector<ClippedRun> clippedRuns(const std::vector<svg::Point>& points, double top, double bottom, double left,
                                    double right) {
  std::vector<ClippedRun> runs;
  auto side = [&](const svg::Point& p) { return p.y < top ? 1 : p.y > bottom ? -1 : 0; };
  // Where the segment from a to b crosses the edge on `s`'s side.
  auto crossing = [&](const svg::Point& a, const svg::Point& b, int s) {
    const double edge = s > 0 ? top : bottom;
    if (b.y == a.y) return b.x;
    const double t = (edge - a.y) / (b.y - a.y);
    return a.x + std::clamp(t, 0.0, 1.0) * (b.x - a.x);
  };
  std::size_t i = 0;
  while (i < points.size()) {
    const int s = side(points[i]);
    if (s == 0) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j + 1 < points.size() && side(points[j + 1]) == s) ++j;
    double x0 = i > 0 ? crossing(points[i - 1], points[i], s) : points[i].x;
    double x1 = j + 1 < points.size() ? crossing(points[j], points[j + 1], s) : points[j].x;
    x0 = std::max(x0, left);
    x1 = std::min(x1, right);
    if (x0 <= x1) runs.push_back({x0, x1, s > 0});
    i = j + 1;
  }
  return runs;
}

int largestPeak(const std::vector<double>& dbv) {
  int best = -1;
  for (std::size_t j = 1; j < dbv.size(); ++j)
    if (std::isfinite(dbv[j]) && (best < 0 || dbv[j] > dbv[std::size_t(best)])) best = int(j);
  return best;
}

bool writeWaveformPicture(const WaveformPicture& pic, const std::string& path) {
  svg::Document doc(kPictureWidth, kPictureHeight, "zyvscope waveform");
  drawScreen(doc);

  // Traces: what lies beyond the top or bottom is drawn at that edge, and
  // the stretches cut off are marked along it.
  const double secondsPerPixel = pic.timePerDiv / kDiv;
  std::vector<ClippedRun> cut;
  doc.beginClip(kLeft, kTop, kWidth, kHeight);
  for (const ScreenTrace& t : pic.traces) {
    std::vector<svg::Point> points;
    points.reserve(t.volts.size());
    for (std::size_t n = 0; n < t.volts.size(); ++n) {
      const double time = pic.firstSampleTime + double(n) / pic.sampleRate;
      const double div = (t.volts[n] + t.offsetVolts) / t.voltsPerDiv + t.positionDivisions;
      double y = kTop + (4.0 - div) * kDiv;
      if (!std::isfinite(y)) y = kTop + 4.0 * kDiv;
      points.push_back({kLeft + (time - pic.screenStart) / secondsPerPixel, y});
    }
    const std::vector<ClippedRun> runs = clippedRuns(points, kTop, kBottom, kLeft, kRight);
    cut.insert(cut.end(), runs.begin(), runs.end());
    for (svg::Point& p : points) p.y = std::clamp(p.y, kTop, kBottom);
    doc.polyline(screenPoints(points, kLeft, kRight), stroke(t.color, 1.6));
  }
  doc.endClip();
  for (const ClippedRun& r : cut) {
    const double y = r.above ? kTop + 1.5 : kBottom - 1.5;
    doc.line(r.x0, y, std::max(r.x1, r.x0 + 1.0), y, stroke(kClip, 3));
  }
  drawFrameBorder(doc);

  // Each channel's zero level at the left edge, side by side when they meet.
  for (std::size_t i = 0; i < pic.traces.size(); ++i) {
    const ScreenTrace& t = pic.traces[i];
    const double div = t.offsetVolts / t.voltsPerDiv + t.positionDivisions;
    const double y = kTop + (4.0 - std::clamp(div, -4.0, 4.0)) * kDiv;
    const double tip = kLeft - 2 - 22.0 * double(i);
    marker(doc, tip, y, 'r', t.color);
    doc.text(tip - 9, y + 4, t.label.substr(2), font("#000000", 10, "middle", "bold"));
  }

  // Trigger position at the top, trigger level at the right.
  const double triggerX = kLeft + (0.0 - pic.screenStart) / secondsPerPixel;
  if (triggerX >= kLeft && triggerX <= kRight) {
    marker(doc, triggerX, kTop - 2, 'd', kTrigger);
  }
  if (pic.triggerTrace >= 0 && std::size_t(pic.triggerTrace) < pic.traces.size()) {
    const ScreenTrace& t = pic.traces[std::size_t(pic.triggerTrace)];
    const double div = (pic.triggerLevel + t.offsetVolts) / t.voltsPerDiv + t.positionDivisions;
    if (div >= -4.0 && div <= 4.0) {
      const double y = kTop + (4.0 - div) * kDiv;
      doc.line(kLeft, y, kRight, y, stroke(kTrigger, 1, "6 6"));
      marker(doc, kRight + 2, y, 'l', kTrigger);
      doc.text(kRight + 20, y + 5, "T", font(kTrigger, 13, "start", "bold"));
    }
  }

  // Channel scales above the screen, timebase and trigger below it.
  double x = kLeft;
  for (const ScreenTrace& t : pic.traces) {
    doc.rect(x, 18, 200, 28, filled("#22262a"), 4);
    doc.rect(x, 18, 6, 28, filled(t.color), 2);
    doc.text(x + 14, 38, t.label + "  " + engineering(t.voltsPerDiv, "V/div", 3, kMicro) + "  " +
                             upperCoupling(t.coupling), font(t.color, 15, "start", "bold"));
    // Over-range: the converter's end codes were reached, the signal is cut.
    if (t.overRange) doc.text(x + 100, 14, t.label + " OVER-RANGE", font(kClip, 12, "middle", "bold"));
    x += 212;
  }
  doc.text(kRight, 38, engineering(pic.sampleRate, "Sa/s", 3, kMicro), font(kText, 15, "end"));

  doc.text(kLeft, kBottom + 18, engineering(pic.screenStart, "s", 4, kMicro), font(kDim, 12));
  doc.text(kRight, kBottom + 18, engineering(pic.screenStart + 10 * pic.timePerDiv, "s", 4, kMicro),
           font(kDim, 12, "end"));
  const double baseY = kBottom + 52;
  doc.rect(kLeft, baseY - 20, 200, 28, filled("#22262a"), 4);
  doc.text(kLeft + 12, baseY, engineering(pic.timePerDiv, "s/div", 3, kMicro), font(kText, 15, "start", "bold"));
  if (pic.triggerShown) {
    const std::string slope = pic.triggerSlope == "falling" ? "\xE2\x86\x93" : pic.triggerSlope == "either" ?
                                                              "\xE2\x86\x95" : "\xE2\x86\x91";
    doc.rect(kLeft + 5 * kDiv - 120, baseY - 20, 240, 28, filled("#22262a"), 4);
    doc.text(kLeft + 5 * kDiv, baseY, "Trig " + pic.triggerSource + " " + slope + " " + pic.triggerLevelText,
             font(kTrigger, 15, "middle", "bold"));
  }
  double noteY = baseY + 32;
  for (const std::string& note : pic.notes) {
    doc.text(kLeft, noteY, note, font(kDim, 13));
    noteY += 18;
  }
  for (const std::string& warning : pic.warnings) {
    doc.text(kLeft, noteY, warning, font(kClip, 13));
    noteY += 18;
  }
  return doc.save(path);
}

bool writeSpectrumPicture(const SpectrumPicture& pic, const std::string& path) {
  svg::Document doc(kPictureWidth, kPictureHeight, "zyvscope spectrum");
  drawScreen(doc);
  const std::size_t bins = pic.dbv.size();
  const int peak = largestPeak(pic.dbv);
  double highest = peak >= 0 ? pic.dbv[std::size_t(peak)] : 0.0;
  if (!std::isfinite(highest)) highest = 0.0;
  const double dbPerDiv = 20.0;
  const double top = std::ceil((highest + 10.0) / 10.0) * 10.0;
  const double span = double(bins) * pic.binWidth;  // up to half the sample rate
  const double hzPerDiv = span / 10.0;

  auto xOf = [&](double hz) { return kLeft + hz / hzPerDiv * kDiv; };
  auto yOf = [&](double db) {
    if (!std::isfinite(db)) db = top - 9 * dbPerDiv;
    return kTop + (top - db) / dbPerDiv * kDiv;
  };

  std::vector<svg::Point> points;
  points.reserve(bins);
  for (std::size_t j = 0; j < bins; ++j) points.push_back({xOf(double(j) * pic.binWidth), yOf(pic.dbv[j])});
  doc.beginClip(kLeft, kTop, kWidth, kHeight);
  // A filled area under the trace, then the trace.
  std::vector<svg::Point> area = screenPoints(points, kLeft, kRight);
  std::vector<svg::Point> trace = area;
  if (!area.empty()) {
    area.push_back({area.back().x, kBottom + 2});
    area.push_back({area.front().x, kBottom + 2});
    svg::Style fill = filled(pic.color);
    fill.opacity = 0.18;
    doc.polygon(area, fill);
  }
  doc.polyline(trace, stroke(pic.color, 1.4));
  doc.endClip();
  drawFrameBorder(doc);

  // Scales: dBV at the division lines, frequency every second division.
  for (int j = 0; j <= 8; ++j)
    doc.text(kLeft - 8, kTop + j * kDiv + 5, svg::number(top - j * dbPerDiv, 0), font(kDim, 12, "end"));
  for (int i = 0; i <= 10; i += 2)
    doc.text(kLeft + i * kDiv, kBottom + 18, engineering(i * hzPerDiv, "Hz", 3, kMicro), font(kDim, 12, "middle"));

  if (peak >= 0) {
    const double px = xOf(double(peak) * pic.binWidth), py = yOf(pic.dbv[std::size_t(peak)]);
    marker(doc, px, py - 4, 'd', kTrigger);
    const std::string label = engineering(double(peak) * pic.binWidth, "Hz", 4, kMicro) + "  " +
                              svg::number(pic.dbv[std::size_t(peak)], 1) + " dBV";
    const bool leftSide = px > kLeft + 6.5 * kDiv;
    doc.rect(leftSide ? px - 228 : px + 12, py - 44, 216, 26, filled("#22262a"), 4);
    doc.text(leftSide ? px - 120 : px + 120, py - 26, label, font(kTrigger, 14, "middle", "bold"));
  }

  doc.rect(kLeft, 18, 200, 28, filled("#22262a"), 4);
  doc.rect(kLeft, 18, 6, 28, filled(pic.color), 2);
  doc.text(kLeft + 14, 38, pic.label + "  " + svg::number(dbPerDiv, 0) + " dB/div", font(pic.color, 15, "start", "bold"));
  doc.text(kLeft + 224, 38, "ref " + svg::number(top, 0) + " dBV", font(kText, 15));
  doc.text(kRight, 38, pic.window + " window", font(kText, 15, "end"));

  const double baseY = kBottom + 46;
  doc.rect(kLeft, baseY - 20, 200, 28, filled("#22262a"), 4);
  doc.text(kLeft + 12, baseY, engineering(hzPerDiv, "Hz/div", 3, kMicro), font(kText, 15, "start", "bold"));
  doc.text(kLeft + 224, baseY, "bin width " + engineering(pic.binWidth, "Hz", 3, kMicro), font(kDim, 13));
  double noteY = baseY + 24;
  for (const std::string& note : pic.notes) {
    doc.text(kLeft, noteY, note, font(kDim, 13));
    noteY += 18;
  }
  return doc.save(path);
}

}  // namespace zyvscope
