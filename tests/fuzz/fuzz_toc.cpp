// Feeds an arbitrary full-TOC reply, as a drive might send it, through the
// table-of-contents parser with and without BCD repair.
#include <algorithm>
#include <cstring>

#include "fuzz_target.h"
#include "ripper/cd_drive.h"

namespace {

class ReplayTransport : public mosaicer::ScsiTransport {
 public:
  ReplayTransport(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Execute(const mosaicer::TNkCdRom&, std::uint8_t, const std::uint8_t*, void* buffer,
                       std::uint32_t bufferLength, std::uint8_t, std::uint32_t) override {
    std::memcpy(buffer, data_, std::min<std::size_t>(size_, bufferLength));
    return mosaicer::kScsiCompleted;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReplayTransport transport(data, size);
  for (bool repair : {false, true}) {
    mosaicer::TNkToc toc;
    if (!mosaicer::ReadToc(transport, mosaicer::TNkCdRom(), repair, toc)) __builtin_trap();
    if (toc.TrackCount > mosaicer::kMaxTocTracks) __builtin_trap();
    if (toc.TrackCount != 0 && toc.LastTrack - toc.FirstTrack + 1 != toc.TrackCount)
      __builtin_trap();
  }
  return 0;
}
