// Texts the fronts show for the authoring commands. Each takes the file name
// where the text names one.
#pragma once

#include <string>

namespace mosaicer {

std::string OverwriteQuestion(const std::string& file);       // confirm before saving over a file
std::string CannotOverwriteMessage(const std::string& file);  // read-only, or attributes unreadable
std::string NotCdAudioMessage(
    const std::string& file);          // WAV that is not 16-bit 44.1 kHz stereo PCM
std::string PictureTooSmallMessage();  // "288×192 or larger" request

inline constexpr const char* kCdgCreated = "CDGファイルの作成に成功しました。";
inline constexpr const char* kCdgCancelled = "CDGファイルの作成を中断しました。";
inline constexpr const char* kCdgFailed = "CDGファイルの作成に失敗しました。";
inline constexpr const char* kRwsCreated = "RWSファイルの作成に成功しました。";
inline constexpr const char* kRwsFailed = "RWSファイルの作成に失敗しました。";
inline constexpr const char* kBmpFailed = "BMPファイルの作成に失敗しました。";

}  // namespace mosaicer
