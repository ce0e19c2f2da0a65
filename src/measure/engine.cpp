// The measurement engine: channel records, requests, ranges, the two-pass
// run and the conversion of the raw results.
#include "measure/engine.h"

#include <atomic>
#include <new>

#include "measure/arith.h"

namespace uzyv {

MeasChannel::MeasChannel() {
  for (int32_t k = 0; k < kMeasSlots; ++k) slots[k].unit = g_measUnits[k];
}

AqMeasurement::AqMeasurement() { fillDispatchTables(); }

AqMeasurement::~AqMeasurement() = default;

bool AqMeasurement::Allocate(int32_t count) {
  if (count < 0 || count > kMeasMaxChannels) return false;
  channels.reset();
  channelCount = 0;
  if (!tables_) {
    tables_.reset(new (std::nothrow) int32_t[kHistogramTables * std::size_t(kHistogramBins)]);
    if (!tables_) return false;
  }
  if (count > 0) {
    channels.reset(new (std::nothrow) MeasChannel[std::size_t(count)]);
    if (!channels) return false;
  }
  channelCount = count;
  return true;
}

bool AqMeasurement::ClearRequests() {
  if (!channels) return false;
  for (int32_t i = 0; i < channelCount; ++i)
    for (MeasSlot& slot : channels[i].slots) slot.flags = 0;
  return true;
}

bool AqMeasurement::RequestType(int32_t type) {
  if (type >= kMeasNameBase) type -= kMeasNameBase;
  if (type < 0 || type >= kMeasSlots || !channels) return false;
  channels[0].slots[type].flags = kSlotRequested;
  return true;
}

bool AqMeasurement::SetRange(int32_t channel, int32_t start, int32_t end) {
  if (start < 0) return false;
  // An end before the start would leave the level stage nothing to measure
  // while later routines read the previous run's state.
  if (end < start) return false;
  if (channel != -1 && (channel < 0 || channel >= channelCount)) return false;
  const int32_t first = channel == -1 ? 0 : channel;
  const int32_t last = channel == -1 ? channelCount : channel + 1;
  for (int32_t i = first; i < last; ++i) {
    MeasChannel& ch = channels[i];
    ch.rangeStart = ch.spanStart = start;
    ch.rangeEnd = ch.spanEnd = end;
    ch.positivePulse = ch.negativePulse = ch.widthsDone = 0;
    for (MeasSlot& slot : ch.slots) {
      slot.windowStart = start;
      slot.windowEnd = end;
      slot.valid = 0;
    }
  }
  return true;
}

bool AqMeasurement::present(int32_t i) const {
  return i >= 0 && i < channelCount && i < kMeasInputChannels && input && !(input->skipMask & (1u << i));
}

bool AqMeasurement::aborted() const {
  return abortFlag && std::atomic_ref<uint8_t>(*abortFlag).load(std::memory_order_relaxed) != 0;
}

bool AqMeasurement::firstPass() {
  for (int32_t i = 0; i < channelCount; ++i) {
    if (aborted()) return false;
    currentChannel = i;
    if (!present(i)) continue;
    MeasChannel* ch = &channels[i];
    const int16_t* s = input->channel[i].samples;
    if (!MeasureLevels(ch, s)) continue;  // flat, or nothing to measure
    if (!MeasureTopBase(ch, s)) return false;
    ch->cycleFound = FindCycle(ch, s) ? 1 : 0;
    if (ch->cycleFound) ch->slots[UZYV_MEAS_CYCLE_MEAN].valid = 1;
  }
  return true;
}

bool AqMeasurement::secondPass() {
  for (int32_t i = 0; i < channelCount; ++i) {
    if (!present(i)) continue;
    currentChannel = i;
    MeasChannel* ch = &channels[i];
    const int16_t* s = input->channel[i].samples;
    ch->widthsDone = 0;
    for (int32_t k = 0; k < kMeasSlots; ++k) {
      if (aborted()) return false;
      MeasSlot& slot = ch->slots[k];
      const MeasRoutine routine = g_measRoutines[k];
      if (!(slot.flags & kSlotRequested) || slot.valid || !routine) continue;
      if (!(this->*routine)(ch, s, k)) slot.valid = 0;
    }
  }
  return true;
}

bool AqMeasurement::Run(const MeasInput* in) {
  if (!in || !channels || channelCount < 1) return false;
  input = in;
  MeasChannel& first = channels[0];
  if (first.rangeEnd <= first.rangeStart) return false;
  first.reference = 1;
  if (channelCount > 1) channels[1].reference = 0;
  for (int32_t i = 0; i < channelCount; ++i)
    for (MeasSlot& slot : channels[i].slots) slot.valid = 0;
  for (SquareSum& q : squares_) q = SquareSum{};
  const bool ok = firstPass() && secondPass();
  // A run that stops early still converts what it produced, so that a
  // result reported valid never carries the value of an earlier run.
  ConvertResults();
  return ok;
}

void AqMeasurement::ConvertResults() {
  if (!input || !channels) return;
  const double rate = double(input->sampleRate);
  for (int32_t i = 0; i < channelCount; ++i) {
    const MeasInputChannel& cal = input->channel[i < kMeasInputChannels ? i : 0];
    const double factor = double(cal.multiplier) / 10;
    for (int32_t k = 0; k < kMeasSlots; ++k) {
      MeasSlot& slot = channels[i].slots[k];
      if (!slot.valid) continue;
      switch (slot.unit) {
        case kUnitVoltage:
          if (k == UZYV_MEAS_VRMS || k == UZYV_MEAS_CYCLE_VRMS) {
            slot.value = slot.raw;
          } else if (k == UZYV_MEAS_VPP || k == UZYV_MEAS_AMPLITUDE) {
            slot.value = factor * slot.raw * cal.gain * 10000;
          } else {
            slot.value = factor * (((slot.raw - cal.zeroLevel) * cal.gain + cal.baseOffset) * 10000 -
                                   cal.voltOffset * 10 * 1000000);
          }
          break;
        case kUnitTime: slot.value = divide(slot.raw * 1000000000, rate); break;
        default: slot.value = slot.raw; break;
      }
    }
  }
}

bool AqMeasurement::GetResult(int32_t type, double* out) const {
  if (type >= kMeasNameBase) type -= kMeasNameBase;
  if (!out || type < 0 || type >= kMeasSlots || !channels) return false;
  const MeasSlot& slot = channels[0].slots[type];
  if (!slot.valid) return false;
  switch (slot.unit) {
    case kUnitVoltage: *out = slot.value / 1000000; break;
    case kUnitTime: *out = slot.value / 1000000000; break;
    default: *out = slot.value; break;
  }
  return true;
}

}  // namespace uzyv
