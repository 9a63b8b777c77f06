#include "title/mp3g_zip.h"

#include <zip.h>

#include <algorithm>
#include <array>
#include <utility>

#include "platform/file_util.h"
#include "platform/language.h"

namespace mosaicer {
namespace {

std::string Quoted(const std::string& text) { return IoStatus::Quoted(text); }

struct ZipCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

struct ZipFileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileCloser>;

struct SourceFreer {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFreer>;

// An error of libzip as text, released as it goes.
class ZipError {
 public:
  ZipError() { zip_error_init(&error_); }
  ~ZipError() { zip_error_fini(&error_); }
  ZipError(const ZipError&) = delete;
  ZipError& operator=(const ZipError&) = delete;
  zip_error_t* get() { return &error_; }
  std::string Text() { return zip_error_strerror(&error_); }

 private:
  zip_error_t error_;
};

// A name that would point outside a folder the archive was unpacked into.
bool IsUnsafeName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\') return true;
  if (name.size() >= 2 && name[1] == ':') return true;  // a drive letter
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = name.find_first_of("/\\", start);
    const std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part == "..") return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

// The name without its extension, and the extension with its dot.
std::pair<std::string, std::string> SplitName(const std::string& name) {
  const std::size_t slash = name.find_last_of("/\\");
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
      dot == (slash == std::string::npos ? 0 : slash + 1))
    return {name, ""};
  return {name.substr(0, dot), name.substr(dot)};
}

struct Entry {
  zip_uint64_t index = 0;
  std::string name;
  zip_uint64_t size = 0;
};

class ZipReader {
 public:
  ZipReader(std::string path, std::shared_ptr<const std::vector<std::uint8_t>> archive)
      : path_(std::move(path)), archive_(std::move(archive)) {}

  TitleOpenResult Open() {
    if (archive_->empty())
      return TitleOpenResult::Refused(
          Format(Tr("%1 is empty: it holds no zip archive"), {Quoted(path_)}));
    ZipError error;
    SourcePtr source(zip_source_buffer_create(archive_->data(), archive_->size(), 0, error.get()));
    if (!source) return Damaged(error.Text());
    zip_.reset(zip_open_from_source(source.get(), ZIP_RDONLY | ZIP_CHECKCONS, error.get()));
    if (!zip_) return Damaged(error.Text());
    static_cast<void>(source.release());  // the archive owns it now

    std::vector<Entry> entries;
    if (IoStatus listed = List(entries); !listed) return TitleOpenResult::Refused(listed.error());
    const auto isCdg = [](const Entry& e) { return LowerAscii(SplitName(e.name).second) == ".cdg"; };
    const auto cdg = std::find_if(entries.begin(), entries.end(), isCdg);
    if (cdg == entries.end())
      return TitleOpenResult::Refused(
          IoStatus::CannotReadText(path_, Tr("the archive holds no .cdg file")));
    const std::string stem = LowerAscii(SplitName(cdg->name).first);
    const Entry* song = nullptr;
    for (const Entry& e : entries) {
      const auto [entryStem, extension] = SplitName(e.name);
      if (isCdg(e) || extension.empty() || LowerAscii(entryStem) != stem) continue;
      if (song == nullptr || SongRank(extension) < SongRank(SplitName(song->name).second))
        song = &e;
    }

    std::vector<std::uint8_t> subcode;
    if (IoStatus read = ReadEntry(*cdg, kMaxSubcodeBytes, subcode); !read)
      return TitleOpenResult::Refused(read.error());
    TitleInfo info;
    info.kind = TitleKind::Zip;
    info.path = path_;
    info.subcodeName = cdg->name;
    std::function<AudioOpenResult()> openSong;
    if (song != nullptr) {
      auto bytes = std::make_shared<std::vector<std::uint8_t>>();
      if (IoStatus read = ReadEntry(*song, kMaxZipBytes, *bytes); !read)
        return TitleOpenResult::Refused(read.error());
      info.audioName = song->name;
      const std::string name = path_ + ":" + song->name;
      std::shared_ptr<const std::vector<std::uint8_t>> shared = std::move(bytes);
      openSong = [name, shared] { return OpenAudioBytes(name, shared); };
    }
    return JoinSubcodeAndSong(std::move(info), std::move(subcode), std::move(openSong));
  }

 private:
  TitleOpenResult Damaged(const std::string& why) const {
    return TitleOpenResult::Refused(IoStatus::CannotReadText(
        path_, Format(Tr("it is not a zip archive or it is damaged (%1)"), {why})));
  }

  IoStatus List(std::vector<Entry>& entries) {
    const zip_int64_t count = zip_get_num_entries(zip_.get(), 0);
    if (count <= 0) return IoStatus::CannotRead(path_, Tr("the archive holds no file"));
    for (zip_int64_t i = 0; i < count; ++i) {
      zip_stat_t stat;
      zip_stat_init(&stat);
      const auto index = static_cast<zip_uint64_t>(i);
      if (zip_stat_index(zip_.get(), index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_NAME) == 0 ||
          (stat.valid & ZIP_STAT_SIZE) == 0 || stat.name == nullptr)
        return IoStatus::CannotRead(path_,
                                    Format(Tr("entry %1 is damaged"), {std::to_string(i + 1)}));
      const std::string name = stat.name;
      if (IsUnsafeName(name))
        return IoStatus::CannotRead(
            path_, Format(Tr("its entry %1 names a place outside the archive"), {Quoted(name)}));
      if (name.back() == '/' || name.back() == '\\') continue;  // a folder
      entries.push_back({index, name, stat.size});
    }
    return IoStatus::Ok();
  }

  IoStatus ReadEntry(const Entry& entry, std::uint64_t maxBytes, std::vector<std::uint8_t>& out) {
    const std::string name = Quoted(entry.name);
    if (entry.size > maxBytes)
      return IoStatus::CannotRead(
          path_, Format(Tr("its entry %1 is too large (%2 bytes; at most %3)"),
                        {name, std::to_string(entry.size), std::to_string(maxBytes)}));
    ZipFilePtr file(zip_fopen_index(zip_.get(), entry.index, 0));
    if (!file)
      return IoStatus::CannotRead(
          path_, Format(Tr("its entry %1 cannot be unpacked (%2)"), {name, ZipErrorText()}));
    out.resize(static_cast<std::size_t>(entry.size));
    std::uint64_t done = 0;
    while (done < entry.size) {
      const zip_int64_t got = zip_fread(file.get(), out.data() + done, entry.size - done);
      if (got < 0)
        return IoStatus::CannotRead(
            path_, Format(Tr("its entry %1 is damaged (%2)"),
                          {name, zip_error_strerror(zip_file_get_error(file.get()))}));
      if (got == 0) break;
      done += static_cast<std::uint64_t>(got);
    }
    std::uint8_t more = 0;
    if (done != entry.size || zip_fread(file.get(), &more, 1) != 0)
      return IoStatus::CannotRead(
          path_, Format(Tr("its entry %1 is damaged (its size is not the one the archive states)"),
                        {name}));
    return IoStatus::Ok();
  }

  std::string ZipErrorText() { return zip_error_strerror(zip_get_error(zip_.get())); }

  std::string path_;
  std::shared_ptr<const std::vector<std::uint8_t>> archive_;
  ZipPtr zip_;
};

}  // namespace

TitleOpenResult OpenZipTitleBytes(const std::string& path,
                                  std::shared_ptr<const std::vector<std::uint8_t>> archive) {
  if (!archive)
    return TitleOpenResult::Refused(IoStatus::CannotReadText(path, Tr("nothing to read")));
  return ZipReader(path, std::move(archive)).Open();
}

TitleOpenResult OpenZipTitle(const std::string& path) {
  auto archive = std::make_shared<std::vector<std::uint8_t>>();
  if (IoStatus read = ReadWholeFile(path, *archive, kMaxZipBytes); !read)
    return TitleOpenResult::Refused(read.error());
  return OpenZipTitleBytes(path, std::move(archive));
}

IoStatus BuildStoredZip(const std::vector<ZipEntry>& entries, std::vector<std::uint8_t>& archive) {
  const auto failed = [](const std::string& why) {
    return IoStatus::Failed(Format(Tr("cannot build the zip archive: %1"), {why}));
  };
  ZipError error;
  SourcePtr target(zip_source_buffer_create(nullptr, 0, 0, error.get()));
  if (!target) return failed(error.Text());
  zip_source_keep(target.get());  // kept past zip_close, to read the archive from
  zip_t* zip = zip_open_from_source(target.get(), ZIP_TRUNCATE, error.get());
  if (zip == nullptr) {
    zip_source_free(target.get());  // the reference zip_open_from_source did not take
    return failed(error.Text());
  }
  ZipPtr owned(zip);
  for (const ZipEntry& entry : entries) {
    zip_source_t* data = zip_source_buffer(zip, entry.bytes.data(), entry.bytes.size(), 0);
    if (data == nullptr) return failed(zip_error_strerror(zip_get_error(zip)));
    const zip_int64_t index = zip_file_add(zip, entry.name.c_str(), data, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(data);
      return failed(zip_error_strerror(zip_get_error(zip)));
    }
    if (zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0) != 0)
      return failed(zip_error_strerror(zip_get_error(zip)));
  }
  if (zip_close(zip) != 0) return failed(zip_error_strerror(zip_get_error(zip)));
  static_cast<void>(owned.release());  // closed: nothing left to discard

  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_source_stat(target.get(), &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0 ||
      zip_source_open(target.get()) != 0)
    return failed(zip_error_strerror(zip_source_error(target.get())));
  archive.resize(static_cast<std::size_t>(stat.size));
  const zip_int64_t got = zip_source_read(target.get(), archive.data(), stat.size);
  zip_source_close(target.get());
  if (got < 0 || static_cast<zip_uint64_t>(got) != stat.size)
    return failed(zip_error_strerror(zip_source_error(target.get())));
  return IoStatus::Ok();
}

}  // namespace mosaicer
