// One writer per language file.
//
// A run that changes a language file holds the file's exclusive lock from reading the
// table it numbers from to the end of its save. Two runs then never number from the same
// table, and the later save never drops the earlier one's entries. The lock is never held
// while a person decides (the chooser runs before it is taken), so it is held for
// milliseconds, and another writer waits for it (LockWait, 30 s) instead of failing:
//
//   ... scan the source and let the user mark the literals first ...
//   {
//     LangFileWriter writer(MakeLangFileName(lang));  // waits for another writer
//     TvLangFileEdit& table = writer.File();          // the table read under the lock:
//     const int first = FirstFreeNumber(table);       //   number from this one only
//     table.AddIdent(first, text, 0);
//     writer.Save();                                  // atomic replace, same lock
//     ... more entries (a form's texts), saved again under the same lock ...
//   }                                                 // the lock is released here
//
// How: the lock is an flock, which belongs to an inode, and a save renames a new inode
// over the name. The open checks that the locked inode is still the one the name refers
// to (and opens and locks again when it is not); the save locks the new file before its
// rename and keeps that lock, so the session stays locked from save to save, and a writer
// that waited on the old file goes on to the new one. The save never takes a second lock
// from this process (TvLangFileEdit::ReadLocked, ReplaceLockedFile). Readers (lng show,
// export, a dry run) take a shared lock and see the file before or after a session.
#pragma once

#include <memory>
#include <string>

#include "langfile/LangFileEdit.h"
#include "platform/Files.h"

namespace polyverb {

class LangFileWriter {
 public:
  // Locks the language file at `path` (taken as given: MakeLangFileName is the caller's),
  // creating it empty when no file has that name, and reads it. Throws "Cannot create
  // file PATH: REASON" (REASON "in use by another process" once LockWait has passed) or
  // the reader's errors; nothing is written then.
  explicit LangFileWriter(const std::string& path);

  LangFileWriter(const LangFileWriter&) = delete;
  LangFileWriter& operator=(const LangFileWriter&) = delete;

  // The table as read under the lock. Valid while the writer lives.
  TvLangFileEdit& File() { return *file_; }
  // Saves File() in place (File().Save() does the same).
  void Save() { file_->Save(); }

 private:
  LockedFile lock_;
  std::unique_ptr<TvLangFileEdit> file_;  // after lock_: goes first
};

}  // namespace polyverb
