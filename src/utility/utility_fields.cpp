#include "utility/utility_fields.h"

#include "authoring/wave_info.h"
#include "media/audio_reader.h"

namespace mosaicer {

DivideRequest DivideRequestFor(const UtilityFields& fields) {
  DivideRequest request;
  request.cdgPath = fields.cdgPath;
  request.rwsPath = fields.rwsPath;
  request.wavPath = fields.wavPath;
  request.writeWav = !fields.noWav && !DivideTitleOutput(fields);
  return request;
}

std::optional<TitleOutput> DivideTitleOutput(const UtilityFields& fields) {
  auto output = TitleOutputFor(fields.rwsPath);
  if (output && (output->kind == TitleOutputKind::Zip || output->kind == TitleOutputKind::Pair))
    return output;
  return std::nullopt;
}

CombineRequest CombineRequestFor(const UtilityFields& fields) {
  CombineRequest request;
  request.rwsPath = fields.rwsPath;
  request.wavPath = fields.wavPath;
  request.cdgPath = fields.cdgPath;
  return request;
}

UtilityOutcome DivideReadiness(const DivideRequest& request) {
  if (request.cdgPath.empty() || request.rwsPath.empty() ||
      (request.writeWav && request.wavPath.empty()))
    return UtilityOutcome::NothingToDo;
  return UtilityOutcome::Succeeded;
}

UtilityOutcome CombineReadiness(const CombineRequest& request) {
  if (request.cdgPath.empty() || request.rwsPath.empty() || request.wavPath.empty())
    return UtilityOutcome::NothingToDo;
  // Any song OpenAudio reads: a CD-format WAV as it is, others converted.
  if (!OpenAudio(request.wavPath).ok()) return UtilityOutcome::NotCdAudio;
  return UtilityOutcome::Succeeded;
}

std::string WavPathAfterRws(const std::string& rwsPath, bool sameName,
                            const std::string& currentWav) {
  return sameName ? SameNameWav(rwsPath) : currentWav;
}

}  // namespace mosaicer
