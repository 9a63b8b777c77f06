// Q and P parity of CD+G packs over GF(2^6) (primitive polynomial
// x^6 + x + 1): computes both groups for packs the encoder makes, and checks
// and repairs single-symbol errors in packs read from a disc.
//
// Only bits 5..0 of each byte take part; bits 7..6 are left exactly as they
// are. The lookup tables are shared by all instances: the first instance
// builds them, the last one frees them. Construction and destruction are
// meant for one thread; the tables may be read from any thread while an
// instance lives.
#pragma once

#include <cstdint>

namespace mosaicer {

class TSubCodeErrorCorrect {
 public:
  TSubCodeErrorCorrect();
  ~TSubCodeErrorCorrect();
  TSubCodeErrorCorrect(const TSubCodeErrorCorrect&) = delete;
  TSubCodeErrorCorrect& operator=(const TSubCodeErrorCorrect&) = delete;

  // Write Q parity into bytes 2..3 of a 24-byte pack.
  bool ComputeQ(std::uint8_t* pack) const;
  // Write P parity into bytes 20..23; call after ComputeQ.
  bool ComputeP(std::uint8_t* pack) const;
  // Check the Q equations over bytes 0..3 and repair one wrong symbol.
  // True when the pack is (now) consistent.
  bool CorrectQ(std::uint8_t* pack) const;
  // Check the P equations over bytes 0..23 and repair one wrong symbol.
  bool CorrectP(std::uint8_t* pack) const;

  static constexpr int kAlphaPowerSize = 133;
  static constexpr int kFieldSize = 64;
  static constexpr int kAlphaMulRows = 72;
};

}  // namespace mosaicer
