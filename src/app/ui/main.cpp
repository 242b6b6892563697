#include <QApplication>

// A first cut that the start-up's own work replaces.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return 0;
}
