// A test's CloneCD disc opened as a drive, the progress a job reports, and a
// drive whose reads fail where a test says.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "authoring/job_owner.h"
#include "ripper/cd_drive.h"
#include "ripper/clone_cd_image.h"
#include "ripper/rip_job.h"
#include "ripper/worn_disc.h"
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
  // Rips list position `position` through `transport` and gives the file.
  std::string Rip(ScsiTransport& transport, int position, const RipOptions& options, TRipJob& job,
                  const std::string& name = "rip.cdg") {
    job.RunSingle(transport, drive, toc, position, dir.File(name), options);
    EXPECT_EQ(job.JobStatus(), kJobSucceeded) << job.Error();
    return ReadFile(dir.File(name));
  }
};

// Every progress code a job reports, and a cancel request on the step
// numbered `cancelAtStep` (counted from 1; 0: never).
struct Codes {
  explicit Codes(TJobOwner* owner = nullptr, int cancelAt = 0)
      : job(owner), cancelAtStep(cancelAt) {}
  TJobOwner* job;
  int cancelAtStep;
  std::vector<std::pair<int, int>> list;
  static int Callback(std::int8_t code, int value, void* context) {
    auto* self = static_cast<Codes*>(context);
    self->list.emplace_back(code, value);
    if (code == kProgressStep && self->Count(kProgressStep) == self->cancelAtStep)
      self->job->CancelJob();
    return 0;
  }
  int Count(int code) const {
    return static_cast<int>(
        std::count_if(list.begin(), list.end(), [&](auto& c) { return c.first == code; }));
  }
  int StepsAnnounced() const {
    for (const auto& [code, value] : list)
      if (code == kProgressSteps) return value;
    return -1;
  }
};

// Passes every command to `inner`, but fails the READ CDs `fails` picks by
// their number (counted from 1), their LBA and their sector count.
class FailingReads : public ScsiTransport {
 public:
  using Pick = std::function<bool(int, std::int64_t, std::uint32_t)>;
  FailingReads(ScsiTransport& inner, Pick fails) : inner_(inner), fails_(std::move(fails)) {}
  std::uint8_t Execute(const TNkCdRom& drive, std::uint8_t cdbLength, const std::uint8_t* cdb,
                       void* buffer, std::uint32_t bufferLength, std::uint8_t direction,
                       std::uint32_t timeoutMs) override {
    if (cdb[0] == kOpReadCd && fails_(++reads_, CdbLba(cdb), CdbCount(cdb)))
      return kScsiCompleted + 1;  // not done
    return inner_.Execute(drive, cdbLength, cdb, buffer, bufferLength, direction, timeoutMs);
  }

 private:
  ScsiTransport& inner_;
  Pick fails_;
  int reads_ = 0;
};

}  // namespace mosaicer::testing
