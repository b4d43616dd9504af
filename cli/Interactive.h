// polyverb process --interactive: the string chooser dialog on the command line.
//
// The dialog is Qt, and the command line loads no Qt unless this option is given: the
// session loads the chooser library (ChooserPlugin.h) when it is created.
#pragma once

#include <span>
#include <string>

#include "source/LiteralList.h"

namespace polyverb::cli {

struct ChooserApi;

// The GUI for as long as it lives: the process's QApplication, created by the chooser
// library unless the process already has one. Throws Error when the library cannot be
// loaded or there is no display to show a dialog on (checked before Qt is started where
// possible, since Qt aborts the process when it finds none).
class InteractiveSession {
 public:
  InteractiveSession();
  ~InteractiveSession();
  InteractiveSession(const InteractiveSession&) = delete;
  InteractiveSession& operator=(const InteractiveSession&) = delete;

  // Shows the chooser for one file's candidates (captioned by CurFileName) and sets each
  // entry's Chosen from the marks, however the dialog was closed.
  void Choose(std::span<const std::string> lines, TLangStrings& strings);

 private:
  const ChooserApi* api_ = nullptr;
  void* session_ = nullptr;
};

}  // namespace polyverb::cli
