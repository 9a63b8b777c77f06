// Every command against the mistakes users make and the inputs attackers
// craft: no file is lost, nothing aborts, nothing succeeds that did not.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "cli/cli.h"
#include "core/subcode_pack.h"
#include "effects/tlo_file.h"
#include "image/pal_file.h"
#include "platform/bmp_codec.h"
#include "platform/io_status.h"
#include "support/cli_run.h"
#include "support/clone_cd_disc.h"
#include "support/disk_full.h"
#include "support/picture.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer::cli {
namespace {

namespace fs = std::filesystem;
using testing::Cli;
using testing::CliResult;
using testing::ReadFile;

// One folder with one file of every kind a command reads or writes.
class HostileCli : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string picture, song, palette, effect, cdg, rws, ccd, img, sub, frame;

  void SetUp() override {
    picture = testing::WritePicture(dir, "pic.bmp", testing::Gradient(300, 200));
    song = dir.Write("song.wav", testing::CdWave(testing::AudioBytes(40 * kAudioBytesPerSector)));
    ASSERT_TRUE(WritePalFile(palette = dir.File("p.pal"), PaletteColours{}, 0).ok());
    ASSERT_TRUE(WriteTloFile(effect = dir.File("e.tlo"), TTloFile{}, DefaultTileOrder()).ok());
    cdg = dir.File("song.cdg"), rws = dir.File("song.rws");
    ASSERT_EQ(Cli({"create", picture, song, "-o", cdg, "--blank", "0"}).status, kExitSuccess);
    ASSERT_EQ(Cli({"divide", cdg, "-o", rws}).status, kExitSuccess);
    const testing::Disc disc = testing::MakeDisc(150, 3);
    img = dir.Write("disc.img", disc.audio);
    sub = dir.Write("disc.sub", disc.sub);
    ccd = dir.Write("disc.ccd", testing::kCcd);
    frame = dir.File("frame.bmp");
    ASSERT_EQ(Cli({"render", cdg, "-o", frame}).status, kExitSuccess);
  }

  // Every file of the folder and its bytes.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
      if (entry.is_regular_file())
        files[entry.path().string()] = ReadFile(entry.path().string());
    return files;
  }

  // The command of each writer, writing into `out`.
  std::map<std::string, std::vector<std::string>> Writers(const std::string& out) const {
    return {
        {"create", {"create", picture, song, "-o", out, "--force"}},
        {"rws", {"rws", picture, "-o", out, "--force"}},
        {"bmp", {"bmp", picture, "-o", out, "--force"}},
        {"render", {"render", cdg, "-o", out, "--force"}},
        {"rip", {"rip", ccd, "--track", "1", "-o", out, "--force"}},
        {"divide", {"divide", cdg, "-o", out, "--force"}},
        {"combine", {"combine", rws, song, "-o", out, "--force"}},
    };
  }
};

// A full disk, an existing output without --force and a read-only one all
// leave the user's old file as it was, and say what happened.
TEST_F(HostileCli, EveryWriterLeavesTheOldOutputOnAFullDiskWithoutForceOrReadOnly) {
  const std::string target = dir.File("target");
  for (auto [name, args] : Writers(target)) {
    SCOPED_TRACE(name);
    fs::remove(target);
    dir.Write("target", "the user's old file");
    const auto before = Snapshot();
    CliResult r;
    {
      testing::DiskFullAfter full(4096);
      r = Cli(args);
    }
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"" + target + "\" は変更していません"), std::string::npos) << r.err;
    args.pop_back();  // no --force
    r = Cli(args);
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_NE(r.err.find("はすでにあります(置き換えるには --force"), std::string::npos) << r.err;
    ::chmod(target.c_str(), 0444);
    args.push_back("--force");
    r = Cli(args);
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_NE(r.err.find("\"" + target + "\"は上書きできません。"), std::string::npos) << r.err;
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(HostileCli, AnOutputIsNeverOneOfTheInputsEvenWithForce) {
  fs::create_hard_link(song, dir.File("linked.wav"));
  fs::create_symlink(cdg, dir.File("link.cdg"));
  const std::vector<std::vector<std::string>> cases = {
      {"create", picture, song, "-o", song},
      {"create", picture, song, "-o", picture},
      {"create", picture, song, "-o", dir.File("linked.wav")},
      {"create", picture, song, "-o", palette, "--palette", palette},
      {"create", picture, song, "-o", effect, "--effect", effect},
      {"rws", picture, "-o", effect, "--effect", effect},
      {"bmp", picture, "-o", picture},
      {"render", cdg, "-o", dir.File("link.cdg")},
      {"rip", ccd, "--track", "1", "-o", img},
      {"rip", ccd, "--track", "1", "-o", sub, "--rws"},
      {"rip", ccd, "--track", "1", "-o", ccd},
      {"divide", cdg, "-o", cdg},
      {"divide", cdg, "-o", dir.File("new.rws"), "--wav", cdg},
      {"divide", cdg, "-o", dir.File("same"), "--wav", dir.File("same")},
      {"combine", rws, song, "-o", rws},
      {"combine", rws, song, "-o", song},
  };
  const auto before = Snapshot();
  for (std::vector<std::string> args : cases) {
    args.push_back("--force");
    SCOPED_TRACE(args[0] + " -o " + args[args.size() - 2]);
    const CliResult r = Cli(args);
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_TRUE(r.err.find("is an input of this command") != std::string::npos ||
                r.err.find("is given for two outputs") != std::string::npos)
        << r.err;
  }
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(HostileCli, EachMistakeHasItsExitStatusAndAMessageThatNamesTheCause) {
  dir.Write("garbage.tlo", "\x01\x02 not an effect");
  dir.Write("empty.cdg", "");
  dir.Write("short.pal", "PAL");
  dir.Write("silent.wav", testing::CdWave(""));
  dir.Write("nosong.wav", "RIFF and then no song");
  fs::create_directory(dir.File("folder.ccd"));
  dir.Write("765.cdg", ReadFile(rws).substr(0, 765 * kSubcodeBytesPerSector));
  // Bare subcode with no song of its name beside it.
  dir.Write("alone.rws", ReadFile(rws));
  dir.Write("noise.bin", testing::AudioBytes(4 * kCdgSectorSize));
  const std::string small =
      testing::WritePicture(dir, "small.bmp", testing::Gradient(287, 192));
  const std::string out = dir.File("out.cdg");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string says;
  } cases[] = {
      // Inputs that are missing, of the wrong kind or empty.
      {{"create", picture, dir.File("none.wav"), "-o", out}, kExitFailure, "見つかりません"},
      {{"create", song, song, "-o", out}, kExitFailure, "はこのプログラムで読める画像ではありません"},
      {{"create", picture, dir.File("silent.wav"), "-o", out}, kExitFailure, "音声がありません"},
      {{"rws", small, "-o", out}, kExitFailure, "288×192ピクセル以上のビットマップを選択して下さい。"},
      {{"create", picture, dir.File("nosong.wav"), "-o", out}, kExitFailure, "nosong.wav"},
      {{"combine", rws, dir.File("nosong.wav"), "-o", out}, kExitFailure, "nosong.wav\"は壊れています"},
      {{"create", picture, song, "-o", out, "--palette", "/dev/zero"}, kExitFailure,
       "通常のファイルではありません"},
      {{"create", picture, song, "-o", out, "--palette", dir.File("short.pal")}, kExitFailure,
       "パレットファイルではありません"},
      {{"toc", dir.File("folder.ccd")}, kExitFailure, "folder.ccd"},
      {{"check", dir.File("empty.cdg")}, kExitFailure, "は空です"},
      {{"divide", dir.File("empty.cdg"), "-o", dir.File("e.rws")}, kExitFailure, "は空です"},
      {{"play", dir.File("alone.rws"), "--device", "null"}, kExitFailure, "音声がありません"},
      {{"divide", dir.File("alone.rws"), "-o", dir.File("d.rws")}, kExitFailure,
       "サブコードだけのファイル"},
      // An RWS file of 765 sectors (a multiple of 51) named .cdg is still RWS.
      {{"play", dir.File("765.cdg"), "--device", "null"}, kExitFailure,
       "サブコードだけのファイル"},
      {{"check", dir.File("noise.bin")}, kExitUsage, "--format cdg か --format rws"},
      // An effect asked for by name must be one.
      {{"create", picture, song, "-o", out, "--effect", dir.File("none.tlo")}, kExitFailure,
       "見つかりません"},
      {{"rws", picture, "-o", out, "--effect", dir.File("garbage.tlo")}, kExitFailure,
       "not an effect file"},
      // Values that are not what the option takes.
      {{"create", picture, song, "-o", out, "--limit", "aa:bb:cc"}, kExitUsage, "--limit"},
      {{"render", cdg, "-o", dir.File("f.bmp"), "--at", "-1:-1:-1"}, kExitUsage, "--at"},
      {{"render", cdg, "-o", dir.File("f.bmp"), "--size", "10x10x10"}, kExitUsage, "--size"},
      {{"render", cdg, "-o", dir.File("f.bmp"), "--format", "wav"}, kExitUsage, "--format"},
      {{"bmp", picture, "-o", dir.File("b.bmp"), "--origin", "1,2,3"}, kExitUsage, "--origin"},
      {{"bmp", picture, "-o", dir.File("b.bmp"), "--keep", "3"}, kExitUsage, "--palette"},
      {{"rws", picture, "-o", out, "--optimize", "most"}, kExitUsage, "--optimize"},
      {{"bmp", picture, "-o", dir.File("a.bmp"), "-o", dir.File("b.bmp")}, kExitUsage,
       "2回以上指定されています"},
      {{"rip", ccd, "--tracks", "1,1", "-o", dir.File("r.cdg")}, kExitUsage, "1回ずつ"},
      {{"toc", "sg:0:1:-0"}, kExitUsage, "sg:HOST:TARGET:LUN"},
      {{"rip", ccd, "--track", "-0", "-o", dir.File("r.cdg")}, kExitUsage, "--track"},
      // Outputs that cannot be written, with the system's reason.
      {{"create", picture, song, "-o", dir.File("no/such/out.cdg")}, kExitFailure,
       ErrnoReason(ENOENT)},
      {{"bmp", picture, "-o", dir.path().string()}, kExitFailure, dir.path().string()},
      {{"rip", ccd, "--track", "1", "-o", "/dev/null", "--force"}, kExitFailure, "/dev/null"},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    const auto before = Snapshot();
    const CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(HostileCli, ValuesBeyondWhatTheWindowsAllowAreCappedWithANote) {
  const CliResult at = Cli({"render", cdg, "-o", dir.File("f.bmp"), "--at", "00:75:80"});
  EXPECT_EQ(at.status, kExitSuccess) << at.err;
  EXPECT_NE(at.err.find("は 00:59:74 と読みます"), std::string::npos) << at.err;
  const CliResult origin = Cli({"bmp", picture, "-o", dir.File("b.bmp"), "--origin", "500,5"});
  EXPECT_EQ(origin.status, kExitSuccess) << origin.err;
  EXPECT_NE(origin.err.find("12,5 を使います"), std::string::npos) << origin.err;
  // The capped origin gives the picture the last area gives.
  ASSERT_EQ(Cli({"bmp", picture, "-o", dir.File("c.bmp"), "--origin", "12,5"}).status,
            kExitSuccess);
  EXPECT_EQ(ReadFile(dir.File("b.bmp")), ReadFile(dir.File("c.bmp")));
}

// Runs the command and sends `signal` to this process once `ready` says the
// job is under way.
CliResult RunInterrupted(const std::vector<std::string>& args, int signal,
                         const std::function<bool()>& ready) {
  std::atomic<bool> done{false};
  std::thread sender([&] {
    while (!done && !ready()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (!done) ::kill(::getpid(), signal);
  });
  const CliResult r = Cli(args);
  done = true;
  sender.join();
  return r;
}

bool HasTempFile(const fs::path& folder) { return !testing::LeftoverTempFiles(folder).empty(); }

// A signal while a file is being made stops the job as a cancel does, and the
// sectors made so far take the output's name.
TEST_F(HostileCli, SignalsCancelLongJobsAndKeepThePartialFile) {
  const std::string big = testing::WriteSilentCdWave(dir.File("big.wav"), 100u << 20);
  const testing::Disc disc = testing::MakeDisc(8000, 5);
  dir.Write("long.img", disc.audio);
  dir.Write("long.sub", disc.sub);
  const std::string longCcd = dir.Write("long.ccd", testing::CcdText({0}, 8000));
  struct Case {
    const char* name;
    int signal;
    std::vector<std::string> args;
  } cases[] = {
      {"create, SIGTERM", SIGTERM, {"create", picture, big, "-o", dir.File("big.cdg"), "--force"}},
      {"create, SIGHUP", SIGHUP, {"create", picture, big, "-o", dir.File("big.cdg"), "--force"}},
      {"rip, Ctrl-C", SIGINT, {"rip", longCcd, "--track", "1", "-o", dir.File("long.cdg")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = c.args[c.args.size() - (c.args.back() == "--force" ? 2 : 1)];
    dir.Write(fs::path(out).filename().string(), "old");
    if (c.args[0] == "rip") fs::remove(out);
    const CliResult r = RunInterrupted(c.args, c.signal, [&] { return HasTempFile(dir.path()); });
    EXPECT_EQ(r.status, kExitCancelled) << r.err;
    const auto size = fs::file_size(out);
    EXPECT_TRUE(size > 0 && size % kCdgSectorSize == 0) << size;
    EXPECT_FALSE(HasTempFile(dir.path()));
  }
}

TEST_F(HostileCli, PlayRunsOnTheNullDeviceToTheEndOrUntilCtrlC) {
  // Half a second of silence with empty subcode.
  const std::string shortCdg = dir.Write("short.cdg", std::string(40 * kCdgSectorSize, '\0'));
  const CliResult whole = Cli({"play", shortCdg, "--device", "null", "-q"});
  EXPECT_EQ(whole.status, kExitSuccess) << whole.err;
  const std::string song = dir.Write(
      "long.wav", testing::CdWave(testing::AudioBytes(75 * 30 * kAudioBytesPerSector)));
  ASSERT_EQ(Cli({"create", picture, song, "-o", dir.File("long.cdg")}).status, kExitSuccess);
  const auto start = std::chrono::steady_clock::now();
  const CliResult stopped =
      RunInterrupted({"play", dir.File("long.cdg"), "--device", "null", "-q"}, SIGINT, [&] {
        return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(300);
      });
  EXPECT_EQ(stopped.status, kExitCancelled) << stopped.err;
}

}  // namespace
}  // namespace mosaicer::cli
