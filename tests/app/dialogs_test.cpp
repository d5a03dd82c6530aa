#include "plots/childwindow.h"
#include "plots/spectrumdialog.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {
struct DialogParts
{
  QListWidget *list;
  QPushButton *ok;
  QPushButton *cancel;
};

DialogParts partsOf(SpectrumDialog &dialog)
{
  return {dialog.findChild<QListWidget *>("listWidget"), dialog.findChild<QPushButton *>("okButton"),
          dialog.findChild<QPushButton *>("cancelButton")};
}

QStringList rowsOf(QListWidget *list)
{
  QStringList names;
  for (int i = 0; i < list->count(); ++i)
    names << list->item(i)->text();
  return names;
}
} // namespace

TEST(SpectrumDialog, Form)
{
  SpectrumDialog dialog({"a", "b"});
  const DialogParts p = partsOf(dialog);
  ASSERT_TRUE(p.list && p.ok && p.cancel);
  EXPECT_EQ(dialog.objectName(), "SpectrumDialog");
  EXPECT_EQ(dialog.windowTitle(), "Dialog Window");
  EXPECT_EQ(dialog.size(), QSize(400, 300));
  EXPECT_EQ(dialog.findChild<QLabel *>("label")->text(), "Select prostprocessing(s)");
  EXPECT_EQ(p.ok->text(), "Ok");
  EXPECT_EQ(p.cancel->text(), "Cancel");
  EXPECT_FALSE(p.ok->isEnabled());
  EXPECT_TRUE(p.cancel->isEnabled());
  EXPECT_EQ(p.list->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(rowsOf(p.list), QStringList({"a", "b"}));
}

TEST(SpectrumDialog, OkFollowsTheSelection)
{
  SpectrumDialog dialog({"a", "b", "c"});
  const DialogParts p = partsOf(dialog);
  EXPECT_FALSE(p.ok->isEnabled());
  p.list->item(1)->setSelected(true);
  EXPECT_TRUE(p.ok->isEnabled());
  p.list->item(2)->setSelected(true);
  EXPECT_TRUE(p.ok->isEnabled());
  p.list->item(1)->setSelected(false);
  EXPECT_TRUE(p.ok->isEnabled());
  p.list->item(2)->setSelected(false);
  EXPECT_FALSE(p.ok->isEnabled());
}

TEST(SpectrumDialog, OkEmitsTheSelectedRowsAndAccepts)
{
  SpectrumDialog dialog({"a", "b", "c", "d"});
  const DialogParts p = partsOf(dialog);
  QSignalSpy spy(&dialog, &SpectrumDialog::selected);
  dialog.show();
  p.list->item(3)->setSelected(true);
  p.list->item(1)->setSelected(true);
  QList<unsigned short> expected;
  for (QListWidgetItem *item : p.list->selectedItems())
    expected << static_cast<unsigned short>(p.list->row(item));
  p.ok->click();
  ASSERT_EQ(spy.count(), 1);
  const auto rows = spy.at(0).at(0).value<QList<unsigned short>>();
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(rows.size(), 2);
  EXPECT_TRUE(rows.contains(3) && rows.contains(1));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());
}

TEST(SpectrumDialog, CancelRejectsWithoutSignal)
{
  SpectrumDialog dialog({"a", "b"});
  const DialogParts p = partsOf(dialog);
  QSignalSpy spy(&dialog, &SpectrumDialog::selected);
  dialog.show();
  p.list->item(0)->setSelected(true);
  p.cancel->click();
  EXPECT_EQ(spy.count(), 0);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
}

TEST(SpectrumDialog, AppendNewItemsAddsOnlyTheGrowth)
{
  SpectrumDialog dialog({"a", "b"});
  const DialogParts p = partsOf(dialog);
  dialog.appendNewItems({"a", "b", "c", "d"});
  EXPECT_EQ(rowsOf(p.list), QStringList({"a", "b", "c", "d"}));
  dialog.appendNewItems({"a", "b", "c", "d"});
  EXPECT_EQ(rowsOf(p.list), QStringList({"a", "b", "c", "d"}));
  dialog.appendNewItems({"x"});
  EXPECT_EQ(rowsOf(p.list), QStringList({"a", "b", "c", "d"}));
  dialog.appendNewItems({"p", "q", "r", "s", "t"});
  EXPECT_EQ(rowsOf(p.list), QStringList({"a", "b", "c", "d", "t"}));
}

TEST(SpectrumDialog, ReplaceItems)
{
  SpectrumDialog dialog({"a", "b"});
  const DialogParts p = partsOf(dialog);
  p.list->item(0)->setSelected(true);
  dialog.replaceItems({"x", "y", "z"});
  EXPECT_EQ(dialog.itemNames(), QStringList({"x", "y", "z"}));
  EXPECT_FALSE(p.ok->isEnabled());
}

TEST(ChildWindow, HoldsTheWidgetAndItsMenuEntry)
{
  QMdiArea area;
  auto *widget = new QLabel("plot");
  auto *child = new ChildWindow(widget, "Electric field envelope 1", &area);
  area.addSubWindow(child);
  EXPECT_EQ(child->widget(), widget);
  EXPECT_EQ(child->windowTitle(), "Electric field envelope 1");
  EXPECT_TRUE(child->testAttribute(Qt::WA_DeleteOnClose));
  ASSERT_NE(child->windowMenuAction(), nullptr);
  EXPECT_TRUE(child->windowMenuAction()->isCheckable());
  EXPECT_EQ(child->windowMenuAction()->text(), "Electric field envelope 1");
  EXPECT_TRUE(child->autoFillBackground());
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    EXPECT_EQ(child->palette().color(g, QPalette::Window), QColor(Qt::white));

  area.show();
  child->hide();
  child->windowMenuAction()->trigger();
  EXPECT_TRUE(child->isVisible());
}

TEST(ChildWindow, ClosingDeletesWindowAndWidget)
{
  QMdiArea area;
  QPointer<QLabel> widget = new QLabel("plot");
  QPointer<ChildWindow> child = new ChildWindow(widget, "t", &area);
  area.addSubWindow(child);
  area.show();
  child->show();
  child->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(child.isNull());
  EXPECT_TRUE(widget.isNull());
}
