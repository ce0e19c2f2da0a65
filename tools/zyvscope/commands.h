// The zyvscope commands and the state they share within one run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis.h"
#include "session.h"

namespace zyvscope {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;    // the library or the instrument failed
inline constexpr int kExitUsage = 2;      // the command line is wrong
inline constexpr int kExitMaskFailed = 3; // a capture failed the mask test

// A command line that cannot work with the instrument found (a channel or
// device that does not exist, output too large): exit status 2.
struct CheckFailure {
  std::string message;
};

// Options that hold for the whole run.
struct GlobalOptions {
  std::string runtime;  // folder of Zyvrun.dll; empty: beside the program, else the current folder
  int32_t group = 0;
  std::string out = ".";
  bool quiet = false;
  bool noAutoset = false;
  int32_t recordLength = -1;  // -1: keep
  int64_t sampleRate = -1;
  bool triggerGiven = false;
  double triggerVolts = 0.0;
  int32_t triggerSource = 0;
  int32_t triggerSlope = 0;
  double timeout = 1.0;  // seconds until the trigger is forced
  int32_t waitMode = -1;  // 0 auto, 1 normal, 2 single; -1: as set
  MeasureRange range = MeasureRange::kRecord;
};

// One command of the command line with its own options.
struct Command {
  std::string name;
  std::vector<std::string> positional;
  int32_t count = -1;    // -n
  int32_t channel = 0;   // -c
  int32_t device = 0;    // -d
  std::string csv, svg;
  bool noCsv = false;
  std::string window = "hanning";
  int32_t peaks = 5;
  double tolDiv = 0.1;
  double tolSamples = 2.0;
  double timePerDiv = 0.0;  // 0: chosen from the signal
};

class Run {
 public:
  explicit Run(const GlobalOptions& options);
  ~Run();
  // Checks the channels and devices the commands name against the
  // instrument before any of them runs (throws CheckFailure).
  void checkCommands(const std::vector<Command>& commands);
  // Runs one command; returns its exit status (throws Failure).
  int execute(const Command& command);

 private:
  Session& session();
  void prepareAcquisition();
  // The session, set up for capturing, after checking that a channel exists.
  Session& acquiringSession(int32_t channel);
  int info();
  int autoset();
  int apply(const Command& c);
  int capture(const Command& c);
  int measure(const Command& c);
  int spectrum(const Command& c);
  int mask(const Command& c);
  int demo();
  void printSettings();
  // Measures a channel over the chosen range; the time per division of its
  // screen comes back in `timePerDiv`.
  Measurements measureOver(const Record& r, int input, double& timePerDiv, double requested);
  std::string captureState(const Record& r, bool forced) const;
  std::string outPath(const std::string& given, const std::string& fallback) const;

  GlobalOptions options_;
  Progress progress_;
  std::unique_ptr<Session> session_;
  bool configured_ = false;  // autoset or a settings file ran
  bool prepared_ = false;
  std::vector<std::string> pictures_;
};

// The names of the commands, for the command line.
bool isCommand(const std::string& word);
const char* usage();
// The version of zyvscope and of the interface it was built for.
const char* versionText();

}  // namespace zyvscope
