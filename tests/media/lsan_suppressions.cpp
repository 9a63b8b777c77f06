// Under the address sanitizer: libsndfile's Ogg reader leaks libvorbis's
// stream header when opening a damaged Ogg file fails. The leak is inside
// the codec libraries, which the damaged-file tests drive on purpose; leaks
// made there are not reported, every other one still is.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libvorbis.so\nleak:libogg.so\nleak:libsndfile.so\n";
}
