// Feeds arbitrary bytes to the message-catalogue (.mo) reader. Whatever it
// accepts holds only texts that lie in the bytes themselves, never the
// header entry.
#include "fuzz_target.h"
#include "platform/language.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto catalogue = mosaicer::ParseCatalogue(bytes);
  if (!catalogue) return 0;
  for (const auto& [id, text] : *catalogue) {
    if (id.empty() || bytes.find(id) == std::string_view::npos) std::abort();
    if (bytes.find(text) == std::string_view::npos) std::abort();
  }
  return 0;
}
