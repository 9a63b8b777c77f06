// Texts the fronts show for the authoring commands. Each takes the file name
// where the text names one.
#pragma once

#include <string>

#include "platform/language.h"

namespace mosaicer {

std::string OverwriteQuestion(const std::string& file);       // confirm before saving over a file
std::string CannotOverwriteMessage(const std::string& file);  // read-only, or attributes unreadable
std::string NotCdAudioMessage(
    const std::string& file);          // WAV that is not 16-bit 44.1 kHz stereo PCM
std::string PictureTooSmallMessage();  // "288×192 or larger" request

inline constexpr TrText kCdgCreated{N_("The CDG file was created.")};
inline constexpr TrText kCdgCancelled{N_("Creating the CDG file was cancelled.")};
inline constexpr TrText kCdgFailed{N_("The CDG file could not be created.")};
inline constexpr TrText kRwsCreated{N_("The RWS file was created.")};
inline constexpr TrText kRwsFailed{N_("The RWS file could not be created.")};
inline constexpr TrText kRwsCancelled{N_("Creating the RWS file was cancelled.")};
inline constexpr TrText kMp3gCreated{N_("The MP3+G files were created.")};
inline constexpr TrText kMp3gCancelled{N_("Creating the MP3+G files was cancelled.")};
inline constexpr TrText kMp3gFailed{N_("The MP3+G files could not be created.")};
inline constexpr TrText kBmpFailed{N_("The BMP file could not be created.")};

}  // namespace mosaicer
