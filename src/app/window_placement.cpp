#include "app/window_placement.h"

#include <QWidget>

namespace mosaicer {

void ReadPlacement(QWidget& window, const IniFile& ini, std::string_view section,
                   const Placement& defaults) {
  const auto read = [&](std::string_view key, int fallback) {
    return static_cast<int>(ini.ReadInteger(section, key, fallback));
  };
  const int top = read("Top", defaults.top);
  const int left = read("Left", defaults.left);
  window.move(left, top);
  if (defaults.width > 0) {
    const int width = read("Width", defaults.width);
    const int height = defaults.height > 0 ? read("Height", defaults.height) : window.height();
    window.resize(width, height);
  }
}

void WritePlacement(const QWidget& window, IniFile& ini, std::string_view section, bool withSize) {
  ini.WriteInteger(section, "Top", window.y());
  ini.WriteInteger(section, "Left", window.x());
  if (withSize) {
    ini.WriteInteger(section, "Width", window.width());
    ini.WriteInteger(section, "Height", window.height());
  }
}

}  // namespace mosaicer
