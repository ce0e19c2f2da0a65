// One zyvscope session with the library: a device group opened on a
// runtime folder, the acquisition steps the commands are made of, and
// failures carried as exceptions with the library's error code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace zyvscope {

// A failed library call: what was attempted, and LastError.
class Failure : public std::runtime_error {
 public:
  // "what failed with error N (meaning)".
  Failure(const std::string& what, int32_t code);
  // A message that says all itself, with the code it stands for.
  struct Worded {};
  Failure(Worded, const std::string& message, int32_t code);
  int32_t code() const { return code_; }

 private:
  int32_t code_;
};

// Reports progress of long work on standard error: counted steps, or a
// spinner with the elapsed time while one call blocks.
class Progress {
 public:
  explicit Progress(bool quiet);
  void step(const std::string& task, int done, int total);
  void done(const std::string& task, const std::string& result);
  // Runs `work` while a spinner turns; the work itself must not print.
  template <class Work>
  auto whileBusy(const std::string& task, Work&& work) -> decltype(work());
  bool quiet() const { return quiet_; }

 private:
  void startSpinner(const std::string& task);
  void stopSpinner();
  bool quiet_;
  bool terminal_;
  struct Spinner;
  Spinner* spinner_ = nullptr;
};

struct ChannelSettings {
  int32_t voltDiv = 0;  // microvolts per division
  int32_t position = 0;
  int32_t offset = 0;  // microvolts, as the application gave it
  int32_t coupling = 0;
  int32_t bandwidthLimit = 0;
  bool on = false;
};

struct Timebase {
  int64_t sampleRate = 0;
  int32_t recordLength = 0;
  int64_t trigPos = 0;     // picoseconds
  int64_t delayTime = 0;   // picoseconds
  int32_t bits = 0;
};

// The edge trigger as far as zyvscope knows it.
struct TriggerInfo {
  bool known = false;
  int32_t source = 0;
  int32_t slope = 0;  // 0 rising, 1 falling, 2 either
  int64_t level = 0;  // microvolts
  bool estimated = false;  // read off the signal, not known from the settings
};

// One device's record after a capture.
struct Record {
  int32_t device = 0;
  int32_t length = 0;
  int64_t sampleRate = 0;
  int32_t status = 0;  // bit 0: the capture found its trigger event
  int32_t bits = 8;    // resolution of the codes
  bool on[2] = {true, true};
  double triggerIndex = 0.0;  // where the trigger event lies in the record
  std::vector<double> volts[2];   // aligned, in volts
  std::vector<int16_t> raw[2];    // aligned raw codes
  double zeroLevel[2] = {}, baseOffset[2] = {}, gain[2] = {};
  int32_t offsetUv[2] = {};  // the channels' offsets as the application set them
};

class Session {
 public:
  Session(const std::string& runtimeFolder, int32_t group, Progress& progress);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  int32_t devices() const { return devices_; }
  const std::string& runtimeFolder() const { return folder_; }

  ChannelSettings channel(int32_t ch) const;
  Timebase timebase() const;
  TriggerInfo& trigger() { return trigger_; }

  void autoset();
  // Applies a settings file; warns about the lines the library ignores and
  // names the line that it refused. Returns the number of settings applied.
  int applySettingsFile(const std::string& path);
  // Wait mode 0 (auto), 1 (normal), 2 (single).
  void setWaitMode(int32_t mode);
  int32_t waitMode() const;
  void setEdgeTrigger(int32_t source, int32_t slope, int64_t levelUv);
  void setRecordLength(int32_t length);
  void setSampleRate(int64_t rate);

  // Starts a capture and waits for its data. Without data after
  // `timeoutSeconds` the trigger is forced (auto and normal mode) or the
  // capture stopped and refused (single mode). Returns true when the
  // trigger had to be forced.
  bool capture(double timeoutSeconds);
  // Reads one device of the last capture, aligned, in volts and raw codes.
  Record read(int32_t device);

  // Throws a Failure for a zero result of `call`.
  static void check(int32_t result, const std::string& call);

 private:
  std::string folder_;
  int32_t devices_ = 0;
  Progress& progress_;
  TriggerInfo trigger_;
};

// The folder of the simulated runtime next to the program (a build tree's
// "sim/default"), or empty.
std::string defaultRuntimeFolder();


template <class Work>
auto Progress::whileBusy(const std::string& task, Work&& work) -> decltype(work()) {
  startSpinner(task);
  try {
    if constexpr (std::is_void_v<decltype(work())>) {
      work();
      stopSpinner();
    } else {
      auto result = work();
      stopSpinner();
      return result;
    }
  } catch (...) {
    stopSpinner();
    throw;
  }
}

}  // namespace zyvscope
