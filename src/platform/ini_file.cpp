#include "platform/ini_file.h"

#include <limits>
#include <span>

#include "platform/file_util.h"

namespace mosaicer {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// "[name]" (leading blanks allowed) gives name; anything else nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

}  // namespace

void IniFile::Parse(std::string_view text) {
  lines_.clear();
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t nl = text.find('\n', pos);
    Line line;
    if (nl == std::string_view::npos) {
      line.text = std::string(text.substr(pos));
      pos = text.size();
    } else {
      line.text = std::string(text.substr(pos, nl - pos));
      line.ending = "\n";
      pos = nl + 1;
    }
    if (!line.ending.empty() && !line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      line.ending = "\r" + line.ending;
    }
    lines_.push_back(std::move(line));
  }
  Reindex();
}

void IniFile::Reindex() {
  sections_.clear();
  index_.clear();
  sections_.push_back(Section{});  // keys before the first section line
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string& text = lines_[i].text;
    if (auto name = SectionName(text)) {
      Section s;
      s.name = std::string(*name);
      s.header = s.last = i;
      index_.emplace(Lower(*name), sections_.size());
      sections_.push_back(std::move(s));
      continue;
    }
    Section& current = sections_.back();
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty()) continue;
    current.last = i;
    if (trimmed.front() == ';') continue;
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) continue;
    current.entries.push_back(Entry{Lower(Trim(std::string_view(text).substr(0, eq))), i});
  }
}

bool IniFile::Load(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  const bool read = ReadWholeFile(path, bytes);
  Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return read;
}

std::string IniFile::Text() const {
  std::string out;
  for (const Line& l : lines_) {
    out += l.text;
    out += l.ending;
  }
  return out;
}

bool IniFile::Save(const std::string& path) const {
  const std::string text = Text();
  return WriteWholeFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()),
                                        text.size()));
}

const IniFile::Section* IniFile::Find(std::string_view section) const {
  const auto it = index_.find(Lower(section));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

const IniFile::Entry* IniFile::FindEntry(const Section& s, std::string_view key) const {
  const std::string k = Lower(key);
  for (const Entry& e : s.entries)
    if (e.key == k) return &e;
  return nullptr;
}

bool IniFile::HasSection(std::string_view section) const { return Find(section) != nullptr; }

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
  return Get(section, key).has_value();
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const Section* s = Find(section);
  if (!s) return std::nullopt;
  const Entry* e = FindEntry(*s, key);
  if (!e) return std::nullopt;
  const std::string& text = lines_[e->line].text;
  return text.substr(text.find('=') + 1);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  auto v = Get(section, key);
  return v ? *v : std::string(fallback);
}

std::int64_t IniFile::ParseInteger(std::string_view value) {
  value = Trim(value);
  bool negative = false;
  if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
    negative = value.front() == '-';
    value.remove_prefix(1);
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  std::int64_t n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') break;
    const int digit = c - '0';
    n = n > (kMax - digit) / 10 ? kMax : n * 10 + digit;
  }
  return negative ? -n : n;
}

std::int64_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int64_t fallback) const {
  auto v = Get(section, key);
  return v ? ParseInteger(*v) : fallback;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

std::string IniFile::NewLineEnding() const {
  for (const Line& l : lines_)
    if (!l.ending.empty()) return l.ending;
  return "\n";
}

void IniFile::InsertLine(std::size_t at, std::string text) {
  // A last line without an ending gets one before anything follows it.
  if (at == lines_.size() && !lines_.empty() && lines_.back().ending.empty())
    lines_.back().ending = NewLineEnding();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                Line{std::move(text), NewLineEnding()});
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string line = std::string(key) + "=" + std::string(value);
  if (const Section* s = Find(section)) {
    if (const Entry* e = FindEntry(*s, key)) {
      lines_[e->line].text = std::move(line);
      return;
    }
    InsertLine(s->last + 1, std::move(line));
  } else {
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) InsertLine(lines_.size(), "");
    InsertLine(lines_.size(), "[" + std::string(section) + "]");
    InsertLine(lines_.size(), std::move(line));
  }
  // Line numbers after the insertion moved; forgotten sections come back,
  // which only matters to readers that never write.
  Reindex();
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteInteger(section, key, value ? 1 : 0);
}

void IniFile::ForgetSection(std::string_view section) { index_.erase(Lower(section)); }

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  for (std::size_t i = 1; i < sections_.size(); ++i) {
    const auto it = index_.find(Lower(sections_[i].name));
    if (it != index_.end() && it->second == i) names.push_back(sections_[i].name);
  }
  return names;
}

}  // namespace mosaicer
