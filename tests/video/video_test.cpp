// Video export: where the screen goes, which sectors each frame shows, and
// the made file itself decoded again with FFmpeg: colours on the right
// frames, pictures as the renderer draws them, audio in step.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/parity.h"
#include "core/subcode_pack.h"
#include "player/cdg_canvas.h"
#include "player/cdg_decoder.h"
#include "support/cli_run.h"
#include "support/disk_full.h"
#include "support/temp_dir.h"
#include "video/video_export.h"
#include "video/video_layout.h"
#include "video/video_module.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace mosaicer {
namespace {

using testing::TempDir;

TEST(VideoLayout, WholeMultipleThenTheSmallestStepCentredAndEven) {
  struct Case {
    int w, h;
    bool border;
    VideoGeometry want;
  };
  const Case cases[] = {
      {1280, 720, true, {300, 216, 3, 140, 0, 1000, 720}},
      {1280, 720, false, {288, 192, 3, 100, 0, 1080, 720}},
      {1920, 1080, true, {300, 216, 5, 210, 0, 1500, 1080}},
      {720, 1280, true, {300, 216, 2, 0, 380, 720, 518}},  // taller than wide
      {160, 120, true, {300, 216, 1, 0, 2, 160, 114}},     // smaller than the screen
      {300, 216, true, {300, 216, 1, 0, 0, 300, 216}},     // exactly one to one
  };
  const auto fields = [](const VideoGeometry& g) {
    return std::array{g.sourceWidth, g.multiple, g.placedX, g.placedY, g.placedWidth, g.placedHeight};
  };
  for (const Case& c : cases)
    EXPECT_EQ(fields(PlanVideoGeometry(c.w, c.h, c.border)), fields(c.want)) << c.w << "x" << c.h;
}

TEST(VideoLayout, FramesShowTheSectorsThatEndedWithoutDrift) {
  // Sector k ends at (k + 1) / 75 s: frame 1 at 30 fps (1/30 s) follows two;
  // an hour at 30 and at 60 frames a second lands exactly on its sector.
  const std::int64_t sectors[][3] = {{30 * 3600, 30, 75 * 3600}, {60 * 3600, 60, 75 * 3600},
                                     {0, 30, 0}, {1, 30, 2}, {2, 30, 5}, {7, 24, 21}};
  for (const auto& [frame, fps, want] : sectors)
    EXPECT_EQ(SectorsBeforeFrame(frame, static_cast<int>(fps)), want) << frame << " at " << fps;
  // The last frame starts before the title ends.
  EXPECT_EQ(VideoFrameCount(75, 30), 30);
  EXPECT_EQ(VideoFrameCount(76, 30), 31);
}

// A colour of the table as a CLUT pack's two symbols give it (4 bits each).
struct Colour4 {
  int r, g, b;
};

void PutClut(SubCodePack& pack, int instruction, const Colour4 (&colours)[8]) {
  InitPack(pack, static_cast<std::uint8_t>(instruction));
  for (int k = 0; k < 8; ++k) {
    pack.Data[2 * k] = static_cast<std::uint8_t>(colours[k].r << 2 | colours[k].g >> 2);
    pack.Data[2 * k + 1] = static_cast<std::uint8_t>((colours[k].g & 3) << 4 | colours[k].b);
  }
}

constexpr Colour4 kTable[8] = {{0, 0, 0},  {15, 0, 0}, {0, 15, 0}, {0, 0, 15},
                               {15, 15, 0}, {15, 15, 15}, {0, 15, 15}, {15, 0, 15}};
// Sectors whose first pack presets the screen (memory and border) to a colour.
constexpr std::pair<int, int> kChanges[] = {{0, 1},  {10, 2},  {23, 3}, {51, 4},
                                            {52, 5}, {120, 6}, {199, 7}};
constexpr int kTitleSectors = 225;  // three seconds
// Three tones of unrelated pitch: no lag but the true one lines them all up.
double Signal(std::size_t i) {
  const double t = static_cast<double>(i) / 44100.0;
  return 0.5 * std::sin(2 * M_PI * 440.0 * t) + 0.3 * std::sin(2 * M_PI * 1234.5 * t) +
         0.2 * std::sin(2 * M_PI * 3001.0 * t);
}

// A CDG file: a colour table, then whole-screen colour changes at known
// sectors, over three tones.
std::string MakeTitle() {
  TSubCodeErrorCorrect ecc;
  std::string cdg;
  for (int s = 0; s < kTitleSectors; ++s) {
    for (std::size_t i = 0; i < kAudioBytesPerSector / 4; ++i) {
      const auto v = static_cast<std::int16_t>(
          std::lround(12000.0 * Signal(static_cast<std::size_t>(s) * 588 + i)));
      const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
      for (int ch = 0; ch < 2; ++ch) cdg.append(bytes, 2);
    }
    SubCodePack packs[kPacksPerSector];
    ClearPacks(packs, kPacksPerSector);
    if (s == 0) PutClut(packs[2], kLoadClutLo, kTable);
    for (const auto& [sector, colour] : kChanges)
      for (int i = 0; i < 2 && sector == s; ++i) {
        InitPack(packs[i], i == 0 ? kMemoryPreset : kBorderPreset);
        packs[i].Data[0] = static_cast<std::uint8_t>(colour);
      }
    // The table must be there before the first preset paints with it.
    if (s == 0) std::swap(packs[0], packs[2]), std::swap(packs[1], packs[2]);
    for (SubCodePack& p : packs)
      if (p.Command != 0) {
        ecc.ComputeQ(p.bytes());
        ecc.ComputeP(p.bytes());
      }
    cdg.append(reinterpret_cast<const char*>(packs), sizeof packs);
  }
  return cdg;
}

// The colour the screen has after `sectors` sectors.
int ColourAfter(std::int64_t sectors) {
  int last = 0;
  for (const auto& [sector, colour] : kChanges)
    if (sector < sectors) last = colour;
  return last;
}

// What FFmpeg reads back from a made file.
struct Decoded {
  int width = 0, height = 0;
  std::vector<std::array<int, 3>> centre;                // each frame's middle pixel
  std::vector<std::vector<std::uint8_t>> sampledFrames;  // RGB of the frames asked for
  std::vector<float> left;                               // the audio's left channel
};

Decoded DecodeVideo(const std::string& path, const std::vector<int>& sample) {
  Decoded out;
  AVFormatContext* format = nullptr;
  EXPECT_EQ(avformat_open_input(&format, path.c_str(), nullptr, nullptr), 0);
  if (format == nullptr) return out;
  EXPECT_GE(avformat_find_stream_info(format, nullptr), 0);
  struct Open {
    AVCodecContext* codec = nullptr;
    int index = -1;
  } video, audio;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    AVCodecParameters* par = format->streams[i]->codecpar;
    Open& o = par->codec_type == AVMEDIA_TYPE_VIDEO ? video : audio;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    o.codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(o.codec, par);
    EXPECT_EQ(avcodec_open2(o.codec, decoder, nullptr), 0);
    o.index = static_cast<int>(i);
  }
  EXPECT_TRUE(video.index >= 0 && audio.index >= 0);
  if (video.index < 0 || audio.index < 0) return out;
  EXPECT_EQ(video.codec->codec_id, AV_CODEC_ID_H264);
  EXPECT_EQ(audio.codec->codec_id, AV_CODEC_ID_AAC);
  out.width = video.codec->width, out.height = video.codec->height;
  SwsContext* toRgb = nullptr;
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(out.width) * out.height * 3);
  const auto drain = [&](Open& o) {
    while (avcodec_receive_frame(o.codec, frame) == 0) {
      if (&o == &audio) {
        const auto* l = reinterpret_cast<const float*>(frame->data[0]);
        out.left.insert(out.left.end(), l, l + frame->nb_samples);
        continue;
      }
      toRgb = sws_getCachedContext(toRgb, frame->width, frame->height,
                                   static_cast<AVPixelFormat>(frame->format), frame->width,
                                   frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr,
                                   nullptr);
      const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
      sws_setColorspaceDetails(toRgb, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
      std::uint8_t* dest[1] = {rgb.data()};
      const int stride[1] = {out.width * 3};
      sws_scale(toRgb, frame->data, frame->linesize, 0, frame->height, dest, stride);
      const std::size_t mid = (static_cast<std::size_t>(out.height / 2) * out.width + out.width / 2) * 3;
      out.centre.push_back({rgb[mid], rgb[mid + 1], rgb[mid + 2]});
      for (int s : sample)
        if (s == static_cast<int>(out.centre.size()) - 1) out.sampledFrames.push_back(rgb);
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    Open& o = packet->stream_index == video.index ? video : audio;
    avcodec_send_packet(o.codec, packet);
    av_packet_unref(packet);
    drain(o);
  }
  for (Open* o : {&video, &audio}) {
    avcodec_send_packet(o->codec, nullptr);
    drain(*o);
    avcodec_free_context(&o->codec);
  }
  av_packet_free(&packet);
  av_frame_free(&frame);
  sws_freeContext(toRgb);
  avformat_close_input(&format);
  return out;
}

// The frame as it should look: the renderer's screen after `sectors`
// sectors, enlarged and placed as the exporter does, before any codec.
std::vector<std::uint8_t> IdealFrame(const std::string& cdg, std::int64_t sectors, int width,
                                     int height) {
  RgbCanvas screen(kScreenWidth, kScreenHeight);
  TNkCdgDecoder decoder;
  decoder.Attach(&screen);
  decoder.Reset();
  for (std::int64_t s = 0; s < sectors; ++s)
    decoder.Decode(reinterpret_cast<const std::uint8_t*>(cdg.data()) + s * kCdgSectorSize +
                       kAudioBytesPerSector,
                   kPacksPerSector);
  const VideoGeometry g = PlanVideoGeometry(width, height, true);
  std::vector<std::uint32_t> big(static_cast<std::size_t>(300 * g.multiple) * 216 * g.multiple);
  for (int y = 0; y < 216 * g.multiple; ++y)
    for (int x = 0; x < 300 * g.multiple; ++x)
      big[static_cast<std::size_t>(y) * 300 * g.multiple + x] = screen.Row(y / g.multiple)[x / g.multiple];
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * 3, 0);
  SwsContext* scale = sws_getContext(300 * g.multiple, 216 * g.multiple, AV_PIX_FMT_0RGB32,
                                     g.placedWidth, g.placedHeight, AV_PIX_FMT_RGB24, SWS_BILINEAR,
                                     nullptr, nullptr, nullptr);
  const std::uint8_t* src[1] = {reinterpret_cast<const std::uint8_t*>(big.data())};
  const int srcStride[1] = {300 * g.multiple * 4};
  std::uint8_t* dst[1] = {frame.data() + (static_cast<std::size_t>(g.placedY) * width + g.placedX) * 3};
  const int dstStride[1] = {width * 3};
  sws_scale(scale, src, srcStride, 0, 216 * g.multiple, dst, dstStride);
  sws_freeContext(scale);
  return frame;
}

double Psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  const double mse = sum / static_cast<double>(a.size());
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

class VideoExport : public ::testing::Test {
 protected:
  void SetUp() override {
    sink = VideoSinkHandle::Load(MOSAICER_VIDEO_MODULE_PATH);
    ASSERT_NE(sink.get(), nullptr) << sink.error();
    cdg = MakeTitle();
    opened = OpenCdgTitle(dir.Write("title.cdg", cdg));
    ASSERT_TRUE(opened.ok()) << opened.error;
  }
  TempDir dir;
  VideoSinkHandle sink;
  std::string cdg;
  TitleOpenResult opened;
  TitleSource& title() { return *opened.source; }
};

TEST_F(VideoExport, ColoursFallOnTheirFramesPicturesMatchTheRendererAndAudioIsInStep) {
  const VideoOptions options{.width = 640, .height = 480};
  const std::string out = dir.File("title.mp4");
  const VideoResult made = ExportVideo(title(), options, out, *sink.get());
  ASSERT_EQ(made.outcome, VideoOutcome::Made) << made.error;
  const std::vector<int> sampled = {0, 4, 17, 41, 89};
  const Decoded d = DecodeVideo(out, sampled);
  ASSERT_EQ(d.width, 640);
  ASSERT_EQ(d.height, 480);
  ASSERT_EQ(static_cast<std::int64_t>(d.centre.size()), VideoFrameCount(kTitleSectors, 30));

  for (std::size_t f = 0; f < d.centre.size(); ++f) {
    const Colour4 want = kTable[ColourAfter(SectorsBeforeFrame(static_cast<std::int64_t>(f), 30))];
    const int expected[3] = {want.r * 17, want.g * 17, want.b * 17};
    for (int c = 0; c < 3; ++c)
      ASSERT_NEAR(d.centre[f][static_cast<std::size_t>(c)], expected[c], 24)
          << "frame " << f << " component " << c;
  }
  ASSERT_EQ(d.sampledFrames.size(), sampled.size());
  for (std::size_t i = 0; i < sampled.size(); ++i)
    EXPECT_GT(Psnr(d.sampledFrames[i], IdealFrame(cdg, SectorsBeforeFrame(sampled[i], 30), 640, 480)),
              35.0)
        << "frame " << sampled[i];

  // The tones come back in step: the best lag within one frame's samples.
  const std::size_t n = static_cast<std::size_t>(kTitleSectors) * 588;
  ASSERT_GE(d.left.size() + 1470, n);
  std::vector<double> source(n);
  for (std::size_t i = 0; i < n; ++i) source[i] = Signal(i);
  double best = 0;
  int bestLag = 0;
  for (int lag = -1470; lag <= 1470; lag += 1) {
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = 4410; i + 4410 < n; i += 7) {
      const long j = static_cast<long>(i) + lag;
      if (j < 0 || static_cast<std::size_t>(j) >= d.left.size()) continue;
      const double x = source[i], y = d.left[static_cast<std::size_t>(j)];
      xy += x * y, xx += x * x, yy += y * y;
    }
    const double r = xy / std::sqrt(xx * yy + 1e-12);
    if (r > best) best = r, bestLag = lag;
  }
  EXPECT_GT(best, 0.99);
  EXPECT_LE(std::abs(bestLag), 2) << "audio off by " << bestLag << " samples";
}

TEST_F(VideoExport, FailuresAndCancelLeaveNoFile) {
  const VideoOptions options{.width = 320, .height = 240};
  // A folder that is not there.
  VideoResult r = ExportVideo(title(), options, dir.File("missing/t.mp4"), *sink.get());
  EXPECT_EQ(r.outcome, VideoOutcome::Failed);
  EXPECT_NE(r.error.find("missing/t.mp4"), std::string::npos) << r.error;

  // A full disk.
  {
    VideoSinkHandle fresh = VideoSinkHandle::Load(MOSAICER_VIDEO_MODULE_PATH);
    testing::DiskFullAfter full(4096);
    r = ExportVideo(title(), options, dir.File("full.mp4"), *fresh.get());
  }
  EXPECT_EQ(r.outcome, VideoOutcome::Failed);
  EXPECT_NE(r.error.find("full.mp4"), std::string::npos) << r.error;
  EXPECT_FALSE(std::filesystem::exists(dir.File("full.mp4")));

  // A cancel part-way.
  struct Owner : TJobOwner {
    int steps = 0;
  } owner;
  owner.SetProgressCallback(
      [](std::int8_t code, int, void* o) {
        auto* self = static_cast<Owner*>(o);
        if (code == kProgressStep && ++self->steps == 10) self->CancelJob();
        return 0;
      },
      &owner);
  VideoSinkHandle another = VideoSinkHandle::Load(MOSAICER_VIDEO_MODULE_PATH);
  r = ExportVideo(title(), options, dir.File("stopped.mp4"), *another.get(), &owner);
  EXPECT_EQ(r.outcome, VideoOutcome::Cancelled);
  EXPECT_EQ(r.frames, 10);
  EXPECT_FALSE(std::filesystem::exists(dir.File("stopped.mp4")));
  EXPECT_TRUE(testing::LeftoverTempFiles(dir.path()).empty());
}

TEST(VideoCli, RefusesBadOptionsAndExistingOutputsAndMakesAPlayableFile) {
  ::setenv("MOSAICER_VIDEO_MODULE", MOSAICER_VIDEO_MODULE_PATH, 1);
  TempDir dir;
  const std::string cdg = dir.Write("t.cdg", MakeTitle());
  const std::string out = dir.File("t.mkv");
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"video", cdg, "-o", out, "--size", "641x480"},
        {"video", cdg, "-o", out, "--fps", "61"},
        {"video", cdg, "-o", out, "--crf", "-1"},
        {"video", cdg, "-o", out, "--audio-bitrate", "8k"},
        {"video", cdg, "-o", out, "--border", "--no-border"}}) {
    const testing::CliResult r = testing::Cli(bad);
    EXPECT_EQ(r.status, 2) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
  testing::CliResult r =
      testing::Cli({"video", cdg, "-o", out, "--size", "320x240", "--fps", "25", "--no-border"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(DecodeVideo(out, {}).centre.size(),
            static_cast<std::size_t>(VideoFrameCount(kTitleSectors, 25)));
  r = testing::Cli({"video", cdg, "-o", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("t.mkv"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace mosaicer
