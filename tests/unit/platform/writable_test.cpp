// The writability check: short buffers are probed page by page, long ones
// are looked up in the process's mappings; both must give the same answers.
#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"
#include "support/host.h"

using uzyv::platform::isWritable;

TEST(Writability, NullAndEmpty) {
  EXPECT_TRUE(isWritable(nullptr, 0));
  EXPECT_FALSE(isWritable(nullptr, 1));
  int x = 0;
  EXPECT_TRUE(isWritable(&x, 0));
  EXPECT_TRUE(isWritable(&x, sizeof x));
}

TEST(Writability, EndsExactlyAtAFaultingPage) {
  for (std::size_t size : {std::size_t(1), std::size_t(4096), std::size_t(70000), std::size_t(3) << 20}) {
    SCOPED_TRACE(size);
    sdktest::GuardedBuffer buffer(size);
    char* p = static_cast<char*>(buffer.data());
    EXPECT_TRUE(isWritable(p, size));
    EXPECT_FALSE(isWritable(p, size + 1));
    EXPECT_FALSE(isWritable(p + 1, size));
    EXPECT_TRUE(isWritable(p + 1, size - 1));
  }
}

TEST(Writability, ReadOnlyMemory) {
  for (std::size_t size : {std::size_t(64), std::size_t(1) << 20}) {
    SCOPED_TRACE(size);
    sdktest::GuardedBuffer buffer(size);
    buffer.makeReadOnly();
    EXPECT_FALSE(isWritable(buffer.data(), size));
  }
}

TEST(Writability, HeapBlocksAndWrapAround) {
  std::vector<double> big(std::size_t(2) << 20);
  EXPECT_TRUE(isWritable(big.data(), big.size() * sizeof(double)));
  EXPECT_FALSE(isWritable(reinterpret_cast<void*>(~uintptr_t(0) - 10), 100));
}
