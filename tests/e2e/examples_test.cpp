// Every shipped example runs a few steps through the example script: the
// start-up messages in order, one progress line and one "DG.log" line per
// iteration, a time that sums the steps and stops at the first step past the
// final time, "DG finishes", exit 0 and the problem's sensor files. At its own
// settings each runs stably to its final time, where it writes its last view.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

struct ExampleCase {
  const char *name;
  double tend;                       // a few steps (0: the case's own settings)
  std::vector<std::string> outputs;  // files the sensors leave
  // A case given by a parameter file takes no options: its final time is its
  // own, or set by these statements, added to the end of a copy of the file
  // (a later statement replaces an earlier one).
  bool parameterFile = false;
  std::string overrides = "";
};

// Statements that make the bow-shock case short: two adaptations in the run
// (after t = 0.01 and 0.02), each mesh written, and views at t = 0, 0.015 and
// 0.03.
const char *const kShortBowShock =
    "Tend = 0.03;\n"
    "H_SamplePeriod = 0.01;\n"
    "SamplePeriodExportMesh = 1;\n"
    "Sensor { Type = \"Gmsh\"; Name = \"short\"; Quantity = \"solution\"; SampleRate = 0.015; }\n";

// A copy of an example folder (its mesh and parameter file) in `dir`, with
// `overrides` added to the end of the parameter file; returns the copy's path.
std::string copyOfCase(const ScratchDir &dir, const std::string &name, const std::string &mesh,
                       const std::string &par, const std::string &overrides) {
  const std::string from = std::string(DG_EXAMPLES) + "/" + name + "/";
  const std::string to = dir / name;
  runIn(dir.path(), "mkdir -p '" + to + "'");
  writeFile(to + "/" + mesh, readFile(from + mesh));
  writeFile(to + "/" + par, readFile(from + par) + "\n" + overrides);
  return to;
}

const std::regex kProgress(
    R"(^(\d+) iter +(\d+) dt ( -?\d\.\d{5}E[+-]\d\d) T ( -?\d\.\d{5}E[+-]\d\d) \|\|rhs\|\| =  ( -?\d\.\d{5}E[+-]\d\d) cpu ( -?\d\.\d{5}E[+-]\d\d) cpu\(ts\) =( +\S+){5}$)");
const std::regex kLogLine(R"(^\d+ +\d+( +\S+){9}$)");

TEST(Examples, EachRunsAFewStepsEndToEnd) {
  const ExampleCase cases[] = {
      {"burgers", 0.02, {"t1.dat", "t2.dat", "burgers-sample1function.pos"}},
      {"isentropic-vortex", 0.03, {"Mass.plt", "L1Norm.plt", "LinfNorm.plt", "CenterLine.plt"}},
      {"scalar-advection", 0.02, {"scalar.dat", "scalar-sample1function.pos"}},
      // A parameter file: it takes no options and runs as it stands.
      {"shock-tube", 0.2, {"sod-sample1density.pos"}, true},
      // A parameter file with conformal adaptation, made short in a copy.
      {"bow-shock", 0.03, {"short-sample3density.pos", "axis.dat", "mField.pos", "refined-2.msh"},
       true, kShortBowShock},
  };
  for (const ExampleCase &c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    std::ostringstream tend;
    tend.precision(17);
    tend << c.tend;
    const std::string where =
        c.overrides.empty()
            ? std::string(c.name)
            : copyOfCase(dir, c.name, std::string(c.name) + ".msh", std::string(c.name) + ".par",
                         c.overrides);
    const Result r =
        runIn(dir.path(), std::string(DG_EXAMPLES) + "/run_example.sh '" + DG_PROGRAM + "' '" +
                              where + "' out" + (c.parameterFile ? "" : " -tend " + tend.str()));
    ASSERT_EQ(r.status, 0) << r.out << r.err;

    // Start-up messages in their order, then the end.
    std::size_t at = 0;
    for (const char *m : {"Reading the mesh ", "Setting up the mesh ...\n",
                          "Setting up communications ...\n", "DG begins ...\n",
                          "Creating Cells ...\n", "Computing Initial Solution ...\n",
                          "DG running ...\n"}) {
      const std::size_t next = find(r.out, m, at);
      ASSERT_NE(next, std::string::npos) << "missing or out of order: " << m;
      at = next;
    }
    const std::vector<std::string> progress = progressLines(r.out);
    ASSERT_GE(progress.size(), 2u);
    EXPECT_GT(find(r.out, "DG finishes\n"), find(r.out, progress.back()));

    // One log line per iteration, numbered 1..n, with the progress line's
    // step and time.
    const std::vector<std::string> log = lines(readFile(dir / "out/DG.log"));
    ASSERT_EQ(log.size(), progress.size());
    double sum = 0.0, lastDt = 0.0, lastT = 0.0;
    for (std::size_t i = 0; i < log.size(); ++i) {
      EXPECT_TRUE(std::regex_match(progress[i], kProgress)) << progress[i];
      EXPECT_TRUE(std::regex_match(log[i], kLogLine)) << log[i];
      const std::vector<std::string> p = words(progress[i]), l = words(log[i]);
      EXPECT_EQ(std::atoi(p[2].c_str()), static_cast<int>(i + 1));
      EXPECT_EQ(l[1], p[2]);  // iteration
      EXPECT_EQ(l[2], p[4]);  // step
      EXPECT_EQ(l[3], p[6]);  // time
      EXPECT_EQ(l[0], p[0]);  // degrees of freedom
      lastDt = std::atof(l[2].c_str());
      lastT = std::atof(l[3].c_str());
      sum += lastDt;
    }
    // The time is the sum of the steps (to the printed precision) and the
    // loop stopped at the first step that reached the final time.
    EXPECT_NEAR(lastT, sum, 1e-5 * lastT * static_cast<double>(log.size()));
    EXPECT_GE(lastT, c.tend * (1 - 1e-5));
    EXPECT_LT(lastT - lastDt, c.tend);
    for (const std::string &f : c.outputs) EXPECT_TRUE(exists(dir / ("out/" + f))) << f;
    EXPECT_EQ(readFile(dir / "out/load.log"), "");
  }
}

// The vertex values of a scalar Gmsh view ("ST (x,y,z,...){v,...};" lines):
// x, y and the value of every vertex of every triangle.
struct ViewPoint {
  double x, y, v;
};
std::vector<ViewPoint> scalarView(const std::string &path) {
  std::vector<ViewPoint> pts;
  for (const std::string &line : lines(readFile(path))) {
    const std::size_t open = line.find('('), close = line.find(')');
    const std::size_t brace = line.find('{', close == std::string::npos ? 0 : close);
    if (line.rfind("ST", 0) != 0 || open == std::string::npos || close == std::string::npos ||
        brace == std::string::npos)
      continue;
    std::vector<double> c, v;
    for (std::string list : {line.substr(open + 1, close - open - 1), line.substr(brace + 1)}) {
      std::vector<double> &out = c.empty() ? c : v;
      for (char &ch : list)
        if (ch == ',' || ch == '}' || ch == ';') ch = ' ';
      std::istringstream in(list);
      for (double d; in >> d;) out.push_back(d);
    }
    for (std::size_t i = 0; i < v.size() && 3 * i + 1 < c.size(); ++i)
      pts.push_back({c[3 * i], c[3 * i + 1], v[i]});
  }
  return pts;
}

// Each example at its own settings: exit 0 and one view per output period
// from t = 0 to the final time (tend / period + 1 of them, counted by hand
// from the case's settings), the last one holding a bounded solution that
// matches what is known of the solution at the final time.
TEST(Examples, EachRunsStablyToItsFinalTimeWithItsLastViewThere) {
  struct StableCase {
    const char *name;
    const char *view;  // views "<view><k><field>.pos", k = 1, 2, ...
    const char *field;
    int views;
    // Checks the vertex values of the last view; `dir` is the output folder.
    std::function<void(const std::vector<ViewPoint> &, const std::string &dir)> check;
  };
  const StableCase cases[] = {
      // tend 0.5, period 0.1. Started from the exact steady solution, the run
      // stays on it.
      {"burgers", "burgers-sample", "function", 6,
       [](const std::vector<ViewPoint> &f, const std::string &dir) {
         const std::vector<ViewPoint> exact = scalarView(dir + "/burgers-sample6exact.pos");
         ASSERT_EQ(f.size(), exact.size());
         for (std::size_t i = 0; i < f.size(); ++i) EXPECT_NEAR(f[i].v, exact[i].v, 0.05);
       }},
      // tend 0.5, period 0.1. Inflow values +-1 from an initial 0: the exact
      // solution stays within [-1, 1]; an unlimited linear field overshoots
      // at the fronts, an unstable one grows without bound.
      {"scalar-advection", "scalar-sample", "function", 6,
       [](const std::vector<ViewPoint> &f, const std::string &) {
         for (const ViewPoint &p : f) EXPECT_LE(std::fabs(p.v), 2.0) << p.x << " " << p.y;
       }},
      // tend 2, period 0.5. The vortex density lies in [0.494, 1] (its
      // centre: (1 - 0.4 * 25 e / (8 * 1.4 pi^2))^2.5) and the error against
      // the carried exact vortex stays small.
      {"isentropic-vortex", "vortex-sample", "density", 5,
       [](const std::vector<ViewPoint> &f, const std::string &dir) {
         for (const ViewPoint &p : f) {
           EXPECT_GE(p.v, 0.45);
           EXPECT_LE(p.v, 1.05);
         }
         for (const ViewPoint &p : scalarView(dir + "/vortex-sample5dens-exactdens.pos"))
           EXPECT_LE(std::fabs(p.v), 0.05) << p.x << " " << p.y;
       }},
      // tend 0.2, period 0.05. Sod's tube at t = 0.2: left state 1 up to the
      // rarefaction head at x = 0.263, 0.4263 between the rarefaction tail
      // (0.486) and the contact (0.685), 0.2656 up to the shock (0.850), then
      // 0.125.
      {"shock-tube", "sod-sample", "density", 5,
       [](const std::vector<ViewPoint> &f, const std::string &) {
         for (const ViewPoint &p : f) {
           EXPECT_GE(p.v, 0.1);
           EXPECT_LE(p.v, 1.05);
           const double x = p.x;
           if (x <= 0.2) { EXPECT_NEAR(p.v, 1.0, 0.01) << x; }
           if (x >= 0.54 && x <= 0.64) { EXPECT_NEAR(p.v, 0.4263, 0.02) << x; }
           if (x >= 0.74 && x <= 0.8) { EXPECT_NEAR(p.v, 0.2656, 0.02) << x; }
           if (x >= 0.9) { EXPECT_NEAR(p.v, 0.125, 0.01) << x; }
         }
       }},
  };
  for (const StableCase &c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    const Result r = runIn(dir.path(), std::string(DG_EXAMPLES) + "/run_example.sh '" +
                                           DG_PROGRAM + "' " + c.name + " out");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string out = dir / "out";
    const auto view = [&](int k) {
      return out + "/" + c.view + std::to_string(k) + c.field + ".pos";
    };
    for (int k = 1; k <= c.views; ++k) EXPECT_TRUE(exists(view(k))) << view(k);
    EXPECT_FALSE(exists(view(c.views + 1)));
    const std::vector<ViewPoint> last = scalarView(view(c.views));
    ASSERT_FALSE(last.empty());
    c.check(last, out);
  }
}

// The scalar-advection case at order 0 on its squares: with the upwind flux
// each step makes a cell's new value a convex combination of its own and its
// upwind neighbours' (Courant numbers 0.354 per direction at CFL 0.5, summing
// to 0.707 < 1), so the values stay within the data's range [-1, 1] at every
// view; the front reaches the right side by t = 1.
TEST(Examples, ScalarAdvectionAtOrderZeroKeepsTheDataRange) {
  ScratchDir dir;
  const Result r = runIn(dir.path(), std::string(DG_EXAMPLES) + "/run_example.sh '" + DG_PROGRAM +
                                         "' scalar-advection out -order 0 -cfl 0.5 -tend 1");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  double lo = 0.0, hi = 0.0;
  for (int k = 1; k <= 11; ++k) {
    const std::string view = dir / ("out/scalar-sample" + std::to_string(k) + "function.pos");
    const std::vector<ViewPoint> f = scalarView(view);
    ASSERT_FALSE(f.empty()) << view;
    for (const ViewPoint &p : f) {
      EXPECT_GE(p.v, -1.0 - 1e-12) << k << " " << p.x << " " << p.y;
      EXPECT_LE(p.v, 1.0 + 1e-12) << k << " " << p.x << " " << p.y;
      lo = std::min(lo, p.v);
      hi = std::max(hi, p.v);
    }
  }
  // Both inflow values have been carried in.
  EXPECT_LT(lo, -0.9);
  EXPECT_GT(hi, 0.9);
}

// A run configured by a parameter file: an expression-built law, its two
// sensors created from the file, to the final time.
TEST(Examples, ParameterFileRunsTheExpressionLawWithItsSensors) {
  ScratchDir dir;
  makeMesh(dir / "square.msh", "tri", 6, 6, 0, 1, 0, 1);
  writeFile(dir / "run.par",
            "Mesh = \"square.msh\";\n"
            "Tend = 0.01;\n"
            "Function {\n"
            "  PressureInit[] = 1.0;\n"
            "  DensityInit[] = 1.0 + 0.1 * Exp[-20 * (($X - 0.5)^2 + ($Y - 0.5)^2)];\n"
            "  VelocityInit[] = Vector[1, 0, 0];\n"
            "  PressureBnd[] = 1.0;\n"
            "  DensityBnd[] = 1.0;\n"
            "  VelocityBnd[] = Vector[1, 0, 0];\n"
            "}\n"
            "Sensor { Type = \"Point\"; Name = \"centre.dat\"; Quantity = \"DensityInit\";\n"
            "  SampleRate = 0.005; Point = (0.5, 0.5, 0); }\n"
            "Sensor { Type = \"Gmsh\"; Name = \"density\"; Quantity = \"DensityInit\";\n"
            "  SampleRate = 0.01; }\n");
  const Result r = runProgram(dir.path(), "run.par");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(find(r.out, "DG finishes\n"), std::string::npos);
  EXPECT_FALSE(progressLines(r.out).empty());
  EXPECT_TRUE(exists(dir / "centre.dat"));
  EXPECT_TRUE(exists(dir / "density-sample1DensityInit.pos"));
  EXPECT_EQ(lines(readFile(dir / "DG.log")).size(), progressLines(r.out).size());
}

// The triangles of a mesh file, in either layout the program reads and
// writes (a node section "$NOD" or "$NOE", then "$ELM" lines "id type tag
// tag n v1 .. vn"; type 2 is a triangle).
struct Triangle {
  double x[3], y[3];
  double area() const {
    return 0.5 * std::fabs((x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]));
  }
  double cx() const { return (x[0] + x[1] + x[2]) / 3.0; }
  double cy() const { return (y[0] + y[1] + y[2]) / 3.0; }
  double maxX() const { return std::max({x[0], x[1], x[2]}); }
};
std::vector<Triangle> trianglesOf(const std::string &path) {
  std::istringstream in(readFile(path));
  std::map<long, std::pair<double, double>> nodes;
  std::vector<Triangle> tris;
  for (std::string word; in >> word;) {
    if (word == "$NOD" || word == "$NOE") {
      long n = 0;
      in >> n;
      for (long i = 0; i < n; ++i) {
        long id;
        double x, y, z;
        in >> id >> x >> y >> z;
        nodes[id] = {x, y};
      }
    } else if (word == "$ELM") {
      long n = 0;
      in >> n;
      std::string line;
      std::getline(in, line);
      for (long i = 0; i < n && std::getline(in, line); ++i) {
        std::istringstream l(line);
        long id, type, t1, t2, nv;
        l >> id >> type >> t1 >> t2 >> nv;
        std::vector<long> v(static_cast<std::size_t>(std::max(nv, 0L)));
        for (long &k : v) l >> k;
        if (type != 2 || v.size() != 3) continue;
        Triangle t{};
        for (int k = 0; k < 3; ++k) {
          t.x[k] = nodes.at(v[k]).first;
          t.y[k] = nodes.at(v[k]).second;
        }
        tris.push_back(t);
      }
    }
  }
  return tris;
}

// The bow-shock case, short: the free stream (density 1.4, velocity 3,
// sound speed 1) hits the cylinder of radius 1 at t = 0. The mesh is remeshed
// twice before the run (two levels) and twice in it.
TEST(Examples, BowShockRemeshesToTheFlowAndKeepsItsDomain) {
  ScratchDir dir;
  const std::string where =
      copyOfCase(dir, "bow-shock", "bow-shock.msh", "bow-shock.par", kShortBowShock);
  const Result r = runIn(dir.path(), std::string(DG_EXAMPLES) + "/run_example.sh '" + DG_PROGRAM +
                                         "' '" + where + "' out");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string out = dir / "out";
  std::size_t passes = 0;
  for (std::size_t at = find(r.out, "Initial mesh refinement"); at != std::string::npos;
       at = find(r.out, "Initial mesh refinement", at + 1))
    ++passes;
  EXPECT_EQ(passes, 2u);
  EXPECT_NE(find(r.out, "Doing Mesh Adaptation (2) ...\n"), std::string::npos);
  EXPECT_EQ(find(r.out, "Doing Mesh Adaptation (3)"), std::string::npos);
  std::size_t reports = 0;
  for (const std::string &l : lines(r.out))
    if (l.rfind("Conformal adaptation : mass", 0) == 0) ++reports;
  EXPECT_EQ(reports, 2u);
  EXPECT_EQ(find(r.out, "error in callback"), std::string::npos);

  // The remeshing keeps the domain: the adapted meshes cover the polygon of
  // the initial mesh (its curved boundaries' vertices stay, new ones lie on
  // its edges). The written meshes round coordinates to 6 digits (5e-6 here),
  // which over a boundary about 21 long moves the area by at most 1.5e-4;
  // one vertex of the cylinder (spacing 0.1) cut off would take 6.7e-4.
  const std::vector<Triangle> initial = trianglesOf(where + "/bow-shock.msh");
  const std::vector<Triangle> adapted = trianglesOf(out + "/refined-2.msh");
  ASSERT_FALSE(initial.empty());
  ASSERT_FALSE(adapted.empty());
  double a0 = 0.0, a2 = 0.0;
  for (const Triangle &t : initial) a0 += t.area();
  for (const Triangle &t : adapted) a2 += t.area();
  EXPECT_NEAR(a2, a0, 2e-4);
  for (const char *m : {"refined-0.msh", "refined-1.msh"}) {
    double a = 0.0;
    for (const Triangle &t : trianglesOf(out + "/" + m)) a += t.area();
    EXPECT_NEAR(a, a0, 2e-4) << m;
  }

  // Upstream the flow has not changed (the state is uniform there, and a
  // supersonic stream receives nothing from downstream), so the elements
  // there are coarsened towards H_Max_CellSize (0.3, above the initial 0.2);
  // the smallest elements are at the body, where the gas is compressed, and
  // smaller than any of the initial mesh.
  const auto upstream = [](const std::vector<Triangle> &ts) {
    return std::count_if(ts.begin(), ts.end(), [](const Triangle &t) { return t.maxX() < -2.2; });
  };
  EXPECT_LT(upstream(adapted), upstream(initial));
  const auto smallest = [](const std::vector<Triangle> &ts) {
    return *std::min_element(ts.begin(), ts.end(), [](const Triangle &a, const Triangle &b) {
      return a.area() < b.area();
    });
  };
  const Triangle s = smallest(adapted);
  EXPECT_LT(s.area(), smallest(initial).area());
  EXPECT_LT(std::hypot(s.cx(), s.cy()), 1.5);

  // The free stream is carried unchanged through the remeshings upstream
  // (a constant is projected exactly); the views write 6 digits.
  const std::vector<ViewPoint> last = scalarView(out + "/short-sample3density.pos");
  ASSERT_FALSE(last.empty());
  int seen = 0;
  double highest = 0.0;
  for (const ViewPoint &p : last) {
    highest = std::max(highest, p.v);
    if (p.x >= -2.2) continue;
    ++seen;
    EXPECT_NEAR(p.v, 1.4, 1e-5) << p.x << " " << p.y;
  }
  EXPECT_GT(seen, 100);
  // The gas compressed against the body.
  EXPECT_GT(highest, 2.0);
  EXPECT_FALSE(exists(out + "/short-sample4density.pos"));
}

}  // namespace
