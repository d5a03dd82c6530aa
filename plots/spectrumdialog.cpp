#include "plots/spectrumdialog.h"

SpectrumDialog::SpectrumDialog(const QStringList &names, QWidget *parent) : QDialog(parent)
{
  setupUi(this);
  listWidget->addItems(names);
}

void SpectrumDialog::appendNewItems(const QStringList &names)
{
  for (int i = listWidget->count(); i < names.size(); ++i)
    listWidget->addItem(names.at(i));
}

void SpectrumDialog::replaceItems(const QStringList &names)
{
  listWidget->clear();
  listWidget->addItems(names);
  okButton->setEnabled(false);
}

QStringList SpectrumDialog::itemNames() const
{
  QStringList names;
  for (int i = 0; i < listWidget->count(); ++i)
    names << listWidget->item(i)->text();
  return names;
}

void SpectrumDialog::on_listWidget_itemSelectionChanged()
{
  okButton->setEnabled(!listWidget->selectedItems().isEmpty());
}

void SpectrumDialog::on_okButton_clicked()
{
  QList<unsigned short> rows;
  const QList<QListWidgetItem *> items = listWidget->selectedItems();
  for (QListWidgetItem *item : items)
    rows << static_cast<unsigned short>(listWidget->row(item));
  emit selected(rows);
  accept();
}

void SpectrumDialog::on_cancelButton_clicked() { reject(); }
