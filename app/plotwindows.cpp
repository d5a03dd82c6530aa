// Plot windows: every kind opened through the results catalogue, the
// selection dialogs of spectra and time probes, and the results an engine
// announces during its run.

#include "app/lumora.h"

#include "engine/simulator.h"
#include "plots/childwindow.h"
#include "plots/plotwidgets.h"
#include "plots/spectrumdialog.h"

#include <QActionGroup>
#include <QMdiSubWindow>

void Lumora::addPlotWindow(AbstractPlotWidget *widget, const QString &title)
{
  connect(widget, &AbstractPlotWidget::exportPictureRequested, this, [this, widget] {
    if (QMdiSubWindow *window = qobject_cast<QMdiSubWindow *>(widget->parentWidget()))
      ui.mdiArea->setActiveSubWindow(window);
    exportPicture();
  });
  auto *child = new ChildWindow(widget, title, ui.mdiArea);
  ui.mdiArea->addSubWindow(child);
  ui.menuWindow->addAction(child->windowMenuAction());
  windowGroup->addAction(child->windowMenuAction());
  child->show();
  widget->refreshPlot(engine);
}

void Lumora::openPlotWindow(ResultKind kind, unsigned short index)
{
  if (!engine)
    return;
  ResultEntry entry = resultEntry(*engine, kind, index);
  unsigned short *counter = kind == ResultKind::ElectricField    ? &efieldCount
                            : kind == ResultKind::PoyntingVector ? &sfieldCount
                            : kind == ResultKind::MagneticField  ? &hfieldCount
                                                                 : nullptr;
  if (counter)
    entry.title += QString::number(*counter);
  if (AbstractPlotWidget *widget = createPlotWidget(engine, entry)) {
    if (counter)
      ++*counter;
    addPlotWindow(widget, entry.title);
  }
}

void Lumora::selectedFourier(const QList<unsigned short> &indices)
{
  for (unsigned short index : indices)
    openPlotWindow(ResultKind::Spectrum, index);
}

void Lumora::selectedTime(const QList<unsigned short> &indices)
{
  for (unsigned short index : indices)
    openPlotWindow(ResultKind::TimeProbe, index);
}

void Lumora::showSelectionDialog(SpectrumDialog *&dialog, const QStringList &names, bool fourier)
{
  if (names.size() > 1) {
    if (!dialog) {
      dialog = new SpectrumDialog(names, this);
      // A separate top-level window, not embedded in the main window.
      dialog->setWindowFlags(dialog->windowFlags() | Qt::Window);
      connect(dialog, &SpectrumDialog::selected, this,
              fourier ? &Lumora::selectedFourier : &Lumora::selectedTime);
    }
    // A dialog kept from an earlier run may list other names: start afresh
    // unless its entries are the first entries of the present list.
    if (dialog->itemNames() != names.mid(0, dialog->itemNames().size()))
      dialog->replaceItems(names);
    else
      dialog->appendNewItems(names);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
  } else if (names.size() == 1) {
    openPlotWindow(fourier ? ResultKind::Spectrum : ResultKind::TimeProbe, 0);
  }
}

void Lumora::showSpectrumDialog()
{
  if (engine)
    showSelectionDialog(spectrumDialog, engine->fourierNames(), true);
}

void Lumora::showTimeProbeDialog()
{
  if (engine)
    showSelectionDialog(timeProbeDialog, engine->probeNames(), false);
}

// --- results announced during the run --------------------------------------------

void Lumora::updateDynamicSpectrogram()
{
  appearedDuringRun.insert(ResultKind::Spectrogram);
  updateActions();
  // Open dynamic spectrogram windows show the rows rebuilt just now.
  const QList<QMdiSubWindow *> windows = ui.mdiArea->subWindowList(QMdiArea::CreationOrder);
  for (QMdiSubWindow *subWindow : windows) {
    if (auto *plot = qobject_cast<DynamicSpectrogramPlotWidget *>(subWindow->widget()))
      plot->refreshPlot(engine);
  }
}

void Lumora::createActionSpectrum()
{
  appearedDuringRun.insert(ResultKind::Spectrum);
  updateActions();
}

void Lumora::createActionTime()
{
  appearedDuringRun.insert(ResultKind::TimeProbe);
  updateActions();
}
