// libpolyverb-chooser.so: the chooser dialog of process --interactive behind the seam of
// ChooserPlugin.h. The command line loads it only for that option.
#include "cli/ChooserPlugin.h"

#include <QApplication>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string_view>
#include <vector>

#include "dialogs/StringChooserDialog.h"
#include "platform/Error.h"
#include "source/SourceProcessing.h"

namespace polyverb::cli {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The Qt platform to ask for: QT_QPA_PLATFORM when set, else the one the environment
// offers a display for. Throws when it is plain that there is no display.
std::string RequestedPlatform() {
  const std::string display = Env("DISPLAY");
  const std::string wayland = Env("WAYLAND_DISPLAY");
  std::string platform = Env("QT_QPA_PLATFORM");
  if (platform.empty()) {
    if (!display.empty()) return "xcb";
    if (!wayland.empty()) return "wayland";
    throw Error("--interactive needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set");
  }
  if (platform == "xcb" && display.empty())
    throw Error("--interactive needs a display: QT_QPA_PLATFORM is xcb, but DISPLAY is not set");
  if (platform == "wayland" && wayland.empty())
    throw Error(
        "--interactive needs a display: QT_QPA_PLATFORM is wayland, but WAYLAND_DISPLAY is not "
        "set");
  return platform;
}

bool Offscreen(std::string_view platform) {
  return platform.starts_with("offscreen");
}

// The GUI for as long as it lives: the process's QApplication, created here unless the
// process already has one. Throws Error when there is no display to show a dialog on,
// checked before Qt is touched where possible, since Qt aborts the process when it finds
// none.
class Session {
 public:
  Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

 private:
  int argc_ = 0;
  std::vector<std::string> args_;
  std::vector<char*> argv_;
  std::unique_ptr<QApplication> app_;
};

Session::Session() {
  if (QCoreApplication::instance() != nullptr) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
      throw Error("--interactive needs a GUI application, and this process runs another kind");
    return;
  }
  const std::string platform = RequestedPlatform();
  // A display that is named but cannot be reached makes Qt abort unless it may fall back:
  // it falls back to offscreen, which is then refused below.
  args_ = {"polyverb", "-platform", Offscreen(platform) ? platform : platform + ";offscreen"};
  for (std::string& arg : args_) argv_.push_back(arg.data());
  argv_.push_back(nullptr);
  argc_ = static_cast<int>(args_.size());
  app_ = std::make_unique<QApplication>(argc_, argv_.data());
  if (!Offscreen(platform) && Offscreen(QGuiApplication::platformName().toStdString())) {
    app_.reset();
    throw Error("--interactive cannot open a window: the display did not answer (Qt platform " +
                platform + ")");
  }
}

void* Open(std::string& error) {
  try {
    return new Session();
  } catch (const std::exception& e) {
    error = e.what();
  }
  return nullptr;
}

bool Choose(void* /*session*/, const std::string& file_name, std::span<const std::string> lines,
            TLangStrings& strings, std::string& error) {
  try {
    // The dialog captions itself from this library's own CurFileName.
    CurFileName = file_name;
    TdlgStrChoose::ChooseStrings(nullptr, lines, strings);
    return true;
  } catch (const std::exception& e) {
    error = e.what();
  }
  return false;
}

void Close(void* session) {
  delete static_cast<Session*>(session);
}

constexpr ChooserApi kApi = {kChooserApiVersion, Open, Choose, Close};

}  // namespace
}  // namespace polyverb::cli

extern "C" __attribute__((visibility("default"))) const polyverb::cli::ChooserApi*
polyverb_chooser_plugin() {
  return &polyverb::cli::kApi;
}
