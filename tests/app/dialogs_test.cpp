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
