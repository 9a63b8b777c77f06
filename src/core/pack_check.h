// Checks the parity of every pack of a CDG or RWS stream: each pack is
// tested against its Q and P equations, then repaired on a copy as a ripper
// would (CorrectP, then CorrectQ) to see whether it can be saved.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/parity.h"
#include "core/subcode_pack.h"

namespace mosaicer {

struct PackCheckCounts {
  std::uint64_t sectors = 0;
  std::uint64_t graphicsPacks = 0;  // command 0x09 (bits 7..6 ignored)
  std::uint64_t emptyPacks = 0;     // 24 zero bytes
  std::uint64_t otherPacks = 0;     // any other command
  std::uint64_t failingQ = 0;
  std::uint64_t failingP = 0;
  std::uint64_t repairable = 0;  // failed, and consistent after the repair
  std::uint64_t unrepairable = 0;
  std::uint64_t trailingBytes = 0;  // an incomplete last sector, not checked
};

class PackChecker {
 public:
  // Checks the four packs of one sector's 96 subcode bytes.
  void AddSector(const std::uint8_t* subcode);
  // Checks every whole sector of a buffer laid out as `format`.
  void AddBytes(const std::uint8_t* data, std::size_t size, SubcodeFormat format);
  const PackCheckCounts& Counts() const { return counts_; }

 private:
  void AddPack(const std::uint8_t* pack);
  bool Consistent(const std::uint8_t* pack) const;

  TSubCodeErrorCorrect ecc_;
  PackCheckCounts counts_;
};

// Checks a whole file, reading it a block at a time. False, with `error`
// set, when it cannot be read. `progress`, when given, is told the bytes
// done and the total after every block.
bool CheckSubcodeFile(const std::string& path, SubcodeFormat format, PackCheckCounts& counts,
                      std::string& error,
                      const std::function<void(std::uint64_t, std::uint64_t)>& progress = {});

}  // namespace mosaicer
