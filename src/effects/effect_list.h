// The display effects a folder offers: every valid .tlo file in it, listed
// under its title in the windows' language (the English title falling back
// to the Japanese one, either falling back to the file name), in the order
// the file system lists the folder. The main window shows them after the
// normal order and keeps its choice by title.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "effects/tlo_file.h"
#include "platform/language.h"

namespace mosaicer {

struct EffectEntry {
  std::string title;  // what the list shows
  TTloFile file;      // the effect's header, FileName included
};

// Valid effect files of `folder` ("*.tlo", extension in any case); files
// that are not valid effects are left out. A missing folder lists nothing.
std::vector<EffectEntry> FindEffects(const std::string& folder,
                                     Language language = CurrentLanguage());

// The title an effect is listed under in `language`; empty when it has none.
std::string EffectTitle(const TTloFile& file, Language language);

// The list position (1-based: position 0 is the normal order) of the first
// effect titled `title` in either language (so a choice saved under one
// language is found under the other), compared without regard to ASCII
// case; 0 when the title is empty or no effect has it.
int FindEffectByTitle(const std::vector<EffectEntry>& effects, std::string_view title);

}  // namespace mosaicer
