#include "ripper/image_drive.h"

#include <algorithm>
#include <cctype>

#include "platform/io_status.h"
#include "platform/language.h"
#include "ripper/clone_cd_image.h"
#include "ripper/cue_image.h"
#include "ripper/toc_image.h"

namespace mosaicer {
namespace {

enum class Kind { None, CloneCd, Toc, Cue };

Kind KindOf(const std::string& name) {
  constexpr std::size_t kExtension = 4;
  if (name.size() <= kExtension) return Kind::None;
  std::string ext = name.substr(name.size() - kExtension);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".ccd") return Kind::CloneCd;
  if (ext == ".toc") return Kind::Toc;
  if (ext == ".cue") return Kind::Cue;
  return Kind::None;
}

template <typename Image>
std::unique_ptr<DiscImage> Opened(const std::string& path, std::string& error) {
  auto image = std::make_unique<Image>();
  if (!image->Open(path, error)) return nullptr;
  return image;
}

}  // namespace

bool IsDiscImageName(const std::string& name) { return KindOf(name) != Kind::None; }

std::unique_ptr<DiscImage> OpenDiscImage(const std::string& path, std::string& error) {
  switch (KindOf(path)) {
    case Kind::CloneCd:
      return Opened<CloneCdImage>(path, error);
    case Kind::Toc:
      return Opened<TocImage>(path, error);
    case Kind::Cue:
      return Opened<CueImage>(path, error);
    case Kind::None:
      break;
  }
  error = Format(Tr("%1 is not a disc image (.ccd, .toc or .cue)"), {IoStatus::Quoted(path)});
  return nullptr;
}

}  // namespace mosaicer
