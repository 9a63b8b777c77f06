#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace mosaicer::testing {

// `file` with everything after its first `keep` bytes replaced by seeded
// noise of the same length: a valid header followed by garbage.
inline std::string GarbageAfter(const std::string& file, std::size_t keep, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s = file.substr(0, keep);
  while (s.size() < file.size()) s += static_cast<char>(rng());
  return s;
}

}  // namespace mosaicer::testing
