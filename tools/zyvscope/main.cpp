// zyvscope: a command-line oscilloscope on uZyvSDK. It opens a device group,
// runs the commands given in order (info, autoset, apply, capture, measure,
// spectrum, mask, demo) and writes CSV files and SVG pictures.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "commands.h"
#include "format.h"
#include "host.h"
#include "interrupt.h"
#include "settings_lines.h"

namespace {

using namespace zyvscope;

struct UsageError {
  std::string message;
};

// A bound as a user writes it: "1", "0.001", "1e+12".
std::string boundText(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", v);
  return text;
}

template <class Integer>
Integer integerArgument(const std::string& option, const std::string& text, Integer lowest, Integer highest) {
  Integer v = 0;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || p != end || v < lowest || v > highest)
    throw UsageError{option + " takes a whole number from " + std::to_string(lowest) + " to " +
                     std::to_string(highest) + ", not \"" + text + "\""};
  return v;
}

// A number, optionally with a unit letter the option expects (V, s).
double numberArgument(const std::string& option, const std::string& text, double lowest, double highest,
                      const char* unit = "") {
  std::string t = text;
  if (*unit && !t.empty() && t.back() == *unit) t.pop_back();
  double v = 0;
  const char* begin = t.data();
  if (!t.empty() && t[0] == '+') ++begin;
  const char* end = t.data() + t.size();
  auto [p, ec] = std::from_chars(begin, end, v);
  double scale = 1.0;
  if (ec == std::errc() && p + 1 == end) {
    switch (*p) {
      case 'n': scale = 1e-9; break;
      case 'u': scale = 1e-6; break;
      case 'm': scale = 1e-3; break;
      case 'k': scale = 1e3; break;
      case 'M': scale = 1e6; break;
      case 'G': scale = 1e9; break;
      default: scale = 0.0;
    }
    if (scale != 0.0) ++p;
  }
  v *= scale;
  if (ec != std::errc() || p != end || !std::isfinite(v) || v < lowest || v > highest)
    throw UsageError{option + " takes a number from " + boundText(lowest) + " to " + boundText(highest) +
                     (*unit ? std::string(" ") + unit : std::string()) + ", not \"" + text + "\""};
  return v;
}

// Which commands an option belongs to; an empty list marks a global option.
struct OptionSpec {
  const char* name;
  const char* shortName;
  bool value;
  std::vector<std::string> commands;
};

const std::vector<OptionSpec>& optionSpecs() {
  static const std::vector<OptionSpec> specs = {
      {"--runtime", "-r", true, {}},
      {"--group", "-g", true, {}},
      {"--out", "-o", true, {}},
      {"--quiet", "-q", false, {}},
      {"--no-autoset", "", false, {}},
      {"--record", "", true, {}},
      {"--rate", "", true, {}},
      {"--trigger", "", true, {}},
      {"--source", "", true, {}},
      {"--slope", "", true, {}},
      {"--timeout", "", true, {}},
      {"--mode", "", true, {}},
      {"--range", "", true, {}},
      {"--version", "", false, {}},
      {"--help", "-h", false, {}},
      {"--count", "-n", true, {"capture", "mask"}},
      {"--channel", "-c", true, {"measure", "spectrum", "mask"}},
      {"--device", "-d", true, {"capture"}},
      {"--csv", "", true, {"capture", "spectrum"}},
      {"--svg", "", true, {"capture", "spectrum"}},
      {"--no-csv", "", false, {"capture"}},
      {"--time-div", "", true, {"capture", "measure"}},
      {"--window", "", true, {"spectrum"}},
      {"--peaks", "", true, {"spectrum"}},
      {"--tol-div", "", true, {"mask"}},
      {"--tol-samples", "", true, {"mask"}},
  };
  return specs;
}

const OptionSpec* findOption(const std::string& word) {
  for (const OptionSpec& s : optionSpecs())
    if (word == s.name || (*s.shortName && word == s.shortName)) return &s;
  return nullptr;
}

struct Requests {
  bool help = false;
  bool version = false;
  bool helpCommand = false;  // "help [TOPIC]"
  std::string helpTopic;
};

void applyGlobal(GlobalOptions& g, const std::string& name, const std::string& v, Requests& requests) {
  if (name == "--runtime") g.runtime = v;
  else if (name == "--group") g.group = integerArgument<int32_t>(name, v, 0, 19);
  else if (name == "--out") g.out = v;
  else if (name == "--quiet") g.quiet = true;
  else if (name == "--no-autoset") g.noAutoset = true;
  else if (name == "--record") {
    g.recordLength = integerArgument<int32_t>(name, v, 8, 10000000);
    if (g.recordLength % 8 != 0)
      throw UsageError{"--record takes a multiple of 8 from 8 to 10000000, not " + v + " (" +
                       std::to_string(g.recordLength / 8 * 8) + " or " + std::to_string(g.recordLength / 8 * 8 + 8) +
                       "?)"};
  }
  else if (name == "--rate") g.sampleRate = int64_t(numberArgument(name, v, 1, 1e12));
  else if (name == "--trigger") {
    g.triggerGiven = true;
    g.triggerVolts = numberArgument(name, v, -1000, 1000, "V");
  } else if (name == "--source") g.triggerSource = integerArgument<int32_t>(name, v, 0, 2);
  else if (name == "--slope") {
    if (v == "rising") g.triggerSlope = 0;
    else if (v == "falling") g.triggerSlope = 1;
    else if (v == "either") g.triggerSlope = 2;
    else throw UsageError{"--slope is rising, falling or either, not \"" + v + "\""};
  } else if (name == "--timeout") g.timeout = numberArgument(name, v, 0, 3600, "s");
  else if (name == "--mode") {
    if (v == "auto") g.waitMode = 0;
    else if (v == "normal") g.waitMode = 1;
    else if (v == "single") g.waitMode = 2;
    else throw UsageError{"--mode is auto, normal or single, not \"" + v + "\""};
  } else if (name == "--range") {
    if (v == "record") g.range = MeasureRange::kRecord;
    else if (v == "screen") g.range = MeasureRange::kScreen;
    else throw UsageError{"--range is record or screen, not \"" + v + "\""};
  } else if (name == "--help") requests.help = true;
  else if (name == "--version") requests.version = true;
}

void applyCommandOption(Command& c, const std::string& name, const std::string& v) {
  if (name == "--count") c.count = integerArgument<int32_t>(name, v, 1, 100000);
  else if (name == "--channel") c.channel = integerArgument<int32_t>(name, v, 0, 39);
  else if (name == "--device") c.device = integerArgument<int32_t>(name, v, 0, 19);
  else if (name == "--csv") c.csv = v;
  else if (name == "--no-csv") c.noCsv = true;
  else if (name == "--svg") {
    std::string ending = v.size() >= 4 ? v.substr(v.size() - 4) : "";
    for (char& ch : ending) ch = char(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    if (ending != ".svg") throw UsageError{"--svg writes an SVG picture: give a name ending in .svg, not \"" + v + "\""};
    c.svg = v;
  }
  else if (name == "--time-div") c.timePerDiv = numberArgument(name, v, 1e-12, 1e6, "s");
  else if (name == "--window") {
    if (v == "rect" || v == "rectangle" || v == "none")
      throw UsageError{"--window " + v + ": the library has no full-length rectangle; \"middle-half\" keeps the "
                       "centred half of the samples and zeroes the rest"};
    if (windowIndex(v) < 0) throw UsageError{"--window is one of " + std::string(windowNames()) + ", not \"" + v + "\""};
    c.window = v;
  } else if (name == "--peaks") c.peaks = integerArgument<int32_t>(name, v, 1, 1024);
  else if (name == "--tol-div") c.tolDiv = numberArgument(name, v, 0, 10);
  else if (name == "--tol-samples") c.tolSamples = numberArgument(name, v, 0, 100000);
}

struct CommandLine {
  GlobalOptions global;
  std::vector<Command> commands;
  Requests requests;
};

CommandLine parse(const std::vector<std::string>& args) {
  CommandLine cl;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string word = args[i], value;
    bool inlineValue = false;
    if (word.compare(0, 2, "--") == 0 && word.find('=') != std::string::npos) {
      value = word.substr(word.find('=') + 1);
      word = word.substr(0, word.find('='));
      inlineValue = true;
    }
    if (word == "help" && !inlineValue && cl.commands.empty()) {
      cl.requests.helpCommand = true;
      if (i + 1 < args.size()) cl.requests.helpTopic = args[++i];
      if (i + 1 < args.size()) throw UsageError{"help takes one topic, settings"};
      return cl;
    }
    if (isCommand(word) && !inlineValue) {
      Command c;
      c.name = word;
      cl.commands.push_back(c);
      continue;
    }
    const OptionSpec* option = findOption(word);
    if (!option) {
      if (word.size() > 1 && word[0] == '-') throw UsageError{"unknown option " + word};
      if (!cl.commands.empty() && cl.commands.back().name == "apply" && cl.commands.back().positional.empty()) {
        cl.commands.back().positional.push_back(word);
        continue;
      }
      throw UsageError{"unknown command \"" + word + "\""};
    }
    if (option->value && !inlineValue) {
      if (i + 1 >= args.size()) throw UsageError{std::string(option->name) + " needs a value"};
      value = args[++i];
    } else if (!option->value && inlineValue) {
      throw UsageError{std::string(option->name) + " takes no value"};
    }
    if (option->commands.empty()) {
      applyGlobal(cl.global, option->name, value, cl.requests);
      continue;
    }
    if (cl.commands.empty()) throw UsageError{std::string(option->name) + " belongs to a command"};
    Command& c = cl.commands.back();
    bool allowed = false;
    for (const std::string& name : option->commands) allowed = allowed || name == c.name;
    if (!allowed) throw UsageError{c.name + " does not take " + option->name};
    applyCommandOption(c, option->name, value);
  }
  for (const Command& c : cl.commands)
    if (c.name == "apply" && c.positional.empty()) throw UsageError{"apply needs the settings file"};
  return cl;
}

// Whether files can be made in `folder`; the system's reason when not.
bool folderWritable(const std::string& folder, std::string& reason) {
  const std::string probe = host::joinPath(folder.empty() ? "." : folder, ".zyvscope-write-test");
  std::FILE* f = std::fopen(probe.c_str(), "wb");
  if (!f) {
    reason = std::strerror(errno);
    return false;
  }
  std::fclose(f);
  std::remove(probe.c_str());
  return true;
}

std::string folderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// The output folders, checked before anything is captured.
bool checkOutput(const CommandLine& cl) {
  if (!host::makeFolder(cl.global.out)) {
    std::fprintf(stderr, "zyvscope: cannot create the folder %s: %s\n", cl.global.out.c_str(), std::strerror(errno));
    return false;
  }
  std::vector<std::string> folders;
  bool writes = false;
  for (const Command& c : cl.commands) {
    writes = writes || c.name == "capture" || c.name == "spectrum" || c.name == "demo";
    for (const std::string* given : {&c.csv, &c.svg}) {
      const std::string folder = folderOf(*given);
      if (!folder.empty()) folders.push_back(folder);
    }
  }
  if (writes) folders.push_back(cl.global.out);
  for (const std::string& folder : folders) {
    std::string reason;
    if (!folderWritable(folder, reason)) {
      std::fprintf(stderr, "zyvscope: cannot write files in %s: %s\n", folder.empty() ? "." : folder.c_str(),
                   reason.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  CommandLine cl;
  try {
    cl = parse(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "zyvscope: %s\n(zyvscope --help lists the commands)\n", e.message.c_str());
    return kExitUsage;
  }
  if (cl.requests.helpCommand) {
    if (cl.requests.helpTopic.empty()) {
      std::fputs(usage(), stdout);
      return kExitOk;
    }
    if (cl.requests.helpTopic == "settings") {
      std::fputs(settingsHelp().c_str(), stdout);
      return kExitOk;
    }
    std::fprintf(stderr, "zyvscope: help knows the topic \"settings\", not \"%s\"\n", cl.requests.helpTopic.c_str());
    return kExitUsage;
  }
  if (cl.requests.help) {
    std::fputs(usage(), stdout);
    return kExitOk;
  }
  if (cl.requests.version) {
    std::fputs(versionText(), stdout);
    return kExitOk;
  }
  if (cl.commands.empty()) {
    std::fputs(usage(), stderr);
    return kExitUsage;
  }
  if (!checkOutput(cl)) return kExitUsage;
  catchInterrupts();
  int status = kExitOk;
  const char* current = "";
  try {
    Run run(cl.global);
    run.checkCommands(cl.commands);
    for (const Command& c : cl.commands) {
      current = c.name.c_str();
      const int s = run.execute(c);
      if (s != kExitOk) status = s;
      std::fflush(stdout);
    }
  } catch (const Interrupted& i) {
    // The run has stopped the acquisition and closed the library by now.
    std::fflush(stdout);
    std::fprintf(stderr, "zyvscope: %s: ended by %s\n", current, i.signal == 2 ? "Ctrl-C (SIGINT)" : "SIGTERM");
    return interruptExitStatus(i.signal);
  } catch (const CheckFailure& f) {
    std::fflush(stdout);
    std::fprintf(stderr, "zyvscope: %s%s%s\n", current, *current ? ": " : "", f.message.c_str());
    return kExitUsage;
  } catch (const Failure& f) {
    std::fflush(stdout);
    std::fprintf(stderr, "zyvscope: %s%s%s\n", current, *current ? ": " : "", f.what());
    return kExitFailure;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "zyvscope: %s%s%s\n", current, *current ? ": " : "", e.what());
    return kExitFailure;
  }
  if (const int signal = interruptRequested()) return interruptExitStatus(signal);
  return status;
}
