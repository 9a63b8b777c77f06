#include "platform/cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>

namespace mosaicer {
namespace {

constexpr const char* kCp932 = "CP932";
constexpr const char* kUtf8 = "UTF-8";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the UTF-8 sequence a lead byte starts (1 for stray bytes).
std::size_t Utf8Length(unsigned char lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

enum class OnError { Fail, SkipByte, SkipUtf8Character };

// Converts with iconv. When the input does not convert, Fail gives nothing;
// the other modes skip the offending byte or character, write `substitute`
// in its place and clear `*clean`.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in,
                                   OnError onError, std::string_view substitute, bool* clean) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  out.reserve(in.size() * 3 / 2 + 16);
  char buffer[1024];
  char* src = const_cast<char*>(in.data());  // iconv's signature; never written through
  std::size_t left = in.size();
  bool ok = true;
  bool failed = false;
  for (;;) {
    char* dst = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t rc = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    if (rc != static_cast<std::size_t>(-1)) break;  // all input converted
    if (errno == E2BIG) continue;
    // EILSEQ, or EINVAL for a sequence cut short at the end.
    ok = false;
    if (onError == OnError::Fail) {
      failed = true;
      break;
    }
    const std::size_t skip = onError == OnError::SkipByte
                                 ? 1
                                 : std::min(left, Utf8Length(static_cast<unsigned char>(*src)));
    out.append(substitute);
    src += skip;
    left -= skip;
    if (left == 0) break;
  }
  iconv_close(cd);
  if (clean) *clean = ok;
  if (failed) return std::nullopt;
  return out;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = Utf8Length(lead);
    if (length == 1 || length > bytes.size() - i) return false;
    std::uint32_t cp = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < kSmallest[length - 1] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

std::string Cp932ToUtf8(std::string_view bytes) {
  // Plain ASCII reads the same in both; most effect files are all ASCII.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }))
    return std::string(bytes);
  if (auto strict = Convert(kUtf8, kCp932, bytes, OnError::Fail, {}, nullptr)) return *strict;
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Convert(kUtf8, kCp932, bytes, OnError::SkipByte, kReplacement, nullptr).value_or("");
}

std::string Utf8ToCp932(std::string_view text, bool* lossless) {
  bool clean = false;
  std::string out =
      Convert(kCp932, kUtf8, text, OnError::SkipUtf8Character, "?", &clean).value_or("");
  if (lossless) *lossless = clean;
  return out;
}

}  // namespace mosaicer
