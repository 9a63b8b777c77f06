// What a test reads back from written titles: every sector of a title as a
// CDG file holds it, and the names a folder holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/subcode_pack.h"
#include "title/title_source.h"

namespace mosaicer::testing {

// The title's sectors, audio then subcode, as a CDG file holds them; empty
// (with a failure) when it cannot be read.
inline std::string SectorsOf(const std::string& path) {
  TitleOpenResult title = OpenTitle(path);
  EXPECT_TRUE(title.ok()) << title.error;
  if (!title.ok()) return {};
  const std::uint64_t n = title.source->Sectors();
  std::vector<std::uint8_t> audio(n * kAudioBytesPerSector), subcode(n * kSubcodeBytesPerSector);
  const IoStatus read = title.source->Read(n, audio.data(), subcode.data());
  EXPECT_TRUE(read) << read.error();
  std::string sectors;
  for (std::uint64_t s = 0; s < n; ++s) {
    sectors.append(reinterpret_cast<const char*>(audio.data()) + s * kAudioBytesPerSector,
                   kAudioBytesPerSector);
    sectors.append(reinterpret_cast<const char*>(subcode.data()) + s * kSubcodeBytesPerSector,
                   kSubcodeBytesPerSector);
  }
  return sectors;
}

inline std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

}  // namespace mosaicer::testing
