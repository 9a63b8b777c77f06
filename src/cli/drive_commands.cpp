#include <optional>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "ripper/cd_drive.h"
#include "ripper/cd_drives.h"
#include "ripper/drive_text.h"
#include "ripper/linux_transports.h"

namespace mosaicer::cli {
namespace {

constexpr char kSgPrefix[] = "sg:";
constexpr long long kMaxAddressPart = 255;

int RunDrives(const Args& args, Io& io) {
  if (!args.Positionals().empty()) return UsageError(io, "drives", "takes no arguments");
  LinuxDriveAccess access;
  TNkCdRoms drives;
  drives.Search(access.Setup());
  for (int i = 0; i < drives.Count(); ++i)
    io.out << DriveLine(*drives.Drive(i), drives.UsesAspi(i)) << "\n";
  return kExitSuccess;
}

// "sg:H:T:L" as a drive at that sg address.
std::optional<TNkCdRom> SgDrive(const std::string& text) {
  std::string rest = text.substr(sizeof kSgPrefix - 1);
  std::optional<long long> parts[3];
  for (int i = 0; i < 3; ++i) {
    const std::size_t colon = i < 2 ? rest.find(':') : rest.size();
    if (colon == std::string::npos) return std::nullopt;
    parts[i] = ParseInteger(rest.substr(0, colon), 0, kMaxAddressPart);
    if (!parts[i]) return std::nullopt;
    rest = i < 2 ? rest.substr(colon + 1) : std::string();
  }
  return TNkCdRom(static_cast<std::uint8_t>(*parts[0]), static_cast<std::uint8_t>(*parts[1]),
                  static_cast<std::uint8_t>(*parts[2]));
}

int RunToc(const Args& args, Io& io) {
  const auto& positionals = args.Positionals();
  if (positionals.size() != 1) return UsageError(io, "toc", "give exactly one DRIVE");
  const std::string& name = positionals[0];
  const bool bcd = args.Has("bcd");

  TNkToc toc;
  bool read = false;
  if (name.rfind(kSgPrefix, 0) == 0) {
    const std::optional<TNkCdRom> drive = SgDrive(name);
    if (!drive) return UsageError(io, "toc", "an sg drive is written sg:HOST:TARGET:LUN");
    SgDeviceTransport transport(ListSgCdDevices());
    read = ReadToc(transport, *drive, bcd, toc);
  } else {
    BlockDeviceTransport transport;
    read = ReadToc(transport, TNkCdRom(name), bcd, toc);
  }
  if (!read) return Failure(io, "cannot read the table of contents of \"" + name + "\"");
  for (int i = 0; i < toc.TrackCount; ++i) io.out << TrackLine(i, toc.Tracks[i]) << "\n";
  return kExitSuccess;
}

}  // namespace

Command DrivesCommand() {
  return Command{"drives",
                 "mosaicer drives",
                 "list the CD drives the ripper can use, one line per drive",
                 {},
                 RunDrives};
}

Command TocCommand() {
  return Command{"toc",
                 "mosaicer toc DRIVE [--bcd]\n  DRIVE: /dev/srN or sg:HOST:TARGET:LUN",
                 "print the tracks of the disc in a drive (--bcd: the drive reports BCD)",
                 {{"bcd", 0, false}},
                 RunToc};
}

}  // namespace mosaicer::cli
