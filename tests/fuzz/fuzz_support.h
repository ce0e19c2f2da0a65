// Support of the fuzz targets: reading the fuzzer's bytes as typed values,
// writing seeds in the same encoding, and the simulated group the targets
// run against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

// Little-endian values from the front of the input; zeros once it is used up.
class Input {
 public:
  Input(const uint8_t* data, std::size_t size) : data_(data), left_(size) {}
  template <class T>
  T take() {
    T value{};
    const std::size_t n = left_ < sizeof(T) ? left_ : sizeof(T);
    std::memcpy(&value, data_, n);
    data_ += n;
    left_ -= n;
    return value;
  }
  std::size_t left() const { return left_; }

 private:
  const uint8_t* data_;
  std::size_t left_;
};

// The encoding Input reads, for seeds built from the tests' own cases.
class Seed {
 public:
  template <class T>
  Seed& put(T value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    bytes_.insert(bytes_.end(), p, p + sizeof(T));
    return *this;
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

using Seeds = std::vector<std::vector<uint8_t>>;

// With UZYV_FUZZ_SEEDS set to a folder, writes the seeds there as files and
// ends the program; the fuzz script starts each corpus this way.
void writeSeedsIfAsked(const Seeds& seeds);

// Group 0 of the simulated runtime open with two devices, the runtime
// scripted (reads play what the target sets with zyvsim_set_samples).
void openSimulatedGroup();

// Forgets what the simulated runtime logged, so that long runs stay small.
void forgetRuntimeLog();

}  // namespace fuzz
