#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// Test programs run without a display: the offscreen platform is set before QApplication exists,
// because test discovery starts the binary without the ctest environment.
int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setStyle("Fusion");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
