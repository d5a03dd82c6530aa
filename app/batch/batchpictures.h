#pragma once
// The pictures of lumora-batch --plots and of the sweep summary: the one part
// of the batch programs that draws widgets (Qwt plots rendered offscreen).
// Everything else in lumora-batch saves through the results layer alone.

#include <QString>

class QwtPlot;
class Simulator;
struct ResultEntry;

// Draws a plot into a PNG picture of 1000 x 620 pixels on a white background,
// as every picture of --plots is drawn.
bool renderPlotPicture(QwtPlot *plot, const QString &fileName);

// The picture of a catalogue entry, next to its text file in folder (which
// ends with "/"): the entry's file name with ".png" for ".txt". False when it
// cannot be drawn or written.
bool saveResultPicture(Simulator &engine, const QString &folder, const ResultEntry &entry);
