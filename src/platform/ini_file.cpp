#include "platform/ini_file.h"

#include <limits>
#include <span>

#include "platform/file_util.h"

namespace mosaicer {
namespace {

constexpr std::string_view kLf = "\n";
constexpr std::string_view kCrLf = "\r\n";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

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

std::size_t IniFile::NoCaseHash::operator()(std::string_view s) const {
  std::size_t h = 14695981039346656037ull;  // FNV-1a
  for (char c : s) h = (h ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
  return h;
}

bool IniFile::NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

IniFile::IniFile() : IniFile(std::string_view{}) {}
IniFile::IniFile(std::string_view text) { Parse(text); }
IniFile::IniFile(IniFile&&) noexcept = default;
IniFile& IniFile::operator=(IniFile&&) noexcept = default;
IniFile::~IniFile() = default;

void IniFile::Parse(std::string_view text) {
  source_ = std::make_unique<std::string>(text);
  written_ = std::make_unique<std::deque<std::string>>();
  lines_.clear();
  const std::string_view all = *source_;
  std::size_t pos = 0;
  while (pos < all.size()) {
    const std::size_t nl = all.find('\n', pos);
    Line line;
    if (nl == std::string_view::npos) {
      line.text = all.substr(pos);  // a last line keeps a lone CR as text
      pos = all.size();
    } else {
      line.text = all.substr(pos, nl - pos);
      line.ending = kLf;
      if (!line.text.empty() && line.text.back() == '\r') {
        line.text.remove_suffix(1);
        line.ending = kCrLf;
      }
      pos = nl + 1;
    }
    lines_.push_back(line);
  }
  Reindex();
}

void IniFile::Reindex() {
  sections_.clear();
  entries_.clear();
  index_.clear();
  sections_.emplace_back();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string_view text = lines_[i].text;
    if (auto name = SectionName(text)) {
      Section s;
      s.name = *name;
      s.last = i;
      s.firstEntry = entries_.size();
      index_.emplace(*name, sections_.size());
      sections_.push_back(std::move(s));
      continue;
    }
    Section& current = sections_.back();
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty()) continue;
    current.last = i;
    if (trimmed.front() == ';') continue;
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) continue;
    entries_.push_back(Entry{Trim(text.substr(0, eq)), i});
    ++current.entryCount;
  }
}

bool IniFile::Load(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  const bool read = ReadWholeFile(path, bytes, kMaxIniBytes).ok();
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

IoStatus IniFile::Save(const std::string& path) const {
  const std::string text = Text();
  return WriteWholeFile(path,
                        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

const IniFile::Section* IniFile::Find(std::string_view section) const {
  const auto it = index_.find(section);
  return it == index_.end() ? nullptr : &sections_[it->second];
}

const IniFile::Entry* IniFile::FindEntry(const Section& s, std::string_view key) const {
  for (std::size_t i = s.firstEntry; i < s.firstEntry + s.entryCount; ++i)
    if (NoCaseEqual()(entries_[i].key, key)) return &entries_[i];
  return nullptr;
}

bool IniFile::HasSection(std::string_view section) const { return Find(section) != nullptr; }

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
  const Section* s = Find(section);
  return s && FindEntry(*s, key);
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const Section* s = Find(section);
  if (!s) return std::nullopt;
  const Entry* e = FindEntry(*s, key);
  if (!e) return std::nullopt;
  const std::string_view text = lines_[e->line].text;
  return std::string(text.substr(text.find('=') + 1));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  auto v = Get(section, key);
  return v ? *v : std::string(fallback);
}

std::string IniFile::SectionLine(std::string_view name) {
  std::string line;
  line.reserve(name.size() + 2);
  line += '[';
  line += name;
  line += ']';
  return line;
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
  const Section* s = Find(section);
  const Entry* e = s ? FindEntry(*s, key) : nullptr;
  if (!e) return fallback;
  const std::string_view text = lines_[e->line].text;
  return ParseInteger(text.substr(text.find('=') + 1));
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

std::string_view IniFile::NewLineEnding() const {
  for (const Line& l : lines_)
    if (!l.ending.empty()) return l.ending;
  return kLf;
}

std::string_view IniFile::Keep(std::string text) {
  written_->push_back(std::move(text));
  return written_->back();
}

void IniFile::InsertLine(std::size_t at, std::string text) {
  // A last line without an ending gets one before anything follows it.
  if (at == lines_.size() && !lines_.empty() && lines_.back().ending.empty())
    lines_.back().ending = NewLineEnding();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                Line{Keep(std::move(text)), NewLineEnding()});
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string line = std::string(key) + "=" + std::string(value);
  if (const Section* s = Find(section)) {
    if (const Entry* e = FindEntry(*s, key)) {
      lines_[e->line].text = Keep(std::move(line));
      Reindex();  // the entry's key view now lives in the new line
      return;
    }
    InsertLine(s->last + 1, std::move(line));
  } else {
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) InsertLine(lines_.size(), "");
    InsertLine(lines_.size(), SectionLine(section));
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

void IniFile::ForgetSection(std::string_view section) { index_.erase(std::string_view(section)); }

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  for (std::size_t i = 1; i < sections_.size(); ++i) {
    const auto it = index_.find(sections_[i].name);
    if (it != index_.end() && it->second == i) names.emplace_back(sections_[i].name);
  }
  return names;
}

}  // namespace mosaicer
