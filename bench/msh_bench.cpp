// Reading a ".msh" file of about one million triangles, against writing the
// same file with the standard library's streams. The file is generated once
// into a temporary directory.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "KORA_Util.h"
#include "mBlockPool.h"
#include "mMesh.h"

using namespace KORA;

namespace {

const int N = 708;  // 2 * 708 * 708 = 1 002 528 triangles

// The triangulated unit square, written with std::ofstream.
void writeSquare(const std::string& name) {
  std::ofstream out(name);
  const int nv = (N + 1) * (N + 1);
  out << "$NOE\n" << nv << '\n';
  for (int j = 0; j <= N; ++j)
    for (int i = 0; i <= N; ++i)
      out << j * (N + 1) + i + 1 << ' ' << double(i) / N << ' ' << double(j) / N << " 0\n";
  out << "$ENDNOE\n$PRL\n0\n$ENDPRL\n$ELM\n" << 2 * N * N << '\n';
  int number = 1;
  for (int j = 0; j < N; ++j) {
    for (int i = 0; i < N; ++i) {
      const int a = j * (N + 1) + i + 1, b = a + 1, c = a + N + 1, d = c + 1;
      out << number++ << " 2 1 0 3 " << a << ' ' << b << ' ' << d << '\n';
      out << number++ << " 2 1 0 3 " << a << ' ' << d << ' ' << c << '\n';
    }
  }
  out << "$ENDELM\n";
}

struct TempFile {
  std::string dir, name;
  TempFile() {
    char tmpl[] = "/tmp/msh_bench_XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    dir = tmpl;
    name = dir + "/square.msh";
    writeSquare(name);
  }
  ~TempFile() { std::filesystem::remove_all(dir); }
};

const TempFile& file() {
  static TempFile f;
  return f;
}

void BM_ReadMsh1MTriangles(benchmark::State& state) {
  const std::string& name = file().name;
  for (auto _ : state) {
    auto m = std::make_unique<mMesh>(1);
    KORA_Util::Instance()->importDGFile(name.c_str(), m.get());
    benchmark::DoNotOptimize(m->size(2));
    state.PauseTiming();
    m.reset();
    // Every read starts on fresh memory: the entity pools give their idle
    // slabs back, and malloc its free memory.
    poolTrim();
    malloc_trim(0);
    state.ResumeTiming();
  }
  state.SetLabel(std::to_string(2 * N * N) + " triangles");
}

// The same read once the process keeps the memory it freed (malloc's and the
// entity pools' idle slabs): on a machine where first touches of fresh pages
// are slow, this separates the reader's own cost from the page faults of a
// new mesh's memory.
void BM_ReadMsh1MTrianglesWarmMemory(benchmark::State& state) {
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  const std::string& name = file().name;
  {
    auto warm = std::make_unique<mMesh>(1);
    KORA_Util::Instance()->importDGFile(name.c_str(), warm.get());
  }
  for (auto _ : state) {
    auto m = std::make_unique<mMesh>(1);
    KORA_Util::Instance()->importDGFile(name.c_str(), m.get());
    benchmark::DoNotOptimize(m->size(2));
    state.PauseTiming();
    m.reset();
    state.ResumeTiming();
  }
}

void BM_WriteSameFileTwiceWithStreams(benchmark::State& state) {
  const std::string name = file().dir + "/copy.msh";
  for (auto _ : state) {
    writeSquare(name);
    writeSquare(name);
  }
}

}  // namespace

BENCHMARK(BM_ReadMsh1MTriangles)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadMsh1MTrianglesWarmMemory)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteSameFileTwiceWithStreams)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
