// The video sink on FFmpeg's libraries: H.264 (libx264 when present) and
// AAC in an MP4 or Matroska file. Built as a module of its own and loaded
// only by a video export.
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "video/h264_repeat.h"
#include "video/video_sink.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace mosaicer {
namespace {

constexpr int kCdSampleRate = 44100;
constexpr int kCdChannels = 2;
// Audio waiting for its encoder, at most (stereo samples): about three seconds.
constexpr std::size_t kMaxQueuedSamples = 3 * kCdSampleRate * kCdChannels;
// Unchanged frames the encoder still gets after a new or key picture: the
// first P picture after it sharpens what stays on screen (about 54 dB
// instead of 46 against a lossless encode), later ones add little.
constexpr int kRefinements = 1;
// A key frame this often, so players can seek in long still stretches.
constexpr int kKeyFrameSeconds = 10;
// Black in limited-range YCbCr.
constexpr std::uint8_t kBlackLuma = 16;
constexpr std::uint8_t kBlackChroma = 128;

std::string Reason(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

struct CodecContextFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScaleFree {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};

class FfmpegSink final : public VideoSink {
 public:
  ~FfmpegSink() override {
    {
      std::lock_guard lock(audioMutex_);
      abandoned_ = true;  // the file is not finished: nothing more to encode
    }
    StopAudio();
    Close();
  }

  std::string Open(const VideoSinkSettings& settings) override {
    settings_ = settings;
    // The encoders' own reports are not for the user; failures come back as
    // return codes and are worded here.
    av_log_set_level(AV_LOG_ERROR);
    const AVOutputFormat* format =
        av_guess_format(settings.container.c_str(), nullptr, nullptr);
    if (format == nullptr) return "no muxer for " + settings.container;
    int code = avformat_alloc_output_context2(&output_, format, nullptr, settings.path.c_str());
    if (code < 0) return "cannot make the container: " + Reason(code);
    if (std::string e = OpenVideo(format); !e.empty()) return e;
    if (std::string e = OpenAudio(format); !e.empty()) return e;
    code = avio_open(&output_->pb, settings.path.c_str(), AVIO_FLAG_WRITE);
    if (code < 0) return Reason(code);
    AVDictionary* options = nullptr;
    // The index at the front, so players start before the whole file is there.
    if (settings.container == "mp4") av_dict_set(&options, "movflags", "+faststart", 0);
    code = avformat_write_header(output_, &options);
    av_dict_free(&options);
    if (code < 0) return Reason(code);
    // AAC costs about as much as the pictures: it runs beside them.
    audioThread_ = std::thread([this] { EncodeAudio(); });
    return "";
  }

  std::string AddFrame(const std::uint32_t* pixels, int width, int height,
                       bool changed) override {
    const std::int64_t index = nextFrame_++;
    const bool key = index % (static_cast<std::int64_t>(settings_.fps) * kKeyFrameSeconds) == 0;
    if (repeatable_ && converted_ && !changed && !key && refinementsLeft_ == 0) {
      // A copy of the last picture: written now when the encoder holds
      // nothing back, else once the pictures before it have come out.
      return inFlight_ == 0 ? RepeatUpTo(index + 1) : "";
    }
    if (changed || !converted_) {
      if (std::string e = Convert(pixels, width, height); !e.empty()) return e;
      converted_ = true;
    }
    if (changed || key)
      refinementsLeft_ = kRefinements;
    else if (refinementsLeft_ > 0)
      --refinementsLeft_;
    // The encoder may keep a reference to the frame it was given: hand it a
    // frame of its own that shares the converted picture.
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    if (!frame || av_frame_ref(frame.get(), picture_.get()) < 0) return "out of memory";
    frame->pts = index;
    frame->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    ++inFlight_;
    return Send(video_.get(), videoStream_, frame.get());
  }

  // Queues the samples for the audio thread; waits while it is far behind.
  std::string AddAudio(const std::int16_t* samples, std::size_t frames) override {
    std::unique_lock lock(audioMutex_);
    audioRoom_.wait(lock, [&] { return queued_.size() < kMaxQueuedSamples || !audioError_.empty(); });
    if (!audioError_.empty()) return audioError_;
    queued_.insert(queued_.end(), samples, samples + frames * kCdChannels);
    audioReady_.notify_one();
    return "";
  }

  std::string Finish() override {
    if (std::string e = StopAudio(); !e.empty()) return e;
    if (std::string e = Send(video_.get(), videoStream_, nullptr); !e.empty()) return e;
    if (repeatable_)
      if (std::string e = RepeatUpTo(nextFrame_); !e.empty()) return e;
    const int code = av_write_trailer(output_);
    if (code < 0) return Reason(code);
    const int closed = avio_closep(&output_->pb);
    if (closed < 0) return Reason(closed);
    return "";
  }

 private:
  std::string OpenVideo(const AVOutputFormat* format) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (codec == nullptr) return "this FFmpeg has no H.264 encoder";
    video_.reset(avcodec_alloc_context3(codec));
    if (!video_) return "out of memory";
    AVCodecContext* c = video_.get();
    c->width = settings_.width;
    c->height = settings_.height;
    c->time_base = AVRational{1, settings_.fps};
    c->framerate = AVRational{settings_.fps, 1};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->gop_size = settings_.fps * kKeyFrameSeconds;
    // Pictures in the order they are shown, each predicted from the one
    // before, so copies of a picture can stand between them (h264_repeat.h).
    c->max_b_frames = 0;
    c->refs = 1;
    av_opt_set(c->priv_data, "weightp", "none", 0);
    av_opt_set(c->priv_data, "forced-idr", "1", 0);
    c->thread_count = 0;  // as many as the machine has
    c->color_range = AVCOL_RANGE_MPEG;
    c->colorspace = AVCOL_SPC_BT709;
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    if (format->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(c->priv_data, "crf", std::to_string(settings_.crf).c_str(), 0);
    // CD+G screens are flat colours that mostly stand still: the slower
    // presets' searches buy almost nothing here and take twice as long.
    av_opt_set(c->priv_data, "preset", "veryfast", 0);
    // Each picture out as soon as it is in (no look-ahead, threads within the
    // picture), so the copies after it are written at once and the file
    // keeps sound and pictures side by side through long still stretches.
    av_opt_set(c->priv_data, "tune", "zerolatency", 0);
    int code = avcodec_open2(c, codec, nullptr);
    if (code < 0) return "cannot open the H.264 encoder: " + Reason(code);
    repeatable_ = c->extradata != nullptr &&
                  repeater_.Configure(c->extradata, static_cast<std::size_t>(c->extradata_size));
    videoStream_ = avformat_new_stream(output_, nullptr);
    if (videoStream_ == nullptr) return "out of memory";
    videoStream_->time_base = c->time_base;
    videoStream_->avg_frame_rate = c->framerate;
    code = avcodec_parameters_from_context(videoStream_->codecpar, c);
    if (code < 0) return Reason(code);

    picture_.reset(av_frame_alloc());
    if (!picture_) return "out of memory";
    picture_->format = c->pix_fmt;
    picture_->width = c->width;
    picture_->height = c->height;
    picture_->color_range = c->color_range;
    picture_->colorspace = c->colorspace;
    if (av_frame_get_buffer(picture_.get(), 0) < 0) return "out of memory";
    return "";
  }

  std::string OpenAudio(const AVOutputFormat* format) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (codec == nullptr) return "this FFmpeg has no AAC encoder";
    audio_.reset(avcodec_alloc_context3(codec));
    if (!audio_) return "out of memory";
    AVCodecContext* c = audio_.get();
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->sample_rate = kCdSampleRate;
    av_channel_layout_default(&c->ch_layout, kCdChannels);
    c->bit_rate = settings_.audioBitrate;
    c->time_base = AVRational{1, kCdSampleRate};
    if (format->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int code = avcodec_open2(c, codec, nullptr);
    if (code < 0) return "cannot open the AAC encoder: " + Reason(code);
    audioStream_ = avformat_new_stream(output_, nullptr);
    if (audioStream_ == nullptr) return "out of memory";
    audioStream_->time_base = c->time_base;
    code = avcodec_parameters_from_context(audioStream_->codecpar, c);
    if (code < 0) return Reason(code);
    return "";
  }

  // Scales the screen into the placed rectangle of the picture, black round it.
  std::string Convert(const std::uint32_t* pixels, int width, int height) {
    if (av_frame_make_writable(picture_.get()) < 0) return "out of memory";
    if (!scale_ || scaleWidth_ != width || scaleHeight_ != height) {
      scale_.reset(sws_getContext(width, height, AV_PIX_FMT_0RGB32, settings_.placedWidth,
                                  settings_.placedHeight, AV_PIX_FMT_YUV420P, SWS_BILINEAR,
                                  nullptr, nullptr, nullptr));
      if (!scale_) return "cannot scale the screen";
      // BT.709 into limited range, as the stream is marked.
      const int* coefficients = sws_getCoefficients(SWS_CS_ITU709);
      sws_setColorspaceDetails(scale_.get(), coefficients, 1, coefficients, 0, 0, 1 << 16,
                               1 << 16);
      scaleWidth_ = width;
      scaleHeight_ = height;
    }
    AVFrame* p = picture_.get();
    for (int y = 0; y < p->height; ++y) std::memset(p->data[0] + y * p->linesize[0], kBlackLuma, p->width);
    for (int plane = 1; plane < 3; ++plane)
      for (int y = 0; y < p->height / 2; ++y)
        std::memset(p->data[plane] + y * p->linesize[plane], kBlackChroma, p->width / 2);
    std::uint8_t* dest[3] = {
        p->data[0] + settings_.placedY * p->linesize[0] + settings_.placedX,
        p->data[1] + settings_.placedY / 2 * p->linesize[1] + settings_.placedX / 2,
        p->data[2] + settings_.placedY / 2 * p->linesize[2] + settings_.placedX / 2};
    const std::uint8_t* source[1] = {reinterpret_cast<const std::uint8_t*>(pixels)};
    const int sourceStride[1] = {width * 4};
    sws_scale(scale_.get(), source, sourceStride, 0, height, dest, p->linesize);
    return "";
  }

  // The audio thread: encodes what AddAudio queues, and at the end what is
  // left and what the encoder holds back.
  void EncodeAudio() {
    const std::size_t size = static_cast<std::size_t>(audio_->frame_size) * kCdChannels;
    std::vector<std::int16_t> pending, taken;
    for (;;) {
      bool last = false;
      {
        std::unique_lock lock(audioMutex_);
        audioReady_.wait(lock, [&] { return !queued_.empty() || closing_; });
        if (abandoned_) return;
        taken.swap(queued_);
        last = closing_;
        audioRoom_.notify_all();
      }
      pending.insert(pending.end(), taken.begin(), taken.end());
      taken.clear();
      std::size_t used = 0;
      std::string e;
      for (; e.empty() && pending.size() - used >= size; used += size)
        e = SendAudio(pending.data() + used, size / kCdChannels);
      pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(used));
      if (e.empty() && last && !pending.empty())
        e = SendAudio(pending.data(), pending.size() / kCdChannels);
      if (e.empty() && last) e = Send(audio_.get(), audioStream_, nullptr);
      if (!e.empty()) {
        std::lock_guard lock(audioMutex_);
        audioError_ = e;
        audioRoom_.notify_all();
        return;
      }
      if (last) return;
    }
  }

  // Ends the audio thread once it has encoded everything queued; its failure, or "".
  std::string StopAudio() {
    if (!audioThread_.joinable()) return "";
    {
      std::lock_guard lock(audioMutex_);
      closing_ = true;
      audioReady_.notify_one();
    }
    audioThread_.join();
    return audioError_;
  }

  std::string SendAudio(const std::int16_t* samples, std::size_t frames) {
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    if (!frame) return "out of memory";
    frame->format = AV_SAMPLE_FMT_FLTP;
    frame->sample_rate = kCdSampleRate;
    frame->nb_samples = static_cast<int>(frames);
    av_channel_layout_default(&frame->ch_layout, kCdChannels);
    if (av_frame_get_buffer(frame.get(), 0) < 0) return "out of memory";
    for (int ch = 0; ch < kCdChannels; ++ch) {
      auto* out = reinterpret_cast<float*>(frame->data[ch]);
      for (std::size_t i = 0; i < frames; ++i)
        out[i] = static_cast<float>(samples[i * kCdChannels + ch]) / 32768.0f;
    }
    frame->pts = nextSample_;
    nextSample_ += static_cast<std::int64_t>(frames);
    return Send(audio_.get(), audioStream_, frame.get());
  }

  // Gives the encoder a frame (nullptr: drains it) and writes what comes out.
  std::string Send(AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
    int code = avcodec_send_frame(codec, frame);
    if (code < 0) return "cannot encode: " + Reason(code);
    // One packet for each stream: each is encoded on its own thread.
    std::unique_ptr<AVPacket, PacketFree>& packet =
        codec == video_.get() ? videoPacket_ : audioPacket_;
    if (!packet) packet.reset(av_packet_alloc());
    if (!packet) return "out of memory";
    for (;;) {
      code = avcodec_receive_packet(codec, packet.get());
      if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return "";
      if (code < 0) return "cannot encode: " + Reason(code);
      if (codec == video_.get()) {
        --inFlight_;
        if (repeatable_) {
          if (std::string e = WriteRenumbered(); !e.empty()) return e;
          continue;
        }
      }
      if (std::string e = Write(codec, stream, packet.get()); !e.empty()) return e;
    }
  }

  std::string Write(AVCodecContext* codec, AVStream* stream, AVPacket* packet) {
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    std::lock_guard lock(muxMutex_);
    const int code = av_interleaved_write_frame(output_, packet);
    return code < 0 ? Reason(code) : "";
  }

  // The encoder's picture in videoPacket_, after the copies that come before it.
  std::string WriteRenumbered() {
    AVPacket* packet = videoPacket_.get();
    if (std::string e = RepeatUpTo(packet->pts); !e.empty()) return e;
    unit_.clear();
    if (!repeater_.Renumber(packet->data, static_cast<std::size_t>(packet->size), unit_))
      return "the H.264 encoder made a picture that cannot be renumbered";
    std::unique_ptr<AVPacket, PacketFree> out(av_packet_alloc());
    if (!out || av_new_packet(out.get(), static_cast<int>(unit_.size())) < 0 ||
        av_packet_copy_props(out.get(), packet) < 0)
      return "out of memory";
    std::memcpy(out->data, unit_.data(), unit_.size());
    written_ = packet->pts + 1;
    av_packet_unref(packet);
    return Write(video_.get(), videoStream_, out.get());
  }

  // Copies of the last picture for the frames before `end` not yet written.
  std::string RepeatUpTo(std::int64_t end) {
    for (; written_ < end; ++written_) {
      unit_.clear();
      repeater_.Repeat(unit_);
      std::unique_ptr<AVPacket, PacketFree> out(av_packet_alloc());
      if (!out || av_new_packet(out.get(), static_cast<int>(unit_.size())) < 0)
        return "out of memory";
      std::memcpy(out->data, unit_.data(), unit_.size());
      out->pts = out->dts = written_;
      out->duration = 1;
      if (std::string e = Write(video_.get(), videoStream_, out.get()); !e.empty()) return e;
    }
    return "";
  }

  void Close() {
    if (output_ != nullptr) {
      if (output_->pb != nullptr) avio_closep(&output_->pb);
      avformat_free_context(output_);
      output_ = nullptr;
    }
  }

  VideoSinkSettings settings_;
  AVFormatContext* output_ = nullptr;
  std::unique_ptr<AVCodecContext, CodecContextFree> video_, audio_;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;
  std::unique_ptr<AVFrame, FrameFree> picture_;
  std::unique_ptr<AVPacket, PacketFree> videoPacket_, audioPacket_;
  std::unique_ptr<SwsContext, ScaleFree> scale_;
  int scaleWidth_ = 0, scaleHeight_ = 0;
  bool converted_ = false;
  std::int64_t nextFrame_ = 0;
  // Copies of unchanged pictures (h264_repeat.h), when the stream allows them.
  H264Repeater repeater_;
  bool repeatable_ = false;
  int refinementsLeft_ = 0;
  std::int64_t inFlight_ = 0;  // frames the encoder holds
  std::int64_t written_ = 0;   // frames in the file
  std::vector<std::uint8_t> unit_;
  std::int64_t nextSample_ = 0;  // the audio thread's own
  std::thread audioThread_;
  std::mutex audioMutex_;  // guards what follows
  std::condition_variable audioReady_, audioRoom_;
  std::vector<std::int16_t> queued_;
  bool closing_ = false, abandoned_ = false;
  std::string audioError_;
  std::mutex muxMutex_;  // both threads write to the file
};

}  // namespace
}  // namespace mosaicer

extern "C" __attribute__((visibility("default"))) mosaicer::VideoSink* mosaicer_make_video_sink() {
  return new (std::nothrow) mosaicer::FfmpegSink();
}
