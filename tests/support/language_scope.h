#pragma once

#include "platform/language.h"

namespace mosaicer::testing {

// Chooses a language for one test and restores the pinned one after it.
class LanguageScope {
 public:
  explicit LanguageScope(Language language) : before_(CurrentLanguage()) { SetLanguage(language); }
  ~LanguageScope() { SetLanguage(before_); }
  LanguageScope(const LanguageScope&) = delete;
  LanguageScope& operator=(const LanguageScope&) = delete;

 private:
  Language before_;
};

}  // namespace mosaicer::testing
