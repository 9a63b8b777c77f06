// A DRIVE argument: a disc image (.ccd, .toc, .cue), an sg address
// (sg:HOST:TARGET:LUN) or a block device (/dev/srN), opened for the drive
// commands and for the commands that read one track of a disc directly.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "ripper/cd_drive.h"
#include "ripper/scsi_transport.h"

namespace mosaicer::cli {

// What the ripper sets for a drive it has no settings for.
inline constexpr int kCliReadSize = 15;

struct OpenedDrive {
  std::unique_ptr<ScsiTransport> transport;
  TNkCdRom drive;
  std::vector<std::string> files;  // what a rip reads: every file of an image
};

// Nothing, with the exit status already printed into `status`, when the
// drive cannot be opened (a usage error for a malformed sg address).
std::optional<OpenedDrive> OpenDrive(Io& io, const std::string& command, const std::string& name,
                                     int& status);

}  // namespace mosaicer::cli
