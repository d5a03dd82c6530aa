// Program entry: the application object and the main window. One optional
// argument names a configuration file, which is loaded and started at once.

#include "app/lumora.h"
#include "fdtd/threadchoice.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
  restartWithSleepingThreads(argv);
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Lumora"));
  QApplication::setApplicationName(QStringLiteral("Lumora"));
  QApplication::setApplicationVersion(QStringLiteral(LUMORA_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QApplication::translate("main", "Simulates short optical pulses along one axis (FDTD and UPPE engines)."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(
      QStringLiteral("file"),
      QApplication::translate("main", "Configuration file to load and run (its name begins with FDTD or UPPE)."),
      QStringLiteral("[file]"));
  parser.process(application);
  const QStringList arguments = parser.positionalArguments();
  if (arguments.size() > 1)
    parser.showHelp(1);

  LumoraOptions options;
  if (!arguments.isEmpty())
    options.configurationFile = arguments.first();
  Lumora window(options);
  window.show();
  return application.exec();
}
