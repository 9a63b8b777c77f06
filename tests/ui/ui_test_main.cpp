// The windows' tests run inside one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

#include "platform/language.h"

int main(int argc, char** argv) {
  // The tests check the Japanese texts unless one chooses English itself,
  // whatever the machine's locale; programs they start inherit the choice.
  setenv("MOSAICER_LANG", "ja", 1);
  mosaicer::SetLanguage(mosaicer::Language::Japanese);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("Mosaicer");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
