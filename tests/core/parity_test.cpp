#include "core/parity.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "core/subcode_pack.h"

namespace mosaicer {
namespace {

using Pack = std::array<std::uint8_t, kPackSize>;

// Independent field arithmetic (shift-and-add), so the tests do not reuse the
// tables under test.
std::uint8_t GfMul(std::uint8_t a, std::uint8_t b) {
  std::uint8_t r = 0;
  for (int i = 0; i < 6; ++i) {
    if (b & (1 << i)) r ^= a;
    a = static_cast<std::uint8_t>(a << 1);
    if (a & 0x40) a ^= 0x43;
  }
  return r & 0x3F;
}

std::uint8_t GfAlpha(int power) {
  std::uint8_t r = 1;
  for (int i = 0; i < power; ++i) r = GfMul(r, 2);
  return r;
}

bool QHolds(const Pack& p) {
  std::uint8_t s0 = 0, s1 = 0;
  for (int i = 0; i < 4; ++i) {
    s0 ^= p[i] & 0x3F;
    s1 ^= GfMul(GfAlpha(3 - i), p[i] & 0x3F);
  }
  return s0 == 0 && s1 == 0;
}

bool PHolds(const Pack& p) {
  for (int r = 0; r < 4; ++r) {
    std::uint8_t s = 0;
    for (int i = 0; i < 24; ++i) s ^= GfMul(GfAlpha(r * (23 - i)), p[i] & 0x3F);
    if (s != 0) return false;
  }
  return true;
}

Pack RandomPack(std::mt19937& rng, bool highBits = false) {
  Pack p{};
  for (auto& b : p) b = static_cast<std::uint8_t>(rng() & (highBits ? 0xFF : 0x3F));
  return p;
}

class ParityTest : public ::testing::Test {
 protected:
  TSubCodeErrorCorrect ecc;
  std::mt19937 rng{12345};

  Pack Encoded(Pack p) {
    EXPECT_TRUE(ecc.ComputeQ(p.data()));
    EXPECT_TRUE(ecc.ComputeP(p.data()));
    return p;
  }
};

// Sound packs, the memory preset among them, satisfy every equation and
// need no repair.
TEST_F(ParityTest, EncodedPacksSatisfyAllEquationsAndNeedNoRepair) {
  Pack preset{};
  preset[0] = 0x09;
  preset[1] = 0x01;
  for (int n = 0; n < 2000; ++n) {
    const Pack p = Encoded(n == 0 ? preset : RandomPack(rng));
    ASSERT_TRUE(QHolds(p) && PHolds(p)) << n;
    Pack copy = p;
    ASSERT_TRUE(ecc.CorrectP(copy.data()) && ecc.CorrectQ(copy.data()));
    ASSERT_EQ(copy, p) << n;
  }
}

TEST_F(ParityTest, EverySingleSymbolErrorIsRepaired) {
  for (int n = 0; n < 50; ++n) {
    const Pack good = Encoded(RandomPack(rng));
    // P repairs any of the 24 symbols, Q any of the first four.
    for (const bool q : {false, true})
      for (int pos = 0; pos < (q ? 4 : 24); ++pos)
        for (int err = 1; err < 64; ++err) {
          Pack bad = good;
          bad[pos] ^= static_cast<std::uint8_t>(err);
          ASSERT_TRUE(q ? ecc.CorrectQ(bad.data()) : ecc.CorrectP(bad.data())) << pos << " " << err;
          ASSERT_EQ(bad, good) << q << " " << pos << " " << err;
        }
  }
}

TEST_F(ParityTest, DoubleErrorsAreRejectedOrMisrepairedButNeverCrash) {
  int rejected = 0;
  for (int n = 0; n < 3000; ++n) {
    const Pack good = Encoded(RandomPack(rng));
    Pack bad = good;
    const int a = static_cast<int>(rng() % 24);
    const int b = (a + 1 + static_cast<int>(rng() % 23)) % 24;
    bad[a] ^= static_cast<std::uint8_t>(1 + rng() % 63);
    bad[b] ^= static_cast<std::uint8_t>(1 + rng() % 63);
    if (!ecc.CorrectP(bad.data())) {
      ++rejected;
    } else {
      // A "repair" of a double error changes exactly one symbol and leaves a
      // consistent pack that differs from the original.
      EXPECT_TRUE(PHolds(bad));
      EXPECT_NE(bad, good);
    }
  }
  EXPECT_GT(rejected, 2500);  // most double errors are detected
  Pack p = Encoded(RandomPack(rng));
  p[0] ^= 0x01;
  p[1] ^= 0x01;  // Q: s0 = 0 with s1 != 0, no single error to locate
  EXPECT_FALSE(ecc.CorrectQ(p.data()));
}

// The shared tables outlive any one instance while another still works.
TEST_F(ParityTest, AnInstanceKeepsWorkingWhenAnotherEnds) {
  { TSubCodeErrorCorrect second; }
  for (int n = 0; n < 20; ++n) {
    const Pack p = Encoded(RandomPack(rng));
    EXPECT_TRUE(QHolds(p) && PHolds(p));
  }
}

}  // namespace
}  // namespace mosaicer
