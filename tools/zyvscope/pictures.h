// The pictures zyvscope writes: a scope screen of 10 x 8 divisions with the
// waveforms, and the amplitude spectrum in dBV.
#pragma once

#include <string>
#include <vector>

#include "svg.h"

namespace zyvscope {

// One channel as the screen shows it. A voltage v lies at
//   (v + offsetVolts) / voltsPerDiv + positionDivisions
// divisions above the screen's middle.
struct ScreenTrace {
  std::string label;  // "CH0"
  std::string color;
  std::vector<double> volts;
  double voltsPerDiv = 1.0;
  double offsetVolts = 0.0;
  double positionDivisions = 0.0;
  std::string coupling = "DC";
  bool overRange = false;  // samples at the converter's end codes
};

struct WaveformPicture {
  std::vector<ScreenTrace> traces;
  double sampleRate = 1.0;
  double firstSampleTime = 0.0;  // seconds, against the trigger event
  double screenStart = 0.0;      // seconds at the left edge, against the trigger event
  double timePerDiv = 1e-3;
  bool triggerShown = false;     // the trigger's label under the screen
  std::string triggerSource;     // "CH0"
  int triggerTrace = -1;         // index into traces of the source; -1 when not on this screen
  double triggerLevel = 0.0;     // volts, drawn when the source is on this screen
  std::string triggerLevelText;  // "0 V", or how the level was chosen
  std::string triggerSlope = "rising";
  std::vector<std::string> notes;     // lines under the screen
  std::vector<std::string> warnings;  // lines under the screen, in the warning colour
};

struct SpectrumPicture {
  std::string label;  // "CH0"
  std::string color;
  std::vector<double> dbv;  // one value per bin, bin j at j x binWidth
  double binWidth = 1.0;    // hertz
  std::string window;
  std::vector<std::string> notes;
};

// The points of a trace (ascending x) that lie on the screen between `left`
// and `right`, with one neighbour beyond each side. Where more than two
// points fall into one pixel column, the column's lowest and highest point
// stand for them, so that no spike is lost.
std::vector<svg::Point> screenPoints(const std::vector<svg::Point>& points, double left, double right);

// The stretches of a trace (ascending x) beyond the top or the bottom of the
// screen within [left, right]: where the screen cuts the signal off. A
// stretch runs from its first to its last point beyond the edge, widened to
// where the trace crosses the edge.
struct ClippedRun {
  double x0, x1;
  bool above;  // beyond the top edge (smaller y), else the bottom
};
std::vector<ClippedRun> clippedRuns(const std::vector<svg::Point>& points, double top, double bottom, double left,
                                    double right);

// The index of the largest bin above bin 0, or -1.
int largestPeak(const std::vector<double>& dbv);

bool writeWaveformPicture(const WaveformPicture& picture, const std::string& path);
bool writeSpectrumPicture(const SpectrumPicture& picture, const std::string& path);

}  // namespace zyvscope
