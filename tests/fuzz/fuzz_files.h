// Files for the fuzz targets whose readers take a path.
#pragma once

#include <stdlib.h>

#include <cstdio>

#include "fuzz_target.h"

namespace mosaicer::fuzz {

// A folder of this process's own under /tmp, made on first use.
inline const std::string& Folder() {
  static const std::string folder = [] {
    std::string pattern = "/tmp/mosaicer-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) __builtin_trap();
    return pattern;
  }();
  return folder;
}

// Writes the bytes to `name` in Folder() and gives its path; stops the run
// when that fails, since the target would test nothing.
inline std::string WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  const std::string path = Folder() + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0)
    __builtin_trap();
  return path;
}

}  // namespace mosaicer::fuzz
