// The settings file as the library reads it, line by line: which lines set
// something, which are ignored and why, and the keys with their values, so
// that zyvscope can say where a file goes wrong.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zyvscope {

// A key the library accepts, with the values it takes.
struct SettingsKey {
  const char* name;
  const char* values;  // "channel, microvolts per division"
  int count;           // values the key takes
  const char* meaning;
};
const std::vector<SettingsKey>& settingsKeys();
const SettingsKey* findSettingsKey(const std::string& name);  // without regard to case

// One line of a file that sets something.
struct SettingsLine {
  int number = 0;             // 1-based
  std::string text;           // as the library applies it: blanks and comment removed
  const SettingsKey* key = nullptr;
  std::vector<int64_t> values;  // as the library reads them (at most ten)
};

struct SettingsFileCheck {
  std::vector<SettingsLine> lines;
  std::vector<std::string> warnings;  // "line 3: ..." for what is ignored or read other than written
  std::string notText;                // set when the file is not a text file: where and why
};

// Reads the bytes of a settings file the way the library does (LF or CR LF
// ends a line; blanks removed; ";" starts a comment; "Key=v1,v2,..."), and
// notes every line the library skips or reads otherwise than it looks.
SettingsFileCheck checkSettingsText(const std::string& bytes);

// What went wrong when a line of `key` was refused with `code` (0 when the
// library gave no code), for the values of the line.
std::string settingsRefusal(const SettingsLine& line, int32_t code);

// The help text of the settings file: its form and every key.
std::string settingsHelp();

}  // namespace zyvscope
