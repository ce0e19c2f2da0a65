// The measurement engine's part in the library's life.
#include "core/library.h"
#include "measure/engine.h"

namespace uzyv {

void measurementLoaded() {
  fillDispatchTables();
  measurementEngine();
  stagedMeasInput() = MeasInput{};
}

// Two channel records: the measured signal and its timing reference. A
// failure leaves the engine without channels, which the exports report.
void measurementStartUp() { measurementEngine().Allocate(kMeasInputChannels); }

void measurementUnloading() { destroyMeasurementEngine(); }

}  // namespace uzyv
