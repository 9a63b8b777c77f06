#include "cli/values.h"

#include <algorithm>
#include <cctype>

#include "authoring/msf.h"
#include "cli/args.h"

namespace mosaicer::cli {
namespace {

constexpr int kMaxAddressPart = 255;

// Two decimal digits, nothing else.
std::optional<int> TwoDigits(const std::string& text, std::size_t at) {
  if (!std::isdigit(static_cast<unsigned char>(text[at])) ||
      !std::isdigit(static_cast<unsigned char>(text[at + 1])))
    return std::nullopt;
  return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// Splits at the one `separator` of `text`; nothing when there is not exactly one.
std::optional<std::pair<std::string, std::string>> SplitOnce(const std::string& text,
                                                             char separator) {
  const std::size_t at = text.find(separator);
  if (at == std::string::npos || text.find(separator, at + 1) != std::string::npos)
    return std::nullopt;
  return std::make_pair(text.substr(0, at), text.substr(at + 1));
}

}  // namespace

std::optional<MsfValue> ParseMsfValue(const std::string& text) {
  constexpr std::size_t kLength = 8, kFirstColon = 2, kSecondColon = 5;
  if (text.size() != kLength || text[kFirstColon] != ':' || text[kSecondColon] != ':')
    return std::nullopt;
  const auto minutes = TwoDigits(text, 0);
  const auto seconds = TwoDigits(text, 3);
  const auto frames = TwoDigits(text, 6);
  if (!minutes || !seconds || !frames) return std::nullopt;
  MsfValue value;
  value.capped = *seconds > kMaxMsfSeconds || *frames > kMaxMsfFrames;
  value.frames = MsfToFrames(*minutes, std::min(*seconds, kMaxMsfSeconds),
                             std::min(*frames, kMaxMsfFrames));
  return value;
}

std::optional<SizeValue> ParseSizeValue(const std::string& text, int maxSide) {
  const auto parts = SplitOnce(text, 'x');
  if (!parts) return std::nullopt;
  const auto w = ParseInteger(parts->first, 1, maxSide);
  const auto h = ParseInteger(parts->second, 1, maxSide);
  if (!w || !h) return std::nullopt;
  return SizeValue{static_cast<int>(*w), static_cast<int>(*h)};
}

std::optional<PointValue> ParsePointValue(const std::string& text, int maxCoordinate) {
  const auto parts = SplitOnce(text, ',');
  if (!parts) return std::nullopt;
  const auto x = ParseInteger(parts->first, 0, maxCoordinate);
  const auto y = ParseInteger(parts->second, 0, maxCoordinate);
  if (!x || !y) return std::nullopt;
  return PointValue{static_cast<int>(*x), static_cast<int>(*y)};
}

std::optional<std::vector<int>> ParseTrackList(const std::string& text, int trackCount) {
  std::vector<int> positions;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const auto n = ParseInteger(text.substr(start, comma - start), 1, trackCount);
    if (!n) return std::nullopt;
    const int position = static_cast<int>(*n) - 1;
    if (std::find(positions.begin(), positions.end(), position) != positions.end())
      return std::nullopt;
    positions.push_back(position);
    start = comma + 1;
  }
  return positions;
}

std::optional<SgAddress> ParseSgAddress(const std::string& text) {
  const std::string prefix = kSgPrefix;
  if (text.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  std::string rest = text.substr(prefix.size());
  int parts[3];
  for (int i = 0; i < 3; ++i) {
    const std::size_t colon = i < 2 ? rest.find(':') : rest.size();
    if (colon == std::string::npos) return std::nullopt;
    const auto n = ParseInteger(rest.substr(0, colon), 0, kMaxAddressPart);
    if (!n) return std::nullopt;
    parts[i] = static_cast<int>(*n);
    rest = i < 2 ? rest.substr(colon + 1) : std::string();
  }
  return SgAddress{parts[0], parts[1], parts[2]};
}

}  // namespace mosaicer::cli
