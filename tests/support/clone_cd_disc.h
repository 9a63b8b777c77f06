// CD+G discs as CloneCD images, built for tests from known packs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/parity.h"
#include "core/subcode_pack.h"
#include "support/temp_dir.h"

namespace mosaicer::testing {

// The symbol a disc carries at place j of a pack: 1 and 18, 2 and 5, 3 and
// 23 trade places.
inline int Swapped(int j) {
  constexpr int kFrom[24] = {0,  18, 5,  23, 4,  2,  6,  7,  8,  9,  10, 11,
                             12, 13, 14, 15, 16, 17, 1,  19, 20, 21, 22, 3};
  return kFrom[j];
}

// Builds a disc image whose R–W channels carry `source` packs interleaved as
// on a disc (written here from the disc's rule, not by the reader), with Q
// bits set at random to show they stay out of the packs.
struct Disc {
  std::vector<std::uint8_t> source;  // packs in play order, 96 bytes a sector
  std::string audio;
  std::string sub;  // linear channel layout
};

// A disc carrying `packs` (96 bytes a sector, play order) and `audio`
// (2352 bytes a sector) as a drive would read them.
inline Disc DiscFromPacks(std::vector<std::uint8_t> packs, std::string audio, unsigned seed) {
  std::mt19937 rng(seed);
  Disc d;
  d.source = std::move(packs);
  d.audio = std::move(audio);
  const int sectors = static_cast<int>(d.source.size() / 96);
  const int count = sectors * 4;
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(count) * 24, 0);
  for (int t = 0; t < count; ++t)
    for (int j = 0; j < 24; ++j) {
      const int from = t - j % 8;
      if (from >= 0) raw[t * 24 + j] = d.source[from * 24 + Swapped(j)];
    }
  d.sub.assign(static_cast<std::size_t>(sectors) * 96, '\0');
  for (int s = 0; s < sectors; ++s)
    for (int k = 0; k < 96; ++k) {
      std::uint8_t byte = raw[s * 96 + k] | static_cast<std::uint8_t>((rng() & 1) << 6);  // Q
      for (int c = 0; c < 8; ++c)
        if ((byte >> (7 - c)) & 1)
          d.sub[s * 96 + c * 12 + k / 8] |= static_cast<char>(0x80 >> (k % 8));
    }
  return d;
}

inline Disc MakeDisc(int sectors, unsigned seed) {
  std::mt19937 rng(seed);
  TSubCodeErrorCorrect ecc;
  std::vector<std::uint8_t> source(static_cast<std::size_t>(sectors) * 96);
  for (std::size_t p = 0; p < source.size() / 24; ++p) {
    std::uint8_t* pack = source.data() + p * 24;
    pack[0] = 9;
    pack[1] = 6;
    for (int i = 4; i < 20; ++i) pack[i] = static_cast<std::uint8_t>(rng() & 0x3F);
    ecc.ComputeQ(pack);
    ecc.ComputeP(pack);
  }
  std::string audio(static_cast<std::size_t>(sectors) * kAudioBytesPerSector, '\0');
  for (auto& c : audio) c = static_cast<char>(rng());
  return DiscFromPacks(std::move(source), std::move(audio), seed + 1);
}

// One .ccd entry: its session, its point, and PMin, PSec, PFrame.
struct CcdEntry {
  int session, point, pmin, psec, pframe;
};

inline std::string CcdFromEntries(const std::vector<CcdEntry>& entries) {
  std::string text =
      "[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=" + std::to_string(entries.size()) +
      "\r\nSessions=1\r\n";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const CcdEntry& e = entries[i];
    char point[16];
    std::snprintf(point, sizeof point, "0x%02x", e.point);
    text +=
        "[Entry " + std::to_string(i) + "]\r\nSession=" + std::to_string(e.session) +
        "\r\nPoint=" + point + "\r\nADR=0x01\r\nControl=0x00\r\nPMin=" + std::to_string(e.pmin) +
        "\r\nPSec=" + std::to_string(e.psec) + "\r\nPFrame=" + std::to_string(e.pframe) + "\r\n";
  }
  return text;
}

// A .ccd for one session whose tracks start at the given sectors (LBA) and
// whose lead-out is at `sectors`.
inline std::string CcdText(const std::vector<int>& trackStarts, int sectors) {
  const auto at = [](int point, int lba) {
    return CcdEntry{1, point, (lba + 150) / 4500, (lba + 150) / 75 % 60, (lba + 150) % 75};
  };
  std::vector<CcdEntry> entries = {
      {1, 0xA0, 1, 0, 0}, {1, 0xA1, static_cast<int>(trackStarts.size()), 0, 0}, at(0xA2, sectors)};
  for (std::size_t t = 0; t < trackStarts.size(); ++t)
    entries.push_back(at(static_cast<int>(t) + 1, trackStarts[t]));
  return CcdFromEntries(entries);
}

// Two tracks: LBA 0..84 and 85..149.
inline const std::string kCcd = CcdText({0, 85}, 150);

// `disc` written as disc.img, disc.sub and disc.ccd (`ccd` its text) in
// `dir`; gives the .ccd's path.
inline std::string WriteCloneCd(const TempDir& dir, const Disc& disc,
                                const std::string& ccd = kCcd) {
  dir.Write("disc.img", disc.audio);
  dir.Write("disc.sub", disc.sub);
  return dir.Write("disc.ccd", ccd);
}

}  // namespace mosaicer::testing
