#include "instrument/signal.h"

#include <algorithm>
#include <cmath>

namespace zyvsim::instrument {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct ShapeEntry {
  Shape shape;
  const char* name;
};
constexpr ShapeEntry kShapes[] = {{Shape::Sine, "sine"},   {Shape::Square, "square"}, {Shape::Triangle, "triangle"},
                                  {Shape::Pulse, "pulse"}, {Shape::Step, "step"},     {Shape::Dc, "dc"}};

bool finite(double v) { return std::isfinite(v); }

// The geometry of the edges of a square, pulse or step signal.
struct Edges {
  double period;     // seconds
  double highTime;   // seconds from the rising to the falling edge
  double ramp;       // full duration of the linear part of an edge (10-90 % is 0.8 of it)
  double ringScale;  // time scale of the ringing after a step's edge
  double ringGain;   // ringing amplitude that gives the configured first peak
  double ringLength; // after this the ringing is negligible
};

// exp(-y) sin(pi y) has its first maximum where tan(pi y) = pi.
double ringPeakFactor() {
  const double y = std::atan(kPi) / kPi;
  return std::exp(-y) * std::sin(kPi * y);
}

Edges edgesOf(const Signal& s) {
  Edges e{};
  e.period = 1.0 / s.frequency;
  double duty = s.shape == Shape::Pulse ? s.duty : 0.5;
  if (!finite(duty)) duty = 0.5;
  duty = std::clamp(duty, 0.0, 1.0);
  e.highTime = duty * e.period;
  // An edge may not reach into its neighbour.
  const double longest = std::min(duty, 1.0 - duty) * e.period;
  e.ramp = finite(s.riseTime) && s.riseTime > 0 ? std::min(s.riseTime / 0.8, longest) : 0.0;
  if (s.shape == Shape::Step && finite(s.overshoot) && s.overshoot > 0) {
    e.ringScale = e.ramp > 0 ? e.ramp : e.period / 200.0;
    e.ringGain = s.overshoot / ringPeakFactor();
    e.ringLength = 25.0 * e.ringScale;
  }
  return e;
}

// Response of one edge from 0 to 1, x seconds after the edge's middle.
double edgeResponse(const Edges& e, double x) {
  const double half = 0.5 * e.ramp;
  if (x < -half) return 0.0;
  if (x < half) return e.ramp > 0 ? 0.5 + x / e.ramp : 1.0;
  if (e.ringGain == 0.0) return 1.0;
  const double y = (x - half) / e.ringScale;
  if (y > 25.0) return 1.0;
  return 1.0 + e.ringGain * std::exp(-y) * std::sin(kPi * y);
}

// The level of an edge signal between 0 (low) and 1 (high) at phase time x
// (seconds into the current period): every edge still settling contributes.
double edgeLevel(const Edges& e, double x) {
  const double reach = 0.5 * e.ramp + e.ringLength;
  const int periods = int(std::min(64.0, std::ceil(reach / e.period))) + 1;
  double level = 0.0;
  for (int m = -1; m <= periods; ++m) {
    const double sinceRise = x + m * e.period;
    level += edgeResponse(e, sinceRise) - edgeResponse(e, sinceRise - e.highTime);
  }
  return level;
}

}  // namespace

const char* shapeName(Shape shape) {
  for (const ShapeEntry& entry : kShapes)
    if (entry.shape == shape) return entry.name;
  return "dc";
}

bool shapeFromName(const std::string& name, Shape& shape) {
  std::string lower;
  for (char c : name) lower += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (const ShapeEntry& entry : kShapes)
    if (lower == entry.name) {
      shape = entry.shape;
      return true;
    }
  return false;
}

bool periodic(const Signal& s) {
  return s.shape != Shape::Dc && finite(s.frequency) && s.frequency > 0 && finite(s.amplitude) && s.amplitude != 0;
}

double valueAt(const Signal& s, double t) {
  const double dc = finite(s.dcLevel) ? s.dcLevel : 0.0;
  if (!periodic(s)) return dc;
  const double cycles = (t - (finite(s.delay) ? s.delay : 0.0)) * s.frequency;
  const double phase = cycles - std::floor(cycles);  // [0, 1)
  switch (s.shape) {
    case Shape::Sine:
      return dc + 0.5 * s.amplitude * std::sin(2.0 * kPi * phase);
    case Shape::Triangle: {
      double q = phase + 0.25;
      if (q >= 1.0) q -= 1.0;
      const double unit = q < 0.5 ? 4.0 * q - 1.0 : 3.0 - 4.0 * q;
      return dc + 0.5 * s.amplitude * unit;
    }
    case Shape::Square:
    case Shape::Pulse:
    case Shape::Step: {
      const Edges e = edgesOf(s);
      return dc - 0.5 * s.amplitude + s.amplitude * edgeLevel(e, phase * e.period);
    }
    case Shape::Dc:
      break;
  }
  return dc;
}

double meanOf(const Signal& s) {
  const double dc = finite(s.dcLevel) ? s.dcLevel : 0.0;
  if (!periodic(s) || s.shape != Shape::Pulse) return dc;
  const double duty = finite(s.duty) ? std::clamp(s.duty, 0.0, 1.0) : 0.5;
  return dc - 0.5 * s.amplitude + s.amplitude * duty;
}

void extremesOf(const Signal& s, double& lowest, double& highest) {
  const double dc = finite(s.dcLevel) ? s.dcLevel : 0.0;
  if (!periodic(s)) {
    lowest = highest = dc;
    return;
  }
  double half = 0.5 * std::fabs(s.amplitude);
  if (s.shape == Shape::Step && finite(s.overshoot) && s.overshoot > 0) half += s.overshoot * std::fabs(s.amplitude);
  if (s.shape == Shape::Pulse) {
    const double duty = finite(s.duty) ? std::clamp(s.duty, 0.0, 1.0) : 0.5;
    // A pulse of duty 0 or 1 never leaves one level.
    if (duty <= 0.0 || duty >= 1.0) {
      lowest = highest = dc + (duty >= 1.0 ? 0.5 : -0.5) * s.amplitude;
      return;
    }
  }
  lowest = dc - half;
  highest = dc + half;
}

uint64_t Random::next() {
  // splitmix64
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double Random::uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

double Random::normal() {
  double sum = 0.0;
  for (int i = 0; i < 12; ++i) sum += uniform();
  return sum - 6.0;
}

}  // namespace zyvsim::instrument
