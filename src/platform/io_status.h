// The outcome of a file operation: success, or a complete sentence that names
// the file and the system's reason ("cannot write "out.cdg": No space left on
// the disk"), in the current language. Front ends show the sentence as it is.
#pragma once

#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace mosaicer {

// Why a file operation failed, for an errno value, in the current language:
// our own words for the reasons a user meets (a missing file, no access, a
// full or read-only disk, ...), the system's text for the rest.
std::string ErrnoReason(int code);

class [[nodiscard]] IoStatus {
 public:
  static IoStatus Ok() { return IoStatus(); }
  static IoStatus Failed(std::string message) {
    IoStatus status;
    status.error_ = message.empty() ? std::string("failed") : std::move(message);
    return status;
  }
  // "cannot <verb> "<path>": <ErrnoReason(code)>", for the verbs "read" and
  // "write" in the current language.
  static IoStatus FromErrno(std::string_view verb, const std::filesystem::path& path, int code);
  // "cannot read "<path>": <why>" and "cannot write ...", in the current
  // language; `why` is given in it.
  static std::string CannotReadText(const std::filesystem::path& path, std::string_view why);
  static std::string CannotWriteText(const std::filesystem::path& path, std::string_view why);
  static IoStatus CannotRead(const std::filesystem::path& path, std::string_view why) {
    return Failed(CannotReadText(path, why));
  }
  static IoStatus CannotWrite(const std::filesystem::path& path, std::string_view why) {
    return Failed(CannotWriteText(path, why));
  }

  bool ok() const { return error_.empty(); }
  explicit operator bool() const { return ok(); }
  const std::string& error() const { return error_; }

  // `path` in double quotes, the way every message names a file.
  static std::string Quoted(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
  }

 private:
  IoStatus() = default;
  std::string error_;
};

}  // namespace mosaicer
