#pragma once
// MDI sub-window holding one plot widget, with a checkable Window-menu entry
// that brings it to the front.

#include <QMdiSubWindow>

class QAction;
class QMdiArea;

class ChildWindow : public QMdiSubWindow
{
  Q_OBJECT

public:
  // The widget becomes the sub-window's widget; the window deletes itself
  // (and so its widget) when closed.
  ChildWindow(QWidget *plotWidget, const QString &title, QMdiArea *mdiArea);

  // The Window-menu entry; its text is the window title.
  QAction *windowMenuAction() const { return action; }

private:
  QAction *action;
};
