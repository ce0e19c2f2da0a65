#include "commands.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "analysis.h"
#include "host.h"
#include "interrupt.h"
#include "uZyvSDK.h"

namespace zyvscope {
namespace {

const char* const kCommands[] = {"info", "autoset", "capture", "measure", "spectrum", "mask", "apply", "demo"};

// Why the last file operation failed, as the system says it.
std::string systemReason() { return errno ? std::strerror(errno) : "unknown reason"; }

const char* couplingName(int32_t c) { return c == 1 ? "AC" : c == 2 ? "GND" : c == 0 ? "DC" : "?"; }
const char* bandwidthName(int32_t b) { return b == 1 ? "20 MHz limit" : b == 2 ? "2 MHz limit" : "full bandwidth"; }
const char* slopeName(int32_t s) { return s == 1 ? "falling" : s >= 2 ? "either edge" : "rising"; }

std::string fixedText(const char* bytes, std::size_t size) {
  std::string s(bytes, strnlen(bytes, size));
  return s;
}

const char* waitModeName(int32_t m) {
  return m == 1 ? "normal" : m == 2 ? "single" : m == 3 ? "auto with a time" : "auto";
}

std::string triggerText(const TriggerInfo& t) {
  if (!t.known) return "edge CH0 rising, at the middle of CH0's signal (autoset; shown after the first capture)";
  std::string s = "edge CH" + std::to_string(t.source) + " " + slopeName(t.slope) + " at " +
                  (t.estimated ? "about " : "") + engineering(double(t.level) * 1e-6, "V", 3);
  if (t.estimated) s += " (autoset: the middle of CH0's signal)";
  return s;
}

const char* rangeName(MeasureRange r) { return r == MeasureRange::kScreen ? "the screen" : "the whole record"; }

// A line of the main results per channel under the screen.
std::vector<std::string> measurementNotes(const Record& r, const Measurements m[2]) {
  std::vector<std::string> notes;
  const char* mu = "\xC2\xB5";
  for (int input = 0; input < 2; ++input) {
    if (!r.on[input]) continue;
    auto value = [&](int type) {
      const std::string text = measurementText(m[input], type, mu);
      return text == "invalid" ? std::string("---") : text;
    };
    std::string line = "CH" + std::to_string(2 * r.device + input) + "  Freq " + value(0) + "   Vpp " + value(6) +
                       "   Vrms " + value(8) + "   Mean " + value(9);
    if (input == 0 && r.on[1]) line += "   Phase " + value(25);
    notes.push_back(line);
  }
  return notes;
}

std::string overRangeWarning(const Record& r, int input) {
  const int32_t n = overRangeSamples(r, input);
  if (n == 0) return "";
  return "CH" + std::to_string(2 * r.device + input) + " over range: " + std::to_string(n) + " of " +
         std::to_string(r.length) + " samples at the converter's limits; level results are marked (clipped)";
}

}  // namespace

bool isCommand(const std::string& word) {
  for (const char* c : kCommands)
    if (word == c) return true;
  return false;
}

const char* usage() {
  return "usage: zyvscope [options] COMMAND [command options] [COMMAND ...]\n"
         "       zyvscope help [settings] | --help | --version\n"
         "\n"
         "Drives the oscilloscopes through uZyvSDK; with the simulated runtime it needs no hardware.\n"
         "Commands run in order in one session, so that settings carry over:\n"
         "  info                 devices, their information and the settings in force\n"
         "  autoset              volts/div, trigger and sample rate for the signals present\n"
         "  apply FILE           applies a settings file (zyvscope help settings lists the keys)\n"
         "  capture              captures and writes waveform.csv and waveform.svg\n"
         "      -n N             N captures (files numbered when N > 1)\n"
         "      -d DEVICE        device to read (0)\n"
         "      --csv FILE --svg FILE.svg --no-csv --time-div SECONDS\n"
         "  measure              all 30 measurement types of a channel against its neighbour\n"
         "      -c CHANNEL       channel to measure (0); --time-div SECONDS for --range screen\n"
         "  spectrum             spectrum peaks in dBV (RMS, 0 dBV = 1 V rms); spectrum.csv, spectrum.svg\n"
         "      -c CHANNEL --window NAME --peaks K --csv FILE --svg FILE.svg\n"
         "      windows: hanning (default), blackman, hamming, blackman-harris, bartlett, sine,\n"
         "      lanczos, gaussian, middle-half (the centred half of the samples, the rest zeroed)\n"
         "  mask                 builds a mask from one capture, tests the next N (10)\n"
         "      -c CHANNEL -n N --tol-div DIVISIONS (0.1) --tol-samples SAMPLES (2)\n"
         "  demo                 the whole sequence, with both pictures\n"
         "\n"
         "Options:\n"
         "  -r, --runtime DIR    folder of Zyvrun.dll (default: the simulated runtime of the build, else .)\n"
         "  -g, --group N        device group 0..19 (0)\n"
         "  -o, --out DIR        folder for the files written (.)\n"
         "  -q, --quiet          no progress on standard error\n"
         "  --no-autoset         capture with the settings as they are (otherwise autoset runs first\n"
         "                       unless a command before set the instrument up)\n"
         "  --record N           record length in samples (a multiple of 8)\n"
         "  --rate R             sample rate in samples per second (k, M, G suffixes)\n"
         "  --trigger VOLTS      edge trigger level; --source CHANNEL (0), --slope rising|falling|either\n"
         "  --mode MODE          auto: data without a trigger after a moment (autoset's choice);\n"
         "                       normal: waits --timeout for a trigger, then forces one;\n"
         "                       single: waits --timeout for a trigger, else fails\n"
         "  --timeout SECONDS    how long normal and single mode wait for a trigger (1)\n"
         "  --range WHAT         measurements over the whole record (record, default) or what the\n"
         "                       screen shows (screen)\n"
         "  -h, --help           this text;  --version  the version\n"
         "\n"
         "Each capture says whether it was triggered, ran free (auto, no trigger) or was forced.\n"
         "Measurements that need two cycles say so; values taken on clipped data are marked.\n"
         "\n"
         "Exit status: 0 done, 1 the library or the instrument failed, 2 bad command line or a\n"
         "channel, device or output that cannot be used, 3 a capture failed the mask test,\n"
         "130 / 143 ended by Ctrl-C / SIGTERM.\n";
}

const char* versionText() {
  return "zyvscope 1.0.0 (uZyvSDK 1.0.0)\n";
}

Run::Run(const GlobalOptions& options) : options_(options), progress_(options.quiet) {}
Run::~Run() = default;

Session& Run::session() {
  if (!session_) {
    std::string folder = options_.runtime;
    if (folder.empty()) folder = defaultRuntimeFolder();
    session_ = std::make_unique<Session>(folder, options_.group, progress_);
  }
  return *session_;
}

std::string Run::outPath(const std::string& given, const std::string& fallback) const {
  const std::string name = given.empty() ? fallback : given;
  // A name with a folder of its own stands as given.
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return name;
  return host::joinPath(options_.out, name);
}

void Run::prepareAcquisition() {
  Session& s = session();
  if (prepared_) return;
  prepared_ = true;
  if (!configured_ && !options_.noAutoset) {
    s.autoset();
    configured_ = true;
  }
  if (options_.recordLength >= 0) s.setRecordLength(options_.recordLength);
  if (options_.sampleRate >= 0) s.setSampleRate(options_.sampleRate);
  if (options_.waitMode >= 0) s.setWaitMode(options_.waitMode);
  if (options_.triggerGiven) {
    const double uv = options_.triggerVolts * 1e6;
    if (!(std::fabs(uv) < 9.2e18)) throw Failure("the trigger level " + std::to_string(options_.triggerVolts) +
                                                     " V is out of range", UZYV_ERR_VALUE);
    s.setEdgeTrigger(options_.triggerSource, options_.triggerSlope, int64_t(uv));
  }
}

Session& Run::acquiringSession(int32_t channel) {
  Session& s = session();
  if (channel < 0 || channel >= 2 * s.devices())
    throw CheckFailure{"channel " + std::to_string(channel) + " does not exist: " + std::to_string(s.devices()) +
                       " device(s), channels 0 to " + std::to_string(2 * s.devices() - 1)};
  prepareAcquisition();
  return s;
}

void Run::checkCommands(const std::vector<Command>& commands) {
  for (const Command& c : commands) {
    if (c.name == "measure" || c.name == "spectrum" || c.name == "mask") {
      const int32_t devices = session().devices();
      if (c.channel >= 2 * devices)
        throw CheckFailure{c.name + " -c " + std::to_string(c.channel) + ": channel " + std::to_string(c.channel) +
                           " does not exist (" + std::to_string(devices) + " device(s): channels 0 to " +
                           std::to_string(2 * devices - 1) + ")"};
    }
    if (c.name == "capture" && c.device >= session().devices())
      throw CheckFailure{"capture -d " + std::to_string(c.device) + ": device " + std::to_string(c.device) +
                         " does not exist (" + std::to_string(session().devices()) + " device(s): 0 to " +
                         std::to_string(session().devices() - 1) + ")"};
  }
}

Measurements Run::measureOver(const Record& r, int input, double& timePerDiv, double requested) {
  const Measurements whole = zyvscope::measure(r, input);
  timePerDiv = screenTimePerDiv(r, requested, whole.valid[0] && !whole.fewCycles ? whole.value[0] : 0.0);
  if (options_.range == MeasureRange::kRecord) return whole;
  int32_t start = 0, end = 0;
  screenSamples(r, timePerDiv, start, end);
  return zyvscope::measure(r, input, start, end);
}

std::string Run::captureState(const Record& r, bool forced) const {
  if (r.status & 1) return "triggered";
  if (forced) return "forced after " + engineering(options_.timeout, "s", 3) + " without a trigger";
  return "auto (no trigger)";
}

int Run::execute(const Command& c) {
  if (c.name == "info") return info();
  if (c.name == "autoset") return autoset();
  if (c.name == "apply") return apply(c);
  if (c.name == "capture") return capture(c);
  if (c.name == "measure") return measure(c);
  if (c.name == "spectrum") return spectrum(c);
  if (c.name == "mask") return mask(c);
  if (c.name == "demo") return demo();
  return kExitUsage;
}

void Run::printSettings() {
  Session& s = session();
  for (int32_t ch = 0; ch < 2 * s.devices(); ++ch) {
    const ChannelSettings cs = s.channel(ch);
    std::printf("  CH%-2d %-3s %12s  position %5d  offset %10s  %s  %s\n", ch, cs.on ? "on" : "off",
                engineering(cs.voltDiv * 1e-6, "V/div", 3).c_str(), cs.position,
                engineering(cs.offset * 1e-6, "V", 3).c_str(), couplingName(cs.coupling),
                bandwidthName(cs.bandwidthLimit));
  }
  const Timebase tb = s.timebase();
  const double duration = tb.sampleRate > 0 ? double(tb.recordLength) / double(tb.sampleRate) : 0.0;
  std::printf("  timebase %s, record %d samples (%s), %d bits, trigger position %s\n",
              engineering(double(tb.sampleRate), "Sa/s", 4).c_str(), tb.recordLength,
              engineering(duration, "s", 4).c_str(), tb.bits, engineering(double(tb.trigPos) * 1e-12, "s").c_str());
  std::printf("  trigger  %s, %s mode\n", triggerText(s.trigger()).c_str(), waitModeName(s.waitMode()));
}

int Run::info() {
  Session& s = session();
  std::printf("runtime  %s\n", s.runtimeFolder().empty() ? "(current folder)" : s.runtimeFolder().c_str());
  std::printf("devices  %d\n", s.devices());
  for (int32_t d = 0; d < s.devices(); ++d) {
    char vendor[10] = {}, product[10] = {}, serial[16] = {};
    int32_t hw = 0, fw = 0, pid = 0, temperature[4] = {};
    uint32_t usb = 0;
    double cal[6] = {};
    Session::check(uZyvSDKGetVendorName(d, vendor), "uZyvSDKGetVendorName");
    Session::check(uZyvSDKGetProductName(d, product), "uZyvSDKGetProductName");
    Session::check(uZyvSDKGetSerialNum(d, serial), "uZyvSDKGetSerialNum");
    Session::check(uZyvSDKGetHwVer(d, &hw), "uZyvSDKGetHwVer");
    Session::check(uZyvSDKGetFwVer(d, &fw), "uZyvSDKGetFwVer");
    Session::check(uZyvSDKGetProductID(d, &pid), "uZyvSDKGetProductID");
    Session::check(uZyvSDKGetUsbDeviceHandle(d, &usb), "uZyvSDKGetUsbDeviceHandle");
    Session::check(uZyvSDKGetCalibrationData(d, cal), "uZyvSDKGetCalibrationData");
    const bool haveTemperature = uZyvSDKGetTemperature(d, temperature) != 0;
    if (!haveTemperature) uZyvSDKGetErrorCodeEx();
    std::printf("device %d  %s %s, serial %s, hardware %#x, firmware %#x, product %d%s, USB handle %#x",
                d, fixedText(vendor, 10).c_str(), fixedText(product, 10).c_str(), fixedText(serial, 16).c_str(),
                unsigned(hw), unsigned(fw), pid, pid == 8722 ? " (extended)" : "", usb);
    if (haveTemperature) std::printf(", temperature %d", temperature[0]);
    std::printf("\n");
    for (int input = 0; input < 2; ++input)
      std::printf("  CH%-2d calibration: gain %g mV/count, zero level %g, base offset %g mV\n", 2 * d + input,
                  cal[3 * input], cal[3 * input + 1], cal[3 * input + 2]);
  }
  std::printf("settings\n");
  printSettings();
  return kExitOk;
}

int Run::autoset() {
  Session& s = session();
  s.autoset();
  configured_ = true;
  prepared_ = false;
  std::printf("autoset chose:\n");
  printSettings();
  return kExitOk;
}

int Run::apply(const Command& c) {
  Session& s = session();
  const int settings = s.applySettingsFile(c.positional[0]);
  configured_ = true;
  prepared_ = false;
  std::printf("applied %s (%d setting%s):\n", c.positional[0].c_str(), settings, settings == 1 ? "" : "s");
  printSettings();
  return kExitOk;
}

int Run::capture(const Command& c) {
  Session& s = session();
  if (c.device < 0 || c.device >= s.devices())
    throw CheckFailure{"device " + std::to_string(c.device) + " does not exist"};
  prepareAcquisition();
  const int32_t count = c.count < 0 ? 1 : c.count;
  if (!c.noCsv) {
    // About 30 bytes a sample row.
    const double bytes = double(count) * double(std::max(0, s.timebase().recordLength)) * 30.0;
    if (bytes > 4e9)
      throw CheckFailure{"capture -n " + std::to_string(count) + " would write about " + engineering(bytes, "B", 2) +
                         " of CSV; lower -n or --record, or give --no-csv"};
    if (bytes > 200e6)
      std::fprintf(stderr, "zyvscope: warning: capture -n %d writes about %s of CSV\n", int(count),
                   engineering(bytes, "B", 2).c_str());
  }
  Record last;
  bool lastForced = false;
  for (int32_t k = 1; k <= count; ++k) {
    if (count > 1) progress_.step("capture", k, count);
    lastForced = s.capture(options_.timeout);
    last = s.read(c.device);
    std::string csv = outPath(c.csv, "waveform.csv");
    if (count > 1) {
      const std::size_t dot = csv.rfind('.');
      std::string number = "-";
      number += std::to_string(k);
      csv = dot == std::string::npos ? csv + number : csv.substr(0, dot) + number + csv.substr(dot);
    }
    if (!c.noCsv && !writeWaveformCsv(csv, last))
      throw Failure(Failure::Worded{}, "cannot write " + csv + ": " + systemReason(), 0);
    std::string ranges;
    for (int i = 0; i < 2; ++i) {
      if (!last.on[i] || last.volts[i].empty()) continue;
      const auto [lo, hi] = std::minmax_element(last.volts[i].begin(), last.volts[i].end());
      ranges += "; CH" + std::to_string(2 * c.device + i) + " " + engineering(*lo, "V", 3) + " to " +
                engineering(*hi, "V", 3);
      if (overRangeSamples(last, i) > 0) ranges += " (over range)";
    }
    if (ranges.empty()) ranges = "; both channels off";
    std::printf("capture %d: %s, %d samples at %s%s%s\n", k, captureState(last, lastForced).c_str(), last.length,
                engineering(double(last.sampleRate), "Sa/s").c_str(), ranges.c_str(),
                c.noCsv ? "" : (" -> " + csv).c_str());
    checkInterrupt();
  }
  const ChannelSettings settings[2] = {s.channel(2 * c.device), s.channel(2 * c.device + 1)};
  Measurements m[2];
  double tpd = 0.0;
  m[0] = measureOver(last, 0, tpd, c.timePerDiv);
  double unused = 0.0;
  m[1] = measureOver(last, 1, unused, tpd);
  WaveformPicture pic = waveformPicture(last, settings, s.trigger(), tpd);
  pic.notes = measurementNotes(last, m);
  pic.notes.push_back(captureState(last, lastForced) + "; measured over " + rangeName(options_.range));
  for (int i = 0; i < 2; ++i) {
    const std::string w = last.on[i] ? overRangeWarning(last, i) : "";
    if (w.empty()) continue;
    pic.warnings.push_back(w);
    std::fprintf(stderr, "zyvscope: warning: %s\n", w.c_str());
  }
  const std::string svg = outPath(c.svg, "waveform.svg");
  if (!writeWaveformPicture(pic, svg))
    throw Failure(Failure::Worded{}, "cannot write " + svg + ": " + systemReason(), 0);
  pictures_.push_back(svg);
  std::printf("picture: %s\n", host::absolutePath(svg).c_str());
  return kExitOk;
}

int Run::measure(const Command& c) {
  Session& s = acquiringSession(c.channel);
  const bool forced = s.capture(options_.timeout);
  const Record r = s.read(c.channel / 2);
  const int input = c.channel % 2;
  double tpd = 0.0;
  const Measurements m = measureOver(r, input, tpd, c.timePerDiv);
  const int32_t reference = c.channel ^ 1;
  std::printf("measurements of CH%d against CH%d over %s%s: samples %d to %d of %d at %s; %s\n", c.channel,
              reference, rangeName(options_.range),
              options_.range == MeasureRange::kScreen ? (" at " + engineering(tpd, "s/div", 3)).c_str() : "",
              m.start, m.end - 1, r.length, engineering(double(r.sampleRate), "Sa/s").c_str(),
              captureState(r, forced).c_str());
  if (!r.on[input]) std::printf("  CH%d is off\n", c.channel);
  if (m.clipped) std::printf("  %s\n", overRangeWarning(r, input).c_str());
  if (m.referenceClipped && r.on[1 - input])
    std::printf("  %s (delays and phase marked)\n", overRangeWarning(r, 1 - input).c_str());
  if (m.fewCycles) std::printf("  fewer than two cycles in the range: the period-based types give no value\n");
  std::printf("  %2s  %-12s %s\n", "#", "type", "value");
  for (int i = 0; i < kMeasurementTypes; ++i)
    std::printf("  %2d  %-12s %s\n", i, measurementType(i).name, measurementText(m, i).c_str());
  return kExitOk;
}

int Run::spectrum(const Command& c) {
  Session& s = acquiringSession(c.channel);
  const int32_t window = windowIndex(c.window);
  s.capture(options_.timeout);
  const Record r = s.read(c.channel / 2);
  const Spectrum sp = spectrumOf(r, c.channel % 2, window);
  std::printf("spectrum of CH%d: %d samples at %s, %s window, bin width %s; dBV RMS (0 dBV = 1 V rms)\n",
              c.channel, sp.samples, engineering(double(r.sampleRate), "Sa/s").c_str(), windowName(window),
              engineering(sp.binWidth, "Hz").c_str());
  if (window == 0) std::printf("  middle-half: the centred half of the samples, the rest zeroed\n");
  if (overRangeSamples(r, c.channel % 2) > 0)
    std::printf("  %s: the spectrum shows the clipped signal\n", overRangeWarning(r, c.channel % 2).c_str());
  const std::vector<int> peaks = peaksOf(sp.dbv, c.peaks);
  for (std::size_t k = 0; k < peaks.size(); ++k)
    std::printf("  peak %zu  %12s  %7.2f dBV\n", k + 1, engineering(peaks[k] * sp.binWidth, "Hz").c_str(),
                sp.dbv[std::size_t(peaks[k])]);
  const std::string csv = outPath(c.csv, "spectrum.csv");
  if (!writeSpectrumCsv(csv, sp))
    throw Failure(Failure::Worded{}, "cannot write " + csv + ": " + systemReason(), 0);
  SpectrumPicture pic;
  pic.label = "CH" + std::to_string(c.channel);
  pic.color = channelColor(c.channel);
  pic.dbv = sp.dbv;
  pic.binWidth = sp.binWidth;
  pic.window = windowName(window);
  pic.notes.push_back(std::to_string(sp.samples) + " samples at " +
                      engineering(double(r.sampleRate), "Sa/s", 4, "\xC2\xB5") + ", dBV RMS (0 dBV = 1 V rms)");
  const std::string svg = outPath(c.svg, "spectrum.svg");
  if (!writeSpectrumPicture(pic, svg))
    throw Failure(Failure::Worded{}, "cannot write " + svg + ": " + systemReason(), 0);
  pictures_.push_back(svg);
  std::printf("data: %s\npicture: %s\n", csv.c_str(), host::absolutePath(svg).c_str());
  return kExitOk;
}

int Run::mask(const Command& c) {
  Session& s = acquiringSession(c.channel);
  const int32_t count = c.count < 0 ? 10 : c.count;
  const int32_t device = c.channel / 2, input = c.channel % 2;
  const ChannelSettings cs = s.channel(c.channel);

  // The reference: an unshifted read with its time offset.
  s.capture(options_.timeout);
  const Timebase tb = s.timebase();
  const std::size_t n = std::size_t(std::max(0, tb.recordLength));
  std::vector<int16_t> raw(2 * n);
  double zero[2], base[2], gain[2];
  int32_t timeOffset = 0;
  Session::check(uZyvSDKReadExRaw(device, nullptr, raw.data(), zero, base, gain, &timeOffset), "uZyvSDKReadExRaw");
  const int16_t* reference = raw.data() + (input ? n : 0);
  // Tolerances in microvolts, turned into codes with the channel's gain.
  const double tolUv = c.tolDiv * double(cs.voltDiv);
  if (!(tolUv >= 0.0 && tolUv < 2e9)) throw Failure("the amplitude tolerance is out of range", UZYV_ERR_VALUE);
  const double periodPs = tb.sampleRate > 0 ? 1e12 / double(tb.sampleRate) : 0.0;
  const double tolPs = c.tolSamples * periodPs;
  if (!(tolPs >= 0.0 && tolPs < 9e18)) throw Failure("the time tolerance is out of range", UZYV_ERR_VALUE);
  double divisor = gain[input];
  Session::check(uZyvSDKPassFailInit(reference, int32_t(n), tb.sampleRate, int64_t(tolPs), int64_t(tolPs),
                                     int32_t(tolUv), int32_t(tolUv), 1000, &divisor, timeOffset),
                 "uZyvSDKPassFailInit");
  std::printf("mask of CH%d from one capture: +-%s, +-%g samples; testing %d captures\n", c.channel,
              engineering(tolUv * 1e-6, "V", 3).c_str(), c.tolSamples, count);
  int failed = 0;
  for (int32_t k = 1; k <= count; ++k) {
    progress_.step("mask test", k, count);
    checkInterrupt();
    s.capture(options_.timeout);
    int32_t result = 0;
    Session::check(uZyvSDKPassFailCheck(c.channel, &result), "uZyvSDKPassFailCheck");
    if (result < 0) {
      std::printf("  capture %2d: pass\n", k);
    } else {
      ++failed;
      const double t = tb.sampleRate > 0 ? double(result) / double(tb.sampleRate) : 0.0;
      std::printf("  capture %2d: FAIL at step %d (%s into the record)\n", k, result,
                  engineering(t, "s").c_str());
    }
  }
  std::printf("mask test: %d of %d passed\n", count - failed, count);
  return failed ? kExitMaskFailed : kExitOk;
}

int Run::demo() {
  Session& s = session();
  std::printf("== devices\n");
  std::printf("%d simulated device(s) behind %s\n", s.devices(),
              s.runtimeFolder().empty() ? "the current folder" : s.runtimeFolder().c_str());
  std::printf("\n== autoset\n");
  autoset();
  std::printf("\n== capture (aligned to the trigger, converted to volts)\n");
  Command cap;
  cap.name = "capture";
  capture(cap);
  std::printf("\n== measure\n");
  Command meas;
  meas.name = "measure";
  measure(meas);
  std::printf("\n== spectrum\n");
  Command spectrumCommand;
  spectrumCommand.name = "spectrum";
  spectrum(spectrumCommand);
  std::printf("\n== mask test\n");
  Command mk;
  mk.name = "mask";
  mk.count = 5;
  const int status = mask(mk);
  std::printf("\n== pictures\n");
  for (const std::string& p : pictures_) std::printf("  %s\n", host::absolutePath(p).c_str());
  return status;
}

}  // namespace zyvscope
