#include "langfile/LangFileWriter.h"

namespace polyverb {

LangFileWriter::LangFileWriter(const std::string& path)
    : lock_(LockedFile::OpenOrCreate(path)), file_(TvLangFileEdit::ReadLocked(lock_)) {}

}  // namespace polyverb
