// Program entry. Filled in with the start-up window and the main toolbar.
#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return 0;
}
