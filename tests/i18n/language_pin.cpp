// Every test of this program checks the Japanese texts unless it chooses
// English itself: the language is pinned before any test runs, whatever the
// machine's locale (CI has only C.UTF-8, which reads as English). Programs
// the tests start inherit the choice.
#include <cstdlib>

#include "platform/language.h"

namespace {

const bool kPinned = [] {
  setenv("MOSAICER_LANG", "ja", 1);
  mosaicer::SetLanguage(mosaicer::Language::Japanese);
  return true;
}();

}  // namespace
