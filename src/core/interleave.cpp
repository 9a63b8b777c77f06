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

void TSubCodeInterLeave::Clear() { std::memset(history_, 0, sizeof history_); }

void TSubCodeInterLeave::DeinterleavePack(std::uint8_t* pack) {
  std::memcpy(history_[0], pack, kPackSize);
  for (std::size_t k = 0; k < kPackSize; ++k) {
    const int s = kSource[k];
    pack[k] = history_[DelayOf(s)][s];
  }
  // Age the history from the older end so nothing is overwritten unread.
  std::memmove(history_[1], history_[0], (kDepth - 1) * kPackSize);
}

void TSubCodeInterLeave::DeinterleavePacks(std::uint8_t* packs, int n) {
  for (int i = 0; i < n; ++i) DeinterleavePack(packs + static_cast<std::size_t>(i) * kPackSize);
}

}  // namespace mosaicer
