#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillon");
  QWidget window;
  window.setWindowTitle("Quillon");
  window.show();
  return app.exec();
}
