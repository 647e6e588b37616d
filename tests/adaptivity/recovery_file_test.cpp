// The recovery file of hierarchically refined meshes with cells of mixed
// orders: the checkpoint writer gives, byte for byte, the text of the
// stream-based writer it replaced (kept below as it was), and a file read
// back and written again is the same file (every coefficient comes back to
// the bit).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include "DGAdaptation.h"
#include "DGErrorEstimators.h"
#include "KORA_Util.h"
#include "RunHooks.h"
#include "limit_fixture.h"

using namespace lt;

namespace {

// ---------------------------------------------------------------------------
// The writer as it was: streams with precision 16 in scientific notation,
// the mesh section brought into its canonical order as text.

std::vector<std::string> splitLines(const std::string &text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<long> numbersOf(const std::string &line) {
  std::vector<long> v;
  std::istringstream in(line);
  long x;
  while (in >> x) v.push_back(x);
  return v;
}

int dimensionOfRecord(long type) {
  switch (type) {
    case 15: return 0;
    case 1: return 1;
    case 2:
    case 3: return 2;
    default: return 3;
  }
}

std::string canonicalMeshSection(const std::string &text) {
  const std::vector<std::string> lines = splitLines(text);
  std::string out;
  std::size_t i = 0;
  auto emit = [&out](const std::string &l) {
    out += l;
    out += '\n';
  };
  while (i < lines.size()) {
    const std::string &l = lines[i];
    if ((l == "$NOE" || l == "$NOD") && i + 1 < lines.size()) {
      emit(l);
      emit(lines[i + 1]);
      i += 2;
      std::vector<std::pair<long, std::string>> v;
      while (i < lines.size() && (lines[i].empty() || lines[i][0] != '$')) {
        const std::vector<long> n = numbersOf(lines[i]);
        v.emplace_back(n.empty() ? 0 : n[0], lines[i]);
        ++i;
      }
      std::stable_sort(v.begin(), v.end(),
                       [](const auto &a, const auto &b) { return a.first < b.first; });
      for (const auto &x : v) emit(x.second);
    } else if (l == "$ELM" && i + 1 < lines.size()) {
      emit(l);
      emit(lines[i + 1]);
      i += 2;
      struct Tree {
        std::tuple<int, long, std::vector<long>> key;
        std::vector<std::string> lines;
      };
      std::vector<Tree> trees;
      while (i < lines.size() && (lines[i].empty() || lines[i][0] != '$')) {
        if (lines[i].empty()) {
          ++i;
          continue;
        }
        if (lines[i][0] != ' ' || trees.empty()) {
          const std::vector<long> n = numbersOf(lines[i]);
          Tree t;
          const long type = n.size() > 1 ? n[1] : 0;
          std::vector<long> ids;
          if (n.size() > 5) ids.assign(n.begin() + 5, n.end());
          t.key = std::make_tuple(dimensionOfRecord(type), type, ids);
          trees.push_back(std::move(t));
        }
        trees.back().lines.push_back(lines[i]);
        ++i;
      }
      std::stable_sort(trees.begin(), trees.end(),
                       [](const Tree &a, const Tree &b) { return a.key < b.key; });
      long number = 1;
      for (const Tree &t : trees)
        for (const std::string &r : t.lines) {
          const std::size_t first = r.find_first_not_of(' ');
          const std::size_t afterNumber = r.find(' ', first);
          std::string renumbered = r.substr(0, first) + std::to_string(number++);
          if (afterNumber != std::string::npos) renumbered += r.substr(afterNumber);
          emit(renumbered);
        }
    } else {
      emit(l);
      ++i;
    }
  }
  return out;
}

template <class CellType>
void sortByPrecedes(std::vector<CellType *> &list) {
  std::sort(list.begin(), list.end(), [](const CellType *a, const CellType *b) {
    return entityPrecedes(a->getEntity(), b->getEntity());
  });
}

std::string streamWriter(DGAnalysis &a) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  mMesh *mesh = ctx->mesh;
  std::ostringstream os;
  os.precision(16);
  os.setf(std::ios::scientific, std::ios::floatfield);
  {
    std::ostringstream section;
    section.precision(16);
    section.setf(std::ios::scientific, std::ios::floatfield);
    KORA::KORA_Util::Instance()->exportDGFile(section, mesh, false);
    os << canonicalMeshSection(section.str());
  }
  os << "$FIN$\n";
  int largest = 0;
  for (auto it = mesh->beginall(0), last = mesh->endall(0); it != last; ++it)
    largest = std::max(largest, (*it)->getId());
  const int given = mesh->getIdGenerator().getMaxValue();
  if (given > largest) os << "$VERTEXIDS$" << " " << given << "\n";
  os << "\n" << mesh->getDim() << " " << a.cells.size() << " " << a.boundaryCells.size() << "\n";
  DGCellList cellRecords(a.cells);
  sortByPrecedes(cellRecords);
  for (DGCell *c : cellRecords) {
    mesh->writeMEntity(os, c->getEntity());
    c->write(os);
  }
  DGBoundaryCellList faceRecords(a.boundaryCells);
  sortByPrecedes(faceRecords);
  for (DGBoundaryCell *b : faceRecords) {
    mesh->writeMEntity(os, b->getEntity());
    b->write(os);
  }
  ctx->parameters->write_state(os);
  return os.str();
}

// ---------------------------------------------------------------------------

std::string readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Coefficients that test the number formatting: signed zeros, subnormal
// numbers, the extremes, exact ties at the 17th digit, then random bit
// patterns of finite numbers.
void fillAwkwardCoefficients(DGAnalysis &a) {
  const double special[] = {0.0,
                            -0.0,
                            std::numeric_limits<double>::denorm_min(),
                            -4.9406564584124654e-320,
                            std::numeric_limits<double>::min(),
                            std::numeric_limits<double>::max(),
                            -std::numeric_limits<double>::max(),
                            1234567890123456.25,
                            -0.1,
                            1.0 / 3.0,
                            1e-300,
                            123456789.0};
  std::mt19937_64 bits(20240611);
  std::size_t k = 0;
  for (DGCell *c : a.cells) {
    double *c0 = c->dofs->levels[0];
    const int n = c->nbFields() * c->getFunctionSpace()->size();
    for (int i = 0; i < n; ++i, ++k) {
      if (k < std::size(special)) {
        c0[i] = special[k];
        continue;
      }
      double x;
      do {
        const std::uint64_t b = bits();
        std::memcpy(&x, &b, sizeof x);
      } while (!std::isfinite(x));
      c0[i] = x;
    }
  }
}

struct MeshCase {
  const char *what;
  int dim;
};

void PrintTo(const MeshCase &c, std::ostream *os) { *os << c.what; }

class RecoveryFile : public ::testing::TestWithParam<MeshCase> {};

// Refined twice in part, merged back in part (vertices removed, so that the
// file records the largest vertex id handed out), cells of mixed orders.
TEST_P(RecoveryFile, WriterKeepsTheStreamTextAndReadingGivesTheSameFile) {
  const MeshCase mc = GetParam();
  Field linear{[](const mPoint &p, double *U) {
                 U[0] = 1.0 + 2.0 * p.x() - 3.0 * p.y() + 0.5 * p.z();
                 U[1] = -0.5 + p.x() + 4.0 * p.y() - p.z();
               },
               1};
  mMesh *mesh = mc.dim == 2 ? grid(4, 3, 0.25, 1.0 / 3.0, false) : new mMesh(1);
  Scope scope(new TestLaw(2, &linear), mesh, nullptr, new DGErrorEstimatorJump);
  if (mc.dim == 3) {
    KORA::KORA_Util::Instance()->import(DG_TEST_DATA "/cube_tets.msh", mesh);
    GlobalParamManager::Instance()->setMes(mesh);
    createDGAdjacencies(mesh, 3);
  }
  DGParameters &P = Scope::param();
  DGAnalysis a;
  a.init(1, 1);
  const int d = mc.dim;
  auto refine = [&](auto targetOf) {
    for (auto it = mesh->begin(d); it != mesh->end(d); ++it)
      setTargetLevel(*it, a.optimumLevelTag, targetOf(*it));
    refineToTargets(a, 1.0);
    for (auto it = mesh->begin(d); it != mesh->end(d); ++it) (*it)->deleteData(a.optimumLevelTag);
    a.init(-1, 0);
  };
  auto centreOf = [&](mEntity *e) { return centre(dgCellOf(e)); };
  const double corner = d == 2 ? 0.5 : 0.3;
  refine([&](mEntity *e) { return centreOf(e).x() < corner ? 1 : 0; });
  refine([&](mEntity *e) {
    const int l = mesh->getRefinementLevel(e);
    const mPoint c = centreOf(e);
    return l == 1 && c.y() < corner && c.z() < corner ? 2 : l;
  });
  // More cells split, then merged back: the newest vertices are gone.
  refine([&](mEntity *e) {
    const int l = mesh->getRefinementLevel(e);
    return l == 1 && centreOf(e).y() >= corner ? 2 : l;
  });
  refine([&](mEntity *e) {
    const int l = mesh->getRefinementLevel(e);
    return l == 2 && centreOf(e).y() >= corner ? 1 : l;
  });
  int k = 0;
  std::vector<mEntity *> leaves;
  for (DGCell *c : a.cells) leaves.push_back(c->getEntity());
  // Orders 0 to 3 (to 2 in three dimensions, whose order-3 cells are slow to make).
  const int orderCount = d == 2 ? 4 : 3;
  for (mEntity *e : leaves) a.modifyOrder(e, k++ % orderCount);
  a.gatherCells();
  fillAwkwardCoefficients(a);
  P.state.resid = 2.5e-17;
  P.state.iter = 1234;
  P.state.t = 0.1 + 0.2;
  P.state.cputime = 987.654321;
  P.state.gain = -0.0;

  int maxLevel = 0;
  std::vector<int> orders(4, 0);
  for (DGCell *c : a.cells) {
    maxLevel = std::max(maxLevel, mesh->getRefinementLevel(c->getEntity()));
    ++orders[c->getFunctionSpace()->order()];
  }
  ASSERT_EQ(maxLevel, 2);
  for (int p = 0; p < orderCount; ++p) EXPECT_GT(orders[p], 0) << p;

  const std::string expected = streamWriter(a);
  ASSERT_NE(expected.find("$FIN$\n$VERTEXIDS$ "), std::string::npos);

  char dir[] = "/tmp/dgrecfileXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/dg-recov-1234.dat";
  ASSERT_TRUE(a.writeCheckpoint(path));
  const std::string written = readFile(path);
  EXPECT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected);  // not printed: megabytes of numbers
  std::ostringstream streamed;
  a.write(streamed);
  EXPECT_TRUE(streamed.str() == expected);

  // Read back as a restart and written again.
  RunHooks hooks;
  hooks.buildProblem = [&linear](int) {
    GlobalParamManager *ctx = GlobalParamManager::Instance();
    delete ctx->law;
    ctx->law = new TestLaw(2, &linear);
  };
  P.state = SimulationState();
  DGAnalysis b;
  {
    std::ifstream in(path, std::ios::binary);
    testing::internal::CaptureStdout();
    b.read(in, hooks);
    testing::internal::GetCapturedStdout();
  }
  EXPECT_EQ(P.state.iter, 1234);
  EXPECT_EQ(P.state.t, 0.1 + 0.2);
  b.gatherCells();
  const std::string again = std::string(dir) + "/again.dat";
  ASSERT_TRUE(b.writeCheckpoint(again));
  EXPECT_TRUE(readFile(again) == written);
  std::remove(path.c_str());
  std::remove(again.c_str());
  rmdir(dir);
}

INSTANTIATE_TEST_SUITE_P(Meshes, RecoveryFile,
                         ::testing::Values(MeshCase{"triangles", 2}, MeshCase{"tetrahedra", 3}),
                         [](const auto &info) { return std::string(info.param.what); });

// A file that cannot be made, or whose bytes cannot all be written, is
// refused with a message and leaves neither its temporary file nor a file
// under its name; a file written over keeps its name complete.
TEST(RecoveryFileWrite, FailuresAreToldAndLeaveNothingBehind) {
  Field flat{[](const mPoint &, double *U) { U[0] = U[1] = 1.0; }, 0};
  Scope scope(new TestLaw(2, &flat), grid(4, 4, 0.25, 0.25, false));
  DGAnalysis a;
  a.init(2, 1);
  char dir[] = "/tmp/dgrecfailXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/dg-recov-3.dat";
  ASSERT_TRUE(a.writeCheckpoint(path));
  ASSERT_TRUE(a.writeCheckpoint(path));
  EXPECT_FALSE(std::ifstream(path + ".tmp").good());
  std::ostringstream streamed;
  a.write(streamed);
  const std::string text = readFile(path);
  EXPECT_EQ(text, streamed.str());
  ASSERT_GT(text.size(), 8192u);
  std::remove(path.c_str());

  // Files may not grow beyond 4096 bytes: the write fails part way.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  testing::internal::CaptureStderr();
  const bool written = a.writeCheckpoint(path);
  const std::string tooLarge = testing::internal::GetCapturedStderr();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_NE(tooLarge.find("recovery file " + path + " not written: cannot write " + path + ".tmp: "),
            std::string::npos)
      << tooLarge;
  EXPECT_FALSE(std::ifstream(path).good());
  EXPECT_FALSE(std::ifstream(path + ".tmp").good());

  rmdir(dir);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(a.writeCheckpoint(path));
  const std::string told = testing::internal::GetCapturedStderr();
  EXPECT_NE(told.find("recovery file " + path + " not written: cannot create " + path + ".tmp"),
            std::string::npos)
      << told;
}

}  // namespace
