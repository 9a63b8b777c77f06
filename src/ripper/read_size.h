// The ripper's read-size field: the text the user types and the value the
// rip uses, sectors per read command within kMinReadSize..kMaxReadSize.
#pragma once

#include <optional>
#include <string_view>

namespace mosaicer {

struct ReadSizeEntry {
  int value = 0;  // within the allowed range
  // The field is to show the value instead of what was typed: a number at
  // the upper limit or beyond either limit.
  bool corrected = false;
};

// The typed text as a read size: a decimal integer, optionally signed and
// surrounded by blanks; too large or too small a number is brought into
// range. Nothing for text that is no number, so the value in
// force stays as it was.
std::optional<ReadSizeEntry> ReadSizeFromText(std::string_view text);

}  // namespace mosaicer
