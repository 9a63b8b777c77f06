#include "core/interleave.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/clone_cd_disc.h"

namespace mosaicer {
namespace {

using testing::Swapped;

// Builds the raw stream a disc carries for `source`, written independently of
// the de-interleaver: raw pack t holds at position j the symbol p(j) of
// source pack t - (j mod 8); packs before the start are zero.
std::vector<std::uint8_t> Interleave(const std::vector<std::uint8_t>& source) {
  const int packs = static_cast<int>(source.size() / kPackSize);
  std::vector<std::uint8_t> raw(source.size(), 0);
  for (int t = 0; t < packs; ++t)
    for (int j = 0; j < 24; ++j) {
      const int from = t - j % 8;
      if (from >= 0) raw[t * 24 + j] = source[from * 24 + Swapped(j)];
    }
  return raw;
}

TEST(Interleave, InverseMappingComesBackExactlyFromTheEighthOutput) {
  std::mt19937 rng(7);
  const int packs = 400;
  std::vector<std::uint8_t> source(packs * kPackSize);
  for (auto& b : source) b = static_cast<std::uint8_t>(rng());  // bits 7..6 too
  std::vector<std::uint8_t> stream = Interleave(source);

  TSubCodeInterLeave deint;
  deint.Clear();
  // Feed in uneven chunks, as a ripper's reads would.
  int done = 0;
  for (int chunk : {1, 4, 3, 8, 100}) {
    deint.DeinterleavePacks(stream.data() + done * kPackSize, chunk);
    done += chunk;
  }
  deint.DeinterleavePacks(stream.data() + done * kPackSize, packs - done);
  for (int t = 7; t < packs; ++t)
    for (int k = 0; k < 24; ++k)
      ASSERT_EQ(stream[t * 24 + k], source[(t - 7) * 24 + k]) << "pack " << t << " symbol " << k;
}

}  // namespace
}  // namespace mosaicer
