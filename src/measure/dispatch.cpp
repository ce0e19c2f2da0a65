// The dispatch tables of the measurement engine: which routine computes a
// type in the second pass, and the unit kind of every type.
#include "measure/engine.h"

namespace uzyv {

MeasRoutine g_measRoutines[kMeasSlots + 1] = {};
MeasUnit g_measUnits[kMeasSlots] = {};

void fillDispatchTables() {
  MeasRoutine* r = g_measRoutines;
  for (int32_t k = 0; k <= kMeasSlots; ++k) r[k] = nullptr;  // no routine; [31] ends the table
  r[UZYV_MEAS_FREQUENCY] = &AqMeasurement::MeasureFreqPeriod;
  r[UZYV_MEAS_PERIOD] = &AqMeasurement::MeasureFreqPeriod;
  r[UZYV_MEAS_VRMS] = &AqMeasurement::MeasureRms;
  r[UZYV_MEAS_POS_DUTY] = &AqMeasurement::MeasureDutyWidth;
  r[UZYV_MEAS_NEG_DUTY] = &AqMeasurement::MeasureDutyWidth;
  r[UZYV_MEAS_POS_WIDTH] = &AqMeasurement::MeasureDutyWidth;
  r[UZYV_MEAS_NEG_WIDTH] = &AqMeasurement::MeasureDutyWidth;
  r[UZYV_MEAS_RISE_TIME] = &AqMeasurement::MeasureRiseTime;
  r[UZYV_MEAS_FALL_TIME] = &AqMeasurement::MeasureFallTime;
  r[UZYV_MEAS_POS_OVERSHOOT] = &AqMeasurement::MeasurePosOvershoot;
  r[UZYV_MEAS_NEG_OVERSHOOT] = &AqMeasurement::MeasureNegOvershoot;
  r[UZYV_MEAS_CYCLE_VRMS] = &AqMeasurement::MeasureRms;
  r[UZYV_MEAS_RISE_DELAY] = &AqMeasurement::MeasureRiseDelay;
  r[UZYV_MEAS_FALL_DELAY] = &AqMeasurement::MeasureFallDelay;
  r[UZYV_MEAS_RISE_PRESHOOT] = &AqMeasurement::MeasureRisePreshoot;
  r[UZYV_MEAS_FALL_PRESHOOT] = &AqMeasurement::MeasureFallPreshoot;
  r[UZYV_MEAS_PHASE] = &AqMeasurement::MeasurePhase;
  r[UZYV_MEAS_AVG_FREQ] = &AqMeasurement::MeasureAvgFreq;
  r[UZYV_MEAS_RISE_EDGE_COUNT] = &AqMeasurement::MeasureEdgeCounts;

  static constexpr MeasUnit kUnits[kMeasSlots] = {
      kUnitFrequency, kUnitTime,    kUnitVoltage, kUnitVoltage, kUnitVoltage, kUnitVoltage, kUnitVoltage,
      kUnitVoltage,   kUnitVoltage, kUnitVoltage, kUnitPercent, kUnitPercent, kUnitTime,    kUnitTime,
      kUnitTime,      kUnitTime,    kUnitPercent, kUnitPercent, kUnitVoltage, kUnitVoltage, kUnitVoltage,
      kUnitTime,      kUnitTime,    kUnitPercent, kUnitPercent, kUnitDegrees, kUnitFrequency, kUnitCount,
      kUnitCount,     kUnitCount,   kUnitTime};
  for (int32_t k = 0; k < kMeasSlots; ++k) g_measUnits[k] = kUnits[k];
}

}  // namespace uzyv
