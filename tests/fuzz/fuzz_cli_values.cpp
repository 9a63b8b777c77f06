// Feeds arbitrary text to the command line's value readers and to the
// option parser. Whatever a reader accepts must lie in its range and, where
// the value can be written back, read back the same.
#include "authoring/msf.h"
#include "cli/args.h"
#include "cli/values.h"
#include "fuzz_target.h"

namespace {

using namespace mosaicer;
using namespace mosaicer::cli;

constexpr int kMaxSide = 4096;
constexpr int kTracks = 99;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  if (const auto msf = ParseMsfValue(text)) {
    Check(msf->frames >= 0 && msf->frames <= MsfToFrames(99, 59, 74));
    // A value that was not capped is written exactly as it was typed.
    if (!msf->capped) Check(MsfText(msf->frames) == text);
  }
  if (const auto s = ParseSizeValue(text, kMaxSide)) {
    Check(s->width >= 1 && s->width <= kMaxSide && s->height >= 1 && s->height <= kMaxSide);
    Check(ParseSizeValue(std::to_string(s->width) + "x" + std::to_string(s->height), kMaxSide)
              .has_value());
  }
  if (const auto p = ParsePointValue(text, kMaxSide))
    Check(p->x >= 0 && p->x <= kMaxSide && p->y >= 0 && p->y <= kMaxSide);
  if (const auto list = ParseTrackList(text, kTracks)) {
    Check(!list->empty() && list->size() <= static_cast<std::size_t>(kTracks));
    for (int position : *list) Check(position >= 0 && position < kTracks);
  }
  if (const auto sg = ParseSgAddress(text)) {
    Check(sg->host >= 0 && sg->host <= 255 && sg->target >= 0 && sg->target <= 255);
    Check(sg->lun >= 0 && sg->lun <= 255);
    Check(text.find_first_not_of("sg:0123456789") == std::string::npos);
  }

  // The same bytes as a command line, split at NUL bytes.
  std::vector<std::string> argv(1);
  for (char c : text) {
    if (c == '\0') argv.emplace_back();
    else argv.back() += c;
  }
  const std::vector<OptionDef> known = {
      {"output", 'o', true}, {"force", 0, false}, {"at", 0, true}, {"tracks", 0, true}};
  std::string error;
  Check(Args::Parse(argv, known, error).has_value() == error.empty());
  return 0;
}
