// Solution-driven adaptation in whole runs: the shock tube with hierarchical
// refinement (messages, snapshots, degrees of freedom, conservation, refined
// cells at the shock), the restart after an adaptation, order adaptation, a
// cube of tetrahedra, and the settings refused before the run begins.

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "KORA_Util.h"
#include "e2e_support.h"
#include "mEntity.h"
#include "mMesh.h"
#include "mVertex.h"

namespace {

using namespace e2e;

const char *kTube = "t.msh -problem 16 -subproblem 0 -limiter 1";
// Speed of the shock of this tube (states (1, 0, 1) and (0.125, 0, 0.1),
// gamma 1.4), from the exact Riemann solution.
constexpr double kShockSpeed = 1.7521557;

std::string tubeMesh() { return readFile(std::string(DG_EXAMPLES) + "/shock-tube/t.msh"); }

// The time column of a progress line.
double timeOf(const std::string &line) { return std::atof(words(line)[6].c_str()); }

// What a recovery file holds of the solution: the integral of every field
// over the cells (each cell's first coefficient times its measure) and the
// polynomial order of each cell record, keyed by its vertex ids.
struct Recovery {
  std::vector<double> total;
  int cells = 0;
  std::map<int, int> orders;  // order -> number of cells
};

Recovery readRecovery(const std::string &text, int nbFields) {
  Recovery r;
  r.total.assign(nbFields, 0.0);
  std::istringstream in(text);
  std::string line;
  std::map<long, std::vector<double>> xyz;
  while (std::getline(in, line) && line != "$NOE" && line != "$NOD") {
  }
  int nv = 0;
  in >> nv;
  for (int i = 0; i < nv; ++i) {
    long id;
    double x, y, z;
    in >> id >> x >> y >> z;
    xyz[id] = {x, y, z};
  }
  while (std::getline(in, line) && line != "$FIN$") {
  }
  in >> std::ws;
  if (in.peek() == '$') std::getline(in, line);  // the vertex-id record
  int dim = 0, N = 0, M = 0;
  in >> dim >> N >> M;
  for (int c = 0; c < N && in; ++c) {
    int type = 0, order = 0;
    in >> type;
    const int nvert = type == 2 ? 3 : 4;  // triangles or tetrahedra
    std::vector<std::vector<double>> p;
    for (int k = 0; k < nvert; ++k) {
      long id;
      in >> id;
      p.push_back(xyz[id]);
    }
    double measure;
    auto d = [&](int a, int i) { return p[a][i] - p[0][i]; };
    if (nvert == 3) {
      measure = 0.5 * std::fabs(d(1, 0) * d(2, 1) - d(1, 1) * d(2, 0));
    } else {
      measure = std::fabs(d(1, 0) * (d(2, 1) * d(3, 2) - d(2, 2) * d(3, 1)) -
                          d(1, 1) * (d(2, 0) * d(3, 2) - d(2, 2) * d(3, 0)) +
                          d(1, 2) * (d(2, 0) * d(3, 1) - d(2, 1) * d(3, 0))) /
                6.0;
    }
    in >> order;
    const int n = nvert == 3 ? (order + 1) * (order + 2) / 2
                             : (order + 1) * (order + 2) * (order + 3) / 6;
    for (int f = 0; f < nbFields; ++f)
      for (int j = 0; j < n; ++j) {
        double v;
        in >> v;
        if (j == 0) r.total[f] += v * measure;
      }
    ++r.cells;
    ++r.orders[order];
  }
  return r;
}

// Leaves of a snapshot read back by the mesh reader, with their refinement
// levels and centroids (x only).
struct Leaf {
  int level;
  double x;
};

std::vector<Leaf> readSnapshot(const std::string &path, int dim) {
  KORA::mMesh mesh(1);
  KORA::KORA_Util::Instance()->import(path.c_str(), &mesh);
  std::vector<Leaf> leaves;
  for (auto it = mesh.begin(dim); it != mesh.end(dim); ++it) {
    KORA::mEntity *e = *it;
    double x = 0.0;
    const int nv = e->size(0);
    for (int i = 0; i < nv; ++i) x += static_cast<KORA::mVertex *>(e->get(0, i))->point().x();
    leaves.push_back({mesh.getRefinementLevel(e), x / nv});
  }
  return leaves;
}

class AdaptedShockTube : public ::testing::Test {
protected:
  static constexpr const char *kOptions = " -href 2 -hrefdt 0.005 -tend 0.03";
  void SetUp() override {
    writeFile(dir / "t.msh", tubeMesh());
    writeFile(dir / ".dgrc", "time.recoverSamplingPeriod 1\n");
    r = runProgram(dir.path(), std::string(kTube) + kOptions);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    progress = progressLines(r.out);
    ASSERT_GT(progress.size(), 30u);
  }
  ScratchDir dir;
  Result r;
  std::vector<std::string> progress;
};

TEST_F(AdaptedShockTube, RefinesAtStartAndAfterEachPeriod) {
  // Two initial passes (-href 2), before the loop starts.
  const std::size_t running = find(r.out, "DG running ...\n");
  ASSERT_NE(running, std::string::npos);
  const std::size_t first = find(r.out, "Initial mesh refinement ...\n");
  ASSERT_LT(first, running);
  const std::size_t second = find(r.out, "Initial mesh refinement ...\n", first + 1);
  ASSERT_LT(second, running);
  EXPECT_EQ(find(r.out, "Initial mesh refinement ...\n", second + 1), std::string::npos);

  // The first adaptation comes in the first iteration whose time reaches
  // past 0.005: right after the last progress line at or before it.
  std::size_t k = 0;
  while (k < progress.size() && timeOf(progress[k]) <= 0.005) ++k;
  ASSERT_GT(k, 0u);
  ASSERT_LT(k + 1, progress.size());
  const std::size_t at = find(r.out, progress[k]);
  const std::size_t message = find(r.out, "Doing Mesh Adaptation (1) ...\n");
  ASSERT_NE(message, std::string::npos);
  EXPECT_LT(at, message);
  EXPECT_LT(message, find(r.out, progress[k + 1]));
  EXPECT_EQ(find(r.out, "Doing Mesh Adaptation (1) ...\n", message + 1), std::string::npos);

  // One adaptation per period of 0.005 up to 0.03: the counts 1 to 5.
  int adaptations = 0;
  while (find(r.out, "Doing Mesh Adaptation (" + std::to_string(adaptations + 1) + ") ...\n") !=
         std::string::npos)
    ++adaptations;
  EXPECT_GE(adaptations, 5);

  // Snapshots refined-0 (initial passes) to refined-N, read back by the mesh
  // reader; the leaves of each are the cells of the progress line after the
  // adaptation (4 fields, 3 coefficients each).
  std::vector<int> dofs;
  for (const std::string &l : lines(readFile(dir / "DG.log"))) dofs.push_back(std::atoi(l.c_str()));
  ASSERT_EQ(dofs.size(), progress.size());
  EXPECT_EQ(readSnapshot(dir / "refined-0.msh", 2).size() * 12, static_cast<std::size_t>(dofs[0]));
  for (int n = 1; n <= adaptations; ++n) {
    SCOPED_TRACE(n);
    const std::string name = dir / ("refined-" + std::to_string(n) + ".msh");
    ASSERT_TRUE(exists(name));
    const std::size_t m = find(r.out, "Doing Mesh Adaptation (" + std::to_string(n) + ") ...\n");
    std::size_t line = 0;
    while (line < progress.size() && find(r.out, progress[line]) < m) ++line;
    ASSERT_LT(line, progress.size());
    EXPECT_EQ(readSnapshot(name, 2).size() * 12, static_cast<std::size_t>(dofs[line]));
  }
  // The degrees of freedom follow the leaves: 200 triangles of the mesh
  // (2400) at first, more once refined, and they change along the run.
  EXPECT_GT(dofs.front(), 2400);
  int changes = 0;
  for (std::size_t i = 1; i < dofs.size(); ++i) changes += dofs[i] != dofs[i - 1];
  EXPECT_GE(changes, 3);
}

TEST_F(AdaptedShockTube, KeepsMassAndEnergyAcrossAdaptations) {
  // Walls all around: the total mass and energy of every checkpoint, before
  // and after each adaptation, are those of the first.
  const Recovery first = readRecovery(readFile(dir / "dg-recov-1.dat"), 4);
  EXPECT_NEAR(first.total[0], 0.04 * (0.5 + 0.5 * 0.125), 1e-3);
  int compared = 0;
  std::vector<int> cellCounts;
  for (int n = 2; exists(dir / ("dg-recov-" + std::to_string(n) + ".dat")); ++n) {
    const Recovery now = readRecovery(readFile(dir / ("dg-recov-" + std::to_string(n) + ".dat")), 4);
    EXPECT_NEAR(now.total[0], first.total[0], 1e-13 * first.total[0]) << n;
    EXPECT_NEAR(now.total[3], first.total[3], 1e-13 * first.total[3]) << n;
    cellCounts.push_back(now.cells);
    ++compared;
  }
  EXPECT_GT(compared, 30);
  EXPECT_NE(cellCounts.front(), cellCounts.back());
}

TEST_F(AdaptedShockTube, FinestCellsFollowTheShock) {
  // The last snapshot against the exact shock position at its time.
  int last = 1;
  while (exists(dir / ("refined-" + std::to_string(last + 1) + ".msh"))) ++last;
  const std::size_t m = find(r.out, "Doing Mesh Adaptation (" + std::to_string(last) + ") ...\n");
  ASSERT_NE(m, std::string::npos);
  double t = 0.0;
  for (const std::string &l : progress)
    if (find(r.out, l) < m) t = timeOf(l);
  const double shock = 0.5 + kShockSpeed * t;
  const double h = 0.02;  // the cells of the mesh: 50 squares along x
  const std::vector<Leaf> leaves = readSnapshot(dir / ("refined-" + std::to_string(last) + ".msh"), 2);
  double rightmost = -1.0, nearest = 1.0;
  for (const Leaf &l : leaves)
    if (l.level == 2) {
      rightmost = std::max(rightmost, l.x);
      nearest = std::min(nearest, std::fabs(l.x - shock));
    }
  // Refined cells at the shock, and none ahead of it beyond a few cells.
  EXPECT_LT(nearest, h);
  EXPECT_NEAR(rightmost, shock, 3 * h);
  // Ahead of the shock the gas is at rest and uniform: coarse cells.
  for (const Leaf &l : leaves) {
    if (l.x > shock + 3 * h) {
      EXPECT_EQ(l.level, 0) << l.x;
    }
  }
}

TEST_F(AdaptedShockTube, RestartAfterAnAdaptationReproducesTheRun) {
  // Restart from a checkpoint written after the second adaptation.
  const std::size_t m = find(r.out, "Doing Mesh Adaptation (2) ...\n");
  ASSERT_NE(m, std::string::npos);
  int iteration = 0;
  for (const std::string &l : progress)
    if (find(r.out, l) < m) iteration = std::atoi(words(l)[2].c_str());
  iteration += 2;  // two steps past it
  const std::string name = "dg-recov-" + std::to_string(iteration) + ".dat";
  ScratchDir again;
  writeFile(again / "t.msh", tubeMesh());
  writeFile(again / ".dgrc", "time.recoverSamplingPeriod 1\n");
  writeFile(again / name, readFile(dir / name));
  const Result rr = runProgram(again.path(), std::string(kTube) + kOptions + " -restart " +
                                                 std::to_string(iteration));
  ASSERT_EQ(rr.status, 0) << rr.out << rr.err;
  int compared = 0;
  for (int n = iteration + 1; exists(dir / ("dg-recov-" + std::to_string(n) + ".dat")); ++n) {
    const std::string later = "dg-recov-" + std::to_string(n) + ".dat";
    ASSERT_TRUE(exists(again / later)) << later;
    ASSERT_EQ(withoutCpuTime(readFile(again / later)), withoutCpuTime(readFile(dir / later))) << later;
    ++compared;
  }
  EXPECT_GT(compared, 20);
  // Adaptations 3, 4, ... happened in the restarted run as well.
  EXPECT_NE(find(rr.out, "Doing Mesh Adaptation (3) ...\n"), std::string::npos);
}

TEST(OrderAdaptation, ChangesTheOrdersAndTheDegreesOfFreedom) {
  struct Case {
    const char *options;
    const char *rc;
  };
  std::vector<std::vector<int>> dofs;
  std::vector<Recovery> finals;
  for (const Case c : {Case{" -href 2 -hrefdt 0.005 -tend 0.012", ""},
                       Case{" -href 2 -hrefdt 0.005 -tend 0.012", "pref.doWe 1\n"},
                       Case{" -order 1 -tend 0.002", ""}, Case{" -order 1 -tend 0.002", "pref.doWe 1\n"}}) {
    SCOPED_TRACE(std::string(c.options) + c.rc);
    ScratchDir dir;
    writeFile(dir / "t.msh", tubeMesh());
    writeFile(dir / ".dgrc", std::string("time.recoverSamplingPeriod 1\n") + c.rc);
    const Result r = runProgram(dir.path(), std::string(kTube) + c.options);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::vector<int> d;
    for (const std::string &l : lines(readFile(dir / "DG.log"))) d.push_back(std::atoi(l.c_str()));
    ASSERT_FALSE(d.empty());
    dofs.push_back(d);
    int n = 1;
    while (exists(dir / ("dg-recov-" + std::to_string(n + 1) + ".dat"))) ++n;
    finals.push_back(readRecovery(readFile(dir / ("dg-recov-" + std::to_string(n) + ".dat")), 4));
  }
  // With h-adaptation: order 1 everywhere without pref; with it the level-1
  // leaves carry order 2 after the first in-loop adaptation (so the count of
  // degrees of freedom is no longer 12 per cell).
  EXPECT_EQ(finals[0].orders.size(), 1u);
  EXPECT_EQ(finals[0].orders.count(1), 1u);
  EXPECT_GT(finals[1].orders[2], 0);
  EXPECT_NE(dofs[1].back(), dofs[0].back());
  // Without h-adaptation the one order adaptation of the start gives every
  // cell order 1 or 2, more degrees of freedom than 200 cells of order 1.
  EXPECT_EQ(dofs[2].front(), 2400);
  EXPECT_GT(dofs[3].front(), 2400);
  for (const auto &[order, count] : finals[3].orders) EXPECT_TRUE(order == 1 || order == 2) << order;
}

TEST(TetrahedraAdaptation, CubeRefinesAndKeepsItsMass) {
  ScratchDir dir;
  // A cube of 100 tetrahedra made by Gmsh (boundary group 200); the shock
  // tube's integration sensor reads "t.msh".
  writeFile(dir / "t.msh", readFile(std::string(DG_TEST_DATA) + "/cube_tets.msh"));
  writeFile(dir / ".dgrc", "time.recoverSamplingPeriod 1\n");
  const Result r = runProgram(dir.path(), std::string(kTube) + " -href 1 -hrefdt 0.01 -tend 0.05");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(find(r.out, "Initial mesh refinement ...\n"), std::string::npos);
  EXPECT_NE(find(r.out, "Doing Mesh Adaptation (2) ...\n"), std::string::npos);
  const Recovery first = readRecovery(readFile(dir / "dg-recov-1.dat"), 5);
  EXPECT_GT(first.cells, 100);
  int n = 2;
  for (; exists(dir / ("dg-recov-" + std::to_string(n) + ".dat")); ++n) {
    const Recovery now = readRecovery(readFile(dir / ("dg-recov-" + std::to_string(n) + ".dat")), 5);
    EXPECT_NEAR(now.total[0], first.total[0], 1e-12 * first.total[0]) << n;
    EXPECT_NEAR(now.total[3], first.total[3], 1e-12 * first.total[3]) << n;
  }
  EXPECT_GT(n, 5);
  EXPECT_TRUE(exists(dir / "refined-1.msh"));
  EXPECT_GT(readSnapshot(dir / "refined-1.msh", 3).size(), 100u);
}

TEST(AdaptationSettings, RefusedBeforeTheRunBegins) {
  ScratchDir dir;
  // Conformal adaptation through the parameter file, on quadrilaterals that
  // the remesher cannot handle.
  makeMesh(dir / "t.msh", "quad", 10, 2, 0.0, 1.0, 0.0, 0.04);
  writeFile(dir / "c.par",
            "Mesh = \"t.msh\";\nTend = 0.01;\nH_Refinement = 1;\nH_Conforming = 1;\n"
            "Function {\n PressureInit[] = 1;\n DensityInit[] = 1;\n VelocityInit[] = Vector[0,0,0];\n"
            " PressureBnd[] = 1;\n DensityBnd[] = 1;\n VelocityBnd[] = Vector[0,0,0];\n}\n");
  Result r = runProgram(dir.path(), "c.par");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(find(r.out + r.err, "conformal h-adaptation"), std::string::npos) << r.out << r.err;
  EXPECT_EQ(find(r.out, "DG begins"), std::string::npos);
  // h- or p-adaptation without an estimator (number 9 names none).
  writeFile(dir / "t.msh", tubeMesh());
  for (const char *rc : {"", "pref.doWe 1\n"}) {
    writeFile(dir / ".dgrc", rc);
    r = runProgram(dir.path(), std::string(kTube) + " -errest 9" + (*rc ? "" : " -href 1"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(find(r.out + r.err, "adaptation needs an error estimator"), std::string::npos)
        << r.out << r.err;
    EXPECT_EQ(find(r.out, "DG begins"), std::string::npos);
  }
}

}  // namespace
