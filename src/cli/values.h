// The values command-line options and arguments take, read strictly: text
// that does not have the value's form is refused (a usage error), and a value
// of the right form beyond what the windows allow is capped as they cap it,
// with a note for the user.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mosaicer::cli {

// "MM:SS:FF": exactly two decimal digits a part. Seconds above 59 and frames
// above 74 are capped as the creation window's field caps them.
struct MsfValue {
  std::int64_t frames = 0;
  bool capped = false;  // the text asked for more seconds or frames than exist
};
std::optional<MsfValue> ParseMsfValue(const std::string& text);

// "WxH", each side in 1..maxSide.
struct SizeValue {
  int width = 0;
  int height = 0;
};
std::optional<SizeValue> ParseSizeValue(const std::string& text, int maxSide);

// "X,Y", each 0..maxCoordinate.
struct PointValue {
  int x = 0;
  int y = 0;
};
std::optional<PointValue> ParsePointValue(const std::string& text, int maxCoordinate);

// "N,M,...": track numbers in 1..trackCount, as list positions (number − 1),
// in the order given; a number given twice is refused.
std::optional<std::vector<int>> ParseTrackList(const std::string& text, int trackCount);

// "sg:HOST:TARGET:LUN", each part 0..255.
struct SgAddress {
  int host = 0;
  int target = 0;
  int lun = 0;
};
inline constexpr char kSgPrefix[] = "sg:";
std::optional<SgAddress> ParseSgAddress(const std::string& text);

}  // namespace mosaicer::cli
