// The instrument's configuration file, "zyvsim.ini", read from the current
// folder whenever the runtime initialises (the library makes its working
// folder current for that call). Lines of "key = value"; "#" or ";" starts a
// comment; keys ignore letter case:
//
//   devices = 2                 ; devices the runtime finds (0 to 16)
//   seed = 7                    ; noise and sample-clock phases
//   ch0.shape = square          ; sine, square, triangle, pulse, step, dc
//   ch0.frequency = 1 kHz
//   ch0.amplitude = 3 Vpp
//   ch0.dc = 0 V
//   ch0.delay = 250 us          ; or in degrees of its own period: 90 deg
//   ch0.duty = 25 %             ; pulse
//   ch0.rise = 200 ns           ; 10-90 % edge time (square, pulse, step)
//   ch0.overshoot = 15 %        ; step
//   ch0.noise = 5 mV            ; rms
//
// Channels are numbered across the stack as in the library (2 x device +
// input). Numbers take the prefixes p n u m k M G and the units Hz, V, Vpp,
// Vrms, s, %, deg. Keys the file does not give keep their values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "instrument/instrument.h"

namespace zyvsim::instrument {

inline constexpr const char* kConfigFileName = "zyvsim.ini";

// Applies a configuration text. Lines that cannot be used are skipped, each
// with a message "<name>:<line>: <problem>" in `problems`.
void applyConfig(const std::string& text, const std::string& name, Instrument& instrument, int32_t& deviceCount,
                 std::vector<std::string>& problems);

// Reads and applies a configuration file; false (nothing changed) when the
// file cannot be opened.
bool applyConfigFile(const std::string& path, Instrument& instrument, int32_t& deviceCount,
                     std::vector<std::string>& problems);

// A number with an optional prefix and unit, as the file writes it. `units`
// lists the accepted units ("" for a plain number, always accepted).
bool parseQuantity(const std::string& text, const std::vector<std::string>& units, double& value,
                   std::string& unit);

}  // namespace zyvsim::instrument
