#pragma once
// All plot widgets and the text writers.

#include "plots/abstractplotwidget.h"
#include "results/columnwriter.h"
#include "plots/conversionefficiencyplotwidget.h"
#include "plots/curvedata.h"
#include "plots/fftspectrumplotwidget.h"
#include "plots/fieldplotwidget.h"
#include "plots/rectangularplotwidget.h"
#include "plots/spectrogramplotwidget.h"
#include "plots/spectrumplotwidget.h"
#include "plots/timeplotwidget.h"
#include "plots/timeprobeplotwidget.h"
#include "results/resultcatalogue.h"

// The plot widget of a catalogue entry, titled entry.title, with the window's
// axis titles (or, with saved, those of the saved files). Null when the
// engine has no such result (an index out of range, no spectrogram).
AbstractPlotWidget *createPlotWidget(Simulator *engine, const ResultEntry &entry, bool saved = false);
