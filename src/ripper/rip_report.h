// What a rip tells about each track it read: how many packs came off the
// disc, how many needed repair and how, which sectors still hold packs no
// parity could save, how much was read again, and whether the subcode kept
// step with the audio. The command line and the ripper window show these
// figures and write them as a log beside the output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/io_status.h"

namespace mosaicer {

// Sectors listed by number in a report; the rest are only counted.
inline constexpr std::size_t kListedSectors = 20;

struct SlipFigures {
  std::int64_t offset = 0;       // sectors the subcode runs late (negative: early)
  std::uint64_t agreeing = 0;    // Q frames showing that offset
  std::uint64_t qFrames = 0;     // Q frames with a good CRC and an absolute time
  std::int64_t corrected = 0;    // the shift applied while ripping
  bool measured = false;         // the subcode's Q channel was looked at
};

struct TrackRipReport {
  int track = 0;  // list position + 1
  std::string file;
  bool judged = false;  // packs were checked (not for raw subcode written as read)
  std::uint64_t sectors = 0;
  std::uint64_t packsRead = 0;
  std::uint64_t graphicsPacks = 0;
  std::uint64_t repairedAtFirstRead = 0;
  std::uint64_t repairedByRereading = 0;
  std::uint64_t unrepairable = 0;
  // Sectors of the file holding unrepairable packs, in order, each once;
  // the first kListedSectors of them.
  std::vector<std::int64_t> unrepairableSectors;
  std::uint64_t unrepairableSectorCount = 0;
  std::int64_t lastUnrepairableSector = -1;
  std::uint64_t sectorsReread = 0;
  std::uint64_t readErrors = 0;
  SlipFigures slip;

  // Records an unrepairable pack of file sector `sector`.
  void AddUnrepairable(std::int64_t sector);
};

// The report of one track, one "name: value" line per figure, in the
// current language.
std::string FormatTrackReport(const TrackRipReport& report);
// Every track's report, a blank line between them.
std::string FormatRipReports(const std::vector<TrackRipReport>& reports);
// The line about the subcode's timing; empty when nothing was measured or
// no Q frame had a usable time.
std::string SlipText(const SlipFigures& slip);

std::uint64_t UnrepairablePacks(const std::vector<TrackRipReport>& reports);

// The log beside a rip's output: `base` + ".log", or, when that exists and
// may not be replaced, the first free "<base> - <nnn>.log".
std::string RipLogName(const std::string& base, bool replace);
IoStatus WriteRipLog(const std::string& path, const std::vector<TrackRipReport>& reports);

}  // namespace mosaicer
