// The drives the ripper offers, one per line of its drive list: first the
// drives a search finds, then drives added for this run only (disc images
// the user opens: CloneCD, cdrdao or CUE). Each keeps the transport it is driven through,
// and the first kDriveSlots positions have per-drive settings.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "ripper/cd_drive.h"
#include "ripper/cd_drives.h"
#include "ripper/rip_job.h"
#include "ripper/scsi_transport.h"

namespace mosaicer {

// Whether a list position has a settings slot.
inline bool HasDriveSlot(int position) { return position >= 0 && position < kDriveSlots; }

class RipDriveList {
 public:
  // Replaces the found drives with those of a new search; added drives stay
  // after them. The setup's transports must outlive the list's use.
  int Search(const DriveSearchSetup& setup);

  // Appends a drive driven through `transport`; returns its position.
  int Add(std::unique_ptr<ScsiTransport> transport, TNkCdRom drive);
  // Opens a disc image (.ccd, .toc or .cue) and appends it, named by its
  // path. False, with `error` set, when the image cannot be opened.
  bool AddImage(const std::string& path, std::string& error);

  int Count() const { return found_.Count() + static_cast<int>(added_.size()); }
  // Null out of range.
  const TNkCdRom* Drive(int position) const;
  ScsiTransport* Transport(int position) const;
  // The files a rip from the drive reads: every file of an added image,
  // nothing for other drives and positions out of range.
  std::vector<std::string> Inputs(int position) const;
  // Driven through the sg transport (shown with its address); false for
  // block devices, added drives and positions out of range.
  bool UsesAspi(int position) const;
  // The line the drive list shows; empty out of range.
  std::string Line(int position) const;

  // Settings of every position that has a slot: those Drive.ini keeps for
  // the drive, or the defaults when its section belongs to another drive.
  std::vector<DriveSettings> LoadSettings(const IniFile& driveIni) const;
  // Writes a section for every position that has a slot and a setting.
  void SaveSettings(IniFile& driveIni, const std::vector<DriveSettings>& settings) const;

 private:
  struct Added {
    std::unique_ptr<ScsiTransport> transport;
    TNkCdRom drive;
    std::vector<std::string> files;  // of an image
  };
  const Added* AddedAt(int position) const;

  TNkCdRoms found_;
  std::vector<Added> added_;
};

}  // namespace mosaicer
