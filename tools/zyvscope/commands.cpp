#include "commands.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "analysis.h"
#include "host.h"
#include "uZyvSDK.h"

namespace zyvscope {
namespace {

const char* const kCommands[] = {"info", "autoset", "capture", "measure", "spectrum", "mask", "apply", "demo"};

const char* couplingName(int32_t c) { return c == 1 ? "AC" : c == 2 ? "GND" : c == 0 ? "DC" : "?"; }
const char* bandwidthName(int32_t b) { return b == 1 ? "20 MHz limit" : b == 2 ? "2 MHz limit" : "full bandwidth"; }
const char* slopeName(int32_t s) { return s == 1 ? "falling" : s >= 2 ? "either edge" : "rising"; }

std::string fixedText(const char* bytes, std::size_t size) {
  std::string s(bytes, strnlen(bytes, size));
  return s;
}

std::string triggerText(const TriggerInfo& t) {
  if (!t.known) return "edge CH0 rising, at the middle of CH0's signal";
  return "edge CH" + std::to_string(t.source) + " " + slopeName(t.slope) + " at " +
         engineering(double(t.level) * 1e-6, "V", 3);
}

// A line of the main results per channel under the screen.
std::vector<std::string> measurementNotes(const Record& r, const Measurements& first) {
  std::vector<std::string> notes;
  const char* mu = "\xC2\xB5";
  for (int input = 0; input < 2; ++input) {
    const Measurements m = input == 0 ? first : zyvscope::measure(r, 1);
    auto value = [&](int type) {
      if (!m.valid[type]) return std::string("---");
      const std::string unit = measurementType(type).unit;
      if (unit == "%" || unit == "deg") return formatMeasurement(type, true, m.value[type]);
      return engineering(m.value[type], unit, 4, mu);
    };
    std::string line = "CH" + std::to_string(2 * r.device + input) + "  Freq " + value(0) + "   Vpp " + value(6) +
                       "   Vrms " + value(8) + "   Mean " + value(9);
    if (input == 0) line += "   Phase " + value(25);
    notes.push_back(line);
  }
  return notes;
}

}  // namespace

bool isCommand(const std::string& word) {
  for (const char* c : kCommands)
    if (word == c) return true;
  return false;
}

const char* usage() {
  return "usage: zyvscope [options] COMMAND [command options] [COMMAND ...]\n"
         "\n"
         "Drives the oscilloscopes through uZyvSDK; with the simulated runtime it needs no hardware.\n"
         "Commands run in order in one session, so that settings carry over:\n"
         "  info                 devices, their information and the settings in force\n"
         "  autoset              volts/div, trigger and sample rate for the signals present\n"
         "  apply FILE           applies a settings file (key = values lines)\n"
         "  capture              captures and writes waveform.csv and waveform.svg\n"
         "      -n N             N captures (files numbered when N > 1)\n"
         "      -d DEVICE        device to read (0)\n"
         "      --csv FILE --svg FILE --time-div SECONDS\n"
         "  measure              all 30 measurement types of a channel against its neighbour\n"
         "      -c CHANNEL       channel to measure (0)\n"
         "  spectrum             spectrum peaks in dBV; writes spectrum.csv and spectrum.svg\n"
         "      -c CHANNEL --window NAME --peaks K --csv FILE --svg FILE\n"
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
         "  --rate R             sample rate in samples per second\n"
         "  --trigger VOLTS      edge trigger level; --source CHANNEL (0), --slope rising|falling|either\n"
         "  --timeout SECONDS    wait for a trigger before forcing it (1)\n"
         "  -h, --help           this text\n"
         "\n"
         "Exit status: 0 done, 1 the library or the instrument failed, 2 bad command line,\n"
         "3 a capture failed the mask test.\n";
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
  if (options_.triggerGiven) {
    const double uv = options_.triggerVolts * 1e6;
    if (!(std::fabs(uv) < 9.2e18)) throw Failure("the trigger level " + std::to_string(options_.triggerVolts) +
                                                     " V is out of range", UZYV_ERR_VALUE);
    s.setEdgeTrigger(options_.triggerSource, options_.triggerSlope, int64_t(uv));
  }
}

Session& Run::acquiringSession(int32_t channel) {
  prepareAcquisition();
  Session& s = session();
  if (channel < 0 || channel >= 2 * s.devices())
    throw Failure("channel " + std::to_string(channel) + " does not exist", UZYV_ERR_CHANNEL);
  return s;
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
  std::printf("  trigger  %s\n", triggerText(s.trigger()).c_str());
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
  s.applySettingsFile(c.positional[0]);
  configured_ = true;
  prepared_ = false;
  std::printf("applied %s:\n", c.positional[0].c_str());
  printSettings();
  return kExitOk;
}

int Run::capture(const Command& c) {
  prepareAcquisition();
  Session& s = session();
  if (c.device < 0 || c.device >= s.devices())
    throw Failure("device " + std::to_string(c.device) + " does not exist", UZYV_ERR_DEVICE);
  const int32_t count = c.count < 0 ? 1 : c.count;
  Record last;
  for (int32_t k = 1; k <= count; ++k) {
    if (count > 1) progress_.step("capture", k, count);
    const bool triggered = s.capture(options_.timeout);
    last = s.read(c.device);
    std::string csv = outPath(c.csv, "waveform.csv");
    if (count > 1) {
      const std::size_t dot = csv.rfind('.');
      std::string number = "-";
      number += std::to_string(k);
      csv = dot == std::string::npos ? csv + number : csv.substr(0, dot) + number + csv.substr(dot);
    }
    if (!writeWaveformCsv(csv, last)) throw Failure("cannot write " + csv, 0);
    double lo[2] = {0, 0}, hi[2] = {0, 0};
    for (int i = 0; i < 2; ++i)
      for (std::size_t n = 0; n < last.volts[i].size(); ++n) {
        lo[i] = n ? std::min(lo[i], last.volts[i][n]) : last.volts[i][n];
        hi[i] = n ? std::max(hi[i], last.volts[i][n]) : last.volts[i][n];
      }
    std::printf("capture %d: %s, %d samples at %s; CH%d %s to %s, CH%d %s to %s -> %s\n", k,
                triggered ? "triggered" : "trigger forced", last.length,
                engineering(double(last.sampleRate), "Sa/s").c_str(), 2 * c.device,
                engineering(lo[0], "V", 3).c_str(), engineering(hi[0], "V", 3).c_str(), 2 * c.device + 1,
                engineering(lo[1], "V", 3).c_str(), engineering(hi[1], "V", 3).c_str(), csv.c_str());
  }
  const ChannelSettings settings[2] = {s.channel(2 * c.device), s.channel(2 * c.device + 1)};
  const Measurements m = zyvscope::measure(last, 0);
  WaveformPicture pic = waveformPicture(last, settings, s.trigger(), c.timePerDiv, m.valid[0] ? m.value[0] : 0.0);
  pic.notes = measurementNotes(last, m);
  const std::string svg = outPath(c.svg, "waveform.svg");
  if (!writeWaveformPicture(pic, svg)) throw Failure("cannot write " + svg, 0);
  pictures_.push_back(svg);
  std::printf("picture: %s\n", host::absolutePath(svg).c_str());
  return kExitOk;
}

int Run::measure(const Command& c) {
  Session& s = acquiringSession(c.channel);
  const bool triggered = s.capture(options_.timeout);
  const Record r = s.read(c.channel / 2);
  const int input = c.channel % 2;
  const Measurements m = zyvscope::measure(r, input);
  const int32_t reference = c.channel ^ 1;
  std::printf("measurements of CH%d against CH%d: samples %d to %d of %d at %s%s\n", c.channel, reference,
              m.start, m.end - 1, r.length, engineering(double(r.sampleRate), "Sa/s").c_str(),
              triggered ? "" : " (trigger forced)");
  std::printf("  %2s  %-12s %s\n", "#", "type", "value");
  for (int i = 0; i < kMeasurementTypes; ++i)
    std::printf("  %2d  %-12s %s\n", i, measurementType(i).name, formatMeasurement(i, m.valid[i], m.value[i]).c_str());
  return kExitOk;
}

int Run::spectrum(const Command& c) {
  Session& s = acquiringSession(c.channel);
  const int32_t window = windowIndex(c.window);
  s.capture(options_.timeout);
  const Record r = s.read(c.channel / 2);
  const Spectrum sp = spectrumOf(r, c.channel % 2, window);
  std::printf("spectrum of CH%d: %d samples at %s, %s window, bins of %s\n", c.channel, sp.samples,
              engineering(double(r.sampleRate), "Sa/s").c_str(), windowName(window),
              engineering(sp.binWidth, "Hz").c_str());
  const std::vector<int> peaks = peaksOf(sp.dbv, c.peaks);
  for (std::size_t k = 0; k < peaks.size(); ++k)
    std::printf("  peak %zu  %12s  %7.2f dBV\n", k + 1, engineering(peaks[k] * sp.binWidth, "Hz").c_str(),
                sp.dbv[std::size_t(peaks[k])]);
  const std::string csv = outPath(c.csv, "spectrum.csv");
  if (!writeSpectrumCsv(csv, sp)) throw Failure("cannot write " + csv, 0);
  SpectrumPicture pic;
  pic.label = "CH" + std::to_string(c.channel);
  pic.color = channelColor(c.channel);
  pic.dbv = sp.dbv;
  pic.binWidth = sp.binWidth;
  pic.window = windowName(window);
  pic.notes.push_back(std::to_string(sp.samples) + " samples at " +
                      engineering(double(r.sampleRate), "Sa/s", 4, "\xC2\xB5") + ", scale dBV (0 dBV = 1 V)");
  const std::string svg = outPath(c.svg, "spectrum.svg");
  if (!writeSpectrumPicture(pic, svg)) throw Failure("cannot write " + svg, 0);
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
