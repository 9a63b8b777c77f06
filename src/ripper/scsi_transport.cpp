#include "ripper/scsi_transport.h"

namespace mosaicer {

namespace {
constexpr std::uint32_t kMsPerSecond = 1000;
constexpr std::uint32_t kMaxTimeoutSeconds = 108;
}  // namespace

PassThroughDirection MapScsiDirection(std::uint8_t direction) {
  switch (direction) {
    case static_cast<std::uint8_t>(PassThroughDirection::Out):
      return PassThroughDirection::Out;
    case static_cast<std::uint8_t>(PassThroughDirection::In):
      return PassThroughDirection::In;
    case static_cast<std::uint8_t>(PassThroughDirection::Undetermined):
      return PassThroughDirection::Undetermined;
    case kScsiDirIn:
      return PassThroughDirection::In;
    default:
      return PassThroughDirection::Out;
  }
}

std::uint32_t ScsiTimeoutSeconds(std::uint32_t timeoutMs) {
  if (timeoutMs < kMsPerSecond) return 1;
  if (timeoutMs <= kMaxTimeoutSeconds * kMsPerSecond) return timeoutMs / kMsPerSecond;
  return kMaxTimeoutSeconds;
}

TNkParagraphBoundaryBuffer::TNkParagraphBoundaryBuffer(std::size_t capacity)
    : raw_(new std::uint8_t[capacity + kAlignment - 1]()), rawSize_(capacity + kAlignment - 1) {
  const auto address = reinterpret_cast<std::uintptr_t>(raw_.get());
  const std::uintptr_t aligned = (address + kAlignment - 1) & ~std::uintptr_t{kAlignment - 1};
  data_ = raw_.get() + (aligned - address);
}

}  // namespace mosaicer
