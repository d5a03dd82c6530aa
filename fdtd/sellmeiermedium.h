#pragma once
// Sellmeier media on the grid: each term B lambda^2 / (lambda^2 - C) of
//   n^2 = A + sum_i B_i lambda^2 / (lambda^2 - C_i)
// is an undamped Lorentz pole of strength B_i at the resonance c / sqrt(C_i)
// (C_i in um^2), and A is epsInf; one to three terms become the one- to
// three-pole Lorentz sections (epsS = A + sum B, weights B_i / sum B).

#include <QString>
#include <QStringList>

struct GridSellmeier
{
  double epsilonInfinity = 1.0;
  double muR = 1.0;
  double sigma = 0.0;
  double epsilonStatic = 1.0;
  int poles = 0;
  double resonance[3] = {}; // Hz
  double weight[3] = {};
};

// Reads the values of a "parameters" line (its tokens, the keyword last):
// "sellmeier": A muR sigma B1 C1 [B2 C2 [B3 C3]]; "material" (library):
// NAME [muR]. stability is the Courant divisor, which the permittivity must
// allow (A muR S^2 >= 1). Returns why the line is refused, or nothing.
QString readGridSellmeier(const QStringList &tokens, bool library, double stability, GridSellmeier &medium);
