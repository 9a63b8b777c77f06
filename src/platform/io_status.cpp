#include "platform/io_status.h"

#include <cerrno>
#include <cstring>

#include "platform/language.h"

namespace mosaicer {

std::string ErrnoReason(int code) {
  switch (code) {
    case ENOENT:
      return Tr("No such file or directory");
    case EACCES:
    case EPERM:
      return Tr("Permission denied");
    case ENOSPC:
      return Tr("No space left on the disk");
    case EDQUOT:
      return Tr("The disk quota is used up");
    case EISDIR:
      return Tr("It is a folder");
    case ENOTDIR:
      return Tr("A part of the path is not a folder");
    case EROFS:
      return Tr("The disk is read-only");
    case EEXIST:
      return Tr("It already exists");
    case EIO:
      return Tr("The disk could not be read or written (input/output error)");
    case ENAMETOOLONG:
      return Tr("The name is too long");
    case EMFILE:
    case ENFILE:
      return Tr("Too many files are open");
    default:
      return std::strerror(code);
  }
}

IoStatus IoStatus::FromErrno(std::string_view verb, const std::filesystem::path& path, int code) {
  const std::string reason = ErrnoReason(code);
  if (verb == "read") return CannotRead(path, reason);
  if (verb == "write") return CannotWrite(path, reason);
  return Failed("cannot " + std::string(verb) + " " + Quoted(path) + ": " + reason);
}

std::string IoStatus::CannotReadText(const std::filesystem::path& path, std::string_view why) {
  return Format(Tr("cannot read %1: %2"), {Quoted(path), why});
}

std::string IoStatus::CannotWriteText(const std::filesystem::path& path, std::string_view why) {
  return Format(Tr("cannot write %1: %2"), {Quoted(path), why});
}

}  // namespace mosaicer
