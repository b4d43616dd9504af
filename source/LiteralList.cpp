#include "source/LiteralList.h"

#include "platform/Error.h"

namespace polyverb {

TLangStr& TLangStrings::Items(std::int32_t Index) {
  if (Index < 0 || Index >= Count()) throw ListIndexError(Index);
  return *FItems[static_cast<std::size_t>(Index)];
}

const TLangStr& TLangStrings::Items(std::int32_t Index) const {
  return const_cast<TLangStrings*>(this)->Items(Index);
}

std::int32_t TLangStrings::Add(std::string_view Text, std::int32_t LineIndex, std::int32_t StartPos,
                               std::int32_t NextPos) {
  auto entry = std::make_unique<TLangStr>();
  entry->Text = Text;
  entry->LineIndex = LineIndex;
  entry->StartPos = StartPos;
  entry->NextPos = NextPos;
  FItems.push_back(std::move(entry));
  return Count() - 1;
}

}  // namespace polyverb
