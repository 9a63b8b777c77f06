// Writes the reference documents the installation carries, from the command
// line's own tables:
//   mosaicer_docs man|gui-man|completion OUTPUT
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "cli/reference.h"
#include "platform/file_util.h"
#include "platform/language.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mosaicer_docs man|gui-man|completion OUTPUT\n");
    return 2;
  }
  // The installed documents are English, whatever the language of the
  // machine that builds them.
  mosaicer::SetLanguage(mosaicer::Language::English);
  std::ostringstream text;
  if (std::strcmp(argv[1], "man") == 0) {
    mosaicer::cli::WriteManPage(text);
  } else if (std::strcmp(argv[1], "gui-man") == 0) {
    mosaicer::cli::WriteDesktopManPage(text);
  } else if (std::strcmp(argv[1], "completion") == 0) {
    mosaicer::cli::WriteBashCompletion(text);
  } else {
    std::fprintf(stderr, "mosaicer_docs: unknown document '%s'\n", argv[1]);
    return 2;
  }
  const std::string bytes = text.str();
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (const mosaicer::IoStatus saved = mosaicer::WriteWholeFile(argv[2], {data, bytes.size()});
      !saved) {
    std::fprintf(stderr, "mosaicer_docs: %s\n", saved.error().c_str());
    return 1;
  }
  return 0;
}
