#include <gtest/gtest.h>

#include "cli/cli.h"
#include "support/cli_run.h"

namespace mosaicer::cli {
namespace {

using testing::Cli;
using testing::CliResult;

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
