#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/commands.h"
#include "cli/format_option.h"
#include "core/pack_check.h"

namespace mosaicer::cli {
namespace {

int RunCheck(const Args& args, Io& io) {
  const auto& files = args.Positionals();
  if (files.size() != 1) return UsageError(io, "check", "give exactly one INPUT file");
  const std::string& input = files[0];

  SubcodeInput source;
  if (const int status = OpenSubcodeInput(args, io, "check", input, source)) return status;

  PackCheckCounts c;
  std::string error;
  if (!CheckSubcodeFile(input, source.format, c, error)) return Failure(io, error);

  io.out << "format: " << (source.format == SubcodeFormat::Cdg ? "cdg" : "rws") << "\n"
         << "sectors: " << c.sectors << "\n"
         << "graphics packs: " << c.graphicsPacks << "\n"
         << "empty packs: " << c.emptyPacks << "\n"
         << "other packs: " << c.otherPacks << "\n"
         << "packs failing Q: " << c.failingQ << "\n"
         << "packs failing P: " << c.failingP << "\n"
         << "repairable: " << c.repairable << "\n"
         << "unrepairable: " << c.unrepairable << "\n";
  if (c.trailingBytes != 0 && !io.quiet)
    io.err << "mosaicer: warning: the last " << c.trailingBytes
           << " bytes do not fill a sector and were not checked\n";
  return c.unrepairable == 0 ? kExitSuccess : kExitFailure;
}

}  // namespace

Command CheckCommand() {
  return Command{"check",
                 "mosaicer check INPUT [--format cdg|rws]",
                 "check and count the Q and P parity of every pack of a CDG or RWS file",
                 {{"format", 0, true}},
                 RunCheck};
}

}  // namespace mosaicer::cli
