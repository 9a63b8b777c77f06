#include "core/interleave.h"

#include <cstring>

namespace mosaicer {
namespace {

// Raw position of output symbol k: positions 1/18, 2/5 and 3/23 are swapped
// on the disc.
constexpr int kSource[kPackSize] = {0,  18, 5,  23, 4,  2,  6, 7,  8,  9,  10, 11,
                                    12, 13, 14, 15, 16, 17, 1, 19, 20, 21, 22, 3};

// Symbol at raw position s was written (s mod 8) packs after its source pack,
// so it is found 7 - (s mod 8) slots back once the newest pack is in slot 0.
constexpr int DelayOf(int s) { return TSubCodeInterLeave::kDepth - 1 - s % 8; }

}  // namespace

int TSubCodeInterLeave::SourcePosition(int k) { return kSource[k]; }
int TSubCodeInterLeave::Delay(int k) { return DelayOf(kSource[k]); }

void TSubCodeInterLeave::Clear() {
  std::memset(history_, 0, sizeof history_);
  newest_ = 0;
}

void TSubCodeInterLeave::DeinterleavePack(std::uint8_t* pack) {
  // The history is a ring: the slot d packs back from the newest is
  // (newest - d) mod 8, so ageing it is moving one index, not 168 bytes.
  newest_ = (newest_ + 1) % kDepth;
  std::memcpy(history_[newest_], pack, kPackSize);
  for (std::size_t k = 0; k < kPackSize; ++k) {
    const int s = kSource[k];
    pack[k] = history_[(newest_ + kDepth - DelayOf(s)) % kDepth][s];
  }
}

void TSubCodeInterLeave::DeinterleavePacks(std::uint8_t* packs, int n) {
  for (int i = 0; i < n; ++i) DeinterleavePack(packs + static_cast<std::size_t>(i) * kPackSize);
}

}  // namespace mosaicer
