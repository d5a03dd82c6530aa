#include "plots/childwindow.h"

#include <QAction>
#include <QMdiArea>
#include <QPalette>

ChildWindow::ChildWindow(QWidget *plotWidget, const QString &title, QMdiArea *mdiArea)
    : QMdiSubWindow(mdiArea), action(new QAction(title, this))
{
  setWidget(plotWidget);
  setWindowTitle(title);
  setAttribute(Qt::WA_DeleteOnClose);

  action->setCheckable(true);
  connect(action, &QAction::triggered, this, [this] {
    show();
    setFocus();
  });

  QPalette white = palette();
  white.setColor(QPalette::All, QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);
}
