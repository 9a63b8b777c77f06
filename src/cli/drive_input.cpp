#include "cli/drive_input.h"

#include "cli/output_check.h"
#include "cli/values.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "ripper/image_drive.h"
#include "ripper/linux_transports.h"

namespace mosaicer::cli {
namespace {

// "sg:H:T:L" as a drive at that sg address.
std::optional<TNkCdRom> SgDrive(const std::string& text) {
  const std::optional<SgAddress> address = ParseSgAddress(text);
  if (!address) return std::nullopt;
  return TNkCdRom(static_cast<std::uint8_t>(address->host),
                  static_cast<std::uint8_t>(address->target), static_cast<std::uint8_t>(address->lun));
}

}  // namespace

std::optional<OpenedDrive> OpenDrive(Io& io, const std::string& command, const std::string& name,
                                     int& status) {
  std::string error;
  OpenedDrive opened;
  if (IsDiscImageName(name)) {
    std::unique_ptr<DiscImage> image = OpenDiscImage(name, error);
    if (!image) {
      status = Failure(io, error);
      return std::nullopt;
    }
    opened.files = image->Files();
    opened.transport = std::move(image);
    opened.drive = TNkCdRom(name);
    Inquiry(*opened.transport, opened.drive);
  } else if (name.rfind(kSgPrefix, 0) == 0) {
    const std::optional<TNkCdRom> drive = SgDrive(name);
    if (!drive) {
      status = UsageError(io, command, Tr("an sg drive is written sg:HOST:TARGET:LUN"));
      return std::nullopt;
    }
    opened.transport = std::make_unique<SgDeviceTransport>(ListSgCdDevices());
    opened.drive = *drive;
  } else {
    if (const IoStatus checked = CheckInputFile(name, kNoSizeLimit, InputKind::FileOrDevice);
        !checked) {
      status = Failure(io, checked.error());
      return std::nullopt;
    }
    opened.transport = std::make_unique<BlockDeviceTransport>();
    opened.drive = TNkCdRom(name);
    opened.files = {name};
  }
  return opened;
}

}  // namespace mosaicer::cli
