// Window position and size as the settings file keeps them: Top, Left and,
// for windows that can be resized, Width and Height.
#pragma once

#include <string_view>

#include "platform/ini_file.h"

class QWidget;

namespace mosaicer {

struct Placement {
  int top = 100;
  int left = 100;
  int width = 0;   // 0: the window keeps its size
  int height = 0;  // 0: the window keeps its height
};

// Moves (and, when the defaults give a size, resizes) `window` to the
// section's values; missing keys take `defaults`. Size limits the window
// sets itself still apply.
void ReadPlacement(QWidget& window, const IniFile& ini, std::string_view section,
                   const Placement& defaults);
// Writes Top and Left, and Width and Height when `withSize`.
void WritePlacement(const QWidget& window, IniFile& ini, std::string_view section, bool withSize);

}  // namespace mosaicer
