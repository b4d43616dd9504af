#include "project/FormTexts.h"

#include <algorithm>

#include "langfile/LangFileEdit.h"
#include "langfile/LangFileWriter.h"
#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "project/FormFamily.h"
#include "project/FormFile.h"
#include "source/LiteralExtraction.h"
#include "source/Rewrite.h"

namespace polyverb {
namespace {

constexpr std::size_t kMaxName = 255;  // a short text of the language file
constexpr int kMaxNumber = 65535;
constexpr std::string_view kStringsSuffix = ".Strings";

bool IsIdentChar(char c, bool first) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         (!first && c >= '0' && c <= '9');
}

bool IsDottedIdentifier(std::string_view name) {
  bool start = true;
  for (char c : name) {
    if (c == '.' && !start) {
      start = true;
      continue;
    }
    if (!IsIdentChar(c, start)) return false;
    start = false;
  }
  return !start;
}

bool EndsWithAscii(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         SameTextAscii(text.substr(text.size() - suffix.size()), suffix);
}

bool StartsWithAscii(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

// The texts of the levels of one form, merged: a path keeps the place it first had, and
// takes the value of the last level that sets it.
class TextCollector {
 public:
  explicit TextCollector(const FormTextProps& props) : props_(props) {}

  void Level(const FormFile& form) {
    Properties("", form.Root().Properties());
    Objects(form.Root(), "");
  }

  std::vector<FormTextItem>& Items() { return items_; }

 private:
  // The components `holder` holds, owned by the object whose path prefix is `owner`.
  void Objects(const FormObject& holder, const std::string& owner) {
    for (const auto& child : holder.Children()) {
      std::string prefix = owner;
      if (!child->Name().empty()) {
        prefix += child->Name() + ".";
        Properties(prefix, child->Properties());
      }
      // A descendant names an inline frame it inherits `inherited`; it is still a frame.
      const bool frame = child->Kind() == FormObjectKind::kInline || IsFrame(prefix);
      if (frame && child->Name().empty()) continue;  // the form cannot name what it holds
      if (child->Kind() == FormObjectKind::kInline) frames_.push_back(prefix);
      Objects(*child, frame ? prefix : owner);
    }
  }

  bool IsFrame(const std::string& prefix) const {
    return std::any_of(frames_.begin(), frames_.end(),
                       [&](const std::string& f) { return SameTextAscii(f, prefix); });
  }

  void Properties(const std::string& prefix, const std::vector<FormProperty>& properties) {
    for (const FormProperty& property : properties) {
      const FormValue& value = property.Value();
      const std::string& name = property.Name();
      if (value.kind == FormValueKind::kString && props_.Contains(name)) {
        Set(prefix + name, value.text);
      } else if (value.kind == FormValueKind::kList && EndsWithAscii(name, kStringsSuffix)) {
        const std::string list = name.substr(0, name.size() - kStringsSuffix.size());
        if (!props_.Contains(list)) continue;
        std::string text;
        bool strings = true;
        for (const FormValue& item : value.items) {
          strings = strings && item.kind == FormValueKind::kString;
          if (&item != &value.items.front()) text += "\r\n";
          text += item.text;
        }
        if (strings) Set(prefix + list, text);
      } else if (value.kind == FormValueKind::kCollection) {
        // The collection is read anew at run time: items an ancestor had beyond these go.
        const std::string base = prefix + name + "[";
        std::erase_if(items_, [&](const FormTextItem& i) { return StartsWithAscii(i.path, base); });
        for (std::size_t i = 0; i < value.collection.size(); ++i)
          Properties(base + std::to_string(i) + "].", value.collection[i].properties);
      }
    }
  }

  void Set(std::string path, const std::string& text) {
    for (FormTextItem& item : items_) {
      if (SameTextAscii(item.path, path)) {
        item.text = text;
        return;
      }
    }
    items_.push_back({std::move(path), text});
  }

  const FormTextProps& props_;
  std::vector<FormTextItem> items_;
  std::vector<std::string> frames_;  // path prefixes of inline frames ("frmOptions1.")
};

}  // namespace

FormTextProps FormTextProps::Default() {
  FormTextProps props;
  props.names_ = {"Caption",           "Hint", "Title", "Text", "DisplayLabel", "Filter", "Items",
                  "EditLabel.Caption", "Lines"};
  return props;
}

void FormTextProps::Change(std::string_view changes) {
  // Checked whole before anything changes.
  std::vector<std::pair<bool, std::string_view>> entries;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t comma = std::min(changes.find(',', pos), changes.size());
    std::string_view entry = changes.substr(pos, comma - pos);
    const bool remove = entry.starts_with('-');
    if (remove || entry.starts_with('+')) entry.remove_prefix(1);
    if (!IsDottedIdentifier(entry))
      throw Error("'" + std::string(changes.substr(pos, comma - pos)) +
                  "' is not +NAME or -NAME with a property name such as Caption or "
                  "EditLabel.Caption");
    entries.emplace_back(remove, entry);
    if (comma == changes.size()) break;
    pos = comma + 1;
  }
  for (const auto& entry : entries) {
    std::erase_if(names_, [&](const std::string& n) { return SameTextAscii(n, entry.second); });
    if (!entry.first) names_.emplace_back(entry.second);
  }
}

bool FormTextProps::Contains(std::string_view name) const {
  return std::any_of(names_.begin(), names_.end(),
                     [&](const std::string& n) { return SameTextAscii(n, name); });
}

FormTexts CollectFormTexts(std::span<const FormFile* const> levels, const FormTextProps& props,
                           std::string_view form_name) {
  FormTexts texts;
  if (levels.empty()) return texts;
  texts.group = levels.back()->Root().ClassName();
  const std::string where = std::string(form_name) + ": " + texts.group + ": ";
  if (texts.group.size() > kMaxName) {
    texts.warnings.push_back(where +
                             "the class name is longer than 255 bytes; no text of the "
                             "form is stored");
    return texts;
  }
  TextCollector collector(props);
  for (const FormFile* level : levels) collector.Level(*level);
  for (FormTextItem& item : collector.Items()) {
    if (item.text.empty() || !HasTextChar(item.text)) continue;
    if (item.path.size() > kMaxName) {
      texts.warnings.push_back(where + "the path " + item.path.substr(0, 60) +
                               "... is longer than 255 bytes; its text is not stored");
      continue;
    }
    texts.items.push_back(std::move(item));
  }
  return texts;
}

int FormTextUpdate::Count(FormTextChange::Kind kind) const {
  return static_cast<int>(
      std::count_if(changes.begin(), changes.end(), [&](const auto& c) { return c.kind == kind; }));
}

FormTextUpdate StoreFormTexts(TvLangFileEdit& file, const FormTexts& texts,
                              std::string_view form_name) {
  using Kind = FormTextChange::Kind;
  FormTextUpdate update;
  update.group = texts.group;
  update.warnings = texts.warnings;
  std::vector<TvLangProps::Item> stored;
  if (const TvLangProps::Group* group = file.Props().FindGroup(texts.group)) stored = group->items;

  auto entry_of = [&](std::uint16_t number) -> TvIdentRec* {
    for (TvIdentRec& rec : file.MutableIdents())
      if (rec.Number == number) return &rec;
    return nullptr;
  };
  auto stored_item = [&](const std::string& path) -> const TvLangProps::Item* {
    for (const TvLangProps::Item& item : stored)
      if (CompareText(item.Text, path) == 0) return &item;
    return nullptr;
  };

  // Decided first, so that numbering is checked before anything changes.
  int fresh = 0;
  for (const FormTextItem& item : texts.items) {
    const TvLangProps::Item* known = stored_item(item.path);
    const TvIdentRec* rec = known != nullptr ? entry_of(known->value) : nullptr;
    if (rec == nullptr) {
      update.changes.push_back({Kind::kAdded, item.path, item.text, 0});
      ++fresh;
    } else {
      update.changes.push_back({rec->Text == item.text ? Kind::kKept : Kind::kChanged, item.path,
                                item.text, rec->Number});
    }
  }
  const int first = FirstFreeNumber(file);
  if (fresh > 0 && (first - 1 + fresh > kMaxNumber ||
                    file.Idents().size() + static_cast<std::size_t>(fresh) > kMaxNumber))
    throw Error("Cannot number the " + std::to_string(fresh) + " new texts of form file " +
                std::string(form_name) + ": " + file.FileName() + " would pass 65535 " +
                (first - 1 + fresh > kMaxNumber ? "as a number" : "entries"));

  auto next = static_cast<std::uint16_t>(first);
  for (FormTextChange& change : update.changes) {
    if (change.kind == Kind::kAdded) {
      change.number = next++;
      file.AddIdent(change.number, change.text, 0);
      file.MutableProps().Add(texts.group, change.path, change.number);
    } else if (change.kind == Kind::kChanged) {
      entry_of(change.number)->Text = file.KeepText(change.text);
    }
  }
  for (const TvLangProps::Item& item : stored) {
    const bool present = std::any_of(texts.items.begin(), texts.items.end(), [&](const auto& t) {
      return CompareText(t.path, item.Text) == 0;
    });
    if (present) continue;
    file.MutableProps().Remove(texts.group, item.Text);
    update.changes.push_back({Kind::kRemoved, item.Text, "", item.value});
  }
  return update;
}

FormTexts ReadFormTexts(const std::string& form_path, const FormCatalog& catalog,
                        const FormTextProps& props) {
  const FormFile form = FormFile::Read(form_path);
  const std::vector<FormFile> ancestors = catalog.Ancestors(form_path, form);
  return CollectFormTexts(FormLevels(ancestors, form), props, form_path);
}

FormTextUpdate ProcessFormFile(const std::string& form_path, const std::string& lang_name,
                               const FormCatalog& catalog, const FormTextProps& props) {
  // The form first: a form that cannot be read leaves the language file alone.
  const FormTexts texts = ReadFormTexts(form_path, catalog, props);
  LangFileWriter writer(MakeLangFileName(lang_name));
  FormTextUpdate update = StoreFormTexts(writer.File(), texts, form_path);
  writer.Save();
  return update;
}

}  // namespace polyverb
