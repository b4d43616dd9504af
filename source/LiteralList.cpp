#include "source/LiteralList.h"

#include "platform/Error.h"

namespace polyverb {

TLangStr& TLangStrings::Items(std::int32_t index) {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
  return *FItems[static_cast<std::size_t>(index)];
}

const TLangStr& TLangStrings::Items(std::int32_t index) const {
  return const_cast<TLangStrings*>(this)->Items(index);
}

std::int32_t TLangStrings::Add(std::string_view text, std::int32_t line_index,
                               std::int32_t start_pos, std::int32_t next_pos,
                               std::int32_t last_line) {
  auto entry = std::make_unique<TLangStr>();
  entry->Text = text;
  entry->LineIndex = line_index;
  entry->StartPos = start_pos;
  entry->NextPos = next_pos;
  entry->last_line = last_line < 0 ? line_index : last_line;
  FItems.push_back(std::move(entry));
  return Count() - 1;
}

std::int32_t CountChosen(const TLangStrings& strings) {
  std::int32_t chosen = 0;
  for (std::int32_t i = 0; i < strings.Count(); ++i) chosen += strings.Items(i).Chosen ? 1 : 0;
  return chosen;
}

}  // namespace polyverb
