// The signal that one input of a simulated instrument carries: a periodic
// waveform (or a DC level) with white noise, defined in absolute simulated
// time. Every shape spans dcLevel - amplitude/2 to dcLevel + amplitude/2 and
// crosses its middle level rising at phase 0 (after the delay).
#pragma once

#include <cstdint>
#include <string>

namespace zyvsim::instrument {

enum class Shape : int32_t { Sine = 0, Square = 1, Triangle = 2, Pulse = 3, Step = 4, Dc = 5 };

struct Signal {
  Shape shape = Shape::Dc;
  double frequency = 1000.0;  // hertz
  double amplitude = 0.0;     // volts peak-to-peak
  double dcLevel = 0.0;       // volts
  double delay = 0.0;         // seconds; the waveform is shifted later by this (channel 0's time is the origin)
  double duty = 0.5;          // pulse: the fraction of each period spent high
  double riseTime = 0.0;      // seconds from 10 % to 90 % of each edge (square, pulse, step)
  double overshoot = 0.0;     // step: the first peak after each edge, as a fraction of the amplitude
  double noise = 0.0;         // volts rms of white noise added to every sample
};

// Shape names as the configuration file spells them ("sine", "square", ...).
const char* shapeName(Shape shape);
bool shapeFromName(const std::string& name, Shape& shape);

// Whether the signal repeats with a usable frequency (not DC, not flat).
bool periodic(const Signal& s);

// The noise-free value in volts at time t (seconds).
double valueAt(const Signal& s, double t);

// The noise-free average over one period.
double meanOf(const Signal& s);

// The noise-free lowest and highest value, including the overshoot of steps.
void extremesOf(const Signal& s, double& lowest, double& highest);

// Deterministic pseudo-random numbers: the same seed gives the same noise on
// every host (the normal deviates use only additions).
class Random {
 public:
  explicit Random(uint64_t seed = 1) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
  uint64_t next();
  double uniform();  // [0, 1)
  double normal();   // mean 0, standard deviation 1 (sum of twelve uniforms)

 private:
  uint64_t state_;
};

}  // namespace zyvsim::instrument
