// A CUE image (.cue + d.bin) from arbitrary bytes: see fuzz_disc_image.h.
#include "fuzz_disc_image.h"
#include "ripper/cue_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mosaicer;
  return fuzz::FuzzSheetImage<CueImage>(data, size, "disc.cue", [](std::string_view text) {
    CueSheet sheet;
    std::string error;
    if (!ParseCueSheet(text, sheet, error) && (error.empty() || !sheet.files.empty()))
      __builtin_trap();
  });
}
