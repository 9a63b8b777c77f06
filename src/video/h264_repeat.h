// Repeated pictures without the encoder: a CD+G screen stands still for
// most of a title, and an H.264 encoder spends as long on a picture that
// equals the last one as on any other. A P picture whose every macroblock is
// skipped (zero motion, no residual, no deblocking) decodes to an exact copy
// of its reference, so the exporter gives the encoder only the pictures that
// changed and writes these copies for the rest: every frame is still in the
// stream at a constant rate, and a decoder shows the same pixels as if the
// encoder had coded them as skips itself.
//
// The copies are reference pictures, so the frame_num of every encoder
// picture after them is renumbered; this holds only for streams whose
// picture order follows frame_num (pic_order_cnt_type 2, which means no B
// pictures), with one reference frame, progressive, one slice group and no
// weighted prediction. Configure says whether a stream is one of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mosaicer {

class H264Repeater {
 public:
  // Reads the sequence and picture parameter sets from Annex B NAL units
  // (the encoder's global header). False when they are missing or the
  // stream is of a form the copies cannot join; then every frame must go
  // through the encoder.
  bool Configure(const std::uint8_t* headers, std::size_t size);

  // One access unit from the encoder (Annex B) as it goes into the stream:
  // its slices renumbered to follow the copies written before it. False
  // when it holds a slice this cannot renumber.
  bool Renumber(const std::uint8_t* unit, std::size_t size, std::vector<std::uint8_t>& out);

  // An access unit that shows the previous picture again (Annex B).
  void Repeat(std::vector<std::uint8_t>& out);

 private:
  std::vector<std::uint8_t> RepeatSlice(std::uint32_t frameNum) const;

  int log2MaxFrameNum_ = 0;
  int widthInMbs_ = 0, heightInMbs_ = 0;
  int ppsId_ = 0;
  bool cabac_ = false;
  bool redundantPicCount_ = false;
  bool deblockingControl_ = false;
  int defaultRefsMinus1_ = 0;
  int initQpMinus26_ = 0;
  bool configured_ = false;
  std::uint32_t lastRefFrameNum_ = 0;
  std::vector<std::uint8_t> cabacSkips_;  // the copies' slice data, the same in each
};

}  // namespace mosaicer
