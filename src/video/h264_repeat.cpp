#include "video/h264_repeat.h"

#include <algorithm>
#include <array>

namespace mosaicer {
namespace {

constexpr int kNalSliceNonIdr = 1;
constexpr int kNalSliceIdr = 5;
constexpr int kNalSps = 7;
constexpr int kNalPps = 8;
constexpr int kPicOrderFollowsFrameNum = 2;  // pic_order_cnt_type 2
constexpr std::uint32_t kSliceTypeAllP = 5;
constexpr std::uint8_t kRepeatNalHeader = 2 << 5 | kNalSliceNonIdr;  // a reference picture
constexpr std::uint32_t kDeblockingOff = 1;
constexpr int kSkipQp = 26;  // the copies' slice QP; any value decodes alike
constexpr std::array<std::uint8_t, 4> kStartCode = {0, 0, 0, 1};

// The arithmetic coder's tables (H.264 tables 9-44 and 9-45).
constexpr std::uint8_t kRangeLps[64][4] = {
    {128, 176, 208, 240}, {128, 167, 197, 227}, {128, 158, 187, 216}, {123, 150, 178, 205},
    {116, 142, 169, 195}, {111, 135, 160, 185}, {105, 128, 152, 175}, {100, 122, 144, 166},
    {95, 116, 137, 158},  {90, 110, 130, 150},  {85, 104, 123, 142},  {81, 99, 117, 135},
    {77, 94, 111, 128},   {73, 89, 105, 122},   {69, 85, 100, 116},   {66, 80, 95, 110},
    {62, 76, 90, 104},    {59, 72, 86, 99},     {56, 69, 81, 94},     {53, 65, 77, 89},
    {51, 62, 73, 85},     {48, 59, 69, 80},     {46, 56, 66, 76},     {43, 53, 63, 72},
    {41, 50, 59, 69},     {39, 48, 56, 65},     {37, 45, 54, 62},     {35, 43, 51, 59},
    {33, 41, 48, 56},     {32, 39, 46, 53},     {30, 37, 43, 50},     {29, 35, 41, 48},
    {27, 33, 39, 45},     {26, 31, 37, 43},     {24, 30, 35, 41},     {23, 28, 33, 39},
    {22, 27, 32, 37},     {21, 26, 30, 35},     {20, 24, 29, 33},     {19, 23, 27, 31},
    {18, 22, 26, 30},     {17, 21, 25, 28},     {16, 20, 23, 27},     {15, 19, 22, 25},
    {14, 18, 21, 24},     {14, 17, 20, 23},     {13, 16, 19, 22},     {12, 15, 18, 21},
    {12, 14, 17, 20},     {11, 14, 16, 19},     {11, 13, 15, 18},     {10, 12, 15, 17},
    {10, 12, 14, 16},     {9, 11, 13, 15},      {9, 11, 12, 14},      {8, 10, 12, 14},
    {8, 9, 11, 13},       {7, 9, 11, 12},       {7, 9, 10, 12},       {7, 8, 10, 11},
    {6, 8, 9, 11},        {6, 7, 9, 10},        {6, 7, 8, 9},         {2, 2, 2, 2}};
constexpr std::uint8_t kNextStateAfterLps[64] = {
    0,  0,  1,  2,  2,  4,  4,  5,  6,  7,  8,  9,  9,  11, 11, 12, 13, 13, 15, 15, 16, 16,
    18, 18, 19, 19, 21, 21, 22, 22, 23, 24, 24, 25, 26, 26, 27, 27, 28, 29, 29, 30, 30, 30,
    31, 32, 32, 33, 33, 33, 34, 34, 35, 35, 35, 36, 36, 36, 37, 37, 37, 38, 38, 63};
constexpr int kLastAdaptiveState = 62;
// mb_skip_flag's first context in P slices with cabac_init_idc 0 (table 9-13).
constexpr int kSkipContextM = 23, kSkipContextN = 33;

struct Span {
  const std::uint8_t* data;
  std::size_t size;
};

// The NAL units of an Annex B stream, start codes and trailing zeros left out.
std::vector<Span> SplitNals(const std::uint8_t* data, std::size_t size) {
  std::vector<Span> nals;
  std::size_t i = 0, begin = 0;
  bool inside = false;
  const auto close = [&](std::size_t end) {
    while (end > begin && data[end - 1] == 0) --end;
    if (inside && end > begin) nals.push_back({data + begin, end - begin});
  };
  while (i + 3 <= size) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
      close(i);
      begin = i + 3;
      inside = true;
      i += 3;
    } else {
      ++i;
    }
  }
  close(size);
  return nals;
}

// A NAL unit's payload without its emulation prevention bytes.
std::vector<std::uint8_t> Unescape(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> rbsp;
  rbsp.reserve(size);
  int zeros = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (zeros >= 2 && data[i] == 3) {
      zeros = 0;
      continue;
    }
    zeros = data[i] == 0 ? zeros + 1 : 0;
    rbsp.push_back(data[i]);
  }
  return rbsp;
}

// Appends `rbsp` after a start code and `header`, escaping every start code
// look-alike.
void AppendNal(std::uint8_t header, const std::vector<std::uint8_t>& rbsp,
               std::vector<std::uint8_t>& out) {
  out.insert(out.end(), kStartCode.begin(), kStartCode.end());
  out.push_back(header);
  int zeros = 0;
  for (std::uint8_t b : rbsp) {
    if (zeros >= 2 && b <= 3) {
      out.push_back(3);
      zeros = 0;
    }
    out.push_back(b);
    zeros = b == 0 ? zeros + 1 : 0;
  }
  if (zeros > 0) out.push_back(3);
}

class BitReader {
 public:
  explicit BitReader(const std::vector<std::uint8_t>& data) : data_(data) {}
  std::uint32_t Bits(int n) {
    std::uint32_t v = 0;
    for (int k = 0; k < n; ++k) {
      if (at_ >= data_.size() * 8) {
        failed_ = true;
        return 0;
      }
      v = v << 1 | ((data_[at_ / 8] >> (7 - at_ % 8)) & 1);
      ++at_;
    }
    return v;
  }
  std::uint32_t Ue() {
    int zeros = 0;
    while (Bits(1) == 0) {
      if (failed_ || ++zeros > 31) {
        failed_ = true;
        return 0;
      }
    }
    return ((1u << zeros) - 1) + Bits(zeros);
  }
  std::int32_t Se() {
    const std::uint32_t k = Ue();
    return k & 1 ? static_cast<std::int32_t>((k + 1) / 2) : -static_cast<std::int32_t>(k / 2);
  }
  std::size_t position() const { return at_; }
  bool ok() const { return !failed_; }

 private:
  const std::vector<std::uint8_t>& data_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

class BitWriter {
 public:
  void Put(std::uint32_t value, int n) {
    for (int k = n - 1; k >= 0; --k) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      if ((value >> k) & 1) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (used_ % 8));
      ++used_;
    }
  }
  void Ue(std::uint32_t value) {
    const std::uint32_t v = value + 1;
    int bits = 0;
    while ((v >> bits) > 1) ++bits;
    Put(0, bits);
    Put(v, bits + 1);
  }
  void Se(std::int32_t value) {
    Ue(value > 0 ? static_cast<std::uint32_t>(2 * value - 1) : static_cast<std::uint32_t>(-2 * value));
  }
  bool aligned() const { return used_ % 8 == 0; }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t used_ = 0;
};

// The arithmetic encoder of H.264's clause 9.3.4, for the few bins a slice
// of skipped macroblocks needs.
class CabacWriter {
 public:
  explicit CabacWriter(BitWriter& out) : out_(out) {}
  struct Context {
    int state;
    int mps;
  };
  static Context Init(int m, int n, int qp) {
    const int pre = std::clamp(((m * std::clamp(qp, 0, 51)) >> 4) + n, 1, 126);
    return pre <= 63 ? Context{63 - pre, 0} : Context{pre - 64, 1};
  }
  void Decision(Context& c, int bin) {
    const int lps = kRangeLps[c.state][(range_ >> 6) & 3];
    range_ -= static_cast<std::uint32_t>(lps);
    if (bin != c.mps) {
      low_ += range_;
      range_ = static_cast<std::uint32_t>(lps);
      if (c.state == 0) c.mps = 1 - c.mps;
      c.state = kNextStateAfterLps[c.state];
    } else {
      c.state = std::min(c.state + 1, kLastAdaptiveState);
    }
    Renormalise();
  }
  // end_of_slice_flag; a 1 ends the arithmetic code and writes the stop bit.
  void Terminate(bool last) {
    range_ -= 2;
    if (!last) {
      Renormalise();
      return;
    }
    low_ += range_;
    range_ = 2;
    Renormalise();
    PutBit((low_ >> 9) & 1);
    out_.Put(((low_ >> 7) & 3) | 1, 2);
  }

 private:
  void PutBit(std::uint32_t b) {
    if (first_)
      first_ = false;
    else
      out_.Put(b, 1);
    for (; outstanding_ > 0; --outstanding_) out_.Put(1 - b, 1);
  }
  void Renormalise() {
    while (range_ < 256) {
      if (low_ < 256) {
        PutBit(0);
      } else if (low_ >= 512) {
        low_ -= 512;
        PutBit(1);
      } else {
        low_ -= 256;
        ++outstanding_;
      }
      range_ <<= 1;
      low_ <<= 1;
    }
  }
  BitWriter& out_;
  std::uint32_t low_ = 0, range_ = 510;
  int outstanding_ = 0;
  bool first_ = true;
};

constexpr bool HasChromaFormat(std::uint32_t profile) {
  for (std::uint32_t p : {100u, 110u, 122u, 244u, 44u, 83u, 86u, 118u, 128u, 138u, 139u, 134u, 135u})
    if (p == profile) return true;
  return false;
}

}  // namespace

bool H264Repeater::Configure(const std::uint8_t* headers, std::size_t size) {
  configured_ = false;
  bool haveSps = false, havePps = false;
  std::uint32_t spsId = 0, ppsSpsId = 0;
  for (const Span& nal : SplitNals(headers, size)) {
    const int type = nal.data[0] & 0x1F;
    if (type != kNalSps && type != kNalPps) continue;
    const std::vector<std::uint8_t> rbsp = Unescape(nal.data + 1, nal.size - 1);
    BitReader r(rbsp);
    if (type == kNalSps) {
      if (haveSps) return false;  // one sequence only
      const std::uint32_t profile = r.Bits(8);
      r.Bits(16);  // constraint flags, level
      spsId = r.Ue();
      if (HasChromaFormat(profile)) {
        if (r.Ue() == 3 && r.Bits(1) != 0) return false;  // colour planes coded apart
        r.Ue();                                            // bit depths
        r.Ue();
        r.Bits(1);
        if (r.Bits(1) != 0) return false;  // scaling matrices
      }
      log2MaxFrameNum_ = static_cast<int>(r.Ue()) + 4;
      if (r.Ue() != kPicOrderFollowsFrameNum) return false;
      if (r.Ue() > 1) return false;  // more than one reference frame
      r.Bits(1);
      widthInMbs_ = static_cast<int>(r.Ue()) + 1;
      heightInMbs_ = static_cast<int>(r.Ue()) + 1;
      if (r.Bits(1) != 1) return false;  // interlaced
      if (!r.ok() || log2MaxFrameNum_ > 16) return false;
      haveSps = true;
    } else {
      if (havePps) return false;
      ppsId_ = static_cast<int>(r.Ue());
      ppsSpsId = r.Ue();
      cabac_ = r.Bits(1) != 0;
      r.Bits(1);                     // bottom_field_pic_order_in_frame_present_flag
      if (r.Ue() != 0) return false;  // slice groups
      defaultRefsMinus1_ = static_cast<int>(r.Ue());
      r.Ue();
      if (r.Bits(1) != 0) return false;  // weighted prediction
      r.Bits(2);
      initQpMinus26_ = r.Se();
      r.Se();
      r.Se();
      deblockingControl_ = r.Bits(1) != 0;
      r.Bits(1);
      redundantPicCount_ = r.Bits(1) != 0;
      if (!r.ok()) return false;
      havePps = true;
    }
  }
  if (!haveSps || !havePps || spsId != ppsSpsId) return false;

  cabacSkips_.clear();
  if (cabac_) {
    BitWriter w;
    CabacWriter coder(w);
    // Every neighbour is skipped too, so each flag takes the first context.
    CabacWriter::Context skip = CabacWriter::Init(kSkipContextM, kSkipContextN, kSkipQp);
    const int mbs = widthInMbs_ * heightInMbs_;
    for (int mb = 0; mb < mbs; ++mb) {
      coder.Decision(skip, 1);
      coder.Terminate(mb + 1 == mbs);
    }
    while (!w.aligned()) w.Put(0, 1);
    cabacSkips_ = std::move(w.bytes());
  }
  lastRefFrameNum_ = 0;
  configured_ = true;
  return true;
}

bool H264Repeater::Renumber(const std::uint8_t* unit, std::size_t size,
                            std::vector<std::uint8_t>& out) {
  if (!configured_) return false;
  const std::vector<Span> nals = SplitNals(unit, size);
  bool idr = false, reference = false;
  for (const Span& nal : nals) {
    const int type = nal.data[0] & 0x1F;
    if (type == kNalSliceIdr) idr = true;
    if ((type == kNalSliceIdr || type == kNalSliceNonIdr) && (nal.data[0] >> 5) != 0)
      reference = true;
  }
  const std::uint32_t mask = (1u << log2MaxFrameNum_) - 1;
  const std::uint32_t frameNum = idr ? 0 : (lastRefFrameNum_ + 1) & mask;
  for (const Span& nal : nals) {
    if ((nal.data[0] & 0x1F) != kNalSliceNonIdr) {
      out.insert(out.end(), kStartCode.begin(), kStartCode.end());
      out.insert(out.end(), nal.data, nal.data + nal.size);
      continue;
    }
    std::vector<std::uint8_t> rbsp = Unescape(nal.data + 1, nal.size - 1);
    BitReader r(rbsp);
    r.Ue();  // first_mb_in_slice
    r.Ue();  // slice_type
    if (r.Ue() != static_cast<std::uint32_t>(ppsId_) || !r.ok()) return false;
    const std::size_t at = r.position();
    if (at + static_cast<std::size_t>(log2MaxFrameNum_) > rbsp.size() * 8) return false;
    for (int k = 0; k < log2MaxFrameNum_; ++k) {
      const std::size_t bit = at + static_cast<std::size_t>(k);
      const auto mask8 = static_cast<std::uint8_t>(0x80 >> (bit % 8));
      if ((frameNum >> (log2MaxFrameNum_ - 1 - k)) & 1)
        rbsp[bit / 8] |= mask8;
      else
        rbsp[bit / 8] &= static_cast<std::uint8_t>(~mask8);
    }
    AppendNal(nal.data[0], rbsp, out);
  }
  if (idr || reference) lastRefFrameNum_ = frameNum;
  return true;
}

void H264Repeater::Repeat(std::vector<std::uint8_t>& out) {
  lastRefFrameNum_ = (lastRefFrameNum_ + 1) & ((1u << log2MaxFrameNum_) - 1);
  AppendNal(kRepeatNalHeader, RepeatSlice(lastRefFrameNum_), out);
}

std::vector<std::uint8_t> H264Repeater::RepeatSlice(std::uint32_t frameNum) const {
  BitWriter w;
  w.Ue(0);  // first_mb_in_slice
  w.Ue(kSliceTypeAllP);
  w.Ue(static_cast<std::uint32_t>(ppsId_));
  w.Put(frameNum, log2MaxFrameNum_);
  if (redundantPicCount_) w.Ue(0);
  if (defaultRefsMinus1_ != 0) {  // one reference in the list
    w.Put(1, 1);
    w.Ue(0);
  } else {
    w.Put(0, 1);
  }
  w.Put(0, 1);  // ref_pic_list_modification_flag_l0
  w.Put(0, 1);  // adaptive_ref_pic_marking_mode_flag: the sliding window
  if (cabac_) w.Ue(0);  // cabac_init_idc
  w.Se(kSkipQp - 26 - initQpMinus26_);
  if (deblockingControl_) w.Ue(kDeblockingOff);
  if (cabac_) {
    while (!w.aligned()) w.Put(1, 1);  // cabac_alignment_one_bit
    std::vector<std::uint8_t> rbsp = std::move(w.bytes());
    rbsp.insert(rbsp.end(), cabacSkips_.begin(), cabacSkips_.end());
    return rbsp;
  }
  w.Ue(static_cast<std::uint32_t>(widthInMbs_ * heightInMbs_));  // mb_skip_run
  w.Put(1, 1);                                                   // rbsp_stop_one_bit
  while (!w.aligned()) w.Put(0, 1);
  return std::move(w.bytes());
}

}  // namespace mosaicer
