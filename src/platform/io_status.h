// The outcome of a file operation: success, or a complete sentence that names
// the file and the system's reason ("cannot write "out.cdg": No space left on
// device"). Front ends show the sentence as it is.
#pragma once

#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace mosaicer {

class [[nodiscard]] IoStatus {
 public:
  static IoStatus Ok() { return IoStatus(); }
  static IoStatus Failed(std::string message) {
    IoStatus status;
    status.error_ = message.empty() ? std::string("failed") : std::move(message);
    return status;
  }
  // "cannot <verb> "<path>": <the system's text for `code`>".
  static IoStatus FromErrno(std::string_view verb, const std::filesystem::path& path, int code) {
    return Failed("cannot " + std::string(verb) + " " + Quoted(path) + ": " + std::strerror(code));
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
