#include "core/pack_check.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include <cstring>
#include <vector>

#include "platform/io_status.h"
#include "platform/language.h"
#include "platform/unique_fd.h"

namespace mosaicer {
namespace {

constexpr std::size_t kSectorsPerBlock = 1024;

// Runs a correction on a copy and reports whether the pack was already right.
template <typename Correct>
bool Passes(const std::uint8_t* pack, Correct correct) {
  std::uint8_t copy[kPackSize];
  std::memcpy(copy, pack, kPackSize);
  return correct(copy) && std::memcmp(copy, pack, kPackSize) == 0;
}

}  // namespace

bool PackChecker::Consistent(const std::uint8_t* pack) const {
  return Passes(pack, [&](std::uint8_t* p) { return ecc_.CorrectQ(p); }) &&
         Passes(pack, [&](std::uint8_t* p) { return ecc_.CorrectP(p); });
}

void PackChecker::AddPack(const std::uint8_t* pack) {
  if (IsEmptyPack(pack)) {
    ++counts_.emptyPacks;
    return;  // zero parity over zero symbols
  }
  ++(IsGraphicsPack(pack) ? counts_.graphicsPacks : counts_.otherPacks);
  const bool q = Passes(pack, [&](std::uint8_t* p) { return ecc_.CorrectQ(p); });
  const bool p = Passes(pack, [&](std::uint8_t* p) { return ecc_.CorrectP(p); });
  if (!q) ++counts_.failingQ;
  if (!p) ++counts_.failingP;
  if (q && p) return;
  std::uint8_t copy[kPackSize];
  std::memcpy(copy, pack, kPackSize);
  ecc_.CorrectP(copy);
  ecc_.CorrectQ(copy);
  ++(Consistent(copy) ? counts_.repairable : counts_.unrepairable);
}

void PackChecker::AddSector(const std::uint8_t* subcode) {
  ++counts_.sectors;
  for (std::size_t i = 0; i < kPacksPerSector; ++i) AddPack(subcode + i * kPackSize);
}

void PackChecker::AddBytes(const std::uint8_t* data, std::size_t size, SubcodeFormat format) {
  const std::size_t sector = SectorSize(format);
  const std::size_t subcodeOffset = sector - kSubcodeBytesPerSector;
  std::size_t pos = 0;
  for (; size - pos >= sector; pos += sector) AddSector(data + pos + subcodeOffset);
  counts_.trailingBytes += size - pos;
}

bool CheckSubcodeFile(const std::string& path, SubcodeFormat format, PackCheckCounts& counts,
                      std::string& error,
                      const std::function<void(std::uint64_t, std::uint64_t)>& progress) {
  UniqueFd in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info;
  if (!in.valid() || ::fstat(in.get(), &info) != 0) {
    error = IoStatus::FromErrno("read", path, errno).error();
    return false;
  }
  const std::uint64_t total = static_cast<std::uint64_t>(info.st_size);
  PackChecker checker;
  const std::size_t sector = SectorSize(format);
  std::vector<std::uint8_t> block(sector * kSectorsPerBlock);
  std::uint64_t done = 0;
  while (done < total) {
    const std::ptrdiff_t read = ReadUpTo(in.get(), block.data(), block.size());
    if (read <= 0) {
      error = read < 0 ? IoStatus::FromErrno("read", path, errno).error()
                       : IoStatus::CannotReadText(path, Tr("the file ended early"));
      return false;
    }
    const std::size_t got = static_cast<std::size_t>(read);
    // Blocks hold whole sectors, so only the last one can leave a tail.
    checker.AddBytes(block.data(), got, format);
    done += got;
    if (progress) progress(done, total);
  }
  counts = checker.Counts();
  return true;
}

}  // namespace mosaicer
