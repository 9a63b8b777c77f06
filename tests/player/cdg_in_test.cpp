#include "player/cdg_in.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <vector>

#include "core/subcode_pack.h"
#include "player/wave_device.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kGenerous = 10s;
using EventList = std::vector<std::pair<int, std::intptr_t>>;  // event, value

// A CDG file of `sectors` sectors whose subcode byte 0 of each sector holds
// the sector number (mod 256), so handed-out packs can be traced.
std::string CdgFile(testing::TempDir& dir, int sectors) {
  std::string bytes(static_cast<std::size_t>(sectors) * kCdgSectorSize, '\0');
  for (int s = 0; s < sectors; ++s)
    bytes[s * kCdgSectorSize + kAudioBytesPerSector] = static_cast<char>(s & 0xFF);
  return dir.Write("song.cdg", bytes);
}

// Records the events the worker sends, with their times.
struct Events {
  std::mutex mutex;
  EventList list;  // the value of a packs event is its first pack's byte
  std::vector<Clock::duration> packTimes;
  Clock::time_point start = Clock::now();
  AutoResetEvent changed;

  static void Proc(std::uint8_t event, std::intptr_t value, void* user) {
    auto* self = static_cast<Events*>(user);
    {
      std::lock_guard lock(self->mutex);
      if (event == kCdgInPacks) {
        value = *reinterpret_cast<const std::uint8_t*>(value);
        self->packTimes.push_back(Clock::now() - self->start);
      }
      self->list.emplace_back(event, value);
    }
    self->changed.Set();
  }
  // Waits up to kGenerous for `done`, looking again at each event.
  template <typename Done>
  bool WaitUntil(Done done) {
    for (const auto deadline = Clock::now() + kGenerous; !done(); changed.WaitFor(50ms))
      if (Clock::now() > deadline) return false;
    return true;
  }
  bool WaitFor(int event) {
    return WaitUntil([&] {
      const EventList now = Snapshot();
      return std::any_of(now.begin(), now.end(), [&](const auto& e) { return e.first == event; });
    });
  }
  EventList Snapshot() {
    std::lock_guard lock(mutex);
    return list;
  }
  std::vector<std::intptr_t> Packs() {  // the first byte of each step's packs
    std::vector<std::intptr_t> packs;
    for (const auto& e : Snapshot())
      if (e.first == kCdgInPacks) packs.push_back(e.second);
    return packs;
  }
  void Clear() {
    std::lock_guard lock(mutex);
    list.clear();
  }
};

class CdgInTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  Events events;  // outlives the player, whose worker reports into it to the end
  TCdgIn player;

  void SetUp() override {
    player.Output().UseDevice(CreateWaveDevice(true));
    ASSERT_TRUE(player.SetProc(&Events::Proc, &events));
  }
  void Start(const std::string& file, std::uint8_t n) {
    ASSERT_TRUE(player.SetFileName(file));
    ASSERT_TRUE(player.SetReadAtOnce(n));
    events.start = Clock::now();
    ASSERT_TRUE(player.Play());
  }
};

TEST_F(CdgInTest, StepsOfNSectorsWithAShortLastStepThenStoppedAndEndedEvenForNoSector) {
  Start(CdgFile(dir, 7), 3);
  ASSERT_TRUE(events.WaitFor(kCdgInEnded));
  EXPECT_EQ(events.Snapshot(), (EventList{{kCdgInStarted, 0}, {kCdgInStep, 3}, {kCdgInPacks, 0},
                                          {kCdgInStep, 3}, {kCdgInPacks, 3}, {kCdgInStep, 1},
                                          {kCdgInPacks, 6}, {kCdgInStopped, 0}, {kCdgInEnded, 0}}));
  EXPECT_EQ(player.State(), csStop);

  // Less than one sector ends at once, even with repeat.
  events.Clear();
  player.SetRepeat(true);
  player.SetOnMemory(true);
  Start(dir.Write("empty.cdg", std::string(100, 'x')), 3);
  ASSERT_TRUE(events.WaitFor(kCdgInEnded));
  EXPECT_EQ(events.Snapshot(),
            (EventList{{kCdgInStarted, 0}, {kCdgInStopped, 0}, {kCdgInEnded, 0}}));
}

// A missing file, or one that is no regular file (not an endless song),
// is a failure that gives the output back, so the next try starts cleanly.
TEST_F(CdgInTest, WhatCannotBeReadIsAFailureThatFreesTheOutput) {
  std::filesystem::create_directory(dir.File("folder.cdg"));
  std::filesystem::create_symlink("/dev/zero", dir.File("zero.cdg"));
  for (const bool onMemory : {false, true}) {
    for (const std::string& file :
         {dir.File("missing.cdg"), dir.File("folder.cdg"), dir.File("zero.cdg")}) {
      events.Clear();
      ASSERT_TRUE(player.SetOnMemory(onMemory));
      Start(file, 3);
      ASSERT_TRUE(events.WaitFor(kCdgInFailed)) << file << " " << onMemory;
      EXPECT_EQ(events.Snapshot(), (EventList{{kCdgInFailed, 0}})) << file;
      EXPECT_EQ(player.State(), csStop);
      EXPECT_FALSE(player.Output().IsOpen());
    }
  }
  Start(CdgFile(dir, 2), 3);
  EXPECT_TRUE(events.WaitFor(kCdgInEnded));
}

TEST_F(CdgInTest, StopWhilePausedAndStereoModeStoredMeanwhile) {
  Start(CdgFile(dir, 750), 3);
  ASSERT_TRUE(events.WaitFor(kCdgInStarted));
  ASSERT_TRUE(events.WaitUntil([&] { return player.State() == csPlay; }));
  ASSERT_TRUE(player.Pause());
  EXPECT_EQ(player.State(), csPause);
  EXPECT_TRUE(player.SetStereoMode(3));
  EXPECT_EQ(player.StereoMode(), 3);
  EXPECT_FALSE(player.SetStereoMode(5));
  EXPECT_FALSE(player.SetStereoMode(-1));
  EXPECT_EQ(player.StereoMode(), 3);
  EXPECT_TRUE(player.Stop());
  EXPECT_EQ(player.State(), csStop);
  ASSERT_TRUE(events.WaitFor(kCdgInStopped));
  for (const auto& e : events.Snapshot()) EXPECT_NE(e.first, kCdgInEnded);
}

TEST_F(CdgInTest, RepeatIsReadAtEachEndOfTheFile) {
  player.SetRepeat(true);
  Start(CdgFile(dir, 2), 1);
  // Wait until the file has been played twice over, then turn repeat off.
  events.WaitUntil([&] { return events.Packs().size() >= 5; });
  player.SetRepeat(false);
  ASSERT_TRUE(events.WaitFor(kCdgInEnded));
  const auto order = events.Packs();
  ASSERT_GE(order.size(), 6u);
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], static_cast<int>(i % 2));
  EXPECT_EQ(order.size() % 2, 0u);  // it ended at the end of the file
}

TEST_F(CdgInTest, AudioPacesTheGraphicsInRealTime) {
  // 150 sectors (2 s) in steps of 10: the packs of step k can only be handed
  // out once step k - 2 has been heard, and the whole file takes 2 s.
  Start(CdgFile(dir, 150), 10);
  ASSERT_TRUE(events.WaitFor(kCdgInEnded));
  const auto elapsed = Clock::now() - events.start;
  EXPECT_GE(elapsed, 1900ms);
  EXPECT_LT(elapsed, 6s);
  const auto step = std::chrono::milliseconds(10 * 1000 / 75);
  std::lock_guard lock(events.mutex);
  ASSERT_EQ(events.packTimes.size(), 15u);
  for (std::size_t k = 2; k < events.packTimes.size(); ++k)
    EXPECT_GE(events.packTimes[k], (static_cast<int>(k) - 2) * step - 30ms) << "step " << k;
}

}  // namespace
}  // namespace mosaicer
