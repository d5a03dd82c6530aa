#pragma once
// Picks one or more post-processings (Fourier spectra or time probes) by
// name; the window opens one plot per picked row.

#include "ui_spectrumdialog.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class SpectrumDialog : public QDialog, private Ui::SpectrumDialog
{
  Q_OBJECT

public:
  explicit SpectrumDialog(const QStringList &names, QWidget *parent = nullptr);

  // Adds the names whose position lies at or beyond the list's current
  // length, so a list that has grown since is brought up to date.
  void appendNewItems(const QStringList &names);

  // Shows exactly these names (a dialog kept from an earlier run).
  void replaceItems(const QStringList &names);

  // The names shown, in list order.
  QStringList itemNames() const;

signals:
  // Row numbers of the chosen entries, in the list widget's selection order.
  void selected(const QList<unsigned short> &rows);

private slots:
  void on_listWidget_itemSelectionChanged();
  void on_okButton_clicked();
  void on_cancelButton_clicked();
};
