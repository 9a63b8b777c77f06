// Parity of encoder-made packs: the table-driven code against a plain
// shift-and-add field multiplication doing the same equations.
#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <vector>

#include "core/parity.h"
#include "core/subcode_pack.h"

namespace {

constexpr int kPacks = 3600;  // a picture's worth

std::vector<std::array<std::uint8_t, 24>> RandomPacks() {
  std::mt19937 rng(1);
  std::vector<std::array<std::uint8_t, 24>> packs(kPacks);
  for (auto& p : packs)
    for (int i = 0; i < 20; ++i) p[i] = static_cast<std::uint8_t>(rng() & 0x3F);
  return packs;
}

std::uint8_t SlowMul(std::uint8_t a, std::uint8_t b) {
  std::uint8_t r = 0;
  for (int i = 0; i < 6; ++i) {
    if (b & (1 << i)) r ^= a;
    a = static_cast<std::uint8_t>(a << 1);
    if (a & 0x40) a ^= 0x43;
  }
  return r;
}

std::uint8_t SlowPow(int k) {
  std::uint8_t r = 1;
  for (int i = 0; i < k % 63; ++i) r = SlowMul(r, 2);
  return r;
}

// The same four P syndromes and two Q syndromes the real code solves, done
// the slow way: the reference cost of the arithmetic without tables.
void SlowSyndromes(std::array<std::uint8_t, 24>& p) {
  std::uint8_t s[4] = {0, 0, 0, 0};
  for (int i = 0; i < 24; ++i)
    for (int r = 0; r < 4; ++r) s[r] ^= SlowMul(SlowPow(r * (23 - i)), p[i]);
  std::uint8_t q = 0;
  for (int i = 0; i < 4; ++i) q ^= SlowMul(SlowPow(3 - i), p[i]);
  p[20] = s[0];
  p[21] = s[1];
  p[22] = s[2] ^ q;
  p[23] = s[3];
}

void BM_ParityTables(benchmark::State& state) {
  mosaicer::TSubCodeErrorCorrect ecc;
  auto packs = RandomPacks();
  for (auto _ : state)
    for (auto& p : packs) {
      ecc.ComputeQ(p.data());
      ecc.ComputeP(p.data());
      benchmark::DoNotOptimize(p);
    }
  state.SetItemsProcessed(state.iterations() * kPacks);
}
BENCHMARK(BM_ParityTables);

void BM_ParityShiftAndAdd(benchmark::State& state) {
  auto packs = RandomPacks();
  for (auto _ : state)
    for (auto& p : packs) {
      SlowSyndromes(p);
      benchmark::DoNotOptimize(p);
    }
  state.SetItemsProcessed(state.iterations() * kPacks);
}
BENCHMARK(BM_ParityShiftAndAdd);

}  // namespace
