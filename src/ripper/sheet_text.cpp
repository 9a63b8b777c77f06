#include "ripper/sheet_text.h"

#include <charconv>

namespace mosaicer {
namespace {

constexpr int kMaxMinutes = 99;
constexpr int kSecondsPerMinute = 60;
constexpr int kFramesPerSecond = 75;

// The digits of `text` up to the next ':' (or its end) as a number no
// larger than `max`.
bool Field(std::string_view& text, int max, int& value, bool last) {
  const std::size_t colon = text.find(':');
  if (last != (colon == std::string_view::npos)) return false;
  const std::string_view digits = text.substr(0, colon);
  if (digits.empty() || digits.size() > 3) return false;
  for (char c : digits)
    if (c < '0' || c > '9') return false;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (value > max) return false;
  text.remove_prefix(last ? text.size() : colon + 1);
  return true;
}

}  // namespace

bool ParseSheetMsf(std::string_view text, std::int64_t& sectors) {
  int m = 0, s = 0, f = 0;
  if (!Field(text, kMaxMinutes, m, false) || !Field(text, kSecondsPerMinute - 1, s, false) ||
      !Field(text, kFramesPerSecond - 1, f, true))
    return false;
  sectors = (static_cast<std::int64_t>(m) * kSecondsPerMinute + s) * kFramesPerSecond + f;
  return true;
}

}  // namespace mosaicer
