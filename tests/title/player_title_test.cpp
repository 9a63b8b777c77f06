// The player source plays MP3+G titles as it plays CDG files: the same packs
// in the same steps.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "platform/auto_reset_event.h"
#include "player/cdg_in.h"
#include "player/wave_device.h"
#include "title/title_files.h"

namespace mosaicer {
namespace {

using namespace std::chrono_literals;

// What the source handed out: its packs and steps, and how it ended.
struct Played {
  std::string packs;
  std::vector<std::int64_t> steps;
  bool ended = false, failed = false;
};

// Every pack the source hands out, in order, until it has ended.
struct Collected : Played {
  std::mutex mutex;
  AutoResetEvent done;

  static void Proc(std::uint8_t event, std::intptr_t value, void* user) {
    auto* self = static_cast<Collected*>(user);
    std::lock_guard lock(self->mutex);
    switch (event) {
      case kCdgInStep:
        self->steps.push_back(value);
        break;
      case kCdgInPacks:
        self->packs.append(reinterpret_cast<const char*>(value),
                           static_cast<std::size_t>(self->steps.back()) * kSubcodeBytesPerSector);
        break;
      case kCdgInEnded:
      case kCdgInFailed:
        (event == kCdgInEnded ? self->ended : self->failed) = true;
        self->done.Set();
        break;
      default:
        break;
    }
  }
};

Played Play(const std::string& path) {
  Collected c;
  {
    TCdgIn player;
    player.Output().UseDevice(CreateWaveDevice(true));
    player.SetProc(&Collected::Proc, &c);
    player.SetFileName(path);
    player.SetReadAtOnce(6);
    EXPECT_TRUE(player.Play());
    EXPECT_TRUE(c.done.WaitFor(10s));
  }
  std::lock_guard lock(c.mutex);
  return static_cast<Played&>(c);
}

TEST(PlayerTitle, AZipAndAPairPlayTheSamePacksAsTheCdgFile) {
  const testing::TempDir dir;
  const std::string subcode = testing::PresetStream(20);
  const std::string song = testing::AudioBytes(26 * kAudioBytesPerSector, 4);
  dir.Write("t.cdg", testing::CdgOf(subcode));
  dir.Write("p.cdg", subcode);
  dir.Write("p.wav", testing::CdWave(song));
  dir.Write("z.zip", testing::ZipOf({{"Z.CDG", subcode}, {"z.wav", testing::CdWave(song)}}));

  const Played fromCdg = Play(dir.File("t.cdg"));
  ASSERT_TRUE(fromCdg.ended);
  EXPECT_EQ(fromCdg.packs, subcode);
  // The song is six sectors longer: the pair plays them with empty packs.
  const std::string padded = subcode + std::string(6 * kSubcodeBytesPerSector, '\0');
  for (const char* name : {"p.cdg", "z.zip"}) {
    SCOPED_TRACE(name);
    const Played c = Play(dir.File(name));
    EXPECT_TRUE(c.ended);
    EXPECT_FALSE(c.failed);
    EXPECT_EQ(c.packs, padded);
    EXPECT_EQ(c.steps, (std::vector<std::int64_t>{6, 6, 6, 6, 2}));
  }
  dir.Write("bad.zip", testing::ZipOf({{"/abs.cdg", subcode}}));
  EXPECT_TRUE(Play(dir.File("bad.zip")).failed);
}

}  // namespace
}  // namespace mosaicer
