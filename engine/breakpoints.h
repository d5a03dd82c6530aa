#pragma once
// Breakpoints: requests in the configuration file to act at a given iteration.
// A due breakpoint emits reached(type, fileName) once; the window (or the
// batch runner) acts on the type word: "suspend", "exit", "saveAll" or
// "save_line_envelope".

#include <QObject>
#include <QString>

class AbstractBreakpoint : public QObject
{
  Q_OBJECT

public:
  AbstractBreakpoint(const QString &type, int targetIteration, QObject *parent = nullptr,
                     const QString &fileName = QString())
      : QObject(parent), type(type), targetIteration(targetIteration), fileName(fileName)
  {
  }

  // Emits reached once when due: at targetIteration, or, for a target of 0,
  // at the step that finished the run.
  void check(int iteration, bool finished)
  {
    if ((targetIteration == 0 && finished) || targetIteration == iteration)
      emit reached(type, fileName);
  }

  const QString type;
  const int targetIteration;
  // The file of "saveAll" (its tag) and "save_line_envelope"; empty otherwise.
  const QString fileName;

signals:
  void reached(const QString &type, const QString &fileName);
};

class SuspendBreakpoint : public AbstractBreakpoint
{
  Q_OBJECT
public:
  SuspendBreakpoint(const QString &type, int targetIteration, QObject *parent = nullptr)
      : AbstractBreakpoint(type, targetIteration, parent)
  {
  }
};

class ExitBreakpoint : public AbstractBreakpoint
{
  Q_OBJECT
public:
  ExitBreakpoint(const QString &type, int targetIteration, QObject *parent = nullptr)
      : AbstractBreakpoint(type, targetIteration, parent)
  {
  }
};

class SaveAllBreakpoint : public AbstractBreakpoint
{
  Q_OBJECT
public:
  SaveAllBreakpoint(const QString &type, int targetIteration, const QString &fileName,
                    QObject *parent = nullptr)
      : AbstractBreakpoint(type, targetIteration, parent, fileName)
  {
  }
};

class SaveLineEnvelopeClass : public AbstractBreakpoint
{
  Q_OBJECT
public:
  SaveLineEnvelopeClass(const QString &type, int targetIteration, const QString &fileName,
                        QObject *parent = nullptr)
      : AbstractBreakpoint(type, targetIteration, parent, fileName)
  {
  }
};
