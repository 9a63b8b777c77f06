#include "ripper/cue_image.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>

#include "platform/file_util.h"
#include "platform/io_status.h"
#include "platform/language.h"
#include "ripper/sheet_text.h"
#include "ripper/toc_image.h"

namespace mosaicer {
namespace {

constexpr int kMaxTrackNumber = 99;
constexpr int kMaxIndexNumber = 99;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The words of one line; a quoted word keeps its blanks.
bool SplitLine(std::string_view line, std::vector<std::string>& words) {
  words.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
    } else if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      words.emplace_back(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      const std::size_t from = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
      words.emplace_back(line.substr(from, i - from));
    }
  }
  return true;
}

bool SmallNumber(const std::string& s, int max, int& value) {
  if (s.empty() || s.size() > 3) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  std::from_chars(s.data(), s.data() + s.size(), value);
  return value <= max;
}

}  // namespace

bool ParseCueSheet(std::string_view text, CueSheet& sheet, std::string& error) {
  sheet = CueSheet{};
  int lineNumber = 0;
  const auto fail = [&](const std::string& why) {
    error = Format(Tr("line %1: %2"), {std::to_string(lineNumber), why});
    sheet = CueSheet{};
    return false;
  };
  std::vector<std::string> words;
  int lastNumber = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++lineNumber;
    if (lineNumber == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);  // UTF-8 mark
    if (!SplitLine(line, words)) return fail(Tr("a string is not closed"));
    if (words.empty()) continue;
    const std::string command = Upper(words[0]);
    CueFile* file = sheet.files.empty() ? nullptr : &sheet.files.back();
    CueTrack* track = file && !file->tracks.empty() ? &file->tracks.back() : nullptr;
    if (command == "REM" || command == "CATALOG" || command == "CDTEXTFILE" ||
        command == "PERFORMER" || command == "TITLE" || command == "SONGWRITER" ||
        command == "FLAGS" || command == "ISRC") {
      continue;
    } else if (command == "FILE") {
      if (words.size() != 3) return fail(Tr("FILE takes a name and a type"));
      const std::string type = Upper(words[2]);
      if (type != "BINARY" && type != "MOTOROLA")
        return fail(Format(Tr("a %1 file holds no CDG sectors (BINARY or MOTOROLA expected)"),
                           {words[2]}));
      if (words[1].empty()) return fail(Tr("FILE names no file"));
      sheet.files.push_back({words[1], type == "MOTOROLA", {}, lineNumber});
    } else if (command == "TRACK") {
      if (!file) return fail(Tr("TRACK before any FILE"));
      if (words.size() != 3) return fail(Tr("TRACK takes a number and a type"));
      int number = 0;
      if (!SmallNumber(words[1], kMaxTrackNumber, number) || number < 1)
        return fail(Format(Tr("\"%1\" is not a track number (1..99)"), {words[1]}));
      if (lastNumber != 0 && number != lastNumber + 1)
        return fail(Format(Tr("track %1 does not follow track %2"),
                           {std::to_string(number), std::to_string(lastNumber)}));
      if (Upper(words[2]) != "CDG")
        return fail(Format(Tr("track %1 is %2: only CDG tracks (2448-byte sectors with subcode) "
                              "can be read"),
                           {std::to_string(number), words[2]}));
      if (track && track->index1 < 0)
        return fail(Format(Tr("track %1 has no INDEX 01"), {std::to_string(track->number)}));
      lastNumber = number;
      file->tracks.push_back({number, 0, 0, -1, -1, lineNumber});
    } else if (command == "INDEX" || command == "PREGAP" || command == "POSTGAP") {
      if (!track) return fail(Format(Tr("%1 outside a track"), {command}));
      const bool index = command == "INDEX";
      if (words.size() != (index ? 3u : 2u))
        return fail(index ? Tr("INDEX takes a number and a time")
                          : Format(Tr("%1 takes a time"), {command}));
      std::int64_t sectors = 0;
      if (!ParseSheetMsf(words.back(), sectors))
        return fail(Format(Tr("\"%1\" is not a time MM:SS:FF (seconds 0..59, frames 0..74)"),
                           {words.back()}));
      if (command == "PREGAP") {
        if (track->index0 >= 0 || track->index1 >= 0)
          return fail(Tr("PREGAP must come before the track's INDEX lines"));
        track->pregap = sectors;
      } else if (command == "POSTGAP") {
        track->postgap = sectors;
      } else {
        int n = 0;
        if (!SmallNumber(words[1], kMaxIndexNumber, n))
          return fail(Format(Tr("\"%1\" is not an index number (0..99)"), {words[1]}));
        // Index times run forwards through a file.
        std::int64_t previous = -1;
        for (const CueTrack& t : file->tracks)
          previous = std::max({previous, t.index0, t.index1});
        if (n == 0 && track->index1 >= 0)
          return fail(Tr("INDEX 00 must come before INDEX 01"));
        if (n != 0 && track->index1 < 0 && n != 1)
          return fail(Tr("INDEX 01 must come first after INDEX 00"));
        if (sectors < previous || (n > 1 && sectors == previous))
          return fail(Format(Tr("INDEX %1 at %2 lies before an earlier index"),
                             {words[1], words[2]}));
        if (n == 0) track->index0 = sectors;
        if (n == 1) track->index1 = sectors;  // later indices move nothing
      }
    } else {
      return fail(Format(Tr("unknown command \"%1\""), {words[0]}));
    }
  }
  const CueTrack* last = nullptr;
  for (const CueFile& f : sheet.files)
    if (!f.tracks.empty()) last = &f.tracks.back();
  if (!last) return fail(Tr("the sheet has no TRACK"));
  if (last->index1 < 0) {
    lineNumber = last->line;
    return fail(Format(Tr("track %1 has no INDEX 01"), {std::to_string(last->number)}));
  }
  return true;
}

bool CueImage::Open(const std::string& cuePath, std::string& error) {
  Close();
  std::vector<std::uint8_t> bytes;
  if (IoStatus read = ReadWholeFile(cuePath, bytes, kMaxSheetBytes); !read) {
    error = read.error();
    return false;
  }
  CueSheet sheet;
  std::string why;
  const auto bad = [&](const std::string& reason) {
    error = Format(Tr("bad table of contents in %1: %2"), {IoStatus::Quoted(cuePath), reason});
    return false;
  };
  if (!ParseCueSheet(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                     sheet, why))
    return bad(why);

  const std::filesystem::path folder = std::filesystem::path(cuePath).parent_path();
  std::vector<std::string> files;
  std::vector<SectorRun> runs;
  std::vector<std::int64_t> starts;
  std::int64_t lba = 0;
  std::int64_t postgap = 0;  // of the track before, due once its data has ended
  const auto add = [&](SectorRun run) {
    if (run.sectors > kMaxSheetSectors - lba) return false;
    lba += run.sectors;
    if (run.sectors > 0) runs.push_back(run);
    return true;
  };
  const auto tooLong = [&] { return bad(Tr("the tracks are longer than a disc holds (90 minutes)")); };
  for (const CueFile& f : sheet.files) {
    const std::filesystem::path named(f.name);
    const std::string path = named.is_absolute() ? named.string() : (folder / named).string();
    std::uint64_t size = 0;
    if (!DataFileSize(path, size, error)) return false;
    if (size % kRecordBytes != 0)
      return bad(Format(Tr("%1 (%2 bytes) is not whole sectors of 2448 bytes"),
                        {IoStatus::Quoted(path), std::to_string(size)}));
    const auto fileSectors = static_cast<std::int64_t>(size / kRecordBytes);
    int index = static_cast<int>(std::find(files.begin(), files.end(), path) - files.begin());
    if (index == static_cast<int>(files.size())) files.push_back(path);
    std::int64_t pos = 0;
    for (const CueTrack& t : f.tracks) {
      const std::int64_t split = t.index0 >= 0 ? t.index0 : t.index1;
      if (t.index1 >= fileSectors)
        return bad(Format(Tr("line %1: INDEX 01 of track %2 lies past the end of %3"),
                          {std::to_string(t.line), std::to_string(t.number),
                           IoStatus::Quoted(path)}));
      if (!add({split - pos, index, static_cast<std::uint64_t>(pos) * kRecordBytes, f.bigEndian}) ||
          !add({postgap, -1, 0, false}) || !add({t.pregap, -1, 0, false}))
        return tooLong();
      starts.push_back(lba + (t.index1 - split));
      pos = split;
      postgap = t.postgap;
    }
    if (!add({fileSectors - pos, index, static_cast<std::uint64_t>(pos) * kRecordBytes,
              f.bigEndian}))
      return tooLong();
  }
  if (!add({postgap, -1, 0, false})) return tooLong();
  int firstTrack = 0;
  for (const CueFile& f : sheet.files)
    if (firstTrack == 0 && !f.tracks.empty()) firstTrack = f.tracks.front().number;
  if (!Serve(cuePath, files, std::move(runs), SubcodeForm::Raw, firstTrack, starts, error)) {
    Close();
    return false;
  }
  return true;
}

}  // namespace mosaicer
