// Copies of unchanged pictures joined to x264's stream: the result decodes
// without a single error, each copy shows exactly the picture before it, and
// every picture x264 made decodes exactly as it did in x264's own stream,
// across key frames and frame_num wrapping round.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

#include "video/h264_repeat.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace mosaicer {
namespace {

using Picture = std::vector<std::uint8_t>;  // the planes one after the other

struct EncoderSetup {
  const char* name;
  int width, height;
  const char* x264Params;
  int bFrames;
};

AVCodecContext* OpenX264(const EncoderSetup& setup) {
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (codec == nullptr) return nullptr;
  av_log_set_level(AV_LOG_ERROR);  // x264's banner is not for the test log
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->width = setup.width, c->height = setup.height, c->pix_fmt = AV_PIX_FMT_YUV420P;
  c->time_base = AVRational{1, 25};
  c->gop_size = 8;  // a short frame_num cycle, so runs of copies wrap round it
  c->max_b_frames = setup.bFrames;
  c->refs = 1, c->thread_count = 1;
  c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  av_opt_set(c->priv_data, "preset", "veryfast", 0);
  av_opt_set(c->priv_data, "crf", "18", 0);
  av_opt_set(c->priv_data, "weightp", "none", 0);
  av_opt_set(c->priv_data, "x264-params", setup.x264Params, 0);
  if (avcodec_open2(c, codec, nullptr) < 0) avcodec_free_context(&c);
  return c;
}

// Calls visit(plane, x, y, byte) for every sample of a 4:2:0 frame.
template <typename Visit>
void EachSample(AVFrame* f, Visit visit) {
  for (int plane = 0; plane < 3; ++plane) {
    const int w = plane == 0 ? f->width : f->width / 2, h = plane == 0 ? f->height : f->height / 2;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) visit(plane, x, y, f->data[plane][y * f->linesize[plane] + x]);
  }
}

// A moving pattern that differs for every `seed`.
void Paint(AVFrame* f, int seed) {
  EachSample(f, [&](int plane, int x, int y, std::uint8_t& v) {
    v = static_cast<std::uint8_t>((x * (plane + 1) + y * 3 + seed * 37) % 200 + 16);
  });
}

// A frame_num that skips a value is no decode error to FFmpeg, only a line
// of its debug log.
std::atomic<int> frameNumGaps{0};
void CountFrameNumGaps(void*, int, const char* format, va_list) {
  if (std::strncmp(format, "Frame num gap", 13) == 0) ++frameNumGaps;
}

// Decodes Annex B access units; every error, and every gap in frame_num,
// fails the test.
std::vector<Picture> Decode(const std::uint8_t* headers, int headersSize,
                            const std::vector<std::vector<std::uint8_t>>& units) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->extradata = static_cast<std::uint8_t*>(av_mallocz(headersSize + AV_INPUT_BUFFER_PADDING_SIZE));
  std::memcpy(c->extradata, headers, static_cast<std::size_t>(headersSize));
  c->extradata_size = headersSize, c->thread_count = 1;
  c->err_recognition = AV_EF_EXPLODE | AV_EF_BITSTREAM | AV_EF_BUFFER | AV_EF_CRCCHECK;
  EXPECT_EQ(avcodec_open2(c, codec, nullptr), 0);
  frameNumGaps = 0;
  av_log_set_level(AV_LOG_DEBUG);
  av_log_set_callback(CountFrameNumGaps);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  std::vector<Picture> pictures;
  const auto drain = [&] {
    while (avcodec_receive_frame(c, frame) == 0) {
      EXPECT_EQ(frame->decode_error_flags, 0) << "picture " << pictures.size();
      Picture p;
      EachSample(frame, [&](int, int, int, std::uint8_t v) { p.push_back(v); });
      pictures.push_back(std::move(p));
    }
  };
  for (const std::vector<std::uint8_t>& unit : units) {
    av_new_packet(packet, static_cast<int>(unit.size()));
    std::memcpy(packet->data, unit.data(), unit.size());
    EXPECT_GE(avcodec_send_packet(c, packet), 0) << "unit " << &unit - units.data();
    av_packet_unref(packet);
    drain();
  }
  avcodec_send_packet(c, nullptr);
  drain();
  av_log_set_callback(av_log_default_callback);
  av_log_set_level(AV_LOG_ERROR);
  EXPECT_EQ(frameNumGaps, 0);
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&c);
  return pictures;
}

TEST(H264Repeater, CopiesDecodeAsThePictureBeforeAndLeaveTheEncodersPicturesAlone) {
  const EncoderSetup setups[] = {
      {"arithmetic coding", 176, 144, "", 0},
      {"variable-length coding", 176, 144, "cabac=0", 0},
      {"a size cropped from whole macroblocks", 200, 120, "", 0},
  };
  // Which of the frames change; the rest repeat the one before. Runs longer
  // than the 16-value frame_num cycle, and x264's own key frames between.
  std::vector<bool> changes(120, false);
  for (int f : {0, 1, 2, 3, 30, 31, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 100})
    changes[static_cast<std::size_t>(f)] = true;

  for (const EncoderSetup& setup : setups) {
    SCOPED_TRACE(setup.name);
    AVCodecContext* encoder = OpenX264(setup);
    ASSERT_NE(encoder, nullptr);
    H264Repeater repeater;
    ASSERT_TRUE(repeater.Configure(encoder->extradata,
                                   static_cast<std::size_t>(encoder->extradata_size)));

    std::vector<std::vector<std::uint8_t>> plain, joined;  // x264's stream; with copies
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P, frame->width = setup.width, frame->height = setup.height;
    ASSERT_GE(av_frame_get_buffer(frame, 0), 0);
    AVPacket* packet = av_packet_alloc();
    std::int64_t written = 0;
    const auto copiesUpTo = [&](std::int64_t end) {
      for (; written < end; ++written) repeater.Repeat(joined.emplace_back());
    };
    const auto receive = [&] {
      while (avcodec_receive_packet(encoder, packet) == 0) {
        copiesUpTo(packet->pts);
        plain.emplace_back(packet->data, packet->data + packet->size);
        ASSERT_TRUE(repeater.Renumber(packet->data, static_cast<std::size_t>(packet->size),
                                      joined.emplace_back()));
        written = packet->pts + 1;
        av_packet_unref(packet);
      }
    };
    for (std::size_t f = 0; f < changes.size(); ++f) {
      if (!changes[f]) continue;
      ASSERT_GE(av_frame_make_writable(frame), 0);
      Paint(frame, static_cast<int>(f));
      frame->pts = static_cast<std::int64_t>(f);
      ASSERT_GE(avcodec_send_frame(encoder, frame), 0);
      receive();
    }
    avcodec_send_frame(encoder, nullptr);
    receive();
    copiesUpTo(std::ssize(changes));

    const std::vector<Picture> own = Decode(encoder->extradata, encoder->extradata_size, plain);
    const std::vector<Picture> all = Decode(encoder->extradata, encoder->extradata_size, joined);
    ASSERT_EQ(all.size(), changes.size());
    std::size_t next = 0;
    for (std::size_t f = 0; f < changes.size(); ++f) {
      if (changes[f])
        ASSERT_TRUE(next < own.size() && all[f] == own[next++]) << "encoded frame " << f;
      else
        ASSERT_TRUE(all[f] == all[f - 1]) << "copied frame " << f;
    }
    EXPECT_EQ(next, own.size());
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&encoder);
  }
}

TEST(H264Repeater, RefusesStreamsTheCopiesCannotJoin) {
  // B pictures put the picture order apart from frame_num.
  AVCodecContext* withB = OpenX264({"B pictures", 176, 144, "", 2});
  ASSERT_NE(withB, nullptr);
  H264Repeater repeater;
  EXPECT_FALSE(repeater.Configure(withB->extradata, static_cast<std::size_t>(withB->extradata_size)));
  avcodec_free_context(&withB);

  AVCodecContext* good = OpenX264({"plain", 176, 144, "", 0});
  ASSERT_NE(good, nullptr);
  const std::vector<std::uint8_t> headers(good->extradata, good->extradata + good->extradata_size);
  avcodec_free_context(&good);
  std::vector<std::uint8_t> twice = headers;
  twice.insert(twice.end(), headers.begin(), headers.end());
  const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
      {"nothing", {}},
      {"no start code", {0x67, 0x64, 0x00, 0x1E}},
      {"a sequence set of nonsense", {0, 0, 1, 0x67, 0xFF, 0xFF, 0xFF}},
      {"a sequence set cut short", {headers.begin(), headers.begin() + 8}},
      {"every header twice", twice},
  };
  for (const auto& [name, bytes] : cases) {
    H264Repeater r;
    EXPECT_FALSE(r.Configure(bytes.data(), bytes.size())) << name;
    std::vector<std::uint8_t> out;
    EXPECT_FALSE(r.Renumber(headers.data(), headers.size(), out)) << name;
  }
  H264Repeater r;
  EXPECT_TRUE(r.Configure(headers.data(), headers.size()));
}

}  // namespace
}  // namespace mosaicer
