#include "authoring/messages.h"

#include "core/subcode_pack.h"
#include "platform/language.h"

namespace mosaicer {
namespace {

std::string Quoted(const std::string& file) { return "\"" + file + "\""; }

}  // namespace

std::string OverwriteQuestion(const std::string& file) {
  return Format(Tr("Replace %1?"), {Quoted(file)});
}

std::string CannotOverwriteMessage(const std::string& file) {
  return Format(Tr("%1 cannot be replaced."), {Quoted(file)});
}

std::string NotCdAudioMessage(const std::string& file) {
  return Format(Tr("%1 is not a 16-bit 44.1 kHz stereo PCM WAVE file."), {Quoted(file)});
}

std::string PictureTooSmallMessage() {
  return Format(Tr("Choose a bitmap of at least %1×%2 pixels."),
                {std::to_string(kVisibleWidth), std::to_string(kVisibleHeight)});
}

}  // namespace mosaicer
