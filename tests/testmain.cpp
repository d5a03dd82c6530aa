// Test main: a Qt application object for the whole run, and a message
// handler that fails the test on a broken signal-slot connection.

#include <gtest/gtest.h>

#ifdef LUMORA_TEST_GUI
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#else
#include <QCoreApplication>
#endif
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

namespace {
void messageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
  std::fprintf(stderr, "%s\n", qPrintable(message));
  if (type == QtFatalMsg)
    std::abort();
  static const QRegularExpression brokenConnection("QObject::connect|No such signal|No such slot");
  if (type == QtWarningMsg && message.contains(brokenConnection))
    ADD_FAILURE() << "Qt warning: " << qPrintable(message);
}
} // namespace

int main(int argc, char **argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(messageHandler);
#ifdef LUMORA_TEST_GUI
  // Window settings (recent files, geometry, last folder) go to a folder of
  // this process, never to the user's own nor to another test's.
  const QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  QApplication app(argc, argv);
#else
  QCoreApplication app(argc, argv);
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
