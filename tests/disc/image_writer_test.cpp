#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/interleave.h"
#include "core/parity.h"
#include "disc/image_writer.h"
#include "ripper/cd_drive.h"
#include "ripper/clone_cd_image.h"
#include "support/cli_run.h"
#include "support/clone_cd_disc.h"
#include "support/temp_dir.h"
#include "support/title_sectors.h"

namespace mosaicer {
namespace {

using testing::Cli;
using testing::ReadFile;

// A title as a CDG file: random audio, random graphics packs with parity
// and some empty packs.
struct Title {
  std::string path;
  std::string audio;                // 2352 bytes a sector
  std::vector<std::uint8_t> packs;  // 96 bytes a sector
};

Title MakeTitle(const testing::TempDir& dir, const std::string& name, int sectors, unsigned seed) {
  testing::Disc disc = testing::MakeDisc(sectors, seed);
  for (std::size_t p = 0; p < disc.source.size(); p += 24 * 5)  // every fifth pack empty
    std::fill_n(disc.source.begin() + static_cast<long>(p), 24, 0);
  Title t{dir.File(name), disc.audio, disc.source};
  std::string cdg;
  for (int s = 0; s < sectors; ++s) {
    cdg.append(t.audio, static_cast<std::size_t>(s) * kAudioBytesPerSector, kAudioBytesPerSector);
    cdg.append(reinterpret_cast<const char*>(t.packs.data()) + s * 96, 96);
  }
  dir.Write(name, cdg);
  return t;
}

// The Q channel read back without the writer's help: BCD fields and the CRC
// checked by long division of all 96 bits (stored CRC inverted back).
struct QRead {
  bool crcOk;
  int track, index;
  long relative, absolute;
};

QRead ReadQ(const std::uint8_t* q) {
  std::uint32_t rem = 0;
  for (int bit = 0; bit < 96; ++bit) {
    rem = rem << 1 | (((q[bit / 8] ^ (bit >= 80 ? 0xFF : 0)) >> (7 - bit % 8)) & 1u);
    if (rem & 0x10000) rem ^= 0x11021;
  }
  const auto bcd = [&](int i) { return (q[i] >> 4) * 10 + (q[i] & 15); };
  return {rem == 0 && q[0] == 0x01, bcd(1), bcd(2), (bcd(3) * 60L + bcd(4)) * 75 + bcd(5),
          (bcd(7) * 60L + bcd(8)) * 75 + bcd(9)};
}

// The R–W packs of a .sub in play order, de-interleaved here from the
// disc's rule: symbol k of pack n is raw symbol p(k) of raw pack n + (p(k) mod 8).
std::vector<std::uint8_t> PacksOfSub(const std::string& sub) {
  const std::size_t count = sub.size() / 96 * 4;
  std::vector<std::uint8_t> raw(count * 24);
  for (std::size_t k = 0; k < raw.size(); ++k)
    for (int c = 2; c < 8; ++c) {
      const auto byte = static_cast<std::uint8_t>(sub[k / 96 * 96 + c * 12 + k % 96 / 8]);
      if ((byte >> (7 - k % 8)) & 1) raw[k] |= static_cast<std::uint8_t>(0x80 >> c);
    }
  std::vector<std::uint8_t> packs(raw.size(), 0);
  for (std::size_t n = 0; n < count; ++n)
    for (int k = 0; k < 24; ++k) {
      const int s = testing::Swapped(k);
      const std::size_t from = n + static_cast<std::size_t>(s % 8);
      if (from < count) packs[n * 24 + k] = raw[from * 24 + s];
    }
  return packs;
}

class DiscImageRoundTrip : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::vector<Title> titles = {MakeTitle(dir, "one.cdg", 310, 1), MakeTitle(dir, "two.cdg", 300, 2),
                               MakeTitle(dir, "three.cdg", 333, 3)};
  std::vector<std::string> Args(std::vector<std::string> more) {
    std::vector<std::string> args = {"image"};
    for (const Title& t : titles) args.push_back(t.path);
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
};

TEST_F(DiscImageRoundTrip, CloneCdHoldsTheTitlesAndItsQChannelIsRight) {
  struct Case {
    const char* gap;
    long firstPause, pause;  // sectors stored before track 1, before the others
  };
  for (const Case& c : {Case{nullptr, 0, 0}, Case{"3", 75, 225}}) {
    SCOPED_TRACE(c.gap ? c.gap : "default");
    const std::string ccd = dir.File("disc.ccd");
    std::vector<std::string> args = Args({"-o", ccd, "--force"});
    if (c.gap) args.insert(args.end(), {"--gap", c.gap});
    const auto made = Cli(args);
    ASSERT_EQ(made.status, 0) << made.err;

    // Where the tracks must be.
    std::vector<long> starts, pauseStarts;
    long cursor = 0;
    for (std::size_t t = 0; t < titles.size(); ++t) {
      pauseStarts.push_back(cursor);
      cursor += t == 0 ? c.firstPause : c.pause;
      starts.push_back(cursor);
      cursor += static_cast<long>(titles[t].packs.size() / 96);
    }
    const std::string sub = ReadFile(dir.File("disc.sub"));
    ASSERT_EQ(sub.size(), static_cast<std::size_t>(cursor) * 96);
    for (long lba = 0; lba < cursor; ++lba) {
      const auto* q = reinterpret_cast<const std::uint8_t*>(sub.data()) + lba * 96 + 12;
      const QRead r = ReadQ(q);
      std::size_t t = titles.size() - 1;
      while (lba < pauseStarts[t]) --t;
      const bool pause = lba < starts[t];
      ASSERT_TRUE(r.crcOk) << lba;
      ASSERT_EQ(r.absolute, lba + 150) << lba;
      ASSERT_EQ(r.track, static_cast<int>(t) + 1) << lba;
      ASSERT_EQ(r.index, pause ? 0 : 1) << lba;
      ASSERT_EQ(r.relative, pause ? starts[t] - lba : lba - starts[t]) << lba;
      // P: on through a pause and a track's first sector, and 2 s before the next track.
      const bool p = lba <= starts[t] || (t + 1 < titles.size() && lba >= starts[t + 1] - 150);
      ASSERT_EQ(static_cast<std::uint8_t>(sub[static_cast<std::size_t>(lba) * 96]), p ? 0xFF : 0)
          << lba;
    }

    // R–W: the titles' packs, pauses empty, every pack's parity valid as it is.
    const std::vector<std::uint8_t> packs = PacksOfSub(sub);
    TSubCodeErrorCorrect ecc;
    for (std::size_t t = 0; t < titles.size(); ++t) {
      const std::size_t at = static_cast<std::size_t>(starts[t]) * 96;
      // The last title's final seven packs would reach into the lead-out.
      const long tail = t + 1 == titles.size() ? 7 * 24 : 0;
      EXPECT_TRUE(std::equal(titles[t].packs.begin(), titles[t].packs.end() - tail,
                             packs.begin() + static_cast<long>(at)))
          << t;
    }
    for (std::size_t p = 0; p + 7 < packs.size() / 24; ++p) {
      std::uint8_t pack[24];
      std::copy_n(packs.begin() + static_cast<long>(p * 24), 24, pack);
      ASSERT_TRUE(ecc.CorrectP(pack) && ecc.CorrectQ(pack)) << p;
      ASSERT_TRUE(std::equal(pack, pack + 24, packs.begin() + static_cast<long>(p * 24))) << p;
    }

    // The table of contents as the ripper reads it, and the audio.
    CloneCdImage image;
    std::string error;
    ASSERT_TRUE(image.Open(ccd, error)) << error;
    TNkCdRom drive("image");
    TNkToc toc;
    ASSERT_TRUE(ReadToc(image, drive, false, toc));
    ASSERT_EQ(toc.TrackCount, 3);
    EXPECT_EQ(MsfAddressToFrames(toc.Tracks[2].End), cursor + 150);
    const std::string img = ReadFile(dir.File("disc.img"));
    ASSERT_EQ(img.size(), static_cast<std::size_t>(cursor) * kAudioBytesPerSector);
    for (std::size_t t = 0; t < titles.size(); ++t) {
      EXPECT_EQ(MsfAddressToFrames(toc.Tracks[t].Start), starts[t] + 150) << t;
      EXPECT_EQ(img.compare(static_cast<std::size_t>(starts[t]) * kAudioBytesPerSector,
                            titles[t].audio.size(), titles[t].audio),
                0)
          << t;
    }
  }
}

TEST_F(DiscImageRoundTrip, CdrdaoBinHoldsBigEndianAudioAndRawOrCookedPacks) {
  for (const bool cooked : {false, true}) {
    SCOPED_TRACE(cooked ? "cooked" : "raw");
    const std::string toc = dir.File(cooked ? "cooked.toc" : "raw.toc");
    std::vector<std::string> args =
        Args({"-o", toc, "--title", "Disc \"Ünïcode\" 歌", "--performer", "Me\\You"});
    if (cooked) args.push_back("--cooked");
    const auto made = Cli(args);
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string text = ReadFile(toc);
    EXPECT_NE(text.find(cooked ? "TRACK AUDIO RW\n" : "TRACK AUDIO RW_RAW\n"), std::string::npos);
    EXPECT_NE(text.find("TITLE \"Disc \\\"\\334n\\357code\\\" ?\""), std::string::npos) << text;
    EXPECT_NE(text.find("PERFORMER \"Me\\\\You\""), std::string::npos);
    EXPECT_NE(text.find("TITLE \"three\""), std::string::npos);
    const std::string bin = ReadFile(dir.File(cooked ? "cooked.bin" : "raw.bin"));
    ASSERT_EQ(bin.size(), (310u + 300u + 333u) * 2448u);
    TSubCodeInterLeave deinterleave;
    deinterleave.Clear();
    std::vector<std::uint8_t> packs;
    std::string audio;
    for (std::size_t s = 0; s < bin.size() / 2448; ++s) {
      for (std::size_t b = 0; b < 2352; b += 2) {
        audio += bin[s * 2448 + b + 1];
        audio += bin[s * 2448 + b];
      }
      std::uint8_t tail[96];
      std::copy_n(bin.begin() + static_cast<long>(s * 2448 + 2352), 96, tail);
      if (!cooked) deinterleave.DeinterleavePacks(tail, 4);
      packs.insert(packs.end(), tail, tail + 96);
    }
    const std::size_t late = cooked ? 0 : 7 * 24;
    std::size_t at = 0;
    for (const Title& t : titles) {
      EXPECT_EQ(audio.compare(at / 96 * 2352, t.audio.size(), t.audio), 0);
      EXPECT_TRUE(std::equal(t.packs.begin(), t.packs.end() - 7 * 24,
                             packs.begin() + static_cast<long>(at + late)));
      at += t.packs.size();
    }
  }
}

// cdrdao itself reads what we write: skipped where it is not installed.
TEST_F(DiscImageRoundTrip, CdrdaoAcceptsTheToc) {
  if (std::system("command -v cdrdao > /dev/null 2>&1") != 0) GTEST_SKIP() << "no cdrdao";
  for (const char* extra : {"--gap", "--cooked"}) {
    // A name outside ASCII, with a space, reaches cdrdao byte for byte.
    const std::string toc = dir.File(std::string(extra) == "--gap" ? "disc.toc" : "歌 disc.toc");
    std::vector<std::string> args = Args({"-o", toc, "--force", "--title", "T", extra});
    if (std::string(extra) == "--gap") args.push_back("2");
    ASSERT_EQ(Cli(args).status, 0);
    const std::string log = dir.File("cdrdao.log");
    EXPECT_EQ(std::system(("cdrdao show-toc '" + toc + "' > '" + log + "' 2>&1").c_str()), 0)
        << ReadFile(log);
    const std::string shown = ReadFile(log);
    EXPECT_NE(shown.find("TRACK  3"), std::string::npos) << shown;
    EXPECT_EQ(std::system(("cdrdao read-test '" + toc + "' > '" + log + "' 2>&1").c_str()), 0)
        << ReadFile(log);
  }
}

// A title of a given length that is never read.
class LengthOnly : public TitleSource {
 public:
  explicit LengthOnly(std::uint64_t sectors) { info_.sectors = sectors; }

 protected:
  IoStatus ReadSectors(std::uint64_t, std::uint64_t, std::uint8_t*, std::uint8_t*) override {
    return IoStatus::Failed("not read");
  }
};

TEST(DiscPlan, RefusesShortTitlesAndDiscsPast79_59_74) {
  const std::int64_t disc = kMaxDiscFrames + 1 - 150;  // sectors from LBA 0 to 79:59:74
  struct Case {
    std::vector<std::int64_t> lengths;
    std::optional<std::int64_t> pause;
    bool fits;
  };
  const Case cases[] = {
      {{disc}, std::nullopt, true},
      {{disc + 1}, std::nullopt, false},
      {{disc - 375, 300}, std::nullopt, true},
      {{disc - 375, 300}, 75, true},   // no more than the first two seconds before the first
      {{disc - 375, 300}, 76, false},  // the pause between pushes it over
      {{disc - 600, 300}, 225, true},  // 75 stored before the first, 225 between
      {{disc - 599, 300}, 225, false},
      {{299}, std::nullopt, false},
      {{}, std::nullopt, false},
  };
  for (const Case& c : cases) {
    std::vector<LengthOnly> sources;
    for (std::int64_t n : c.lengths) sources.emplace_back(static_cast<std::uint64_t>(n));
    std::vector<DiscImageTitle> titles;
    for (LengthOnly& s : sources) titles.push_back({&s, "t"});
    DiscImageOptions options;
    options.pause = c.pause;
    DiscLayout layout;
    std::string error;
    EXPECT_EQ(PlanDiscImage(titles, options, layout, error), c.fits) << c.lengths.size() << error;
    EXPECT_EQ(error.empty(), c.fits);
  }
}

TEST_F(DiscImageRoundTrip, ACancelLeavesNoFileBehind) {
  const std::set<std::string> before = testing::FilesIn(dir.path());
  std::vector<std::unique_ptr<TitleSource>> sources;
  std::vector<DiscImageTitle> list;
  for (const Title& t : titles) {
    sources.push_back(OpenTitle(t.path).source);
    list.push_back({sources.back().get(), "t"});
  }
  struct Canceller : TJobOwner {
    int steps = 0;
  } owner;
  owner.SetProgressCallback(
      [](std::int8_t code, int, void* c) {
        auto* self = static_cast<Canceller*>(c);
        if (code == kProgressStep && ++self->steps == 5) self->CancelJob();
        return 0;
      },
      &owner);
  for (const char* name : {"disc.ccd", "disc.toc"}) {
    for (auto& s : sources) ASSERT_TRUE(s->Seek(0));
    owner.steps = 0;
    owner.SetJobStatus(kJobIdle);
    EXPECT_EQ(WriteDiscImage(list, dir.File(name), {}, &owner).outcome,
              DiscImageOutcome::Cancelled);
    EXPECT_EQ(testing::FilesIn(dir.path()), before);
  }
}

TEST_F(DiscImageRoundTrip, RefusesWhatItCannotWrite) {
  dir.Write("disc.bin", ReadFile(titles[0].path));
  const std::string toc = dir.File("one.toc");
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {Args({"-o", dir.File("disc.cue")}), 2},
      {Args({"-o", dir.File("disc.ccd"), "--cooked"}), 2},
      {Args({"-o", dir.File("disc.toc"), "--gap", "61"}), 2},
      {Args({"-o", dir.File("disc.toc"), "--gap", "1.2.3"}), 2},
      {{"image", "-o", dir.File("disc.toc")}, 2},
      {{"image", dir.File("disc.bin"), "-o", dir.File("disc.toc")}, 1},  // the .bin is an input
      {{"image", dir.File("missing.cdg"), "-o", toc}, 1},
      {Args({"-o", toc}), 0},
      {Args({"-o", toc}), 1},  // exists: --force replaces it
      {Args({"-o", toc, "--force", "--gap", "0.5"}), 0},
  };
  for (const auto& c : cases) {
    const auto r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args.back() << r.err;
    if (c.status != 0) {
      EXPECT_FALSE(r.err.empty());
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("disc.toc")));
  EXPECT_NE(ReadFile(toc).find("START 00:00:38"), std::string::npos);
}

}  // namespace
}  // namespace mosaicer
