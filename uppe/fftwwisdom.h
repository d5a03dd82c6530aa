#pragma once
// FFTW wisdom kept between runs in the user's cache folder, so that patient
// planning of large transforms is paid once per machine rather than per run.

#include <QString>

// Path of the wisdom file (<generic cache>/lumora/fftw-wisdom).
QString fftwWisdomPath();
// Imports the wisdom file once per process; missing or unreadable files are ignored.
void loadFftwWisdom();
// Writes the accumulated wisdom back (atomically); failures are ignored.
void saveFftwWisdom();
