#include "cli/Interactive.h"

#include <QApplication>
#include <cstdlib>
#include <string_view>

#include "dialogs/StringChooserDialog.h"
#include "platform/Error.h"

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

}  // namespace

InteractiveSession::InteractiveSession() {
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

InteractiveSession::~InteractiveSession() = default;

void InteractiveSession::Choose(std::span<const std::string> lines, TLangStrings& strings) {
  TdlgStrChoose::ChooseStrings(nullptr, lines, strings);
}

}  // namespace polyverb::cli
