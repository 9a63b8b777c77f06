#include "ripper/rip_drive_list.h"

#include <algorithm>

#include "ripper/image_drive.h"
#include "ripper/drive_text.h"

namespace mosaicer {

int RipDriveList::Search(const DriveSearchSetup& setup) {
  found_.Search(setup);
  return Count();
}

int RipDriveList::Add(std::unique_ptr<ScsiTransport> transport, TNkCdRom drive) {
  added_.push_back(Added{std::move(transport), std::move(drive), {}});
  return Count() - 1;
}

bool RipDriveList::AddImage(const std::string& path, std::string& error) {
  std::unique_ptr<DiscImage> image = OpenDiscImage(path, error);
  if (!image) return false;
  TNkCdRom drive(path);
  Inquiry(*image, drive);  // the image names itself as vendor, product and revision
  std::vector<std::string> files = image->Files();
  Add(std::move(image), std::move(drive));
  added_.back().files = std::move(files);
  return true;
}

const RipDriveList::Added* RipDriveList::AddedAt(int position) const {
  const int index = position - found_.Count();
  if (index < 0 || index >= static_cast<int>(added_.size())) return nullptr;
  return &added_[static_cast<std::size_t>(index)];
}

const TNkCdRom* RipDriveList::Drive(int position) const {
  if (position < found_.Count()) return found_.Drive(position);
  const Added* added = AddedAt(position);
  return added ? &added->drive : nullptr;
}

ScsiTransport* RipDriveList::Transport(int position) const {
  if (position < found_.Count()) return found_.Transport(position);
  const Added* added = AddedAt(position);
  return added ? added->transport.get() : nullptr;
}

std::vector<std::string> RipDriveList::Inputs(int position) const {
  const Added* added = AddedAt(position);
  return added ? added->files : std::vector<std::string>();
}

bool RipDriveList::UsesAspi(int position) const { return found_.UsesAspi(position); }

std::string RipDriveList::Line(int position) const {
  const TNkCdRom* drive = Drive(position);
  return drive ? DriveLine(*drive, UsesAspi(position)) : std::string();
}

std::vector<DriveSettings> RipDriveList::LoadSettings(const IniFile& driveIni) const {
  std::vector<DriveSettings> settings;
  for (int i = 0; i < std::min(Count(), kDriveSlots); ++i)
    settings.push_back(LoadDriveSettings(driveIni, *Drive(i)));
  return settings;
}

void RipDriveList::SaveSettings(IniFile& driveIni,
                                const std::vector<DriveSettings>& settings) const {
  const int slots = std::min({Count(), kDriveSlots, static_cast<int>(settings.size())});
  for (int i = 0; i < slots; ++i)
    SaveDriveSettings(driveIni, *Drive(i), settings[static_cast<std::size_t>(i)]);
}

}  // namespace mosaicer
