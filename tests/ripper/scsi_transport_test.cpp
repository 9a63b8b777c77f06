#include "ripper/scsi_transport.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace mosaicer {
namespace {

TEST(ParagraphBoundaryBuffer, DataStartsOnA32ByteBoundaryInsideTheBlock) {
  for (std::size_t capacity : {1u, 100u, 2820u}) {
    TNkParagraphBoundaryBuffer buffer(capacity);
    EXPECT_EQ(buffer.RawSize(), capacity + 31);
    const auto data = reinterpret_cast<std::uintptr_t>(buffer.Data());
    const auto raw = reinterpret_cast<std::uintptr_t>(buffer.Raw());
    EXPECT_EQ(data % 32, 0u);
    EXPECT_LE(data - raw, 31u);
    EXPECT_EQ(buffer.Data()[capacity - 1], 0);
  }
}

TEST(ScsiTimeout, ConvertsMillisecondsToBoundedSeconds) {
  EXPECT_EQ(ScsiTimeoutSeconds(0), 1u);
  EXPECT_EQ(ScsiTimeoutSeconds(999), 1u);
  EXPECT_EQ(ScsiTimeoutSeconds(1999), 1u);
  EXPECT_EQ(ScsiTimeoutSeconds(kScsiTimeoutMs), 15u);
  EXPECT_EQ(ScsiTimeoutSeconds(108000), 108u);
  EXPECT_EQ(ScsiTimeoutSeconds(108999), 108u);
  EXPECT_EQ(ScsiTimeoutSeconds(200000), 108u);
}

}  // namespace
}  // namespace mosaicer
