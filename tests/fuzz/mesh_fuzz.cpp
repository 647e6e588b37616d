// Fuzzing harness of the mesh readers (not built by CI). The first byte of
// an input chooses the reader, the rest is the file:
//   byte % 3 == 0: ".msh" text from a string stream (seekable),
//   byte % 3 == 1: ".msh" text from a one-way stream (like a pipe),
//   byte % 3 == 2: ".sms" text from a file.
// Whatever a read leaves in the mesh (a failed read keeps what it made) is
// walked, written and read again, and the mesh deleted. A read may fail with
// the library's exception; anything else (a crash, a sanitizer report, a
// hang, memory out of proportion to the input) is a finding.
//
// Build and run with clang's libFuzzer (see build_mesh_fuzz.sh):
//   tests/fuzz/build_mesh_fuzz.sh /tmp/mesh_fuzz
//   /tmp/mesh_fuzz/mesh_fuzz -max_total_time=600 -rss_limit_mb=2048 \
//       /tmp/mesh_fuzz/corpus tests/fuzz/mesh_seeds
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <sstream>
#include <string>

#include "KORA_Util.h"
#include "mException.h"
#include "mMesh.h"
#include "one_way_buffer.h"

using namespace KORA;

namespace {

std::string smsPath() {
  return "/tmp/mesh_fuzz_" + std::to_string(::getpid()) + ".sms";
}

void read(int mode, const std::string& text, mMesh* m) {
  KORA_Util* u = KORA_Util::Instance();
  if (mode == 0) {
    std::istringstream in(text);
    u->importDGFile(in, m);
  } else if (mode == 1) {
    OneWayBuffer buffer(text);
    std::istream in(&buffer);
    u->importDGFile(in, m);
  } else {
    const std::string path = smsPath();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
    }
    struct Remove {
      const std::string& path;
      ~Remove() { std::remove(path.c_str()); }
    } removeAfter{path};
    u->importSmsFile(path.c_str(), m);
  }
}

// The refinement walks over every entity.
void walk(mMesh* m) {
  for (int d = 1; d <= 3; ++d)
    for (auto it = m->beginall(d), last = m->endall(d); it != last; ++it) {
      mEntity* e = *it;
      m->getRefinementDepth(e);
      m->getRefinementLevel(e);
      if (!e->parent()) {
        std::list<mEntity*> leaves;
        e->getLeaves(leaves);
      }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The library prints its exceptions and some records to standard output.
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int mode = data[0] % 3;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  auto m = std::make_unique<mMesh>(1);
  try {
    read(mode, text, m.get());
  } catch (mException* e) {
    delete e;
  }
  walk(m.get());
  std::ostringstream out;
  KORA_Util::Instance()->exportDGFile(out, m.get(), false);
  m.reset();
  mMesh back(1);
  try {
    std::istringstream in(out.str());
    KORA_Util::Instance()->importDGFile(in, &back);
  } catch (mException* e) {
    delete e;
  }
  return 0;
}
