#include "authoring/messages.h"

#include "core/subcode_pack.h"

namespace mosaicer {
namespace {

std::string Quoted(const std::string& file) { return "\"" + file + "\""; }

}  // namespace

std::string OverwriteQuestion(const std::string& file) {
  return Quoted(file) + "を上書きしても構いませんか？";
}

std::string CannotOverwriteMessage(const std::string& file) {
  return Quoted(file) + "は上書きできません。";
}

std::string NotCdAudioMessage(const std::string& file) {
  return Quoted(file) + "は16bits 44.1kHz StereoのPCM WAVEファイルではありません。";
}

std::string PictureTooSmallMessage() {
  return std::to_string(kVisibleWidth) + "×" + std::to_string(kVisibleHeight) +
         "ピクセル以上のビットマップを選択して下さい。";
}

}  // namespace mosaicer
