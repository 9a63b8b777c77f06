// A cdrdao image (.toc + d.bin) from arbitrary bytes: see fuzz_disc_image.h.
#include "fuzz_disc_image.h"
#include "ripper/toc_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mosaicer;
  return fuzz::FuzzSheetImage<TocImage>(data, size, "disc.toc", [](std::string_view text) {
    TocSheet sheet;
    std::string error;
    if (!ParseTocSheet(text, sheet, error) && (error.empty() || !sheet.tracks.empty()))
      __builtin_trap();
    if (sheet.firstTrack + static_cast<int>(sheet.tracks.size()) > 100) __builtin_trap();
  });
}
