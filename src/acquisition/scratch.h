// The scratch buffer of the waveform reads, part of the library object. It
// is kept from one read to the next: allocating it afresh would cost the
// pages' first touch on every read of a long record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace uzyv {

struct ReadScratch {
  std::unique_ptr<int16_t[]> samples;
  std::size_t capacity = 0;

  // `count` cleared samples (std::bad_alloc when they cannot be had).
  int16_t* take(std::size_t count) {
    if (count > capacity) {
      samples.reset();
      capacity = 0;
      samples = std::make_unique<int16_t[]>(count);  // cleared
      capacity = count;
    } else {
      std::memset(samples.get(), 0, count * sizeof(int16_t));
    }
    return samples.get();
  }
};

// The library's one scratch buffer.
ReadScratch& readScratch();

}  // namespace uzyv
