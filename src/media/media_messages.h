// Every sentence the picture and song readers put into their errors and
// notes, in one place so that front ends and translators find them together.
// Each is a pattern for Format whose %1 is the file's quoted name; they are
// shown in the current language: Format(Tr(kDamaged), {file, what}).
#pragma once

#include "platform/language.h"

namespace mosaicer::media_text {

inline constexpr const char* kNotAPicture = N_("%1 is not a picture this program can read");
// %2: what the BMP reader found.
inline constexpr const char* kNotABmp = N_("%1 is not a BMP picture that can be read: %2");
inline constexpr const char* kNotASong = N_("%1 is not a song this program can read");
// %2: what the decoder found.
inline constexpr const char* kDamaged = N_("%1 is damaged: %2");
// %2: the size and the limit.
inline constexpr const char* kPictureTooLarge = N_("%1 cannot be used: %2");
inline constexpr const char* kNoAudio = N_("%1 holds no audio");
inline constexpr const char* kEmptyWave =
    N_("%1 cannot be used: it holds no audio (its data chunk is empty)");
// %2: the seconds into the song, %3: what the decoder found.
inline constexpr const char* kDamagedAt = N_("%1 is damaged at %2 s: %3");
inline constexpr const char* kSongTooLong =
    N_("%1 is too long for a CD+G file (more than 4 GB of CD audio)");
// %2: the converter's reason.
inline constexpr const char* kCannotConvert = N_("%1 cannot be converted: %2");
// The file dialogs' lists of what the readers read (caption|patterns|...).
inline constexpr const char* kPictureFilter =
    N_("Pictures (*.bmp *.png *.jpg *.jpeg)|*.bmp;*.png;*.jpg;*.jpeg|Bitmap Files (*.bmp)|*.bmp|"
       "All Files|*.*");
inline constexpr const char* kSongFilter =
    N_("Songs (*.wav *.flac *.ogg *.opus *.mp3)|*.wav;*.flac;*.ogg;*.opus;*.mp3|"
       "Wave Files (*.wav)|*.wav|All Files|*.*");

// The one-line note of an audio conversion: "48000 Hz 24-bit mono → 44100 Hz
// 16-bit stereo", in the units every audio program shows; the channel words
// in the chosen language.
inline constexpr const char* kConversionArrow = " \u2192 ";
inline constexpr const char* kMono = N_("mono");
inline constexpr const char* kStereo = N_("stereo");
inline constexpr const char* kChannels = N_("%1 channels");
inline constexpr const char* kFloat = "-bit float";
inline constexpr const char* kBit = "-bit";

}  // namespace mosaicer::media_text
