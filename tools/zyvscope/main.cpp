// zyvscope: a command-line oscilloscope on uZyvSDK. It opens a device group,
// runs the commands given in order (info, autoset, apply, capture, measure,
// spectrum, mask, demo) and writes CSV files and SVG pictures.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "commands.h"
#include "format.h"
#include "host.h"

namespace {

using namespace zyvscope;

struct UsageError {
  std::string message;
};

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
      default: scale = 0.0;
    }
    if (scale != 0.0) ++p;
  }
  v *= scale;
  if (ec != std::errc() || p != end || !std::isfinite(v) || v < lowest || v > highest)
    throw UsageError{option + " takes a number from " + std::to_string(lowest) + " to " + std::to_string(highest) +
                     ", not \"" + text + "\""};
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
      {"--help", "-h", false, {}},
      {"--count", "-n", true, {"capture", "mask"}},
      {"--channel", "-c", true, {"measure", "spectrum", "mask"}},
      {"--device", "-d", true, {"capture"}},
      {"--csv", "", true, {"capture", "spectrum"}},
      {"--svg", "", true, {"capture", "spectrum"}},
      {"--time-div", "", true, {"capture"}},
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

void applyGlobal(GlobalOptions& g, const std::string& name, const std::string& v, bool& help) {
  if (name == "--runtime") g.runtime = v;
  else if (name == "--group") g.group = integerArgument<int32_t>(name, v, 0, 19);
  else if (name == "--out") g.out = v;
  else if (name == "--quiet") g.quiet = true;
  else if (name == "--no-autoset") g.noAutoset = true;
  else if (name == "--record") g.recordLength = integerArgument<int32_t>(name, v, 8, 10000000);
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
  else if (name == "--help") help = true;
}

void applyCommandOption(Command& c, const std::string& name, const std::string& v) {
  if (name == "--count") c.count = integerArgument<int32_t>(name, v, 1, 100000);
  else if (name == "--channel") c.channel = integerArgument<int32_t>(name, v, 0, 39);
  else if (name == "--device") c.device = integerArgument<int32_t>(name, v, 0, 19);
  else if (name == "--csv") c.csv = v;
  else if (name == "--svg") c.svg = v;
  else if (name == "--time-div") c.timePerDiv = numberArgument(name, v, 1e-12, 1e6, "s");
  else if (name == "--window") {
    if (windowIndex(v) < 0) throw UsageError{"--window is one of " + std::string(windowNames()) + ", not \"" + v + "\""};
    c.window = v;
  } else if (name == "--peaks") c.peaks = integerArgument<int32_t>(name, v, 1, 1024);
  else if (name == "--tol-div") c.tolDiv = numberArgument(name, v, 0, 10);
  else if (name == "--tol-samples") c.tolSamples = numberArgument(name, v, 0, 100000);
}

struct CommandLine {
  GlobalOptions global;
  std::vector<Command> commands;
  bool help = false;
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
      applyGlobal(cl.global, option->name, value, cl.help);
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

}  // namespace

int main(int argc, char** argv) {
  CommandLine cl;
  try {
    cl = parse(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "zyvscope: %s\n(zyvscope --help lists the commands)\n", e.message.c_str());
    return kExitUsage;
  }
  if (cl.help) {
    std::fputs(usage(), stdout);
    return kExitOk;
  }
  if (cl.commands.empty()) {
    std::fputs(usage(), stderr);
    return kExitUsage;
  }
  if (!host::makeFolder(cl.global.out)) {
    std::fprintf(stderr, "zyvscope: cannot create the folder %s\n", cl.global.out.c_str());
    return kExitFailure;
  }
  int status = kExitOk;
  const char* current = "";
  try {
    Run run(cl.global);
    for (const Command& c : cl.commands) {
      current = c.name.c_str();
      const int s = run.execute(c);
      if (s != kExitOk) status = s;
      std::fflush(stdout);
    }
  } catch (const Failure& f) {
    std::fflush(stdout);
    std::fprintf(stderr, "zyvscope: %s: %s\n", current, f.what());
    return kExitFailure;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "zyvscope: %s: %s\n", current, e.what());
    return kExitFailure;
  }
  return status;
}
