#include "ripper/read_size.h"

#include <algorithm>
#include <cstdint>

#include "ripper/rip_job.h"

namespace mosaicer {

std::optional<ReadSizeEntry> ReadSizeFromText(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  // Anything past the limits is clamped alike, so the digits only need
  // counting up to just beyond them.
  constexpr std::int64_t kSaturated = kMaxReadSize + 1;
  std::int64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = std::min<std::int64_t>(magnitude * 10 + (c - '0'), kSaturated);
  }
  const std::int64_t number = negative ? -magnitude : magnitude;
  if (number >= kMaxReadSize) return ReadSizeEntry{kMaxReadSize, true};
  if (number < kMinReadSize) return ReadSizeEntry{kMinReadSize, true};
  return ReadSizeEntry{static_cast<int>(number), false};
}

}  // namespace mosaicer
