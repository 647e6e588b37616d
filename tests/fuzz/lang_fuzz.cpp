// Fuzz target of the input language: each input is read as a parameter file
// (scanner, parser, statements and the binding to the run parameters), then
// every expression it defined is evaluated in two regions. Not built by the
// project's CMake and not run by CI; build it with clang's libFuzzer over
// sanitized libraries:
//
//   cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
//     -DCMAKE_CXX_FLAGS="-O1 -g -fsized-deallocation -fsanitize=fuzzer-no-link,address,undefined" \
//     -DDG_BUILD_TESTS=OFF -DDG_BUILD_BENCH=OFF
//   cmake --build build-fuzz -j 3
//   tests/fuzz/lang_fuzz_build.sh build-fuzz        (links build-fuzz/lang_fuzz)
//   mkdir -p corpus && cp tests/data/*.par tests/fuzz/lang_seeds/* corpus/
//   build-fuzz/lang_fuzz -dict=tests/fuzz/lang.dict -close_fd_mask=1 -timeout=30 \
//     -rss_limit_mb=2048 -max_total_time=600 corpus
//
// An input that leaves a block comment open is skipped: there the scanner
// ends the process with status 1, as it must.

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "DGParameters.h"
#include "Expression.h"
#include "GlobalParamManager.h"
#include "Parser.h"

namespace {

std::string fileName;
DGParameters *pristine = nullptr;

// True when the scanner would meet the end of the input inside "/* ...":
// quoted texts and line comments are skipped as the scanner skips them.
bool endsInsideBlockComment(const std::string &t) {
  const std::size_t n = t.size();
  for (std::size_t i = 0; i < n;) {
    if (t[i] == '"') {
      const std::size_t j = t.find('"', i + 1);
      if (j == std::string::npos) return false;
      i = j + 1;
      continue;
    }
    if (t[i] == '/' && i + 1 < n) {
      if (t[i + 1] == '/') {
        const std::size_t j = t.find('\n', i + 2);
        if (j == std::string::npos) return false;
        i = j + 1;
        continue;
      }
      if (t[i + 1] == '*') {
        const std::size_t j = t.find("*/", i + 2);
        if (j == std::string::npos) return true;
        i = j + 2;
        continue;
      }
      if (t[i + 1] == '\\') {
        i += 2;
        continue;
      }
    }
    i++;
  }
  return false;
}

// Sensors are checked by the parser but not made: no files are written.
bool acceptSensor(const SensorRequest &) { return true; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  pristine = new DGParameters(*ctx->parameters);
  fileName = "/tmp/lang_fuzz_" + std::to_string(getpid()) + ".par";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  if (endsInsideBlockComment(text)) return 0;
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  *ctx->parameters = *pristine;
  Parser_Reset();
  Input_CreateSensor = acceptSensor;
  {
    FILE *f = std::fopen(fileName.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  try {
    ctx->parseInputFile(fileName.c_str());
  } catch (const std::string &) {
    // A refused file: reported, as it should be.
  }
  DGParameters &p = *ctx->parameters;
  for (int region : {1, 2}) {
    p.state.region = region;
    for (int i = 0; i < List_Nbr(Problem_S.Expressions); i++) {
      Value v{};
      if (Expression *e = Get_Expression(i)) Get_ValueOfExpression(e, &v);
    }
  }
  std::fflush(stdout);
  return 0;
}
