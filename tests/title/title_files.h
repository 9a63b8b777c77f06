// Titles of every kind for the title tests: subcode, CD audio, tones and
// zip archives built with libzip.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/subcode_pack.h"
#include "support/pack_stream.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"
#include "title/title_source.h"

namespace mosaicer::testing {

// Audio that FLAC and MP3 coders take as sound: a slow stereo sweep, whole
// frames only.
inline std::string ToneAudio(std::size_t frames) {
  std::string audio;
  audio.reserve(frames * 4);
  for (std::size_t f = 0; f < frames; ++f) {
    const auto left = static_cast<std::int16_t>(8000.0 * std::sin(f * 0.031 + f * f * 1e-7));
    const auto right = static_cast<std::int16_t>(6000.0 * std::sin(f * 0.017));
    for (std::int16_t v : {left, right}) {
      audio += static_cast<char>(static_cast<std::uint16_t>(v) & 0xFF);
      audio += static_cast<char>(static_cast<std::uint16_t>(v) >> 8);
    }
  }
  return audio;
}

struct ZipItem {
  std::string name;
  std::string bytes;
};

// A zip archive of `items` in order, deflated unless `stored`.
inline std::string ZipOf(const std::vector<ZipItem>& items, bool stored = false) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_source_keep(target);
  zip_t* zip = zip_open_from_source(target, ZIP_TRUNCATE, &error);
  for (const ZipItem& item : items) {
    zip_source_t* data = zip_source_buffer(zip, item.bytes.data(), item.bytes.size(), 0);
    const zip_int64_t index = zip_file_add(zip, item.name.c_str(), data, ZIP_FL_ENC_UTF_8);
    zip_set_file_compression(zip, static_cast<zip_uint64_t>(index),
                             stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
  }
  zip_close(zip);
  zip_stat_t stat;
  zip_source_stat(target, &stat);
  std::string archive(stat.size, '\0');
  zip_source_open(target);
  zip_source_read(target, archive.data(), stat.size);
  zip_source_close(target);
  zip_source_free(target);
  zip_error_fini(&error);
  return archive;
}

// The names and contents of every entry of a zip file, in order.
inline std::vector<ZipItem> ZipEntries(const std::string& path) {
  std::vector<ZipItem> items;
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (zip == nullptr) return items;
  for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
    zip_stat_t stat;
    zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &stat);
    ZipItem item{stat.name, std::string(stat.size, '\0')};
    zip_file_t* file = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
    zip_fread(file, item.bytes.data(), stat.size);
    zip_fclose(file);
    items.push_back(std::move(item));
  }
  zip_discard(zip);
  return items;
}

// The whole title read at once: its audio and its subcode, filled with 0x55
// first so that sectors left unread show.
struct Whole {
  std::string audio, subcode;
};

inline Whole ReadWhole(TitleSource& title) {
  Whole w{std::string(title.Sectors() * kAudioBytesPerSector, '\x55'),
          std::string(title.Sectors() * kSubcodeBytesPerSector, '\x55')};
  const IoStatus read = title.Read(title.Sectors(), reinterpret_cast<std::uint8_t*>(w.audio.data()),
                                   reinterpret_cast<std::uint8_t*>(w.subcode.data()));
  EXPECT_TRUE(read.ok()) << read.error();
  return w;
}

// The title of a file read whole; nothing, and a failed test, when it cannot be opened.
inline Whole ReadWhole(const std::string& path) {
  TitleOpenResult opened = OpenTitle(path);
  EXPECT_TRUE(opened.ok()) << opened.error;
  return opened.ok() ? ReadWhole(*opened.source) : Whole{};
}

}  // namespace mosaicer::testing
