// Writing several files as one step. The IDE saves a module as two files, the form and
// the unit (the new component, its field, the uses clause); after any failure, kill -9
// between the two included, both must be old or both new.
//
// The step: the new contents go first into a journal in the project folder, which is
// written atomically (it is complete or absent) and locked while the step runs; then each
// file is replaced atomically, in order; then the journal is removed. When a replacement
// fails, the files already replaced get their old contents back and the journal goes; if
// that fails too, the journal stays. The next run completes every journal that no process
// holds: each file that still has its old content gets the new one.
//
// Journal ".polyverb-save.XXXXXXXX.journal", any number of files:
//
//   "polyverb save journal 1\n"
//   per file:  "file " PATH-SIZE " " OLD-HASH " " NEW-SIZE "\n" PATH NEW-CONTENT "\n"
//   "end " HASH "\n"            HASH of every byte before "end"
//
// Sizes are decimal byte counts; hashes 64-bit FNV-1a as 16 lowercase hex digits.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace polyverb {

struct FileUpdate {
  std::string path;
  std::string old_content;  // what the file holds now
  std::string new_content;
};

// Writes every update as one step (above), with the journal in `journal_dir`. Updates that
// change nothing are left out; with none left, nothing is written. A file that no longer
// holds its old content fails the step before anything is written. Throws the failure (an
// Error naming the file and the reason) after the files are back to their old contents,
// or, when even that failed, with the journal left for the next run.
void SaveFilesTogether(const std::string& journal_dir, std::span<const FileUpdate> updates);

// Completes what interrupted runs left in `journal_dir`: every journal no process holds
// (and removes the temporary files of journals that were never complete).
// Gives one line per journal found, saying what was done; a file changed since the
// journal was written is left as it is and named. A damaged journal is removed.
std::vector<std::string> CompleteInterruptedSaves(const std::string& journal_dir);

}  // namespace polyverb
