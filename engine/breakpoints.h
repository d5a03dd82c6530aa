#pragma once
// Breakpoints: requests in the configuration file to act at a given iteration.
// A due breakpoint emits its signal; the window (or the batch runner) acts.

#include <QObject>
#include <QString>

class AbstractBreakpoint : public QObject
{
  Q_OBJECT

public:
  AbstractBreakpoint(const QString &type, int targetIteration, QObject *parent = nullptr)
      : QObject(parent), type(type), targetIteration(targetIteration)
  {
  }

  // Emits the signal once when due: at targetIteration, or, for a target of
  // 0, at the step that finished the run.
  virtual void check(int iteration, bool finished) = 0;

  const QString type;
  const int targetIteration;

protected:
  bool isDue(int iteration, bool finished) const
  {
    return (targetIteration == 0 && finished) || targetIteration == iteration;
  }
};

class SuspendBreakpoint : public AbstractBreakpoint
{
  Q_OBJECT
public:
  using AbstractBreakpoint::AbstractBreakpoint;
  void check(int iteration, bool finished) override
  {
    if (isDue(iteration, finished))
      emit on_pauseButton_clicked();
  }
signals:
  void on_pauseButton_clicked();
};

class ExitBreakpoint : public AbstractBreakpoint
{
  Q_OBJECT
public:
  using AbstractBreakpoint::AbstractBreakpoint;
  void check(int iteration, bool finished) override
  {
    if (isDue(iteration, finished))
      emit exitApplication();
  }
signals:
  void exitApplication();
};

class SaveAllBreakpoint : public AbstractBreakpoint
{
  Q_OBJECT
public:
  SaveAllBreakpoint(const QString &type, int targetIteration, const QString &fileName,
                    QObject *parent = nullptr)
      : AbstractBreakpoint(type, targetIteration, parent), fileName(fileName)
  {
  }
  void check(int iteration, bool finished) override
  {
    if (isDue(iteration, finished))
      emit saveAllOnBreakpoint(fileName);
  }
  const QString fileName;
signals:
  void saveAllOnBreakpoint(QString fileName);
};

class SaveLineEnvelopeClass : public AbstractBreakpoint
{
  Q_OBJECT
public:
  SaveLineEnvelopeClass(const QString &type, int targetIteration, const QString &fileName,
                        QObject *parent = nullptr)
      : AbstractBreakpoint(type, targetIteration, parent), fileName(fileName)
  {
  }
  void check(int iteration, bool finished) override
  {
    if (isDue(iteration, finished))
      emit saveEEnvelopeOnBreakpoint(fileName);
  }
  const QString fileName;
signals:
  void saveEEnvelopeOnBreakpoint(QString fileName);
};
