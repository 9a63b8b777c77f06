// The windows' texts in the chosen language, as Qt strings.
#pragma once

#include <QString>

#include "platform/language.h"

namespace mosaicer {

inline QString Tq(const char* english) { return QString::fromUtf8(Tr(english)); }
inline QString Tq(const TrText& text) { return QString::fromUtf8(text.c_str()); }

}  // namespace mosaicer
