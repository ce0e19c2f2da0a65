// The transform engine's part in the library's life: one instance, created
// at load and destroyed at unload.
#include "core/library.h"
#include "spectrum/fft.h"

namespace uzyv {

namespace {
MyFFT* g_engine = nullptr;
}  // namespace

MyFFT* spectrumEngine() { return g_engine; }

MyFFT& requireSpectrumEngine() {
  if (!g_engine) g_engine = new MyFFT();
  return *g_engine;
}

// The engine holds only fixed buffers. When they cannot be had at load, the
// export tries again when it is called.
void spectrumLoaded() {
  try {
    requireSpectrumEngine();
  } catch (...) {
    g_engine = nullptr;
  }
}

void spectrumUnloading() {
  delete g_engine;
  g_engine = nullptr;
}

}  // namespace uzyv
