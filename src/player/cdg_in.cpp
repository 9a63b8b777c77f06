#include "player/cdg_in.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "platform/unique_fd.h"
#include "title/title_source.h"

namespace mosaicer {
namespace {

constexpr int kChannels = 2;
constexpr int kBits = 16;
constexpr int kRate = 44100;
constexpr std::uint8_t kOutputBuffers = 2;
constexpr std::size_t kFramesPerSector = kAudioBytesPerSector / (kChannels * kBits / 8);  // 588
constexpr int kStereoModes = 5;
constexpr std::int64_t kTimeoutFactor = 2000;  // two steps, in milliseconds per second

// The event a message carries; shared, so a sender that gave up waiting
// never leaves the worker signalling a destroyed event.
using SharedEvent = std::shared_ptr<AutoResetEvent>;

SharedEvent* EventOf(const ThreadMessage& m) { return reinterpret_cast<SharedEvent*>(m.wparam); }

void Signal(const ThreadMessage& m) {
  if (SharedEvent* e = EventOf(m)) (*e)->Set();
}

void Release(const ThreadMessage& m) { delete EventOf(m); }

}  // namespace

TCdgIn::TCdgIn() = default;

TCdgIn::~TCdgIn() {
  if (State() != csStop) Stop();
  if (worker_.joinable()) worker_.join();
  DropMessages();
}

bool TCdgIn::SetProc(CdgInProc proc, void* user) {
  if (State() != csStop) return false;
  proc_ = proc;
  user_ = user;
  return true;
}

bool TCdgIn::SetReadAtOnce(std::uint8_t sectors) {
  if (State() != csStop) return false;
  readAtOnce_ = sectors;
  return true;
}

bool TCdgIn::SetOnMemory(bool onMemory) {
  if (State() != csStop) return false;
  onMemory_ = onMemory;
  return true;
}

bool TCdgIn::SetFileName(const std::string& fileName) {
  if (State() != csStop) return false;
  fileName_ = fileName;
  opener_ = nullptr;
  return true;
}

bool TCdgIn::SetTitleOpener(std::function<TitleOpenResult()> opener) {
  if (State() != csStop) return false;
  opener_ = std::move(opener);
  return true;
}

bool TCdgIn::SetRepeat(bool repeat) {
  repeat_ = repeat;
  return true;
}

bool TCdgIn::SetStereoMode(std::int8_t mode) {
  if (mode < 0 || mode >= kStereoModes) return false;
  if (State() != csPlay) {
    changer_.SetMode(static_cast<std::uint8_t>(mode));
    return true;
  }
  return SendAction(msgStereoMode, mode);
}

std::chrono::milliseconds TCdgIn::Timeout() const {
  return std::chrono::milliseconds(readAtOnce_ * kTimeoutFactor / kSectorsPerSecond);
}

bool TCdgIn::Play() {
  if (!proc_ || State() != csStop || readAtOnce_ == 0) return false;
  // A worker that has finished may still be returning from its last event.
  if (worker_.joinable()) {
    if (worker_.get_id() == std::this_thread::get_id()) {
      worker_.detach();
    } else {
      worker_.join();
    }
  }
  DropMessages();
  const std::uint32_t stepBytes = readAtOnce_ * static_cast<std::uint32_t>(kAudioBytesPerSector);
  if (!out_.SetFormat(kChannels, kBits, kRate) ||
      !out_.ConfigBuffers(2 * stepBytes, kOutputBuffers) || !out_.Open())
    return false;
  try {
    worker_ = std::thread(&TCdgIn::Worker, this);
  } catch (const std::system_error&) {
    static_cast<void>(out_.Close());  // the start failed already; nothing more to report
    return false;
  }
  return true;
}

bool TCdgIn::Stop() {
  if (State() == csStop) return true;
  if (!loop_.WaitFor(Timeout())) return false;
  return SendAction(msgStop, 0);
}

// True only when the output really paused or went on: the window's button
// follows what the sound does.
bool TCdgIn::Pause() {
  return State() == csPlay ? SendAction(msgPause, 0) && State() == csPause : true;
}

bool TCdgIn::Restart() {
  return State() == csPause ? SendAction(msgRestart, 0) && State() == csPlay : true;
}

bool TCdgIn::SendAction(std::uint32_t message, std::int64_t argument) {
  if (!worker_.joinable()) return false;
  auto done = std::make_shared<AutoResetEvent>();
  queue_.Post(message, reinterpret_cast<std::uint64_t>(new SharedEvent(done)), argument);
  return done->WaitFor(Timeout());
}

void TCdgIn::DropMessages() {
  ThreadMessage m;
  while (queue_.Peek(m, true)) Release(m);
}

void TCdgIn::Notify(std::uint8_t event, std::intptr_t value) const {
  if (proc_) proc_(event, value, user_);
}

void TCdgIn::HandleMessage(const ThreadMessage& m) {
  if (State() != csStop) {
    switch (m.message) {
      case msgStop:
        // Stopping drops what is queued; the device goes back whatever it says.
        static_cast<void>(out_.Reset());
        static_cast<void>(out_.Close());
        FState = csStop;
        Notify(kCdgInStopped, 0);
        break;
      case msgPause:
        if (out_.Pause()) FState = csPause;
        break;
      case msgRestart:
        if (out_.Restart()) FState = csPlay;
        break;
      case msgStereoMode:
        changer_.SetMode(static_cast<std::uint8_t>(m.lparam & 0xFF));
        break;
      default:  // not ours: no answer either
        Release(m);
        return;
    }
  }
  Signal(m);
  Release(m);
}

void TCdgIn::Worker() {
  if (!PlayFile()) {
    // Nothing can be played: give the output back and tell the owner, who
    // would otherwise wait for a start that never comes.
    static_cast<void>(out_.Close());
    FState = csStop;
    Notify(kCdgInFailed, 0);
  }
}

bool TCdgIn::PlayFile() {
  // Every kind of title plays: a CDG file, bare subcode with its song beside
  // it (or silent), an MP3+G zip.
  TitleOpenOptions options;
  options.onMemory = onMemory_;
  TitleOpenResult opened = opener_ ? opener_() : OpenTitle(fileName_, options);
  if (!opened.ok()) return false;
  TitleSource& source = *opened.source;
  const std::size_t n = readAtOnce_;
  std::vector<std::uint8_t> audio, packs;
  try {
    audio.resize(n * kAudioBytesPerSector);
    packs.resize(n * kSubcodeBytesPerSector);
  } catch (const std::bad_alloc&) {
    return false;
  }
  Notify(kCdgInStarted, 0);

  const std::uint64_t sectors = source.Sectors();
  const std::uint64_t fullSteps = sectors / n;
  const std::uint64_t rest = sectors % n;
  std::uint64_t step = 0;
  FState = csPlay;
  for (;;) {
    loop_.Set();
    const std::size_t count = step < fullSteps ? n : static_cast<std::size_t>(rest);
    if (count > 0) {
      // The file shrank, or its song is damaged further on: playing ends.
      if (!source.Read(count, audio.data(), packs.data())) break;
      changer_.Apply(reinterpret_cast<std::int16_t*>(audio.data()), count * kFramesPerSector);
      // Audio the device refuses is not skipped silently: playback ends
      // as a failure.
      if (!out_.Write(audio.data(), static_cast<std::uint32_t>(count * kAudioBytesPerSector)))
        return false;
      Notify(kCdgInStep, static_cast<std::intptr_t>(count));
      Notify(kCdgInPacks, reinterpret_cast<std::intptr_t>(packs.data()));
    }
    ++step;
    if (step > fullSteps || (step == fullSteps && rest == 0)) {
      // An empty file is never rewound: repeating it would spin for ever.
      if (!repeat_ || sectors == 0) break;
      if (!source.Seek(0)) break;
      step = 0;
    }
    ThreadMessage m;
    if (queue_.Peek(m, true)) HandleMessage(m);
    while (State() == csPause) {
      queue_.Get(m);
      HandleMessage(m);
    }
    if (State() == csStop) break;
  }
  if (State() != csStop) {
    // Without a reset: what is queued plays out. The song has been played;
    // a device that complains as it is given back changes nothing of that.
    static_cast<void>(out_.Close());
    FState = csStop;
    Notify(kCdgInStopped, 0);
    Notify(kCdgInEnded, 0);
  }
  return true;
}

}  // namespace mosaicer
