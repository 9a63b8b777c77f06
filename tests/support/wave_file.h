// Builds WAV files for tests, chunk by chunk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace mosaicer::testing {

inline void PutU16(std::string& s, std::uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
inline void PutU32(std::string& s, std::uint32_t v) {
  PutU16(s, v & 0xFFFF);
  PutU16(s, v >> 16);
}

inline std::string Chunk(const std::string& id, const std::string& body,
                         std::uint32_t declaredSize = 0xFFFFFFFFu) {
  std::string s = id;
  PutU32(s, declaredSize == 0xFFFFFFFFu ? static_cast<std::uint32_t>(body.size()) : declaredSize);
  s += body;
  if (body.size() % 2 == 1) s += '\0';  // RIFF pad byte
  return s;
}

inline std::string PcmFormat(int channels, int rate, int bits, int tag = 1) {
  std::string f;
  const int align = channels * bits / 8;
  PutU16(f, tag);
  PutU16(f, channels);
  PutU32(f, rate);
  PutU32(f, rate * align);
  PutU16(f, align);
  PutU16(f, bits);
  return f;
}

inline std::string Riff(const std::string& chunks) {
  std::string s = "RIFF";
  PutU32(s, static_cast<std::uint32_t>(4 + chunks.size()));
  return s + "WAVE" + chunks;
}

// Sample bytes that differ from byte to byte, so misplaced audio shows.
inline std::string AudioBytes(std::size_t size, unsigned seed = 1) {
  std::string s(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

// A CD-audio WAV (16-bit 44.1 kHz stereo) holding `audio`.
inline std::string CdWave(const std::string& audio) {
  return Riff(Chunk("fmt ", PcmFormat(2, 44100, 16)) + Chunk("data", audio));
}

// Writes a CD-audio WAV of `bytes` bytes of silence as a sparse file: a song
// long enough that a job on it can be stopped midway, at no cost in disk space.
inline std::string WriteSilentCdWave(const std::string& path, std::uint32_t bytes) {
  const std::string chunks = Chunk("fmt ", PcmFormat(2, 44100, 16)) + Chunk("data", "", bytes);
  std::string head = "RIFF";
  PutU32(head, static_cast<std::uint32_t>(4 + chunks.size() + bytes));
  head += "WAVE" + chunks;
  std::ofstream(path, std::ios::binary).write(head.data(), static_cast<std::streamsize>(head.size()));
  std::filesystem::resize_file(path, head.size() + bytes);
  return path;
}

}  // namespace mosaicer::testing
