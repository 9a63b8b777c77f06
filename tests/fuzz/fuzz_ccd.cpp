// Feeds arbitrary text to the .ccd parser and the TOC reply built from it.
#include "fuzz_target.h"
#include "ripper/clone_cd_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mosaicer::CcdToc toc;
  std::string error;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (mosaicer::ParseCcd(text, toc, error)) {
    if (toc.descriptors.size() > mosaicer::kMaxTocDescriptors) __builtin_trap();
    const auto reply = mosaicer::FullTocReply(toc, 1, 2820);
    if (reply.size() > 2820) __builtin_trap();
  }
  return 0;
}
