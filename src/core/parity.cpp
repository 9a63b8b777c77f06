#include "core/parity.h"

#include <cstddef>

#include "core/subcode_pack.h"

namespace mosaicer {
namespace {

constexpr int kOrder = 63;                 // multiplicative order of alpha
constexpr std::uint8_t kReduction = 0x43;  // x^6 + x + 1, applied when bit 6 sets
constexpr std::uint8_t kHighBits = static_cast<std::uint8_t>(~kSymbolMask);
constexpr int kQSymbols = 4;
constexpr int kPSymbols = 24;
constexpr int kPDataSymbols = 20;
constexpr int kLastPosition = 23;

// The shared tables. Built by the first instance, freed with the last.
std::uint8_t* gAlphaPower = nullptr;  // alpha^i, i = 0..132
std::uint8_t* gAlphaLog = nullptr;    // log of x for x = 1..63
std::uint8_t* gAlphaMul = nullptr;    // row k, column x: alpha^k * x
int gInstances = 0;

bool TablesReady() { return gAlphaPower && gAlphaLog && gAlphaMul; }

void BuildTables() {
  gAlphaPower = new std::uint8_t[TSubCodeErrorCorrect::kAlphaPowerSize];
  gAlphaLog = new std::uint8_t[TSubCodeErrorCorrect::kFieldSize]();
  gAlphaMul =
      new std::uint8_t[TSubCodeErrorCorrect::kAlphaMulRows * TSubCodeErrorCorrect::kFieldSize];
  int value = 1;
  for (int i = 0; i < TSubCodeErrorCorrect::kAlphaPowerSize; ++i) {
    gAlphaPower[i] = static_cast<std::uint8_t>(value);
    value <<= 1;
    if (value & 0x40) value ^= kReduction;
  }
  for (int i = 0; i < kOrder; ++i) gAlphaLog[gAlphaPower[i]] = static_cast<std::uint8_t>(i);
  for (int k = 0; k < TSubCodeErrorCorrect::kAlphaMulRows; ++k) {
    std::uint8_t* row = gAlphaMul + k * TSubCodeErrorCorrect::kFieldSize;
    row[0] = 0;
    for (int x = 1; x < TSubCodeErrorCorrect::kFieldSize; ++x)
      row[x] = gAlphaPower[(k + gAlphaLog[x]) % kOrder];
  }
}

void FreeTables() {
  delete[] gAlphaPower;
  delete[] gAlphaLog;
  delete[] gAlphaMul;
  gAlphaPower = gAlphaLog = gAlphaMul = nullptr;
}

// alpha^k * x for 0 <= k < 72 (the largest weight used is 3 * 23 = 69).
inline std::uint8_t Mul(int k, std::uint8_t x) {
  return gAlphaMul[k * TSubCodeErrorCorrect::kFieldSize + x];
}

// y / alpha^k (0 for y = 0).
inline std::uint8_t Div(std::uint8_t y, int k) {
  if (y == 0) return 0;
  return gAlphaPower[((gAlphaLog[y] - k) % kOrder + kOrder) % kOrder];
}

inline std::uint8_t Symbol(const std::uint8_t* pack, int i) { return pack[i] & kSymbolMask; }

inline void Store(std::uint8_t* pack, int i, std::uint8_t symbol) {
  pack[i] = static_cast<std::uint8_t>((pack[i] & kHighBits) | (symbol & kSymbolMask));
}

// The four P syndromes over the first `count` positions: row r weighs
// position i by alpha^(r * (23 - i)).
void PSyndromes(const std::uint8_t* pack, int count, std::uint8_t (&s)[4]) {
  s[0] = s[1] = s[2] = s[3] = 0;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t c = Symbol(pack, i);
    if (c == 0) continue;
    const int distance = kLastPosition - i;
    s[0] ^= c;
    s[1] ^= Mul(distance, c);
    s[2] ^= Mul(2 * distance, c);
    s[3] ^= Mul(3 * distance, c);
  }
}

}  // namespace

TSubCodeErrorCorrect::TSubCodeErrorCorrect() {
  ++gInstances;
  if (!TablesReady()) {
    FreeTables();  // never leave a partial set behind
    BuildTables();
  }
}

TSubCodeErrorCorrect::~TSubCodeErrorCorrect() {
  --gInstances;
  if (gInstances < 1) FreeTables();
}

bool TSubCodeErrorCorrect::ComputeQ(std::uint8_t* pack) const {
  if (!TablesReady()) return false;
  const std::uint8_t a = Symbol(pack, 0);
  const std::uint8_t b = Symbol(pack, 1);
  std::uint8_t q0 = 0, q1 = 0;
  if (a != 0 || b != 0) {
    const std::uint8_t s = a ^ b;
    const std::uint8_t t = Mul(3, a) ^ Mul(2, b);
    // alpha^6 = alpha + 1 turns the second equation into Q0 * alpha^6 = t + s.
    q0 = Div(t ^ s, 6);
    q1 = q0 ^ s;
  }
  Store(pack, 2, q0);
  Store(pack, 3, q1);
  return true;
}

bool TSubCodeErrorCorrect::ComputeP(std::uint8_t* pack) const {
  if (!TablesReady()) return false;
  std::uint8_t s[4];
  PSyndromes(pack, kPDataSymbols, s);
  std::uint8_t p[4] = {0, 0, 0, 0};
  if (s[0] | s[1] | s[2] | s[3]) {
    // Elimination of the 4 x 4 system for the parity positions 20..23.
    const std::uint8_t n = s[0] ^ s[1];
    const std::uint8_t u = Mul(26, n) ^ s[0] ^ s[3];
    const std::uint8_t w = s[0] ^ s[3] ^ Mul(20, s[0] ^ s[2]);
    p[0] = Div(Mul(5, w) ^ u, 52);
    p[1] = Div(u ^ Mul(17, p[0]), 45);
    p[2] = Div(Mul(32, p[0]) ^ n ^ Mul(12, p[1]), 6);
    p[3] = s[0] ^ p[0] ^ p[1] ^ p[2];
  }
  for (int r = 0; r < 4; ++r) Store(pack, kPDataSymbols + r, p[r]);
  return true;
}

bool TSubCodeErrorCorrect::CorrectQ(std::uint8_t* pack) const {
  if (!TablesReady()) return false;
  std::uint8_t s0 = 0, s1 = 0;
  for (int i = 0; i < kQSymbols; ++i) {
    const std::uint8_t c = Symbol(pack, i);
    s0 ^= c;
    s1 ^= Mul(kQSymbols - 1 - i, c);
  }
  if (s0 == 0) return s1 == 0;
  for (int j = 0; j < kQSymbols; ++j) {
    if (s1 == Mul(kQSymbols - 1 - j, s0)) {
      Store(pack, j, Symbol(pack, j) ^ s0);
      return true;
    }
  }
  return false;
}

bool TSubCodeErrorCorrect::CorrectP(std::uint8_t* pack) const {
  if (!TablesReady()) return false;
  std::uint8_t s[4];
  PSyndromes(pack, kPSymbols, s);
  if (s[0] == 0) return (s[1] | s[2] | s[3]) == 0;
  for (int i = 0; i < kPSymbols; ++i) {
    const int distance = kLastPosition - i;
    if (s[1] == Mul(distance, s[0]) && s[2] == Mul(2 * distance, s[0]) &&
        s[3] == Mul(3 * distance, s[0])) {
      Store(pack, i, Symbol(pack, i) ^ s[0]);
      return true;
    }
  }
  return false;
}

}  // namespace mosaicer
