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
