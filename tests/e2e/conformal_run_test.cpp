// Conformal adaptation in whole runs: a pressure step in a closed square and
// in a closed cube (Gmsh meshes whose corners, edges and sides are groups of
// their own) remeshed during the run, a uniform state carried through
// adaptations, a restart from a checkpoint written after a conformal
// adaptation, and the refusal of a quadrilateral mesh.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
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

std::string dataFile(const char *name) { return readFile(std::string(DG_TEST_DATA) + "/" + name); }

// A closed box (every side a wall: the boundary expressions name no tag)
// with gas at rest, the state of the left gas for x < x0 and of the right
// one beyond; conformal adaptation with the given sizes and period, and a
// checkpoint every recoverPeriod iterations.
std::string parameterFile(const std::string &mesh, double tend, double period, double hmin,
                          double hmax, int levels, const std::string &x0, int recoverPeriod = 5) {
  std::ostringstream s;
  s << "Mesh = \"" << mesh << "\";\nTend = " << tend << ";\nCFL_Limit = 0.5;\nGamma = 1.4;\n"
    << "Limiter = 1;\nH_Refinement = 1;\nH_Conforming = 1;\nH_Aniso = 1;\n"
    << "H_SamplePeriod = " << period << ";\nH_Min_CellSize = " << hmin << ";\n"
    << "H_Max_CellSize = " << hmax << ";\nH_MaxLevelOfRefinement = " << levels << ";\n"
    << "RecoverSamplingPeriod = " << recoverPeriod << ";\nx0 = " << x0 << ";\n"
    << "Function {\n"
       "  DensityInit[] = $X < x0 ? 1.0 : 0.125;\n"
       "  PressureInit[] = $X < x0 ? 1.0 : 0.1;\n"
       "  VelocityInit[] = Vector[0, 0, 0];\n"
       "  DensityBnd[Region[{}]] = 1.0;\n"
       "  PressureBnd[Region[{}]] = 1.0;\n"
       "  VelocityBnd[Region[{}]] = Vector[0, 0, 0];\n"
       "}\n";
  return s.str();
}

// The lines of the adaptation's mass report: (before, after, relative change).
struct MassReport {
  double before, after, change;
};
std::vector<MassReport> massReports(const std::string &out) {
  std::vector<MassReport> v;
  for (const std::string &l : lines(out))
    if (l.rfind("Conformal adaptation : mass", 0) == 0) {
      MassReport r{};
      if (std::sscanf(l.c_str(), "Conformal adaptation : mass %lf -> %lf (relative change %lf)", &r.before,
                      &r.after, &r.change) == 3)
        v.push_back(r);
    }
  return v;
}

// Degrees of freedom of each progress line.
std::vector<long> dofsOf(const std::string &out) {
  std::vector<long> v;
  for (const std::string &l : progressLines(out)) v.push_back(std::atol(words(l)[0].c_str()));
  return v;
}

// Elements of a mesh file seen as point clouds: measure, shape and where
// they lie against the plane x = 0.5.
struct Shape {
  double measure;  // area or volume
  double x;        // centroid's x
  double ratio;    // sqrt of the largest over the smallest inertia of the vertices
  double minorX;   // |x component| of the direction of the smallest inertia
  double majorX;   // |x component| of the direction of the largest inertia
};

// Eigen pairs of a symmetric 3x3 matrix by Jacobi rotations (ascending values).
void symmetricEigen(double a[3][3], double values[3], double vectors[3][3]) {
  double v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int sweep = 0; sweep < 50; ++sweep)
    for (int p = 0; p < 3; ++p)
      for (int q = p + 1; q < 3; ++q) {
        if (std::fabs(a[p][q]) < 1e-300) continue;
        const double theta = 0.5 * std::atan2(2 * a[p][q], a[q][q] - a[p][p]);
        const double c = std::cos(theta), s = std::sin(theta);
        for (int k = 0; k < 3; ++k) {
          const double akp = a[k][p], akq = a[k][q];
          a[k][p] = c * akp - s * akq;
          a[k][q] = s * akp + c * akq;
        }
        for (int k = 0; k < 3; ++k) {
          const double apk = a[p][k], aqk = a[q][k];
          a[p][k] = c * apk - s * aqk;
          a[q][k] = s * apk + c * aqk;
        }
        for (int k = 0; k < 3; ++k) {
          const double vkp = v[k][p], vkq = v[k][q];
          v[k][p] = c * vkp - s * vkq;
          v[k][q] = s * vkp + c * vkq;
        }
      }
  int order[3] = {0, 1, 2};
  std::sort(order, order + 3, [&](int i, int j) { return a[i][i] < a[j][j]; });
  for (int i = 0; i < 3; ++i) {
    values[i] = a[order[i]][order[i]];
    for (int k = 0; k < 3; ++k) vectors[i][k] = v[k][order[i]];
  }
}

std::vector<Shape> shapes(const std::string &path, int dim) {
  KORA::mMesh mesh(1);
  KORA::KORA_Util::Instance()->import(path.c_str(), &mesh);
  std::vector<Shape> out;
  for (auto it = mesh.begin(dim); it != mesh.end(dim); ++it) {
    KORA::mEntity *e = *it;
    const int nv = e->size(0);
    std::vector<KORA::mPoint> p;
    double c[3] = {0, 0, 0};
    for (int i = 0; i < nv; ++i) {
      p.push_back(static_cast<KORA::mVertex *>(e->get(0, i))->point());
      for (int k = 0; k < 3; ++k) c[k] += p.back()(k) / nv;
    }
    double cov[3][3] = {};
    for (const KORA::mPoint &q : p)
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) cov[i][j] += (q(i) - c[i]) * (q(j) - c[j]);
    double values[3], vectors[3][3];
    symmetricEigen(cov, values, vectors);
    const int lo = dim == 2 ? 1 : 0;  // a triangle has no extent along z
    auto d = [&](int a, int k) { return p[a](k) - p[0](k); };
    const double measure =
        dim == 2 ? 0.5 * std::fabs(d(1, 0) * d(2, 1) - d(1, 1) * d(2, 0))
                 : std::fabs(d(1, 0) * (d(2, 1) * d(3, 2) - d(2, 2) * d(3, 1)) -
                             d(1, 1) * (d(2, 0) * d(3, 2) - d(2, 2) * d(3, 0)) +
                             d(1, 2) * (d(2, 0) * d(3, 1) - d(2, 1) * d(3, 0))) /
                       6.0;
    out.push_back({measure, c[0], std::sqrt(values[2] / std::max(values[lo], 1e-300)),
                   std::fabs(vectors[lo][0]), std::fabs(vectors[2][0])});
  }
  return out;
}

// Means over the elements near the front (|x - 0.5| < 0.1) and far from it
// (|x - 0.5| > 0.2); each band's element count is per unit of its measure.
struct Bands {
  double nearDensity = 0, farDensity = 0, nearSize = 0, farSize = 0;
  double nearRatio = 0, nearMinorX = 0, nearMajorX = 0;
};
Bands bands(const std::vector<Shape> &s) {
  Bands b;
  int near = 0, far = 0;
  for (const Shape &e : s) {
    const double gap = std::fabs(e.x - 0.5);
    if (gap < 0.1) {
      ++near;
      b.nearSize += e.measure;
      b.nearRatio += e.ratio;
      b.nearMinorX += e.minorX;
      b.nearMajorX += e.majorX;
    } else if (gap > 0.2) {
      ++far;
      b.farSize += e.measure;
    }
  }
  if (near == 0 || far == 0) return b;
  b.nearDensity = near / 0.2;
  b.farDensity = far / 0.6;
  b.nearSize /= near;
  b.farSize /= far;
  b.nearRatio /= near;
  b.nearMinorX /= near;
  b.nearMajorX /= near;
  return b;
}

// What every conformal run must show: the passes of the remesher, the mass
// reports, the metric view and no transfer fault.
void expectConformalRun(const Result &r, const std::string &dir, int adaptations) {
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(find(r.out, "DG finishes"), std::string::npos);
  EXPECT_NE(find(r.out, "\n\nstart iteration 1:\n"), std::string::npos);
  EXPECT_NE(find(r.out, "\nedge length range with respect to metric field: ("), std::string::npos);
  EXPECT_NE(find(r.out, " edges are tagged to be refined\n"), std::string::npos);
  EXPECT_NE(find(r.out, "Doing Mesh Adaptation (" + std::to_string(adaptations) + ") ...\n"),
            std::string::npos);
  EXPECT_EQ(find(r.out, "error in callback"), std::string::npos);
  EXPECT_EQ(find(r.out, "error in DGCellfieldEvaluator"), std::string::npos);
  EXPECT_EQ(find(r.out + r.err, "degenerate metric"), std::string::npos);
  // The metric view of the last adaptation, read by Gmsh when it is there.
  ASSERT_TRUE(exists(dir + "/mField.pos"));
  const std::string view = readFile(dir + "/mField.pos");
  EXPECT_EQ(view.rfind("View \"metric\" {\n", 0), 0u);
  EXPECT_GT(std::count(view.begin(), view.end(), '\n'), 100);
  if (std::system("command -v gmsh > /dev/null 2>&1") == 0) {
    writeFile(dir + "/check.geo", "Merge \"mField.pos\";\nPrintf(\"views = %g\", PostProcessing.NbViews);\n");
    const Result g = runIn(dir, "gmsh -nopopup check.geo -parse_and_exit 2>&1");
    EXPECT_EQ(g.status, 0) << g.out;
    EXPECT_NE(find(g.out, "views = 1"), std::string::npos) << g.out;
    EXPECT_EQ(find(g.out, "Error"), std::string::npos) << g.out;
  }
}

// The mass of every adaptation: reported, kept to 1e-3, and the scheme in a
// closed box keeps it between two adaptations (to the printed digits).
void expectMassKept(const std::string &out, std::size_t adaptations) {
  const std::vector<MassReport> m = massReports(out);
  ASSERT_EQ(m.size(), adaptations) << out;
  for (std::size_t i = 0; i < m.size(); ++i) {
    EXPECT_LT(std::fabs(m[i].change), 1e-3) << i;
    EXPECT_LT(std::fabs(m[i].after - m[i].before), 1e-3 * m[i].before) << i;
    if (i > 0) {
      EXPECT_NEAR(m[i].before, m[i - 1].after, 1e-5 * m[i].before) << i;
    }
  }
}

// A pressure step in the square (triangles) and in the cube (tetrahedra),
// two adaptations in the run.
TEST(ConformalRun, RemeshedAroundThePressureStep) {
  struct Case {
    int dim;
    const char *mesh;
    double tend, period, hmin, hmax;
    int levels;
  };
  const Case cases[] = {{2, "conformal_square.msh", 0.05, 0.02, 0.01, 0.1, 2},
                        {3, "conformal_cube.msh", 0.012, 0.005, 0.08, 0.3, 1}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.mesh);
    ScratchDir dir;
    writeFile(dir / "m.msh", dataFile(c.mesh));
    writeFile(dir / "c.par", parameterFile("m.msh", c.tend, c.period, c.hmin, c.hmax, c.levels, "0.5"));
    const Result r = runProgram(dir.path(), "c.par");
    expectConformalRun(r, dir.path(), 2);
    expectMassKept(r.out, 2);
    // Each adaptation changes the mesh (its refinements and collapses may
    // happen to balance, so the count of elements alone does not tell), and
    // the degrees of freedom move away from those of the initial mesh.
    const std::vector<long> dofs = dofsOf(r.out);
    ASSERT_FALSE(dofs.empty());
    EXPECT_GE(std::set<long>(dofs.begin(), dofs.end()).size(), 2u) << r.out;
    for (std::size_t at = r.out.find("Doing Mesh Adaptation"); at != std::string::npos;
         at = r.out.find("Doing Mesh Adaptation", at + 1)) {
      const std::size_t end = r.out.find("Conformal adaptation :", at);
      ASSERT_NE(end, std::string::npos) << r.out;
      const std::string block = r.out.substr(at, end - at);
      long changes = 0;
      std::istringstream lines(block);
      for (std::string l; std::getline(lines, l);)
        if (l.find("edges are tagged to be refined") != std::string::npos ||
            l.find("edge collapses are performed") != std::string::npos)
          changes += std::atol(l.c_str());
      EXPECT_GT(changes, 0) << block;
    }
    // The mesh of the last adaptation: more and smaller elements near the
    // front, stretched along it: a triangle's largest extent along y, a
    // tetrahedron's smallest extent along x.
    ASSERT_TRUE(exists(dir / "refined-2.msh"));
    const Bands b = bands(shapes(dir / "refined-2.msh", c.dim));
    EXPECT_GT(b.nearDensity, 2 * b.farDensity);
    EXPECT_LT(b.nearSize, 0.5 * b.farSize);
    EXPECT_GT(b.nearRatio, 2.0);
    if (c.dim == 2) {
      EXPECT_LT(b.nearMajorX, 0.3);
    } else {
      EXPECT_GT(b.nearMinorX, 0.6);
    }
  }
}

// The coefficients of every cell of a recovery file (four fields).
std::vector<std::vector<double>> cellCoefficients(const std::string &text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line) && line != "$FIN$") {
  }
  in >> std::ws;
  if (in.peek() == '$') std::getline(in, line);  // the vertex-id record
  int dim = 0, N = 0, M = 0;
  in >> dim >> N >> M;
  std::vector<std::vector<double>> cells;
  for (int c = 0; c < N && in; ++c) {
    int type = 0, order = 0;
    in >> type;
    const int nvert = type == 2 ? 3 : 4;
    for (int k = 0; k < nvert; ++k) {
      long id;
      in >> id;
    }
    in >> order;
    const int n = nvert == 3 ? (order + 1) * (order + 2) / 2 : (order + 1) * (order + 2) * (order + 3) / 6;
    std::vector<double> values(4 * n);
    for (double &v : values) in >> v;
    cells.push_back(values);
  }
  return cells;
}

TEST(ConformalRun, UniformStateStaysUniform) {
  ScratchDir dir;
  writeFile(dir / "square.msh", dataFile("conformal_square.msh"));
  // Both gases alike; no initial pass (no level allowed), and a largest
  // size below the mesh's own, so that the adaptations in the run refine.
  writeFile(dir / "c.par", parameterFile("square.msh", 0.012, 0.004, 0.01, 0.03, 0, "-1", 1));
  const Result r = runProgram(dir.path(), "c.par");
  expectConformalRun(r, dir.path(), 2);
  EXPECT_EQ(find(r.out, "Initial mesh refinement"), std::string::npos);
  const std::vector<long> dofs = dofsOf(r.out);
  ASSERT_FALSE(dofs.empty());
  EXPECT_EQ(dofs.front(), 946 * 12);
  EXPECT_GT(dofs.back(), dofs.front());
  // The state (0.125, 0, 0, 0.25) in every cell of the last checkpoint:
  // the means exactly, the higher coefficients zero.
  int last = 0;
  for (int n = 1; exists(dir / ("dg-recov-" + std::to_string(n) + ".dat")); ++n) last = n;
  ASSERT_GT(last, 0);
  const auto cells = cellCoefficients(readFile(dir / ("dg-recov-" + std::to_string(last) + ".dat")));
  ASSERT_EQ(cells.size() * 12, static_cast<std::size_t>(dofs.back()));
  const double state[4] = {0.125, 0.0, 0.0, 0.1 / 0.4};
  double worst = 0.0;
  for (const auto &c : cells) {
    const std::size_t n = c.size() / 4;
    for (int f = 0; f < 4; ++f)
      for (std::size_t j = 0; j < n; ++j)
        worst = std::max(worst, std::fabs(c[f * n + j] - (j == 0 ? state[f] : 0.0)));
  }
  EXPECT_LT(worst, 1e-12);
  // Nothing moves, so the reported mass never changes beyond round-off.
  for (const MassReport &m : massReports(r.out)) EXPECT_LT(std::fabs(m.change), 1e-12);
}

TEST(ConformalRun, RestartFromACheckpointAfterAnAdaptation) {
  ScratchDir dir;
  writeFile(dir / "square.msh", dataFile("conformal_square.msh"));
  writeFile(dir / "c.par", parameterFile("square.msh", 0.03, 0.02, 0.01, 0.1, 2, "0.5"));
  const Result first = runProgram(dir.path(), "c.par");
  expectConformalRun(first, dir.path(), 1);
  // The first checkpoint after the adaptation.
  const std::size_t at = find(first.out, "Doing Mesh Adaptation (1) ...\n");
  ASSERT_NE(at, std::string::npos);
  int iteration = 0;
  // (The line of the adaptation's own step is passed over: its checkpoint
  // may come before the adaptation.)
  const std::vector<std::string> after = progressLines(first.out.substr(at));
  for (std::size_t k = 1; k < after.size(); ++k) {
    const int it = std::atoi(words(after[k])[2].c_str());
    if (it % 5 == 0) {
      iteration = it;
      break;
    }
  }
  ASSERT_GT(iteration, 0);
  const std::string recovery = "dg-recov-" + std::to_string(iteration) + ".dat";
  ASSERT_TRUE(exists(dir / recovery));
  // The restart reads the remeshed mesh and its solution from the file; a
  // command-line run takes the same Euler law from the shock-tube problem
  // (whose sensor integrates over "t.msh").
  ScratchDir again;
  writeFile(again / recovery, readFile(dir / recovery));
  writeFile(again / "t.msh", readFile(std::string(DG_EXAMPLES) + "/shock-tube/t.msh"));
  writeFile(again / ".dgrc", "time.recoverSamplingPeriod 5\n");
  const Result r = runProgram(again.path(), "square.msh -problem 16 -subproblem 0 -limiter 1 -tend 0.04 -restart " +
                                                std::to_string(iteration));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(find(r.out, "DG finishes"), std::string::npos);
  // The log goes on where the checkpoint's state line left it (the step
  // after the next), with the values of the uninterrupted run: degrees of
  // freedom, step, time and residual.
  const std::vector<std::string> resumed = progressLines(r.out);
  ASSERT_FALSE(resumed.empty());
  const std::vector<std::string> w = words(resumed.front());
  EXPECT_EQ(std::atoi(w[2].c_str()), iteration + 2);
  bool matched = false;
  for (const std::string &l : after) {
    const std::vector<std::string> u = words(l);
    if (u[2] != w[2]) continue;
    matched = true;
    for (int k : {0, 4, 6, 9}) EXPECT_EQ(u[k], w[k]) << l << "\n" << resumed.front();
  }
  EXPECT_TRUE(matched);
  EXPECT_GE(std::atof(words(resumed.back())[6].c_str()), 0.04);
  // The resumed run starts from the checkpoint's cells.
  EXPECT_EQ(static_cast<std::size_t>(dofsOf(r.out).front()),
            cellCoefficients(readFile(dir / recovery)).size() * 12);
}

TEST(ConformalRun, QuadrilateralMeshIsRefusedAtStart) {
  ScratchDir dir;
  makeMesh(dir / "q.msh", "quad", 8, 8, 0.0, 1.0, 0.0, 1.0);
  writeFile(dir / "c.par", parameterFile("q.msh", 0.05, 0.02, 0.01, 0.1, 2, "0.5"));
  const Result r = runProgram(dir.path(), "c.par");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(find(r.out + r.err, "conformal h-adaptation (H_Conforming) needs a mesh of triangles or tetrahedra"),
            std::string::npos)
      << r.out << r.err;
  EXPECT_EQ(find(r.out, "DG begins"), std::string::npos);
}

}  // namespace

// The metric view is part of a conformal run's output: when "mField.pos"
// cannot be written (a folder holds its name) the run ends with status 1 and
// says which file was lost.
TEST(ConformalRun, LostMetricViewFailsTheRun) {
  ScratchDir dir;
  writeFile(dir / "square.msh", dataFile("conformal_square.msh"));
  writeFile(dir / "c.par", parameterFile("square.msh", 0.012, 0.004, 0.01, 0.03, 0, "-1", 1));
  std::filesystem::create_directory(dir / "mField.pos");
  const Result r = runProgram(dir.path(), "c.par");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(find(r.out + r.err, "mField.pos could not be written"), std::string::npos) << r.out << r.err;
}
