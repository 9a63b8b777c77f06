// Texts of the CD+G utility: the window's caption, which doubles as its
// status line, and its file dialogs. The command line prints the same
// outcome texts.
#pragma once

#include "platform/language.h"

namespace mosaicer {

inline constexpr const char* kUtilityCaption = "CD+G Utility";
inline constexpr TrText kDividing{N_("Dividing")};
inline constexpr TrText kDivideSucceeded{N_("Divided")};
inline constexpr TrText kDivideFailed{N_("Divide failed")};
inline constexpr TrText kCombining{N_("Combining")};
inline constexpr TrText kCombineSucceeded{N_("Combined")};
inline constexpr TrText kCombineFailed{N_("Combine failed")};

inline constexpr TrText kCdgOpenTitle{N_("Choose the CDG file")};
inline constexpr TrText kRwsSaveTitle{N_("Choose the RWS file")};
inline constexpr TrText kWavSaveTitle{N_("Choose the WAV file")};
inline constexpr const char* kCdgOpenFilter = "CDG Files (*.cdg)|*.cdg|All Files (*.*)|*.*";
inline constexpr const char* kRwsSaveFilter = N_(
    "RWS Files (*.rws)|*.rws|MP3+G Zip (*.zip)|*.zip|MP3 + CDG (*.mp3)|*.mp3|"
    "Ogg + CDG (*.ogg)|*.ogg|FLAC + CDG (*.flac)|*.flac|All Files|*.*");

}  // namespace mosaicer
