#pragma once
// All plot widgets and the text writers.

#include "plots/abstractplotwidget.h"
#include "plots/columnwriter.h"
#include "plots/conversionefficiencyplotwidget.h"
#include "plots/curvedata.h"
#include "plots/fftspectrumplotwidget.h"
#include "plots/fieldplotwidget.h"
#include "plots/rectangularplotwidget.h"
#include "plots/spectrogramplotwidget.h"
#include "plots/spectrumplotwidget.h"
#include "plots/timeplotwidget.h"
#include "plots/timeprobeplotwidget.h"
