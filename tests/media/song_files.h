// Songs written with libsndfile's own encoders, so the opener is checked
// against the library's writers rather than against files made by the code
// under test.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace mosaicer::testing {

inline SNDFILE* OpenForWriting(const std::string& path, int format, int rate, int channels) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  return file;
}

// Writes `samples` (16-bit, interleaved) through libsndfile in `format`:
// integer formats get them in their top bits, float formats as s / 32768.
inline std::string WriteSong(const TempDir& dir, const std::string& name, int format, int rate,
                             int channels, const std::vector<std::int16_t>& samples) {
  const std::string path = dir.File(name);
  SNDFILE* file = OpenForWriting(path, format, rate, channels);
  if (file == nullptr) return path;
  const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
  const int sub = format & SF_FORMAT_SUBMASK;
  if (sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE) {
    std::vector<double> d;
    for (auto v : samples) d.push_back(v / 32768.0);
    sf_command(file, SFC_SET_NORM_DOUBLE, nullptr, SF_FALSE);
    EXPECT_EQ(sf_writef_double(file, d.data(), frames), frames);
  } else {
    std::vector<int> wide;
    for (auto v : samples) wide.push_back(static_cast<int>(static_cast<unsigned>(v) << 16));
    EXPECT_EQ(sf_writef_int(file, wide.data(), frames), frames);
  }
  sf_close(file);
  return path;
}

// Writes `samples` (interleaved, full scale 1.0) as they are, past full
// scale too.
inline std::string WriteDoubles(const TempDir& dir, const std::string& name, int format, int rate,
                                int channels, const std::vector<double>& samples) {
  const std::string path = dir.File(name);
  SNDFILE* file = OpenForWriting(path, format, rate, channels);
  if (file == nullptr) return path;
  sf_command(file, SFC_SET_CLIPPING, nullptr, SF_FALSE);
  sf_writef_double(file, samples.data(), static_cast<sf_count_t>(samples.size()) / channels);
  sf_close(file);
  return path;
}

}  // namespace mosaicer::testing
