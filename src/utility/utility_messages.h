// Texts of the CD+G utility: the window's caption, which doubles as its
// status line, and its file dialogs. The command line prints the same
// outcome texts.
#pragma once

namespace mosaicer {

inline constexpr const char* kUtilityCaption = "CD+G Utility";
inline constexpr const char* kDividing = "分割中";
inline constexpr const char* kDivideSucceeded = "分割成功";
inline constexpr const char* kDivideFailed = "分割失敗";
inline constexpr const char* kCombining = "結合中";
inline constexpr const char* kCombineSucceeded = "結合成功";
inline constexpr const char* kCombineFailed = "結合失敗";

inline constexpr const char* kCdgOpenTitle = "CDGファイルを指定";
inline constexpr const char* kRwsSaveTitle = "RWSファイルを指定";
inline constexpr const char* kWavSaveTitle = "WAVファイルを指定";
inline constexpr const char* kCdgOpenFilter = "CDG Files (*.cdg)|*.cdg|All Files (*.*)|*.*";
inline constexpr const char* kRwsSaveFilter = "RWS Files (*.rws)|*.rws|All Files|*.*";
inline constexpr const char* kWavSaveFilter = "Wave Files (*.wav)|*.wav|All Files|*.*";

}  // namespace mosaicer
