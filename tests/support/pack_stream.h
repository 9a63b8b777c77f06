// Small pack streams for tests of the commands that read subcode files.
#pragma once

#include <string>

#include "core/parity.h"
#include "core/subcode_pack.h"
#include "support/wave_file.h"

namespace mosaicer::testing {

// An RWS stream of `sectors` sectors; sector s holds one MemoryPreset pack of
// colour s % 16, with its parity, and three empty packs.
inline std::string PresetStream(int sectors) {
  TSubCodeErrorCorrect ecc;
  std::string bytes;
  for (int s = 0; s < sectors; ++s) {
    SubCodePack packs[kPacksPerSector];
    ClearPacks(packs, kPacksPerSector);
    InitPack(packs[0], kMemoryPreset);
    packs[0].Data[0] = static_cast<std::uint8_t>(s % kColourCount);
    ecc.ComputeQ(packs[0].bytes());
    ecc.ComputeP(packs[0].bytes());
    bytes.append(reinterpret_cast<const char*>(packs), sizeof packs);
  }
  return bytes;
}

// A CDG file holding `subcode` (whole sectors of packs): each sector's packs
// after a sector of audio that would paint wrong colours if read as packs.
inline std::string CdgOf(const std::string& subcode) {
  std::string cdg;
  for (std::size_t at = 0; at < subcode.size(); at += kSubcodeBytesPerSector) {
    cdg += AudioBytes(kAudioBytesPerSector, static_cast<unsigned>(at));
    cdg.append(subcode, at, kSubcodeBytesPerSector);
  }
  return cdg;
}

}  // namespace mosaicer::testing
