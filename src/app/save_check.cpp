#include "app/save_check.h"

#include <filesystem>
#include <system_error>

#include "app/dialogs.h"
#include "authoring/creation_job.h"
#include "authoring/messages.h"
#include "platform/file_util.h"
#include "platform/language.h"

namespace mosaicer {
namespace {

bool SameName(const std::string& a, const std::string& b) {
  std::error_code ec1, ec2;
  const std::filesystem::path pa = std::filesystem::weakly_canonical(a, ec1);
  const std::filesystem::path pb = std::filesystem::weakly_canonical(b, ec2);
  if (ec1 || ec2)
    return std::filesystem::path(a).lexically_normal() ==
           std::filesystem::path(b).lexically_normal();
  return pa == pb;
}

bool Clash(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  return SameFile(a, b) || SameName(a, b);
}

}  // namespace

bool MayReplace(Dialogs& dialogs, QWidget* parent, const std::string& file, SaveBeep beep) {
  const SaveTarget target = CheckSaveTarget(file);
  if (target == SaveTarget::Fresh) return true;
  if (beep == SaveBeep::Yes) dialogs.Beep();
  if (!dialogs.Confirm(parent, OverwriteQuestion(file))) return false;
  if (target == SaveTarget::Protected) {
    if (beep == SaveBeep::Yes) dialogs.Beep();
    dialogs.Error(parent, CannotOverwriteMessage(file));
    return false;
  }
  return true;
}

std::string OutputClashMessage(const std::vector<std::string>& inputs,
                               const std::vector<std::string>& outputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    for (const std::string& input : inputs)
      if (Clash(outputs[i], input))
        return Format(Tr("\"%1\" is a file being read. Choose another file."), {outputs[i]});
    for (std::size_t j = 0; j < i; ++j)
      if (Clash(outputs[i], outputs[j]))
        return Format(Tr("\"%1\" is named for two outputs. Choose another file."), {outputs[i]});
  }
  return {};
}

}  // namespace mosaicer
