#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "support/cli_run.h"

namespace mosaicer::cli {
namespace {

using testing::Cli;
using testing::CliResult;

TEST(CliToc, DriveArgumentsAreChecked) {
  EXPECT_EQ(Cli({"toc"}).status, kExitUsage);
  EXPECT_EQ(Cli({"toc", "/dev/sr0", "/dev/sr1"}).status, kExitUsage);
  for (const char* bad : {"sg:1:2", "sg:1:2:x", "sg:1:2:3:4", "sg:256:0:0", "sg:"})
    EXPECT_EQ(Cli({"toc", bad}).status, kExitUsage) << bad;
  EXPECT_EQ(Cli({"drives", "/dev/sr0"}).status, kExitUsage);
}

TEST(CliToc, UnreachableDriveIsAFailure) {
  const CliResult block = Cli({"toc", "/nonexistent/sr0", "--bcd"});
  EXPECT_EQ(block.status, kExitFailure);
  EXPECT_NE(block.err.find("\"/nonexistent/sr0\""), std::string::npos);
  EXPECT_TRUE(block.out.empty());
  // No sg device has this address, so nothing can be sent.
  EXPECT_EQ(Cli({"toc", "sg:250:0:0"}).status, kExitFailure);
}

}  // namespace
}  // namespace mosaicer::cli
