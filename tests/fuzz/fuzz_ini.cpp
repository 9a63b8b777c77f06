// Feeds arbitrary text to the INI parser, then reads and writes through it.
#include "fuzz_target.h"
#include "platform/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  mosaicer::IniFile ini(text);
  for (const std::string& name : ini.SectionNames()) {
    (void)ini.ReadInteger(name, "NumTiles", 0);
    (void)ini.ReadString(name, "TitleJ");
  }
  ini.WriteString("Options", "Limit", "4574");
  ini.WriteInteger("Info", "NumTiles", -1);
  if (ini.ReadInteger("options", "LIMIT", 0) != 4574) __builtin_trap();
  // Writing must keep the text parseable to the same values.
  mosaicer::IniFile again(ini.Text());
  if (again.ReadInteger("info", "numtiles", 0) != -1) __builtin_trap();
  return 0;
}
