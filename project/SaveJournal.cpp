#include "project/SaveJournal.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string_view>

#include "platform/Error.h"
#include "platform/Files.h"

namespace polyverb {
namespace {

constexpr std::string_view kHeader = "polyverb save journal 1\n";
constexpr std::string_view kPrefix = ".polyverb-save.";
constexpr std::string_view kSuffix = ".journal";

std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string Hex(std::uint64_t value) {
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(value));
  return digits;
}

std::string Encode(std::span<const FileUpdate* const> updates) {
  std::string out(kHeader);
  for (const FileUpdate* u : updates) {
    out += "file " + std::to_string(u->path.size()) + " " + Hex(Fnv1a(u->old_content)) + " " +
           std::to_string(u->new_content.size()) + "\n";
    out += u->path;
    out += u->new_content;
    out += '\n';
  }
  out += "end " + Hex(Fnv1a(out)) + "\n";
  return out;
}

struct JournalEntry {
  std::string path;
  std::uint64_t old_hash = 0;
  std::string new_content;
};

bool ParseNumber(std::string_view word, int base, std::uint64_t& value) {
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
  return !word.empty() && ec == std::errc() && end == word.data() + word.size();
}

// The entries of a complete journal; nullopt for anything else (cut short, bit flips).
std::optional<std::vector<JournalEntry>> Decode(std::string_view bytes) {
  if (!bytes.starts_with(kHeader)) return std::nullopt;
  std::vector<JournalEntry> entries;
  std::size_t pos = kHeader.size();
  for (;;) {
    const std::size_t line_end = bytes.find('\n', pos);
    if (line_end == std::string_view::npos) return std::nullopt;
    const std::string_view line = bytes.substr(pos, line_end - pos);
    if (line.starts_with("end ")) {
      if (line_end + 1 != bytes.size() || line.substr(4) != Hex(Fnv1a(bytes.substr(0, pos))))
        return std::nullopt;
      return entries;
    }
    // "file PATH-SIZE OLD-HASH NEW-SIZE"
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at <= line.size();) {
      const std::size_t space = std::min(line.find(' ', at), line.size());
      words.push_back(line.substr(at, space - at));
      at = space + 1;
    }
    std::uint64_t path_size = 0, new_size = 0;
    JournalEntry entry;
    if (words.size() != 4 || words[0] != "file" || !ParseNumber(words[1], 10, path_size) ||
        words[2].size() != 16 || !ParseNumber(words[2], 16, entry.old_hash) ||
        !ParseNumber(words[3], 10, new_size))
      return std::nullopt;
    pos = line_end + 1;
    const std::size_t left = bytes.size() - pos;
    if (path_size > left || new_size >= left - path_size) return std::nullopt;
    entry.path = bytes.substr(pos, path_size);
    entry.new_content = bytes.substr(pos + path_size, new_size);
    pos += path_size + new_size;
    if (bytes[pos] != '\n') return std::nullopt;
    ++pos;
    entries.push_back(std::move(entry));
  }
}

std::string RandomDigits() {
  static std::mt19937_64 random{std::random_device{}()};
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08llx",
                static_cast<unsigned long long>((random() ^ static_cast<unsigned>(::getpid())) &
                                                0xFFFFFFFFull));
  return digits;
}

// A new, empty journal, locked, so that no other run takes it for an interrupted one.
LockedFile NewJournal(const std::string& journal_dir) {
  for (;;) {
    LockedFile journal = LockedFile::OpenOrCreate(journal_dir + "/" + std::string(kPrefix) +
                                                  RandomDigits() + std::string(kSuffix));
    if (journal.ReadAll().empty()) return journal;
  }
}

std::string Join(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

}  // namespace

void SaveFilesTogether(const std::string& journal_dir, std::span<const FileUpdate> updates) {
  std::vector<const FileUpdate*> changed;
  for (const FileUpdate& update : updates)
    if (update.new_content != update.old_content) changed.push_back(&update);
  if (changed.empty()) return;
  // Another writer (a second IDE on the project) must not lose its changes to this one.
  for (const FileUpdate* update : changed)
    if (ReadWholeFile(update->path) != update->old_content)
      throw Error("File " + update->path +
                  " was changed on disk since it was read; nothing of this step was written");

  LockedFile journal = NewJournal(journal_dir);
  const std::string journal_path = journal.Path();
  try {
    ReplaceLockedFile(journal, Encode(changed));
  } catch (const Error&) {
    ::unlink(journal_path.c_str());  // still empty: nothing was written
    throw;
  }
  std::size_t done = 0;
  try {
    for (; done < changed.size(); ++done)
      ReplaceFile(changed[done]->path, changed[done]->new_content);
  } catch (...) {
    // Back to the old contents at once; should that fail as well, the journal stays and
    // the next run completes the step instead.
    try {
      while (done > 0) {
        --done;
        ReplaceFile(changed[done]->path, changed[done]->old_content);
      }
      ::unlink(journal_path.c_str());
    } catch (const Error&) {
    }
    throw;
  }
  ::unlink(journal_path.c_str());
}

std::vector<std::string> CompleteInterruptedSaves(const std::string& journal_dir) {
  std::vector<std::string> names;
  if (DIR* listing = ::opendir(journal_dir.c_str())) {
    while (const dirent* entry = ::readdir(listing)) {
      const std::string_view name = entry->d_name;
      if (name.starts_with(kPrefix) && name.ends_with(kSuffix)) names.emplace_back(name);
      // A run killed between naming a journal's temporary file and renaming it.
      if (name.starts_with("." + std::string(kPrefix)) && name.ends_with(".tmp"))
        RemoveIfStale(journal_dir + "/" + std::string(name));
    }
    ::closedir(listing);
  }
  std::sort(names.begin(), names.end());

  std::vector<std::string> report;
  for (const std::string& name : names) {
    const std::string path = journal_dir + "/" + name;
    std::optional<LockedFile> journal;
    try {
      // A journal that a live run holds is that run's business.
      const ScopedLockWait no_wait(std::chrono::milliseconds(0));
      journal = LockedFile::OpenExisting(path);
    } catch (const Error&) {
      continue;
    }
    if (!journal) continue;
    const std::string bytes = journal->ReadAll();
    const std::optional<std::vector<JournalEntry>> entries = Decode(bytes);
    if (!entries) {
      // An empty journal is a run killed before it wrote anything.
      if (!bytes.empty()) report.push_back("Removed the damaged save journal " + path);
      ::unlink(path.c_str());
      continue;
    }
    std::vector<std::string> files, changed_since;
    try {
      for (const JournalEntry& entry : *entries) {
        files.push_back(entry.path);
        std::optional<std::string> now;
        try {
          now = ReadWholeFile(entry.path);
        } catch (const Error&) {
        }
        if (now && *now == entry.new_content) continue;
        if (!now || Fnv1a(*now) != entry.old_hash) {
          changed_since.push_back(entry.path);
          continue;
        }
        ReplaceFile(entry.path, entry.new_content);
      }
    } catch (const Error& e) {
      report.push_back("Could not complete the interrupted save in " + path + " (" + e.what() +
                       "); the next run tries again");
      continue;
    }
    ::unlink(path.c_str());
    std::string line = "Completed an interrupted save of " + Join(files);
    if (!changed_since.empty())
      line += "; left as they are, since they changed after it: " + Join(changed_since);
    report.push_back(line);
  }
  return report;
}

}  // namespace polyverb
