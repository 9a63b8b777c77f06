// Feeds arbitrary bytes, as an MP3+G zip archive, to the title opener (libzip,
// then libsndfile for the song it finds) and reads what it accepts. A refusal
// must say why; an accepted title must deliver every sector it announces, or
// fail with a message.
#include <memory>

#include "fuzz_target.h"
#include "title/mp3g_zip.h"

// The codec libraries behind libsndfile leak on some damaged songs (inside
// those libraries, not this program).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libvorbis.so\nleak:libogg.so\nleak:libsndfile.so\nleak:libopus.so\n"
         "leak:libmpg123.so\nleak:libFLAC.so\n";
}

// Sectors read at most, so one run stays quick.
constexpr std::uint64_t kMaxFuzzSectors = 2000;
constexpr std::uint64_t kStep = 7;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto archive = std::make_shared<std::vector<std::uint8_t>>(data, data + size);
  mosaicer::TitleOpenResult opened = mosaicer::OpenZipTitleBytes("fuzz.zip", std::move(archive));
  if (!opened.ok()) {
    if (opened.error.empty()) std::abort();
    return 0;
  }
  mosaicer::TitleSource& title = *opened.source;
  if (title.Sectors() == 0) std::abort();  // an empty title is refused
  std::vector<std::uint8_t> audio(kStep * mosaicer::kAudioBytesPerSector);
  std::vector<std::uint8_t> subcode(kStep * mosaicer::kSubcodeBytesPerSector);
  const std::uint64_t sectors = title.Sectors() < kMaxFuzzSectors ? title.Sectors() : kMaxFuzzSectors;
  for (std::uint64_t at = 0; at < sectors; at += kStep) {
    const std::uint64_t n = sectors - at < kStep ? sectors - at : kStep;
    if (const mosaicer::IoStatus read = title.Read(n, audio.data(), subcode.data()); !read) {
      if (read.error().empty()) std::abort();
      return 0;
    }
  }
  // Back to the start: the song is opened again.
  if (title.Seek(0).ok()) static_cast<void>(title.Read(1, audio.data(), subcode.data()));
  return 0;
}
