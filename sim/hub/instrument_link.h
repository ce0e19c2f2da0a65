// The hub's side of the simulated instrument: each instance whose
// configuration asks for it (config.instrument) is played by an Instrument
// that follows the settings received and the signals configured.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hub/instance.h"

namespace zyvsim {

inline bool playedByInstrument(const Instance& in) { return in.config.instrument != 0; }
// A test that scripts an answer of an instance gets the scripted instance
// from then on.
void scriptedFromNow(int32_t index);

// uZyvInit and uZyvInitStack: reads zyvsim.ini from the current folder into
// the instance's configuration (problems go to standard error).
void instrumentInitialise(Instance& in);
// An accepted setting; `block` holds the bytes behind an address, or null.
void instrumentSetting(Instance& in, int32_t channel, int32_t id, int64_t value, const void* block,
                       std::size_t blockSize);
void instrumentSecondSetting(Instance& in, int32_t id, int32_t value);
int32_t instrumentCapture(Instance& in, void* params, int32_t& errorCode);
int32_t instrumentRead(Instance& in, ZyvSimRead& read, int32_t& errorCode);
void instrumentCalibration(const Instance& in, int32_t device, double out[6]);
// Selector 306 of ZyvHwInfo.
int32_t instrumentSummary(const Instance& in, int32_t device, int32_t selector, void* buffer, int32_t& errorCode);

}  // namespace zyvsim
