#include "ripper/rip_report.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/language.h"
#include "platform/output_file.h"

namespace mosaicer {
namespace {

constexpr int kMaxLogSuffix = 999;

std::string Line(const char* name, std::uint64_t value) {
  return std::string(Tr(name)) + ": " + std::to_string(value) + "\n";
}

std::string SectorList(const TrackRipReport& r) {
  std::string list;
  for (std::int64_t sector : r.unrepairableSectors) {
    if (!list.empty()) list += ", ";
    list += std::to_string(sector);
  }
  if (r.unrepairableSectorCount > r.unrepairableSectors.size())
    list += Format(Tr(" and %1 more"),
                   {std::to_string(r.unrepairableSectorCount - r.unrepairableSectors.size())});
  return list;
}

}  // namespace

void TrackRipReport::AddUnrepairable(std::int64_t sector) {
  ++unrepairable;
  // Sectors arrive in order, so a sector already counted is the last one.
  if (sector == lastUnrepairableSector) return;
  lastUnrepairableSector = sector;
  ++unrepairableSectorCount;
  if (unrepairableSectors.size() < kListedSectors) unrepairableSectors.push_back(sector);
}

std::string SlipText(const SlipFigures& slip) {
  if (!slip.measured || slip.qFrames == 0) return {};
  const std::uint64_t n = static_cast<std::uint64_t>(std::llabs(slip.offset));
  std::string text;
  if (slip.offset == 0)
    text = Tr("subcode in step with the audio");
  else if (slip.offset > 0)
    text = Format(n == 1 ? Tr("subcode runs %1 sector late") : Tr("subcode runs %1 sectors late"),
                  {std::to_string(n)});
  else
    text = Format(n == 1 ? Tr("subcode runs %1 sector early") : Tr("subcode runs %1 sectors early"),
                  {std::to_string(n)});
  text += Format(Tr(" (%1 of %2 Q frames)"),
                 {std::to_string(slip.agreeing), std::to_string(slip.qFrames)});
  if (slip.corrected != 0)
    text += Format(Tr("; shifted by %1 sectors against the audio"), {std::to_string(slip.corrected)});
  else if (slip.offset != 0)
    text += Tr("; --fix-slip or the ripper's slip setting corrects it");
  return text;
}

std::string FormatTrackReport(const TrackRipReport& r) {
  std::string text = Format(Tr("track %1: %2"), {std::to_string(r.track), IoStatus::Quoted(r.file)}) + "\n";
  text += Line(N_("sectors"), r.sectors);
  text += Line(N_("packs read"), r.packsRead);
  if (r.judged) {
    text += Line(N_("graphics packs"), r.graphicsPacks);
    text += Line(N_("repaired at first read"), r.repairedAtFirstRead);
    text += Line(N_("repaired by re-reading"), r.repairedByRereading);
    text += Line(N_("still unrepairable"), r.unrepairable);
    if (r.unrepairable != 0)
      text += std::string(Tr("unrepairable sectors")) + ": " + SectorList(r) + "\n";
    text += Line(N_("sectors re-read"), r.sectorsReread);
  }
  text += Line(N_("read errors"), r.readErrors);
  if (const std::string slip = SlipText(r.slip); !slip.empty())
    text += std::string(Tr("subcode timing")) + ": " + slip + "\n";
  return text;
}

std::string FormatRipReports(const std::vector<TrackRipReport>& reports) {
  std::string text;
  for (const TrackRipReport& r : reports) {
    if (!text.empty()) text += "\n";
    text += FormatTrackReport(r);
  }
  return text;
}

std::uint64_t UnrepairablePacks(const std::vector<TrackRipReport>& reports) {
  std::uint64_t n = 0;
  for (const TrackRipReport& r : reports) n += r.unrepairable;
  return n;
}

std::string RipLogName(const std::string& base, bool replace) {
  std::string name = base + ".log";
  if (replace || !std::filesystem::exists(name)) return name;
  for (int n = 1; n <= kMaxLogSuffix; ++n) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, " - %.3d.log", n);
    name = base + suffix;
    if (!std::filesystem::exists(name)) return name;
  }
  return name;
}

IoStatus WriteRipLog(const std::string& path, const std::vector<TrackRipReport>& reports) {
  const std::string text = FormatRipReports(reports);
  return WriteFileAtomically(path, text.data(), text.size());
}

}  // namespace mosaicer
