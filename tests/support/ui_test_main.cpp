#include <gtest/gtest.h>

#include <QApplication>

// The program's pictures live in the widget library, whose resources must be registered by name.
static void InitResources() { Q_INIT_RESOURCE(tintara); }

// Widget tests need an application object; without a display of their own they draw off screen,
// which also makes them reproducible (one style, one font).
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InitResources();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
