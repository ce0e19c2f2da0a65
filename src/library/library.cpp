// The library object: every piece of library-wide state, created when the
// library module is loaded and destroyed when it is unloaded, and the
// start-up that spans the group table and the measurement engine.
#include <memory>
#include <mutex>
#include <utility>

#include "acquisition/scratch.h"
#include "core/startup.h"
#include "measure/engine.h"
#include "passfail/mask.h"
#include "platform/platform.h"
#include "spectrum/fft.h"

namespace uzyv {

namespace {

// The transform engine holds only fixed buffers. When they cannot be had at
// load, the spectrum export tries again when it is called.
std::unique_ptr<MyFFT> makeSpectrumEngine() noexcept {
  try {
    return std::make_unique<MyFFT>();
  } catch (...) {
    return nullptr;
  }
}

struct Library {
  std::recursive_mutex exportLock;     // held by every export
  CoreState core;                      // the group table, the runtime entries, LastError
  AqMeasurement measurement;           // channel records from the start-up on
  MeasInput stagedMeasInput;           // the staged measurement's input, zero at load
  std::unique_ptr<MyFFT> spectrum = makeSpectrumEngine();  // null when it could not be had
  std::unique_ptr<PassFailMask> mask;  // null before the first successful build
  ReadScratch readScratch;             // the waveform reads' buffer, kept between reads
};

// A plain pointer, so that no static destructor runs in an order of the
// toolchain's choosing.
Library* g_library = nullptr;

}  // namespace

std::recursive_mutex& exportLock() { return g_library->exportLock; }
CoreState& core() { return g_library->core; }
AqMeasurement& measurementEngine() { return g_library->measurement; }
MeasInput& stagedMeasInput() { return g_library->stagedMeasInput; }

MyFFT& requireSpectrumEngine() {
  std::unique_ptr<MyFFT>& engine = g_library->spectrum;
  if (!engine) engine = std::make_unique<MyFFT>();
  return *engine;
}

ReadScratch& readScratch() { return g_library->readScratch; }

PassFailMask* passFailMask() { return g_library->mask.get(); }
void replacePassFailMask(std::unique_ptr<PassFailMask> mask) { g_library->mask = std::move(mask); }

void startIfNeeded() {
  CoreState& state = g_library->core;
  if (state.initialised) return;
  state.initialised = startUpGroups();
  // Two channel records: the measured signal and its timing reference. A
  // failure leaves the engine without channels, which the exports report.
  if (state.initialised) g_library->measurement.Allocate(kMeasInputChannels);
}

void libraryLoaded() { g_library = new Library(); }

void libraryUnloading(bool processExit) {
  if (!g_library) return;
  // In this order: the open groups are shut down and their runtime copies
  // unloaded, the spectrum engine is freed, the copies' temporary files are
  // deleted with the group table, then the mask is freed, and last the
  // measurement engine and the rest of the state go with the object.
  releaseRuntimeCopies(processExit);
  g_library->spectrum.reset();
  discardGroupTable();
  g_library->mask.reset();
  delete g_library;
  g_library = nullptr;
}

}  // namespace uzyv
