// The seam between the command line and its only Qt code, the chooser dialog of
// process --interactive. The dialog lives in a shared library that is loaded when that
// option is given and never otherwise, so every other command starts without Qt.
//
// Host and library are built by the same compiler, so C++ types cross the seam; exceptions
// do not: each call catches everything and reports a failure through `error`.
#pragma once

#include <span>
#include <string>

#include "source/LiteralList.h"

namespace polyverb::cli {

inline constexpr const char* kChooserLibrary = "libpolyverb-chooser.so";
inline constexpr const char* kChooserEntry = "polyverb_chooser_plugin";
inline constexpr int kChooserApiVersion = 1;

struct ChooserApi {
  int version;  // kChooserApiVersion of the library's build
  // Starts the GUI: the process's QApplication, created unless one exists. Gives the
  // session, or nullptr with `error` set (no display, for one).
  void* (*open)(std::string& error);
  // Shows the chooser for one file's candidates, captioned by `file_name`, and sets each
  // entry's Chosen from the marks. False with `error` set when it failed.
  bool (*choose)(void* session, const std::string& file_name, std::span<const std::string> lines,
                 TLangStrings& strings, std::string& error);
  void (*close)(void* session);
};

}  // namespace polyverb::cli

extern "C" const polyverb::cli::ChooserApi* polyverb_chooser_plugin();
