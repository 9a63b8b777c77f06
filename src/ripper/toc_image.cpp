#include "ripper/toc_image.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>

#include "platform/file_util.h"
#include "platform/io_status.h"
#include "platform/language.h"
#include "ripper/sheet_text.h"

namespace mosaicer {
namespace {

constexpr int kMaxTracks = 99;
// Far more statements than a track of a real image holds; keeps a hostile
// sheet from building a huge run list.
constexpr std::size_t kMaxPiecesPerTrack = 1000;

struct Token {
  enum Kind { Word, String, Symbol } kind;
  std::string text;
  int line;
};

bool IsSymbol(char c) { return c == '{' || c == '}' || c == ',' || c == '#'; }

// Splits .toc text into words, quoted strings (escapes \" \\ and \ooo
// undone) and the symbols { } , #; "//" starts a comment to the line's end.
bool Tokenize(std::string_view text, std::vector<Token>& tokens, std::string& error) {
  int line = 1;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (text.compare(i, 2, "//") == 0) {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '"') {
      std::string s;
      ++i;
      for (;;) {
        if (i >= text.size() || text[i] == '\n') {
          error = Format(Tr("line %1: a string is not closed"), {std::to_string(line)});
          return false;
        }
        if (text[i] == '"') break;
        if (text[i] == '\\' && i + 1 < text.size()) {
          const char e = text[i + 1];
          if (e >= '0' && e <= '7' && i + 3 < text.size() && text[i + 2] >= '0' &&
              text[i + 2] <= '7' && text[i + 3] >= '0' && text[i + 3] <= '7') {
            s += static_cast<char>((e - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 4;
            continue;
          }
          if (e == '"' || e == '\\') {
            s += e;
            i += 2;
            continue;
          }
        }
        s += text[i++];
      }
      ++i;
      tokens.push_back({Token::String, std::move(s), line});
    } else if (IsSymbol(c)) {
      tokens.push_back({Token::Symbol, std::string(1, c), line});
      ++i;
    } else {
      const std::size_t from = i;
      while (i < text.size() && !IsSymbol(text[i]) && text[i] != '"' && text[i] != ' ' &&
             text[i] != '\t' && text[i] != '\r' && text[i] != '\n' && text.compare(i, 2, "//") != 0)
        ++i;
      tokens.push_back({Token::Word, std::string(text.substr(from, i - from)), line});
    }
  }
  return true;
}

bool IsDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool LooksLikeLength(const Token& t) {
  return t.kind == Token::Word && !t.text.empty() && t.text[0] >= '0' && t.text[0] <= '9';
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, std::string& error) : tokens_(std::move(tokens)), error_(error) {}

  bool Sheet(TocSheet& sheet) {
    sheet = TocSheet{};
    while (!AtEnd() && !Is("TRACK")) {
      const Token& t = Next();
      if (t.kind == Token::Word &&
          (t.text == "CD_DA" || t.text == "CD_ROM" || t.text == "CD_ROM_XA" || t.text == "CD_I"))
        continue;
      if (t.kind == Token::Word && t.text == "CATALOG") {
        if (!ExpectString()) return false;
      } else if (t.kind == Token::Word && t.text == "FIRST_TRACK_NO") {
        std::uint64_t n = 0;
        if (!Integer(n)) return false;
        if (n < 1 || n > kMaxTracks) return Fail(t.line, Tr("the first track number must be 1..99"));
        sheet.firstTrack = static_cast<int>(n);
      } else if (t.kind == Token::Word && t.text == "CD_TEXT") {
        if (!SkipBlock()) return false;
      } else {
        return Unexpected(t);
      }
    }
    while (!AtEnd()) {
      if (sheet.firstTrack + static_cast<int>(sheet.tracks.size()) > kMaxTracks)
        return Fail(Peek().line, Tr("more than 99 tracks"));
      TocTrack track;
      if (!Track(track)) return false;
      sheet.tracks.push_back(std::move(track));
    }
    if (sheet.tracks.empty()) return Fail(line_, Tr("the sheet has no TRACK"));
    return true;
  }

 private:
  bool AtEnd() const { return pos_ >= tokens_.size(); }
  const Token& Peek() const { return tokens_[pos_]; }
  bool Is(const char* word) const {
    return !AtEnd() && Peek().kind == Token::Word && Peek().text == word;
  }
  const Token& Next() {
    line_ = tokens_[pos_].line;
    return tokens_[pos_++];
  }
  bool Fail(int line, const std::string& why) {
    error_ = Format(Tr("line %1: %2"), {std::to_string(line), why});
    return false;
  }
  bool Unexpected(const Token& t) {
    return Fail(t.line, Format(Tr("unexpected \"%1\""), {t.text}));
  }
  bool Missing(const char* what) {
    if (AtEnd()) return Fail(line_, Format(Tr("%1 expected at the end"), {what}));
    return Fail(Peek().line, Format(Tr("%1 expected, not \"%2\""), {what, Peek().text}));
  }
  bool ExpectString(std::string* out = nullptr) {
    if (AtEnd() || Peek().kind != Token::String) return Missing(Tr("a quoted string"));
    const Token& t = Next();
    if (out) *out = t.text;
    return true;
  }
  bool Integer(std::uint64_t& value) {
    if (AtEnd() || Peek().kind != Token::Word || !IsDigits(Peek().text))
      return Missing(Tr("a number"));
    const Token& t = Next();
    const auto [end, ec] = std::from_chars(t.text.data(), t.text.data() + t.text.size(), value);
    if (ec != std::errc() || end != t.text.data() + t.text.size())
      return Fail(t.line, Format(Tr("the number %1 is too large"), {t.text}));
    return true;
  }
  bool Msf(std::int64_t& sectors) {
    if (AtEnd() || Peek().kind != Token::Word) return Missing(Tr("a time MM:SS:FF"));
    const Token& t = Next();
    if (!ParseSheetMsf(t.text, sectors))
      return Fail(t.line, Format(Tr("\"%1\" is not a time MM:SS:FF (seconds 0..59, frames 0..74)"),
                                 {t.text}));
    return true;
  }
  // A length: MM:SS:FF in sectors, or a count of bytes that must be whole
  // sectors.
  bool Length(std::uint64_t& bytes) {
    if (!AtEnd() && Peek().kind == Token::Word && Peek().text.find(':') != std::string::npos) {
      std::int64_t sectors = 0;
      if (!Msf(sectors)) return false;
      bytes = static_cast<std::uint64_t>(sectors) * kRecordBytes;
      return true;
    }
    return Integer(bytes);
  }
  // CD_TEXT { ... }: skipped, braces balanced.
  bool SkipBlock() {
    if (AtEnd() || Peek().text != "{" || Peek().kind != Token::Symbol)
      return Missing("\"{\"");
    int depth = 0;
    do {
      if (AtEnd()) return Fail(line_, Tr("a CD_TEXT block is not closed"));
      const Token& t = Next();
      if (t.kind == Token::Symbol && t.text == "{") ++depth;
      if (t.kind == Token::Symbol && t.text == "}") --depth;
    } while (depth > 0);
    return true;
  }

  bool Track(TocTrack& track) {
    const Token& head = Next();  // TRACK
    track.line = head.line;
    if (AtEnd() || Peek().kind != Token::Word) return Missing(Tr("a track mode"));
    const Token& mode = Next();
    static const char* const kDataModes[] = {"MODE0",       "MODE1",       "MODE1_RAW",
                                             "MODE2",       "MODE2_RAW",   "MODE2_FORM1",
                                             "MODE2_FORM2", "MODE2_FORM_MIX"};
    if (mode.text != "AUDIO") {
      const bool known = std::find(std::begin(kDataModes), std::end(kDataModes), mode.text) !=
                         std::end(kDataModes);
      return Fail(mode.line,
                  known ? Format(Tr("track mode %1 holds data, not audio with CD+G subcode"),
                                 {mode.text})
                        : Format(Tr("unknown track mode \"%1\""), {mode.text}));
    }
    if (Is("RW_RAW")) {
      track.form = SubcodeForm::Raw;
    } else if (Is("RW")) {
      track.form = SubcodeForm::Packed;
    } else {
      return Fail(mode.line, Tr("the track has no R–W sub-channel data (RW or RW_RAW)"));
    }
    Next();
    bool startGiven = false;
    while (!AtEnd() && !Is("TRACK")) {
      if (track.pieces.size() > kMaxPiecesPerTrack)
        return Fail(Peek().line, Tr("too many statements in one track"));
      const Token& t = Next();
      if (t.kind != Token::Word) return Unexpected(t);
      const std::string& w = t.text;
      if (w == "NO") {
        if (!Is("COPY") && !Is("PRE_EMPHASIS")) return Missing("COPY/PRE_EMPHASIS");
        Next();
      } else if (w == "COPY" || w == "PRE_EMPHASIS" || w == "TWO_CHANNEL_AUDIO" ||
                 w == "FOUR_CHANNEL_AUDIO") {
      } else if (w == "ISRC") {
        if (!ExpectString()) return false;
      } else if (w == "CD_TEXT") {
        if (!SkipBlock()) return false;
      } else if (w == "DATAFILE") {
        TocPiece piece;
        piece.line = t.line;
        if (!ExpectString(&piece.file)) return false;
        if (piece.file.empty() || piece.file == "-")
          return Fail(t.line, Tr("a DATAFILE must name a file"));
        if (!AtEnd() && Peek().kind == Token::Symbol && Peek().text == "#") {
          Next();
          if (!Integer(piece.offset)) return false;
        }
        if (!AtEnd() && LooksLikeLength(Peek())) {
          std::uint64_t bytes = 0;
          if (!Length(bytes)) return false;
          piece.bytes = bytes;
        }
        track.pieces.push_back(std::move(piece));
      } else if (w == "ZERO" || w == "PREGAP") {
        TocPiece piece;
        piece.line = t.line;
        if (w == "ZERO") {
          if (Is("AUDIO")) Next();
          if (Is("RW") || Is("RW_RAW")) Next();
          std::uint64_t bytes = 0;
          if (!Length(bytes)) return false;
          piece.bytes = bytes;
        } else {
          std::int64_t sectors = 0;
          if (!Msf(sectors)) return false;
          if (startGiven || !track.pieces.empty())
            return Fail(t.line, Tr("PREGAP must come before the track's data and START"));
          piece.bytes = static_cast<std::uint64_t>(sectors) * kRecordBytes;
          track.startAfterPieces = 1;
          startGiven = true;
        }
        track.pieces.push_back(std::move(piece));
      } else if (w == "START") {
        if (startGiven) return Fail(t.line, Tr("the track's START is given twice"));
        startGiven = true;
        if (!AtEnd() && LooksLikeLength(Peek())) {
          if (!Msf(track.startSectors)) return false;
        } else {
          track.startAfterPieces = track.pieces.size();
        }
      } else if (w == "END" || w == "INDEX") {
        std::int64_t ignored = 0;  // index marks and post-gaps do not move tracks
        if ((w == "INDEX" || (!AtEnd() && LooksLikeLength(Peek()))) && !Msf(ignored)) return false;
      } else if (w == "FILE" || w == "AUDIOFILE" || w == "SILENCE" || w == "FIFO") {
        return Fail(t.line, Format(Tr("%1 cannot be read: a track with R–W sub-channel data takes "
                                      "its sectors from DATAFILE and ZERO"),
                                   {w}));
      } else {
        return Unexpected(t);
      }
    }
    if (track.pieces.empty()) return Fail(track.line, Tr("the track has no DATAFILE"));
    return true;
  }

  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  int line_ = 1;
  std::string& error_;
};

}  // namespace

bool ParseTocSheet(std::string_view text, TocSheet& sheet, std::string& error) {
  std::vector<Token> tokens;
  if (!Tokenize(text, tokens, error)) return false;
  Parser parser(std::move(tokens), error);
  if (parser.Sheet(sheet)) return true;
  sheet = TocSheet{};
  return false;
}

bool TocImage::Open(const std::string& tocPath, std::string& error) {
  Close();
  std::vector<std::uint8_t> bytes;
  if (IoStatus read = ReadWholeFile(tocPath, bytes, kMaxSheetBytes); !read) {
    error = read.error();
    return false;
  }
  TocSheet sheet;
  std::string why;
  if (!ParseTocSheet(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                     sheet, why)) {
    error = Format(Tr("bad table of contents in %1: %2"), {IoStatus::Quoted(tocPath), why});
    return false;
  }
  const auto bad = [&](int line, const std::string& reason) {
    error = Format(Tr("bad table of contents in %1: %2"),
                   {IoStatus::Quoted(tocPath),
                    Format(Tr("line %1: %2"), {std::to_string(line), reason})});
    return false;
  };

  const std::filesystem::path folder = std::filesystem::path(tocPath).parent_path();
  std::vector<std::string> files;
  std::map<std::string, std::uint64_t> sizes;
  std::vector<SectorRun> runs;
  std::vector<std::int64_t> starts;
  std::int64_t lba = 0;
  for (const TocTrack& track : sheet.tracks) {
    if (track.form != sheet.tracks.front().form)
      return bad(track.line, Tr("RW and RW_RAW tracks are mixed in one image"));
    std::int64_t length = 0, startAfter = 0;
    for (std::size_t p = 0; p < track.pieces.size(); ++p) {
      const TocPiece& piece = track.pieces[p];
      SectorRun run;
      std::uint64_t pieceBytes = piece.bytes.value_or(0);
      if (!piece.file.empty()) {
        const std::filesystem::path named(piece.file);
        const std::string path = named.is_absolute() ? named.string() : (folder / named).string();
        auto known = sizes.find(path);
        if (known == sizes.end()) {
          std::uint64_t size = 0;
          if (!DataFileSize(path, size, error)) return false;
          known = sizes.emplace(path, size).first;
          files.push_back(path);
        }
        const std::uint64_t size = known->second;
        if (piece.offset > size)
          return bad(piece.line, Format(Tr("the offset %1 lies past the end of %2 (%3 bytes)"),
                                        {std::to_string(piece.offset), IoStatus::Quoted(path),
                                         std::to_string(size)}));
        if (!piece.bytes) pieceBytes = size - piece.offset;
        run.file = static_cast<int>(std::find(files.begin(), files.end(), path) - files.begin());
        run.offset = piece.offset;
        run.bigEndianAudio = true;
      }
      if (pieceBytes % kRecordBytes != 0)
        return bad(piece.line, Format(Tr("%1 bytes are not whole sectors of 2448 bytes"),
                                      {std::to_string(pieceBytes)}));
      run.sectors = static_cast<std::int64_t>(pieceBytes / kRecordBytes);
      if (run.sectors > kMaxSheetSectors - lba - length)
        return bad(piece.line, Tr("the tracks are longer than a disc holds (90 minutes)"));
      length += run.sectors;
      if (track.startAfterPieces && p + 1 == *track.startAfterPieces) startAfter = length;
      if (run.sectors > 0) runs.push_back(run);
    }
    const std::int64_t start = track.startAfterPieces ? startAfter : track.startSectors;
    if (start >= length)
      return bad(track.line, Tr("the track's START lies at or past its end"));
    starts.push_back(lba + start);
    lba += length;
  }
  if (!Serve(tocPath, files, std::move(runs), sheet.tracks.front().form, sheet.firstTrack, starts,
             error)) {
    Close();
    return false;
  }
  return true;
}

}  // namespace mosaicer
