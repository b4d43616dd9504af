// Binary form files (layout in BinaryFormFormat.h), read into and written from the tree of
// FormFile.h. FormFile::Parse and FormFile::Write call these; other code uses FormFile.
#pragma once

#include <string>
#include <string_view>

namespace polyverb {

class FormFile;

// True when `bytes` start as a binary form file does: a resource header or "TPF0".
bool IsBinaryForm(std::string_view bytes);

// Reads a binary form file; `fileName` only words errors. Throws Error
// "Form file NAME, offset N: WHAT" where the data breaks the layout, N the offset of the
// byte that does.
FormFile ReadBinaryForm(std::string_view bytes, std::string_view file_name);

// The bytes of `form` as a binary form file in its format (with its resource header when
// it was read with one; the header's size counts the stream as written). Throws Error when
// a name or value cannot be stored.
std::string WriteBinaryForm(const FormFile& form);

}  // namespace polyverb
