#pragma once
// Running lumora-batch and lumora-sweep as child processes in the batch and
// sweep tests.

#include "testsupport.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace {

struct Result
{
  int exitCode = -1;
  QString out;
  QString err;
};

inline Result runProgram(const QString &program, const QStringList &arguments, const QString &workDir,
                  const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
  QProcess p;
  p.setProcessEnvironment(env);
  p.setProgram(program);
  p.setArguments(arguments);
  p.setWorkingDirectory(workDir);
  p.start();
  Result r;
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}

inline QStringList lines(const QString &path)
{
  return QString::fromUtf8(testsupport::readAll(path)).split(QLatin1Char('\n'));
}

} // namespace
