// Shift_JIS (code page 932) text for files made on Japanese Windows systems.
// In memory every text is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace mosaicer {

// Decodes file text: CP932 when the bytes are valid CP932, otherwise UTF-8
// when they are valid UTF-8, otherwise CP932 with each undecodable byte
// replaced by U+FFFD.
std::string Cp932ToUtf8(std::string_view bytes);

// Encodes UTF-8 text as CP932. Characters CP932 lacks (and invalid UTF-8)
// become '?'; `lossless` (when given) tells whether that happened.
std::string Utf8ToCp932(std::string_view text, bool* lossless = nullptr);

bool IsValidUtf8(std::string_view bytes);

}  // namespace mosaicer
