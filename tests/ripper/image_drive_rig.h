// A test's CloneCD disc opened as a drive.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ripper/cd_drive.h"
#include "ripper/clone_cd_image.h"
#include "support/clone_cd_disc.h"
#include "support/temp_dir.h"

namespace mosaicer::testing {

// `disc` written as a CloneCD image in a folder of its own and opened as a
// drive, its table of contents read.
struct ImageDrive {
  TempDir dir;
  CloneCdImage image;
  TNkCdRom drive{"disc.ccd"};
  TNkToc toc;
  void Open(const Disc& disc) {
    std::string error;
    ASSERT_TRUE(image.Open(WriteCloneCd(dir, disc), error)) << error;
    ASSERT_TRUE(ReadToc(image, drive, false, toc));
  }
};

}  // namespace mosaicer::testing
