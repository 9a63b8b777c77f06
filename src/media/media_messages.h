// Every sentence the picture and song readers put into their errors and
// notes, in one place so that front ends and translators find them together.
// Each is completed with the file's quoted name in front.
#pragma once

namespace mosaicer::media_text {

// "<file> is not a picture this program can read"
inline constexpr const char* kNotAPicture = " is not a picture this program can read";
// "<file> is not a song this program can read"
inline constexpr const char* kNotASong = " is not a song this program can read";
// "<file> is damaged: <what the decoder found>"
inline constexpr const char* kDamaged = " is damaged: ";
// "<file> is too large a picture: <size>"
inline constexpr const char* kPictureTooLarge = " cannot be used: ";
// "<file> holds no audio"
inline constexpr const char* kNoAudio = " holds no audio";
// "<file> is damaged at <seconds> s: <what the decoder found>"
inline constexpr const char* kDamagedAt = " is damaged at ";
// "<file> is too long for a CD+G file (more than 4 GB of CD audio)"
inline constexpr const char* kSongTooLong = " is too long for a CD+G file (more than 4 GB of CD audio)";
// The one-line note of an audio conversion: "48000 Hz 24-bit mono → 44100 Hz 16-bit stereo".
inline constexpr const char* kConversionArrow = " \u2192 ";
inline constexpr const char* kMono = "mono";
inline constexpr const char* kStereo = "stereo";
// "6 channels"
inline constexpr const char* kChannels = " channels";
inline constexpr const char* kFloat = "-bit float";
inline constexpr const char* kBit = "-bit";

}  // namespace mosaicer::media_text
