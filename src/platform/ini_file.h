// INI (private-profile) files: the whole text is parsed once, sections and
// keys match without regard to ASCII case, and a value is everything after
// the first '=' of its line, verbatim. Writing changes or adds one key line
// at a time and keeps every other line, and the file's line endings, as they
// were.
//
// Where a section or key name occurs more than once, the first one counts.
// The parse keeps views into one copy of the text rather than a string per
// line, so a document can be moved but not copied.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/io_status.h"

namespace mosaicer {

// Settings and effect files are a few kilobytes; a larger file is refused.
inline constexpr std::uint64_t kMaxIniBytes = 16u << 20;

class IniFile {
 public:
  IniFile();
  explicit IniFile(std::string_view text);
  IniFile(IniFile&&) noexcept;
  IniFile& operator=(IniFile&&) noexcept;
  ~IniFile();

  // Replaces the content with the parse of `text`.
  void Parse(std::string_view text);
  // Reads and parses a file. False (and an empty document) when the file
  // cannot be read, or is larger than any settings file (kMaxIniBytes).
  bool Load(const std::string& path);
  // Replaces the file with the document; on any failure the old file stays.
  IoStatus Save(const std::string& path) const;
  // The document as text, every line with the ending it was read with.
  std::string Text() const;

  bool HasSection(std::string_view section) const;
  bool HasKey(std::string_view section, std::string_view key) const;
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback = {}) const;
  // The leading decimal integer of the value (optional sign, saturating);
  // `fallback` when the key is missing, 0 when the value is no number.
  std::int64_t ReadInteger(std::string_view section, std::string_view key,
                           std::int64_t fallback = 0) const;
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Forgets a section for later look-ups (its lines stay in the text). Lets
  // a reader that consumes sections one by one keep every look-up constant.
  void ForgetSection(std::string_view section);

  // Section names in file order (forgotten ones excluded), as written.
  std::vector<std::string> SectionNames() const;

  // "[name]", the line that opens a section.
  static std::string SectionLine(std::string_view name);

  // Parses a value the way ReadInteger does.
  static std::int64_t ParseInteger(std::string_view value);

 private:
  struct Line {
    std::string_view text;    // without its line ending
    std::string_view ending;  // "\r\n", "\n" or "" for a last line without one
  };
  struct Entry {
    std::string_view key;  // as written, blanks trimmed
    std::size_t line;
  };
  struct Section {
    std::string_view name;       // as written
    std::size_t last = 0;        // last non-blank line that belongs to the section
    std::size_t firstEntry = 0;  // its keys: entries_[firstEntry, firstEntry + entryCount)
    std::size_t entryCount = 0;
  };
  struct NoCaseHash {
    std::size_t operator()(std::string_view s) const;
  };
  struct NoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const;
  };

  const Section* Find(std::string_view section) const;
  const Entry* FindEntry(const Section& s, std::string_view key) const;
  std::string_view NewLineEnding() const;
  std::string_view Keep(std::string text);
  void InsertLine(std::size_t at, std::string text);
  void Reindex();

  // The text as read, and the texts of lines written since; both stay put
  // in memory, so the views below remain valid.
  std::unique_ptr<std::string> source_;
  std::unique_ptr<std::deque<std::string>> written_;
  std::vector<Line> lines_;
  std::vector<Entry> entries_;     // every key line, in file order
  std::vector<Section> sections_;  // [0]: lines before the first section
  std::unordered_map<std::string_view, std::size_t, NoCaseHash, NoCaseEqual> index_;
};

}  // namespace mosaicer
