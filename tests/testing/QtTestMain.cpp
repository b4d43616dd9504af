// main of the GUI test binaries: GoogleTest inside a QApplication.
#include <gtest/gtest.h>

#include <QApplication>

namespace {

QtMessageHandler qt_default = nullptr;

// The offscreen platform says for every sizeable window that it cannot pass size hints on;
// that says nothing about the code under test.
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.contains(QLatin1String("does not support propagateSizeHints"))) return;
  qt_default(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // CTest sets the offscreen platform; listing the tests at build time and running a binary
  // by hand need no display either.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qt_default = qInstallMessageHandler(QuietOffscreen);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
