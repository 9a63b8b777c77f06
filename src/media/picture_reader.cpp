#include "media/picture_reader.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "media/jpeg_decoder.h"
#include "media/media_messages.h"
#include "media/png_decoder.h"
#include "platform/bmp_codec.h"
#include "platform/file_util.h"

namespace mosaicer {
namespace {

constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t kJpegSignature[] = {0xFF, 0xD8, 0xFF};
constexpr std::uint8_t kBmpSignature[] = {'B', 'M'};

// Largest file read: the largest picture allowed at four bytes a pixel, plus
// room for headers and metadata, as for BMP files.
constexpr std::uint64_t kMaxBytesPerPixel = 4;
constexpr std::uint64_t kFileSlack = 1 << 20;
constexpr std::uint64_t kMaxPictureFileSize = kMaxBitmapPixels * kMaxBytesPerPixel + kFileSlack;

template <std::size_t N>
bool StartsWith(std::span<const std::uint8_t> head, const std::uint8_t (&signature)[N]) {
  return head.size() >= N && std::equal(signature, signature + N, head.begin());
}

// The decoder's reason inside a sentence that names the file.
BitmapResult Prefixed(BitmapResult result, const std::filesystem::path& path, const char* pattern) {
  result.error = Format(Tr(pattern), {IoStatus::Quoted(path), result.error});
  return result;
}

}  // namespace

PictureKind SniffPicture(std::span<const std::uint8_t> head) {
  if (StartsWith(head, kPngSignature)) return PictureKind::Png;
  if (StartsWith(head, kJpegSignature)) return PictureKind::Jpeg;
  if (StartsWith(head, kBmpSignature)) return PictureKind::Bmp;
  return PictureKind::Unknown;
}

BitmapResult DecodePicture(std::span<const std::uint8_t> file, std::int64_t maxPixels) {
  switch (SniffPicture(file)) {
    case PictureKind::Bmp:
      return ReadBmp(file);
    case PictureKind::Png:
      return DecodePng(file, maxPixels);
    case PictureKind::Jpeg:
      return DecodeJpeg(file, maxPixels);
    case PictureKind::Unknown:
      break;
  }
  return BitmapResult::Failure(Tr("unknown kind of file"));
}

BitmapResult ReadPicture(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes;
  if (IoStatus read = ReadWholeFile(path, bytes, kMaxPictureFileSize); !read)
    return BitmapResult::Failure(read.error());
  const PictureKind kind = SniffPicture(bytes);
  if (kind == PictureKind::Unknown)
    return BitmapResult::Failure(Format(Tr(media_text::kNotAPicture), {IoStatus::Quoted(path)}));
  BitmapResult result = DecodePicture(bytes);
  if (result.ok()) return result;
  // BMP files keep the codec's own wording.
  if (kind == PictureKind::Bmp) return Prefixed(std::move(result), path, media_text::kNotABmp);
  const bool sizeProblem = IsTooLargeText(result.error);
  return Prefixed(std::move(result), path,
                  sizeProblem ? media_text::kPictureTooLarge : media_text::kDamaged);
}

}  // namespace mosaicer
