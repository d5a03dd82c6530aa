#include "app/lumora.h"

Lumora::Lumora(QWidget *parent) : QMainWindow(parent)
{
  setObjectName(QStringLiteral("LumoraClass"));
  setWindowTitle(tr("Lumora"));
  resize(718, 555);
}

Lumora::~Lumora() = default;
