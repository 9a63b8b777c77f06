// Feeds arbitrary bytes, as a file, to the song opener (our WAV reader and
// libsndfile with libsoxr behind it) and reads what it accepts. The reader
// must deliver exactly the length it announced, or fail with a message.
#include "fuzz_files.h"
#include "media/audio_reader.h"

// libsndfile's Ogg reader leaks libvorbis's stream header when opening a
// damaged Ogg file fails (inside the libraries, not this program): leaks
// whose allocation is made in the codec libraries are not reported.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libvorbis.so\nleak:libogg.so\nleak:libsndfile.so\nleak:libopus.so\n"
         "leak:libmpg123.so\nleak:libFLAC.so\n";
}

// Reading is stopped after this much audio, so one run stays quick.
constexpr std::size_t kMaxFuzzBytes = std::size_t{1} << 22;
constexpr std::size_t kPiece = 2352 * 16 + 3;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = mosaicer::fuzz::WriteFile("song", data, size);

  mosaicer::AudioOpenResult opened = mosaicer::OpenAudio(path);
  if (!opened.ok()) {
    if (opened.error.empty()) std::abort();
    return 0;
  }
  mosaicer::AudioReader& reader = *opened.reader;
  if (reader.Bytes() == 0) std::abort();
  std::vector<std::uint8_t> buffer(kPiece);
  std::uint64_t left = reader.Bytes();
  for (std::size_t read = 0; left > 0 && read < kMaxFuzzBytes; read += kPiece) {
    const std::size_t n = left < kPiece ? static_cast<std::size_t>(left) : kPiece;
    if (const mosaicer::IoStatus status = reader.Read(buffer.data(), n); !status.ok()) {
      if (status.error().empty()) std::abort();
      return 0;
    }
    left -= n;
  }
  // Nothing past the announced length.
  if (left == 0 && reader.Read(buffer.data(), 1).ok()) std::abort();
  return 0;
}
