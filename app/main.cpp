#include "app/lumora.h"

#include <QApplication>

int main(int argc, char *argv[])
{
  QApplication application(argc, argv);
  Lumora window;
  window.show();
  return application.exec();
}
