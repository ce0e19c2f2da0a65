#include "instrument/frontend.h"

#include <cmath>

namespace zyvsim::instrument {

int32_t Converter::code(double divisions) const {
  const double exact = middle() + divisions * codesPerDivision();
  if (!(exact > 0.0)) return 0;  // also NaN
  if (exact >= maxCode()) return maxCode();
  return int32_t(std::floor(exact + 0.5));
}

Calibration calibrationOf(const ChannelSetup& setup) {
  Calibration c{};
  c.gain = double(setup.voltDiv) / (1000.0 * kCountsPerDivision);
  c.zeroLevel = double(setup.position - kPositionCentre) * kCountsPerDivision / kPositionPerDivision;
  c.baseOffset = 0.0;
  return c;
}

double frontEndVolts(const ChannelSetup& setup, double inputVolts, double mean) {
  double v = inputVolts;
  if (setup.coupling == kCouplingAc) v -= mean;
  if (setup.coupling == kCouplingGround) v = 0.0;
  return v + setup.offset * 1e-6;
}

double divisionsOf(const ChannelSetup& setup, double frontEnd) {
  const double voltsPerDiv = setup.voltDiv > 0 ? setup.voltDiv * 1e-6 : 1e-6;
  return frontEnd / voltsPerDiv + double(setup.position - kPositionCentre) / kPositionPerDivision;
}

double bandwidthOf(const ChannelSetup& setup) {
  switch (setup.bandwidthLimit) {
    case 1: return 20e6;
    case 2: return 2e6;
    default: return 200e6;
  }
}

double noiseFactorOf(const ChannelSetup& setup) {
  switch (setup.acquireMode) {
    case 2: return 1.0 / 2.0;   // 4 averages
    case 3: return 1.0 / 4.0;   // 16
    case 4: return 1.0 / 8.0;   // 64
    case 5: return 1.0 / 16.0;  // 256
    default: return 1.0;
  }
}

}  // namespace zyvsim::instrument
