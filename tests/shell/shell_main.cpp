// The shell tests run their windows on Qt's offscreen platform unless told otherwise (the
// screenshot under Xvfb uses xcb), and need one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Test runs must not find the developer's own settings.
  setenv("XDG_CONFIG_HOME", "/nonexistent-vnstudio-test-config", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
