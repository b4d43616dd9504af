// polyverb process --interactive: the string chooser dialog on the command line.
//
// The only Qt code of the command line. Nothing here runs unless --interactive is given,
// so the other commands, and the fuzzers and benchmarks that link the command layer, need
// no display.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "source/LiteralList.h"

class QApplication;

namespace polyverb::cli {

// The GUI for as long as it lives: the process's QApplication, created here unless the
// process already has one. Throws Error when there is no display to show a dialog on,
// checked before Qt is touched where possible, since Qt aborts the process when it finds
// none.
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
  int argc_ = 0;
  std::vector<std::string> args_;
  std::vector<char*> argv_;
  std::unique_ptr<QApplication> app_;
};

}  // namespace polyverb::cli
