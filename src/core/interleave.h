// Undoes the interleaving a drive's raw R-W subcode carries: the 24 symbols
// of a pack are spread over eight consecutive pack slots on the disc, and
// three pairs of positions are swapped. Fed raw packs in disc order, it hands
// back packs in file order, seven packs late.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/subcode_pack.h"

namespace mosaicer {

class TSubCodeInterLeave {
 public:
  static constexpr int kDepth = 8;  // packs of history

  // Forget the history; call before the first pack of a continuous read.
  void Clear();
  // In place: `pack` (24 bytes) is the next raw pack on entry and the next
  // de-interleaved pack on return. Whole bytes move, bits 7..6 included.
  void DeinterleavePack(std::uint8_t* pack);
  // DeinterleavePack over n consecutive packs; nothing for n <= 0.
  void DeinterleavePacks(std::uint8_t* packs, int n);

  // Where output symbol k comes from: raw position and packs back.
  static int SourcePosition(int k);
  static int Delay(int k);

 private:
  std::uint8_t history_[kDepth][kPackSize] = {};  // a ring of the last eight raw packs
  int newest_ = 0;                                // the slot of the newest one
};

}  // namespace mosaicer
