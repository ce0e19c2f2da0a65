// The zyvscope tool run as a user runs it, against the simulated instrument:
// exit statuses and what the messages say, the trigger state, measurements
// over the record, clipping, settings files, and an ending by a signal.
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/sdk.h"

#if !defined(_WIN32)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace sdktest;

struct Case {
  std::string arguments;
  int status;
  std::vector<std::string> says;
  std::vector<std::string> saysNot = {};
};

class Tool : public SdkTest {
 protected:
  std::string program() {
#if defined(_WIN32)
    return programFolder() + "zyvscope.exe";
#else
    return programFolder() + "zyvscope";
#endif
  }
  int run(const std::string& arguments) {
    const std::string out = tempFolder() + "tool-output.txt";
    std::string command = "\"" + program() + "\" " + arguments + " > \"" + out + "\" 2>&1";
#if defined(_WIN32)
    command = "\"" + command + "\"";  // cmd strips one pair of quotes
#endif
    const int status = std::system(command.c_str());
    output = readFile(out);
#if defined(_WIN32)
    return status;
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  }
  // A path as one argument; without a trailing separator, which would
  // escape the closing quote on Windows.
  static std::string quoted(std::string path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    return "\"" + path + "\"";
  }
  std::string runtime(const std::string& variant = "default") { return "-r " + quoted(runtimeFolder(variant)); }
  // A settings file of the test's own, as an argument.
  std::string settingsFile(const std::string& name, const std::string& content) {
    const std::string path = tempFolder() + name;
    EXPECT_TRUE(writeFile(path, content));
    return quoted(path);
  }
  std::string bench() { return quoted(programFolder() + ".." + separator() + "examples" + separator() + "bench.ini"); }
  std::string out() { return "-o " + quoted(tempFolder() + "out"); }
  std::string outFile(const std::string& name) { return readFile(tempFolder() + "out" + separator() + name); }
  // The line of `output` that starts with `start` (after blanks), or "".
  std::string line(const std::string& start) const {
    std::size_t at = 0;
    while (at < output.size()) {
      std::size_t end = output.find('\n', at);
      if (end == std::string::npos) end = output.size();
      std::string l = output.substr(at, end - at);
      const std::size_t first = l.find_first_not_of(' ');
      if (first != std::string::npos && l.compare(first, start.size(), start) == 0) return l;
      at = end + 1;
    }
    return "";
  }
  static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
  // Each case's exit status, and what its output says and does not say.
  void expectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      EXPECT_EQ(c.status, run(c.arguments)) << c.arguments << "\n" << output;
      for (const std::string& s : c.says) EXPECT_TRUE(has(output, s)) << c.arguments << "\n" << output;
      for (const std::string& s : c.saysNot) EXPECT_FALSE(has(output, s)) << c.arguments << " says " << s << "\n" << output;
    }
  }
  std::string output;
};



TEST_F(Tool, DemoExitsZeroAndWritesBothPictures) {
  ASSERT_TRUE(fileExists(program())) << program();
  const std::string folder = tempFolder() + "demo";
  ASSERT_EQ(0, run(runtime() + " -q -o " + quoted(folder) + " demo")) << output;
  for (const char* name : {"waveform.svg", "spectrum.svg"}) {
    const std::string svg = readFile(folder + separator() + name);
    EXPECT_NE(std::string::npos, svg.find("<svg")) << name;
    EXPECT_NE(std::string::npos, svg.find("<polyline")) << name << " has a trace";
    EXPECT_NE(std::string::npos, output.find(name)) << "the demo says where " << name << " is";
  }
  EXPECT_NE(std::string::npos, output.find("Frequency")) << output;
  EXPECT_NE(std::string::npos, output.find("5 of 5 passed")) << output;
  // The spectrum says what its numbers are.
  EXPECT_TRUE(has(output, "bin width 48.83 Hz; dBV RMS (0 dBV = 1 V rms)")) << output;
  const std::string spectrum = readFile(folder + separator() + "spectrum.svg");
  EXPECT_TRUE(has(spectrum, "bin width")) << "the spacing of the bins, not a resolution bandwidth";
  EXPECT_FALSE(has(spectrum, "RBW"));
  EXPECT_TRUE(has(spectrum, "dBV RMS"));
}

TEST_F(Tool, CommandLineMistakesAreRefusedBeforeAnythingRuns) {
  expectCases((std::vector<Case>{
      {"", 2, {"usage"}},
      {"frobnicate", 2, {"unknown command"}},
      {"measure --window hanning", 2, {"measure does not take --window"}},
      {"mask -n 0", 2, {"--count takes"}},
      {"apply", 2, {"apply needs the settings file"}},
      {"--record 1001 capture", 2, {"--record takes a multiple of 8", "1000 or 1008"}},
      {"--rate 0 capture", 2, {"from 1 to 1e+12"}, {"000000"}},
      {"--timeout 9999 capture", 2, {"from 0 to 3600 s"}},
      {"capture --svg x.png", 2, {"ending in .svg"}},
      {"spectrum --window rect", 2, {"middle-half", "half of the samples"}},
      {"spectrum --window none", 2, {"middle-half"}},
      {"--mode sometimes capture", 2, {"auto, normal or single"}},
      {"--range all measure", 2, {"record or screen"}},
      {"help nothing", 2, {"settings"}},
      {"--help", 0, {"usage", "hanning", "middle-half", "--mode", "--range", "130"}},
      {"help", 0, {"usage"}},
      {"-q help settings", 0, {"TrigEdge", "VoltDiv", "WaitMode", "microvolts"}},
      {"--version", 0, {"zyvscope 1."}},
  }));
}

TEST_F(Tool, ChannelsDevicesAndOutputAreCheckedBeforeAutoset) {
  const std::string file = tempFolder() + "a-file";
  ASSERT_TRUE(writeFile(file, "x"));
  std::vector<Case> cases = {
      {runtime() + " -q autoset measure -c 4", 2, {"channel 4 does not exist", "0 to 3"}, {"autoset chose"}},
      {runtime() + " -q spectrum -c 5", 2, {"channel 5 does not exist"}},
      {runtime() + " -q mask -c 9", 2, {"channel 9 does not exist"}},
      {runtime() + " -q autoset capture -d 5", 2, {"device 5 does not exist"}, {"autoset chose"}},
      {runtime() + " -q -o " + quoted(file + separator() + "sub") + " capture", 2, {"cannot create the folder"}},
      {runtime() + " -q capture --csv " + quoted(file + separator() + "w.csv"), 2, {"cannot write files in"}},
      {runtime() + " -q " + out() + " capture -n 100000", 2, {"GB of CSV", "--no-csv"}},
  };
#if !defined(_WIN32)
  cases.push_back({runtime() + " -q -o /proc capture", 2, {"cannot write files in /proc:"}});
#endif
  expectCases(cases);
}

TEST_F(Tool, StartUpFailuresNameTheRuntimeFilesProblem) {
  expectCases((std::vector<Case>{
      {"-r " + quoted(tempFolder()) + " info", 1, {"error 22", "Zyvrun.dll"}},
      {runtime("v1401") + " info", 1, {"error 22", "version 1.4.0.1", "1.4.0.2"}, {"error 23"}},
      {runtime("noversion") + " info", 1, {"error 22", "no version"}, {"error 23"}},
      {runtime("noload") + " info", 1, {"error 22", "cannot be loaded"}, {"error 23"}},
      {runtime("nofft") + " info", 1, {"error 23", "uZyvReadWithFFT"}},
  }));
}

TEST_F(Tool, CapturesSayWhetherTheyWereTriggered) {
  expectCases((std::vector<Case>{
      {runtime() + " -q " + out() + " capture", 0, {"capture 1: triggered"}},
      // The square spans 1.5 V: no event at 5 V.
      {runtime() + " -q " + out() + " --trigger 5 capture", 0, {"capture 1: auto (no trigger)"}, {"triggered"}},
      {runtime() + " -q " + out() + " --trigger 5 --mode normal --timeout 0.05 capture", 0,
       {"capture 1: forced after 50.0 ms without a trigger"}, {"triggered"}},
      {runtime() + " -q " + out() + " --trigger 5 --mode single --timeout 0.05 capture", 1,
       {"no trigger within 50.0 ms", "single"}},
      {runtime() + " -q " + out() + " --mode normal capture info", 0, {"normal mode"}},
  }));
  ASSERT_EQ(0, run(runtime() + " -q " + out() + " --trigger 5 capture")) << output;
  EXPECT_TRUE(has(outFile("waveform.svg"), "auto (no trigger)")) << "under the screen too";
}

TEST_F(Tool, AutosetTriggerLevelReadsTheSameForEveryDevice) {
  std::string levels[2];
  for (int device = 0; device < 2; ++device) {
    ASSERT_EQ(0, run(runtime() + " -q " + out() + " capture -d " + std::to_string(device))) << output;
    const std::string svg = outFile("waveform.svg");
    const std::size_t at = svg.find(">Trig CH0 ");
    ASSERT_NE(std::string::npos, at) << svg;
    levels[device] = svg.substr(at, svg.find('<', at) - at);
    EXPECT_FALSE(has(levels[device], "autoset level")) << levels[device];
  }
  EXPECT_EQ(levels[0], levels[1]);
}

TEST_F(Tool, MeasurementsCoverTheRecordAndSayWhenTheyCannot) {
  // The bench file's record holds ten periods of the 1 kHz square.
  ASSERT_EQ(0, run(runtime() + " -q " + out() + " apply " + bench() + " measure")) << output;
  EXPECT_FALSE(has(output, "warning")) << output;
  EXPECT_TRUE(has(output, "over the whole record: samples 0 to 9999")) << output;
  EXPECT_TRUE(has(line("0  Frequency"), "1.000 kHz")) << output;
  EXPECT_TRUE(has(line("7  Amplitude"), "2.9")) << output;
  EXPECT_TRUE(has(line("17  - Overshoot"), " 0.") || has(line("17  - Overshoot"), " 1.")) << output;
  EXPECT_TRUE(has(line("27  R. Edge Cnt"), "10")) << output;
  const double phase = std::atof(line("25  Phase").substr(line("25  Phase").find("Phase") + 5).c_str());
  EXPECT_NEAR(90.0, phase, 5.0) << output;

  // Half a period on the screen.
  ASSERT_EQ(0, run(runtime() + " -q " + out() + " --range screen apply " + bench() + " measure --time-div 50u"))
      << output;
  EXPECT_TRUE(has(output, "over the screen at 50.0 us/div")) << output;
  for (const char* type : {"0  Frequency", "1  Period", "10  + Duty", "25  Phase"})
    EXPECT_TRUE(has(line(type), "fewer than two cycles")) << type << "\n" << output;
  EXPECT_TRUE(has(line("2  Max."), "1.520 V")) << "levels need no cycle\n" << output;
}

TEST_F(Tool, ClippedSignalsAreDrawnAtTheEdgeAndTheirResultsMarked) {
  // 3 Vpp at 100 mV/div: beyond the screen and the converter.
  const std::string file = settingsFile("clip.ini", "VoltDiv = 0, 100000\n");
  ASSERT_EQ(0, run(runtime() + " -q " + out() + " autoset apply " + file + " capture measure")) << output;
  EXPECT_TRUE(has(output, "CH0 over range")) << output;
  EXPECT_TRUE(has(line("capture 1:"), "(over range)")) << output;
  EXPECT_TRUE(has(line("6  Vpp"), "(clipped)")) << output;
  EXPECT_TRUE(has(line("9  Mean"), "(clipped)")) << output;
  EXPECT_FALSE(has(line("0  Frequency"), "(clipped)")) << "the period survives clipping\n" << output;
  const std::string svg = outFile("waveform.svg");
  EXPECT_TRUE(has(svg, "CH0 OVER-RANGE"));
  // The cut-off stretches lie along the top (y 65.5) and the bottom (702.5).
  EXPECT_TRUE(has(svg, "y1=\"65.5\" x2=")) << "clipped at the top";
  EXPECT_TRUE(has(svg, "y1=\"702.5\" x2=")) << "clipped at the bottom";

  ASSERT_EQ(0, run(runtime() + " -q " + out() + " apply " + bench() + " capture")) << output;
  const std::string fits = outFile("waveform.svg");
  EXPECT_FALSE(has(fits, "OVER-RANGE"));
  EXPECT_FALSE(has(fits, "#ff3b3b")) << "nothing is cut off";
}

TEST_F(Tool, SettingsFilesNameTheLineTheKeyAndTheReason) {
  const std::string binary("\x7f" "ELF\x01\x01\x01\x00\x00\x00" "VoltDiv=0,1000000\n", 28);
  expectCases((std::vector<Case>{
      {runtime() + " -q apply " +
           settingsFile("a.ini", "SampleRate = 100000\nFrobnicate = 3\nVoltDiv = 0, 1234\nRecordLength = 2000\n"),
       1,
       {"line 2: unknown key \"Frobnicate\"", "line 3: VoltDiv refused", "1.234 mV/div", "error 5",
        "not applied"}},
      {runtime() + " -q apply " + settingsFile("v.ini", "TrigVideo = 5, 0, 0\n"), 1,
       {"line 1: TrigVideo refused", "must be 0 or 1"}},
      {runtime() + " -q apply " + settingsFile("r.ini", "; record\r\nRecordLength = 1001\r\n"), 1,
       {"line 2: RecordLength refused", "multiple of 8", "error 13"}},
      {runtime() + " -q apply " + settingsFile("c.ini", "VoltPos = 7, 8000\n"), 1, {"line 1", "channel 7"}},
      {runtime() + " -q apply " + settingsFile("bin.ini", binary), 1, {"not a settings file", "0x7F", "nothing"}},
      {runtime() + " -q apply " + settingsFile("w.ini", "SampleRate = 1k\nTrigEdge = 0, 0\njunk\nVoltDiv=0,1000000,5\n"),
       0,
       {"line 1: SampleRate: \"1k\" is not a whole number; read as 1", "line 2: TrigEdge takes 3 values",
        "line 3: \"junk\" has no \"=\": ignored", "line 4: VoltDiv takes 2 values", "applied"}},
      {runtime() + " -q apply " + settingsFile("empty.ini", "; nothing\n"), 0, {"sets nothing"}},
      {runtime() + " -q apply " + quoted(tempFolder() + "missing.ini"), 1, {"cannot open", "error 30"}},
      {runtime() + " -q apply " + bench(), 0, {"applied", "17 settings"}, {"warning"}},
  }));
}

TEST_F(Tool, ChannelsThatAreOffAreNotListed) {
  const std::string file = settingsFile("off.ini", "ChOnOff = 1, 0\n");
  ASSERT_EQ(0, run(runtime() + " -q " + out() + " autoset apply " + file + " capture")) << output;
  EXPECT_TRUE(has(line("CH1"), "off")) << "the settings show it off\n" << output;
  EXPECT_TRUE(has(line("capture 1:"), "CH0 ")) << output;
  EXPECT_FALSE(has(line("capture 1:"), "CH1")) << output;
  EXPECT_FALSE(has(outFile("waveform.svg"), "CH1  Freq")) << "no results under the screen";
}

#if !defined(_WIN32)
// Ctrl-C or SIGTERM in the middle of a long mask test: the tool stops,
// closes the library and leaves no runtime copy behind.
TEST_F(Tool, EndsCleanlyOnInterruptAndTermination) {
  for (const int signal : {SIGINT, SIGTERM}) {
    const std::string log = tempFolder() + "mask-output-" + std::to_string(signal) + ".txt";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const std::string folder = runtimeFolder("default");
      if (!freopen(log.c_str(), "w", stdout)) _exit(100);
      dup2(fileno(stdout), 2);
      execl(program().c_str(), "zyvscope", "-r", folder.c_str(), "mask", "-n", "100000", static_cast<char*>(nullptr));
      _exit(101);
    }
    // A child that a failed check leaves behind is ended.
    struct Reaper {
      pid_t pid;
      ~Reaper() {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
          kill(pid, SIGKILL);
          waitpid(pid, nullptr, 0);
        }
      }
    } reaper{child};
    // Until the mask test runs: its progress goes unbuffered to standard error.
    for (int k = 0; k < 3000 && !has(readFile(log), "mask test 10/"); ++k)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(has(readFile(log), "mask test 10/")) << readFile(log);
    kill(child, signal);
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    reaper.pid = 0;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "\n" << readFile(log);
    EXPECT_EQ(128 + signal, WEXITSTATUS(status)) << readFile(log);
    EXPECT_TRUE(has(readFile(log), "ended by")) << readFile(log);
    for (const std::string& name : listFolder(tempFolder()))
      EXPECT_NE(0u, name.rfind("ZYVRUN", 0)) << name << " left behind";
  }
}
#endif

}  // namespace
