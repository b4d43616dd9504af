// Builds language file bytes field by field, independently of the writer, so reader tests
// and byte-exact writer tests do not lean on the code they check.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace polyverb::testing {

struct LngBuilder {
  std::string version = "2.00";
  std::string currency;  // written as stored, may exceed the capacity on purpose
  std::string short_date = "";
  uint8_t header_flag = 0;
  uint16_t header_word = 0;
  uint8_t header_byte = 0;
  int32_t first_era_offset = 0;
  std::string first_long_month;
  uint8_t font_flag = 0;
  int32_t font_count_override = -1;  // >= 0: write this count instead of the real one
  std::vector<std::string> fonts;
  std::vector<std::string> texts;
  struct Group {
    std::string name;
    std::vector<std::pair<std::string, uint16_t>> items;
  };
  std::vector<Group> groups;
  struct Entry {
    uint16_t number;
    uint32_t offset;
    uint16_t tag;
  };
  std::vector<Entry> entries;
  std::string pool;

  // Adds an entry whose text is appended to the pool (with its zero byte).
  void AddString(uint16_t number, std::string_view text, uint16_t tag = 0) {
    entries.push_back({number, static_cast<uint32_t>(pool.size()), tag});
    pool.append(text);
    pool.push_back('\0');
  }

  static void U8(std::string& s, uint8_t v) { s.push_back(static_cast<char>(v)); }
  static void U16(std::string& s, uint16_t v) {
    U8(s, static_cast<uint8_t>(v));
    U8(s, static_cast<uint8_t>(v >> 8));
  }
  static void U32(std::string& s, uint32_t v) {
    U16(s, static_cast<uint16_t>(v));
    U16(s, static_cast<uint16_t>(v >> 16));
  }
  static void Short(std::string& s, std::string_view t) {
    U8(s, static_cast<uint8_t>(t.size()));
    s.append(t);
  }

  std::string Bytes() const {
    std::string s = "LF" + version;
    Short(s, currency);
    s.append(6, '\0');  // CurrencyFormat .. DateSeparator
    Short(s, short_date);
    Short(s, "");                               // LongDateFormat
    U8(s, 0);                                   // TimeSeparator
    for (int i = 0; i < 4; ++i) Short(s, "");   // AM, PM, short and long time formats
    for (int i = 0; i < 12; ++i) Short(s, "");  // short month names
    Short(s, first_long_month);
    for (int i = 1; i < 12; ++i) Short(s, "");
    for (int i = 0; i < 21; ++i) Short(s, "");  // day names and era names
    U32(s, static_cast<uint32_t>(first_era_offset));
    for (int i = 1; i < 7; ++i) U32(s, 0);
    U16(s, header_word);
    U8(s, header_byte);
    U8(s, header_flag);
    s.append(10, '\0');
    U8(s, font_flag);
    U32(s, static_cast<uint32_t>(font_count_override >= 0 ? font_count_override
                                                          : static_cast<int32_t>(fonts.size())));
    for (const auto& f : fonts) {
      Short(s, f);
      U16(s, 0x1234);
      U8(s, 7);
    }
    s.append(20, '\0');
    U16(s, static_cast<uint16_t>(texts.size()));
    for (const auto& t : texts) Short(s, t);
    U16(s, static_cast<uint16_t>(groups.size()));
    for (const auto& g : groups) {
      Short(s, g.name);
      U16(s, static_cast<uint16_t>(g.items.size()));
      for (const auto& [text, value] : g.items) {
        Short(s, text);
        U16(s, value);
      }
    }
    U16(s, static_cast<uint16_t>(entries.size()));
    for (const auto& e : entries) {
      U16(s, e.number);
      if (version == "1.50")
        U16(s, static_cast<uint16_t>(e.offset));
      else
        U32(s, e.offset);
      U16(s, e.tag);
    }
    return s + pool;
  }
};

}  // namespace polyverb::testing
