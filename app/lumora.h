#pragma once
#include <QMainWindow>

class Lumora : public QMainWindow
{
  Q_OBJECT
public:
  explicit Lumora(QWidget *parent = nullptr);
  ~Lumora() override;
};
