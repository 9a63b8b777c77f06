// MP3+G zip archives: bare subcode (NAME.cdg) and its song (NAME.mp3, or
// another kind) side by side in one zip file, as karaoke rippers and players
// exchange them.
//
// Reading takes the first .cdg entry and the song entry of the same name
// without its extension (any case; mp3, ogg, flac and wav before the other
// kinds), both read into memory, never unpacked to disk. Without a song the
// title is silent. Nothing in an archive is trusted: an entry whose name is
// absolute or climbs out with "..", an entry larger than it may be, an
// encrypted or damaged entry, or a damaged archive is refused with a message
// that names the archive and what is wrong.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/io_status.h"
#include "title/title_source.h"

namespace mosaicer {

// The four bytes a zip archive starts with: its first local header, or the
// end record of an archive without entries.
inline constexpr std::uint8_t kZipLocalHeaderMagic[4] = {'P', 'K', 3, 4};
inline constexpr std::uint8_t kZipEmptyArchiveMagic[4] = {'P', 'K', 5, 6};
// The largest archive and song entry read into memory.
inline constexpr std::uint64_t kMaxZipBytes = std::uint64_t{1} << 30;

// Opens an MP3+G zip file.
TitleOpenResult OpenZipTitle(const std::string& path);
// Opens an MP3+G zip held in memory; `path` is what messages call it.
TitleOpenResult OpenZipTitleBytes(const std::string& path,
                                  std::shared_ptr<const std::vector<std::uint8_t>> archive);

// One file to store in an archive.
struct ZipEntry {
  std::string name;
  std::span<const std::uint8_t> bytes;
};

// Builds a zip archive whose entries are stored as they are (no
// compression), in the order given. Fails, saying why, when libzip does.
IoStatus BuildStoredZip(const std::vector<ZipEntry>& entries, std::vector<std::uint8_t>& archive);

}  // namespace mosaicer
