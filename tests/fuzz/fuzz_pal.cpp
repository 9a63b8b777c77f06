// Feeds arbitrary bytes to the .pal reader. Whatever it loads must come back
// the same after being written out and read again.
#include <span>

#include "fuzz_target.h"
#include "image/pal_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const mosaicer::PalFileContents contents =
      mosaicer::ParsePalFile(std::span<const std::uint8_t>(data, size));
  if (contents.status != mosaicer::PalFileStatus::Loaded) return 0;

  mosaicer::PaletteColours colours;
  for (std::size_t i = 0; i < colours.size(); ++i) colours[i] = contents.entries[i].colour();
  const mosaicer::PalFileContents back =
      mosaicer::ParsePalFile(mosaicer::FormatPalFile(colours, contents.keep));
  if (back.status != mosaicer::PalFileStatus::Loaded || back.keep != contents.keep) std::abort();
  for (std::size_t i = 0; i < colours.size(); ++i)
    if (back.entries[i].colour() != colours[i] || back.entries[i].flags != 1) std::abort();
  return 0;
}
