#include "analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "uZyvSDK.h"

namespace zyvscope {

int32_t overRangeSamples(const Record& record, int input, int32_t start, int32_t end) {
  const std::vector<int16_t>& raw = record.raw[input];
  const auto n = int32_t(raw.size());
  if (end < 0 || end > n) end = n;
  if (start < 0) start = 0;
  // The read delivers 16 counts per code at 8 bits, one at 12: the top code
  // reads 2048 minus one code.
  const int bits = record.bits > 0 && record.bits <= 12 ? record.bits : 12;
  const int top = 2048 - (1 << (12 - bits));
  int32_t count = 0;
  for (int32_t i = start; i < end; ++i) {
    const int16_t v = raw[std::size_t(i)];
    if (v <= -2048 || v >= top) ++count;
  }
  return count;
}

Measurements measure(const Record& record, int input, int32_t start, int32_t end) {
  Measurements m;
  const int other = 1 - input;
  std::vector<int16_t> samples[2] = {record.raw[input], record.raw[other]};
  MeasParams p{};
  p.sampleRate = record.sampleRate;
  const int sources[2] = {input, other};
  for (int k = 0; k < 2; ++k) {
    const int s = sources[k];
    // The library's read adds the channel offset; the measurement subtracts
    // its volt offset.
    p.voltOffset[k] = -double(record.offsetUv[s]) / 1e6;
    p.zeroLevel[k] = record.zeroLevel[s];
    p.baseOffset[k] = record.baseOffset[s];
    p.gain[k] = record.gain[s];
    p.multiplier[k] = 1;
    p.samples[k] = samples[k].empty() ? nullptr : samples[k].data();
  }
  m.end = end < 0 || end > record.length ? record.length : end;
  m.start = start < 0 || start > m.end ? 0 : start;
  if (m.end - m.start < 2) {
    m.start = 0;
    m.end = record.length;
  }

  int32_t types[kMeasurementTypes + 1];
  for (int i = 0; i < kMeasurementTypes; ++i) types[i] = i;
  types[kMeasurementTypes] = -1;
  uint8_t valid[kMeasurementTypes] = {};
  Session::check(uZyvSDKMeasurement(types, m.start, m.end, &p, nullptr, valid, m.value), "uZyvSDKMeasurement");
  for (int i = 0; i < kMeasurementTypes; ++i) m.valid[i] = valid[i] != 0;
  if (m.valid[25]) m.value[25] = wrappedPhase(m.value[25]);
  // Two cycles take at least two rising and two falling edges.
  const double rising = m.valid[27] ? m.value[27] : 0.0, falling = m.valid[28] ? m.value[28] : 0.0;
  m.fewCycles = std::min(rising, falling) < 2.0;
  m.clipped = overRangeSamples(record, input, m.start, m.end) > 0;
  m.referenceClipped = overRangeSamples(record, other, m.start, m.end) > 0;
  return m;
}

void screenSamples(const Record& record, double timePerDiv, int32_t& start, int32_t& end) {
  const double rate = record.sampleRate > 0 ? double(record.sampleRate) : 1.0;
  // The screen is centred on the record: its half width in samples.
  const double half = 5.0 * timePerDiv * rate;
  const double middle = 0.5 * double(record.length);
  const double first = std::ceil(middle - half), last = std::floor(middle + half) + 1.0;
  start = first > 0.0 ? (first < double(record.length) ? int32_t(first) : record.length) : 0;
  end = last < double(record.length) ? (last > 0.0 ? int32_t(last) : 0) : record.length;
}

double screenTimePerDiv(const Record& record, double requested, double frequency) {
  if (requested > 0.0) return requested;
  const double rate = record.sampleRate > 0 ? double(record.sampleRate) : 1.0;
  const double whole = niceStep(double(record.length) / rate / 10.0);
  if (!(frequency > 0.0) || !std::isfinite(frequency)) return whole;
  // The step of the 1-2-5 sequence nearest to four periods on the screen.
  const double target = 4.0 / (10.0 * frequency);
  double best = niceStep(target);
  for (double candidate : {niceStep(target / 2.5), niceStep(target / 2.0)})
    if (std::fabs(std::log(candidate / target)) < std::fabs(std::log(best / target))) best = candidate;
  return std::min(whole, best);
}

bool needsCycles(int type) {
  switch (type) {
    case 0: case 1: case 10: case 11: case 12: case 13: case 19: case 20: case 21: case 22: case 25: case 26:
      return true;
    default:
      return false;
  }
}

bool dependsOnLevels(int type) { return !(type == 0 || type == 1 || type == 26 || (type >= 27 && type <= 29)); }

bool usesReference(int type) { return type == 21 || type == 22 || type == 25; }

std::string formatMeasurement(int type, bool valid, double value) {
  if (!valid) return "invalid";
  const std::string unit = measurementType(type).unit;
  char text[64];
  if (unit == "%") {
    std::snprintf(text, sizeof text, "%.2f %%", value);
  } else if (unit == "deg") {
    std::snprintf(text, sizeof text, "%.2f deg", value);
  } else if (unit.empty()) {
    std::snprintf(text, sizeof text, "%.0f", value);
  } else {
    return engineering(value, unit, 4);
  }
  return text;
}

std::string measurementText(const Measurements& m, int type, const char* micro) {
  if (type < 0 || type >= kMeasurementTypes) return "invalid";
  if (m.fewCycles && needsCycles(type)) return "fewer than two cycles";
  std::string text;
  const std::string unit = measurementType(type).unit;
  if (!m.valid[type] || unit == "%" || unit == "deg" || unit.empty()) text = formatMeasurement(type, m.valid[type], m.value[type]);
  else text = engineering(m.value[type], unit, 4, micro);
  if (m.valid[type] && dependsOnLevels(type) && (m.clipped || (usesReference(type) && m.referenceClipped)))
    text += " (clipped)";
  return text;
}

Spectrum spectrumOf(const Record& record, int input, int32_t window) {
  Spectrum s;
  s.window = window;
  int32_t n = 1;
  while (n * 2 <= std::min<int32_t>(record.length, 2048)) n *= 2;
  if (n < 4) throw Failure("the record holds too few samples for a spectrum", 0);
  std::vector<double> mv(static_cast<std::size_t>(n));
  for (int32_t i = 0; i < n; ++i) mv[std::size_t(i)] = record.volts[input][std::size_t(i)] * 1000.0;
  std::vector<double> out(static_cast<std::size_t>(n));
  Session::check(uZyvSDKGetFFTData(mv.data(), n, 1, window, out.data()), "uZyvSDKGetFFTData");
  s.samples = n;
  s.binWidth = double(record.sampleRate) / double(n);
  s.dbv.resize(std::size_t(n / 2));
  for (int32_t j = 0; j < n / 2; ++j) s.dbv[std::size_t(j)] = out[std::size_t(2 * j)];
  return s;
}

std::vector<int> peaksOf(const std::vector<double>& dbv, int count) {
  std::vector<int> peaks;
  for (std::size_t j = 1; j < dbv.size(); ++j) {
    const bool left = dbv[j] >= dbv[j - 1];
    const bool right = j + 1 == dbv.size() || dbv[j] > dbv[j + 1];
    if (std::isfinite(dbv[j]) && left && right) peaks.push_back(int(j));
  }
  std::stable_sort(peaks.begin(), peaks.end(),
                   [&](int a, int b) { return dbv[std::size_t(a)] > dbv[std::size_t(b)]; });
  if (count >= 0 && peaks.size() > std::size_t(count)) peaks.resize(std::size_t(count));
  return peaks;
}

bool writeWaveformCsv(const std::string& path, const Record& record) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const int first = 2 * record.device;
  std::fprintf(f, "time_s,CH%d_V,CH%d_V\n", first, first + 1);
  const double rate = record.sampleRate > 0 ? double(record.sampleRate) : 1.0;
  for (int32_t n = 0; n < record.length; ++n)
    std::fprintf(f, "%.9g,%.6g,%.6g\n", (double(n) - record.triggerIndex) / rate, record.volts[0][std::size_t(n)],
                 record.volts[1][std::size_t(n)]);
  return std::fclose(f) == 0;
}

bool writeSpectrumCsv(const std::string& path, const Spectrum& spectrum) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "frequency_Hz,dBV\n");
  for (std::size_t j = 0; j < spectrum.dbv.size(); ++j)
    std::fprintf(f, "%.9g,%.4f\n", double(j) * spectrum.binWidth,
                 std::isfinite(spectrum.dbv[j]) ? spectrum.dbv[j] : -999.0);
  return std::fclose(f) == 0;
}

const char* channelColor(int32_t channel) {
  static const char* colors[] = {"#f4dc36", "#36d6f4", "#f050c8", "#5ef07e"};
  return colors[((channel % 4) + 4) % 4];
}

WaveformPicture waveformPicture(const Record& record, const ChannelSettings settings[2], const TriggerInfo& trigger,
                                double timePerDiv) {
  WaveformPicture pic;
  const double rate = record.sampleRate > 0 ? double(record.sampleRate) : 1.0;
  pic.sampleRate = rate;
  pic.firstSampleTime = -record.triggerIndex / rate;
  const double duration = double(record.length) / rate;
  const double tpd = timePerDiv > 0.0 ? timePerDiv : niceStep(duration / 10.0);
  pic.timePerDiv = tpd;
  const double centre = pic.firstSampleTime + 0.5 * duration;
  pic.triggerShown = true;
  pic.triggerSource = "CH" + std::to_string(trigger.source);
  pic.triggerLevel = double(trigger.level) * 1e-6;
  pic.triggerLevelText = !trigger.known ? "autoset level"
                         : (trigger.estimated ? "\xE2\x89\x88" : "") + engineering(pic.triggerLevel, "V", 3, "\xC2\xB5");
  pic.triggerSlope = trigger.slope == 1 ? "falling" : trigger.slope >= 2 ? "either" : "rising";
  pic.screenStart = centre - 5.0 * tpd;
  for (int input = 0; input < 2; ++input) {
    const ChannelSettings& s = settings[input];
    if (!s.on) continue;
    ScreenTrace t;
    const int32_t ch = 2 * record.device + input;
    t.label = "CH" + std::to_string(ch);
    t.color = channelColor(ch);
    t.volts = record.volts[input];
    t.voltsPerDiv = s.voltDiv > 0 ? s.voltDiv * 1e-6 : 1.0;
    t.offsetVolts = -s.offset * 1e-6;
    t.positionDivisions = (s.position - 8000) / 2000.0;
    t.coupling = s.coupling == 1 ? "AC" : s.coupling == 2 ? "GND" : "DC";
    if (s.bandwidthLimit) t.coupling += " BW";
    t.overRange = overRangeSamples(record, input) > 0;
    if (trigger.known && trigger.source == ch) pic.triggerTrace = int(pic.traces.size());
    pic.traces.push_back(std::move(t));
  }
  return pic;
}

}  // namespace zyvscope
