// Reading an effect's tile order must take time linear in its steps.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>

#include "effects/tile_order.h"
#include "effects/tlo_file.h"

namespace {

// One effect file per step count, written once into the temp folder.
const std::string& EffectFile(int steps) {
  static std::map<int, std::string> files;
  auto& file = files[steps];
  if (file.empty()) {
    file = (std::filesystem::temp_directory_path() /
            ("mosaicer-bench-" + std::to_string(steps) + ".tlo"))
               .string();
    mosaicer::TileOrder order;
    for (int i = 0; i < steps; ++i)
      order.push_back(
          {static_cast<std::uint16_t>(i % 50), static_cast<std::uint16_t>(i / 50 % 18)});
    mosaicer::WriteTloFile(file, mosaicer::TTloFile{}, order);
  }
  return file;
}

void BM_ReadTileOrder(benchmark::State& state) {
  const std::string& file = EffectFile(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(mosaicer::ReadTileOrder(file));
}
BENCHMARK(BM_ReadTileOrder)->Arg(900)->Arg(9000)->Arg(65535);

// References: the small file read as many times as the large one is larger.
void BM_ReadTileOrderTimesTen(benchmark::State& state) {
  const std::string& file = EffectFile(static_cast<int>(state.range(0)));
  for (auto _ : state)
    for (int i = 0; i < 10; ++i) benchmark::DoNotOptimize(mosaicer::ReadTileOrder(file));
}
BENCHMARK(BM_ReadTileOrderTimesTen)->Arg(900);

void BM_ReadTileOrderScaled(benchmark::State& state) {
  const std::string& file = EffectFile(static_cast<int>(state.range(0)));
  // 65535 / 900 is 72.8; 72 reads leave the ratio 1 % on the high side.
  for (auto _ : state)
    for (int i = 0; i < 72; ++i) benchmark::DoNotOptimize(mosaicer::ReadTileOrder(file));
}
BENCHMARK(BM_ReadTileOrderScaled)->Arg(900);

}  // namespace
