// The ratios the benchmark run reports: a measured benchmark over a
// reference benchmark of the same run, with the target it should meet.
#pragma once

#include <string>
#include <vector>

namespace mosaicer::bench {

struct Ratio {
  std::string label;
  std::string measured;
  std::string reference;
  std::string target;
};

inline std::vector<Ratio> Ratios() {
  return {
      {"parity: table lookups / shift-and-add", "BM_ParityTables", "BM_ParityShiftAndAdd",
       "target below 0.5"},
      // Cost per step of a large effect over that of a 900-step one. Linear
      // reading keeps it a small constant (a file past the caches costs more
      // per byte); a reader that rescans consumed sections would be near 10
      // and 73.
      {"tile order: 9000 steps / 10 x 900 steps", "BM_ReadTileOrder/9000",
       "BM_ReadTileOrderTimesTen/900", "target below 4"},
      {"tile order: 65535 steps / 72 x 900 steps", "BM_ReadTileOrder/65535",
       "BM_ReadTileOrderScaled/900", "target below 4"},
      // A 6000 x 4000 photo: palette (Rgbrgb1D, 6 bits) plus diffused
      // reduction, against one plain nearest-colour lookup per pixel.
      {"image: palette + diffusion / plain nearest pass", "BM_ImagePaletteAndDiffusion",
       "BM_ImagePlainNearestPass", "target below 1"},
      {"image: palette generation / plain nearest pass", "BM_ImagePaletteGeneration",
       "BM_ImagePlainNearestPass", "target below 0.25"},
      // A clean 74-minute raw rip: judging every pack and watching the Q
      // time must cost next to nothing over the plain rip.
      {"rip: re-reads ready (5) / none, clean 74 min", "BM_RipRawSecure/iterations:3",
       "BM_RipRawPlain/iterations:3", "target at most 1.05"},
      {"rip: 1 pack in 1000 sectors re-read / clean", "BM_RipRawSecureWorn/iterations:3",
       "BM_RipRawPlain/iterations:3", "the cost of the re-reads, reported"},
  };
}

}  // namespace mosaicer::bench
