// The player's source: reads a title (a CDG file, an MP3+G pair or zip,
// bare subcode; see title/title_source.h) on a worker thread, plays its audio
// through a waveform output (after the stereo changer) and hands the packs
// of each step to its owner. The owner commands the worker with thread
// messages and hears from it through callback events.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/auto_reset_event.h"
#include "platform/thread_message_queue.h"
#include "player/stereo_changer.h"
#include "player/wave_out.h"
#include "title/title_source.h"

namespace mosaicer {

enum CdgInState : std::uint8_t { csStop = 0, csPlay = 1, csPause = 2 };

// Events of the callback; always called on the worker thread.
enum CdgInEvent : std::uint8_t {
  kCdgInStarted = 5,   // the file is open and playing begins
  kCdgInEnded = 10,    // the end of the file without repeat; follows kCdgInStopped
  kCdgInStopped = 11,  // playing has stopped
  kCdgInFailed = 12,   // the file could not be opened or read; nothing was played
  kCdgInStep = 13,     // value: sectors of the step just queued
  kCdgInPacks = 14,    // value: address of the step's packs (96 bytes a sector)
};

// Messages the worker handles. The first parameter is an event to signal
// when done; the second is the argument.
inline constexpr std::uint32_t msgStop = 0x8020;
inline constexpr std::uint32_t msgPause = 0x8021;
inline constexpr std::uint32_t msgRestart = 0x8022;
inline constexpr std::uint32_t msgStereoMode = 0x8024;

using CdgInProc = void (*)(std::uint8_t event, std::intptr_t value, void* user);

class TCdgIn {
 public:
  static constexpr std::uint8_t kDefaultReadAtOnce = 10;

  TCdgIn();
  // Stops a worker that is still playing, then waits for it to end.
  ~TCdgIn();
  TCdgIn(const TCdgIn&) = delete;
  TCdgIn& operator=(const TCdgIn&) = delete;

  // These four only while stopped.
  bool SetProc(CdgInProc proc, void* user);
  bool SetReadAtOnce(std::uint8_t sectors);
  bool SetOnMemory(bool onMemory);
  bool SetFileName(const std::string& fileName);
  // Opens the title on the worker thread instead of the file name (a disc
  // track) until the next SetFileName; called at every Play.
  bool SetTitleOpener(std::function<TitleOpenResult()> opener);
  // Read at each end of the file, so it may change while playing.
  bool SetRepeat(bool repeat);
  // 0..4; sent to the worker while playing, stored directly otherwise.
  bool SetStereoMode(std::int8_t mode);

  // Opens the output and starts the worker; the state turns to csPlay when
  // the worker begins (after kCdgInStarted).
  bool Play();
  bool Stop();
  bool Pause();
  bool Restart();

  std::uint8_t State() const { return FState.load(); }
  std::uint8_t StereoMode() const { return changer_.Mode(); }
  // The waveform output, for choosing its device while stopped.
  TWaveOut& Output() { return out_; }
  // Twice the playing time of one step: the time-out of every wait.
  std::chrono::milliseconds Timeout() const;

 private:
  void Worker();
  // Plays the file until the end or a stop; false when it cannot be read.
  bool PlayFile();
  bool SendAction(std::uint32_t message, std::int64_t argument);
  void HandleMessage(const ThreadMessage& message);
  void Notify(std::uint8_t event, std::intptr_t value) const;
  void DropMessages();

  std::thread worker_;
  ThreadMessageQueue queue_;
  AutoResetEvent loop_;  // released once per step: the worker is alive and looping
  CdgInProc proc_ = nullptr;
  void* user_ = nullptr;
  std::string fileName_;
  std::function<TitleOpenResult()> opener_;
  std::uint8_t readAtOnce_ = kDefaultReadAtOnce;
  bool onMemory_ = false;
  std::atomic<bool> repeat_{false};
  TWaveOut out_;
  TStereoChanger changer_;
  std::atomic<std::uint8_t> FState{csStop};
};

}  // namespace mosaicer
