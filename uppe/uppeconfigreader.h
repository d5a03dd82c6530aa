#pragma once
// Reader of the spectral engine's configuration sections: the dump switch,
// the integration keys, the pulse blocks, the post-processing blocks, the
// actions, the timing log and the medium. It fills an UppeConfig and computes nothing; the first problem is
// kept in the engine's load status: a missing keyword, or a refused line with
// its reason. Values are the first word of their line,
// leading blanks ignored.

#include "input/parsestatus.h"
#include "uppe/uppeconfig.h"

#include <QString>
#include <QStringList>

// Largest time-point count a configuration may ask for (about 0.4 GB of
// working arrays in the general formulation with the largest stepper).
constexpr int maximumUppeTimePoints = 1 << 20;

// Medium names in MediumType order.
extern const QStringList uppeMediumNames;

class UppeConfigReader
{
public:
  // folder: where data files named by the medium are looked for first;
  // status: where the first problem is recorded.
  UppeConfigReader(const QStringList &lines, const QString &folder, ParseStatus &status);

  // Dump switch, integration keys, pulse blocks and post-processing blocks;
  // true on failure.
  bool readSections(UppeConfig &config);
  // The actions and the timing log; true on failure.
  bool readRunControl(UppeConfig &config);
  // The medium, its length and unit; true on failure.
  bool readMedium(UppeConfig &config);

private:
  struct BlockUnits
  {
    int frequencyExponent = 0;
    int timeUnitPosition = 0;
    QString frequency, time; // as written
  };
  bool fail(int line, const QString &reason);
  bool missing(int keywordId);
  bool readDumpSwitch(IntegrationSettings &settings);
  bool readIntegration(IntegrationSettings &settings);
  bool readStepKeys(IntegrationSettings &settings);
  bool readModelAndPlanes(IntegrationSettings &settings);
  bool readPulseBlock(int shapeLine, UppeConfig &config);
  bool readPulseForm(int shapeLine, int blockEnd, const BlockUnits &units, PulseDescription &pulse);
  bool readPulseData(int dataLine, const BlockUnits &units, PulseDescription &pulse);
  bool readFibre(const QStringList &values, MediumDescription &medium);
  bool resolveModel(UppeConfig &config);
  bool readPulseUnits(int shapeLine, BlockUnits &units);
  bool readWindow(int shapeLine, const BlockUnits &units, double carrier, UppeConfig &config);
  bool readPulseCentre(int amplitudeLine, double delay, const BlockUnits &units,
                       const TimeWindow &window, PulseDescription &pulse);
  bool readPulseWidth(int shapeLine, const BlockUnits &units, PulseDescription &pulse);
  bool readPositive(int keywordId, int from, double &value);
  bool readPostprocessingBlock(int typeLine, PostprocessingDescription &post);
  bool readParameters(MediumDescription &medium, int frequencyExponent);
  bool assignParameters(const std::vector<double> &v, const QStringList &after,
                        MediumDescription &medium, int frequencyExponent);
  bool readMaterial(const QStringList &values, MediumDescription &medium);
  bool readLength(MediumDescription &medium);

  const QStringList &lines;
  QString folder;
  ParseStatus &status;
  bool fibreMedium = false; // the medium line names a fibre
};
