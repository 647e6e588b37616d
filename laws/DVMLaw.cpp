#include "DVMLaw.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <limits>

#include "DVMMatrices.h"
#include "DenseMatrix.h"
#include "GaussHermite.h"
#include "ParUtil.h"

using KORA::mPoint;
using KORA::mVector;

namespace {

const double kPi = 3.141592653589793;
const double kVersion = 2.0;
const double kSentinel = -69.0;  // "not yet" value of tnow, dt and Tnext

[[noreturn]] void die()
{
  std::cout.flush();
  std::fflush(stdout);
  std::exit(1);
}

// File name of a per-process output file ("%s-proc%d.dat").
std::string procFileName(const char* stem)
{
  char buf[128];
  std::snprintf(buf, sizeof buf, "%s-proc%d.dat", stem, KORA::ParUtil::Instance()->rank());
  return buf;
}

// Line-by-line reader of "param.in": every line is read whole and its values
// are converted from its start; what follows them is a comment. A missing or
// malformed line is fatal and names the line.
class ParamReader {
public:
  explicit ParamReader(const char* name) : in(name) {}
  bool isOpen() const { return in.is_open(); }
  int lineNumber() const { return lineNo; }

  void next()
  {
    if (!std::getline(in, line)) {
      std::printf("ScalarLawALE: Fatal error:\n");
      std::printf("  param.in ends before line %d\n", lineNo + 1);
      die();
    }
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos = line.c_str();
  }

  // Converts the next value of the current line; false when there is none.
  bool get(double& v)
  {
    char* end = nullptr;
    const double r = std::strtod(pos, &end);
    if (end == pos) return false;
    v = r;
    pos = end;
    return true;
  }
  bool get(int& v)
  {
    char* end = nullptr;
    errno = 0;
    const long r = std::strtol(pos, &end, 10);
    if (end == pos || errno == ERANGE || r < std::numeric_limits<int>::min() ||
        r > std::numeric_limits<int>::max())
      return false;
    v = static_cast<int>(r);
    pos = end;
    return true;
  }

  // Reads the next line into the given values; fatal when one is missing.
  template <class... T>
  void read(T&... values)
  {
    next();
    if (!(get(values) && ...)) bad();
  }

  [[noreturn]] void bad() const
  {
    std::printf("ScalarLawALE: Fatal error:\n");
    std::printf("  bad line %d of param.in: \"%s\"\n", lineNo, line.c_str());
    die();
  }

private:
  std::ifstream in;
  std::string line;
  const char* pos = "";
  int lineNo = 0;
};

void printValues(const std::vector<double>& v)
{
  for (double x : v) std::cout << ' ' << x;
  std::cout << '\n';
}

double distance(const mPoint& a, const mPoint& b)
{
  return std::sqrt(std::pow(a.x() - b.x(), 2.0) + std::pow(a.y() - b.y(), 2.0) +
                   std::pow(a.z() - b.z(), 2.0));
}

}  // namespace

// ---------------------------------------------------------------------------

ScalarLawALEInitialField::ScalarLawALEInitialField(int K_, int nspecies_, double scale_,
                                                   const double* cini_, const double* feq_)
    : K(K_), nspecies(nspecies_), scale(scale_), cini(cini_, cini_ + nspecies_),
      feq(feq_, feq_ + K_)
{
}

void ScalarLawALEInitialField::eval(const mPoint& p, double t, double* values) const
{
  (void)p;
  (void)t;
  const int block = K / nspecies;
  for (int k = 0; k < K; ++k) values[k] = scale * cini[k / block] * feq[k];
}

// ---------------------------------------------------------------------------

ScalarLawALE::ScalarLawALE() = default;

ScalarLawALE::~ScalarLawALE()
{
  std::printf("test output from ~ScalarLawALE: I was called!\n");
  const std::string name = procFileName("waferedge");
  if (std::FILE* f = std::fopen(name.c_str(), "w")) {
    for (const auto& [pt, theta] : coverage)
      std::fprintf(f, "%16.8e %16.8e %16.8e %20.12e\n", pt.x(), pt.y(), pt.z(), theta);
    std::fclose(f);
  } else {
    std::printf("problem opening file\n");
  }
  freeMatrix(Crhs);
  Crhs = nullptr;
  if (coverFile) std::fclose(coverFile);
  if (fluxFile) std::fclose(fluxFile);
  std::printf("ScalarLawALE: finishing the execution of the destructor.\n");
}

void ScalarLawALE::readScalarLawALE()
{
  ParamReader in("param.in");
  if (!in.isOpen()) {
    std::printf("ScalarLawALE: Fatal error:\n");
    std::printf("  cannot open input file param.in\n");
    die();
  }
  std::printf("Reading input file param.in ...\n");
  std::fflush(stdout);

  in.next();
  if (!in.get(ver) || ver != kVersion) {
    std::printf("ScalarLawALE: Fatal error:\n");
    std::printf("  version numbers of code and input file param.in disagree!\n");
    std::printf("  ver (param.in) = %f, vercode = %f\n", ver, kVersion);
    die();
  }

  in.read(nspecies, iprob, npoi, iqint);
  if (nspecies < 1 || npoi < 0) in.bad();
  in.read(K1, K2, K3);
  if (K1 < 1 || K2 < 1 || K3 < 1) in.bad();
  const long long total = static_cast<long long>(K1) * K2 * K3 * nspecies;
  if (total > kMaxVelocities) {
    std::printf("ScalarLawALE: Fatal error:\n");
    std::printf("  too many velocities: K = %lld, at most %d (line %d of param.in)\n", total,
                kMaxVelocities, in.lineNumber());
    die();
  }
  in.read(ndimpos, ndimvel, iveltype);
  in.read(xmin, ymin, zmin);
  in.read(xmax, ymax, zmax);

  crefi.assign(nspecies, 0.0);
  vrefi.assign(nspecies, 0.0);
  cini.assign(nspecies, 0.0);
  ctopin.assign(nspecies, 0.0);
  for (int s = 0; s < nspecies; ++s) {
    in.read(crefi[s], vrefi[s]);
    in.read(cini[s], ctopin[s]);
  }
  in.read(rreact, gamma0);
  in.read(gam1f, gam1b);
  in.read(gam2f, gam2b);
  in.read(theta0, prefac);
  probes.clear();
  for (int i = 0; i < npoi; ++i) {
    double x, y, z;
    in.read(x, y, z);
    probes.emplace_back(x, y, z);
  }
  in.read(dtout, dtmovie);

  std::printf("Done reading input file param.in ...\n");
  std::fflush(stdout);
  K = static_cast<int>(total);
}

int ScalarLawALE::writeScalarLawALE()
{
  std::printf("ver = %f\n", ver);
  std::printf("nspecies = %5d, iprob = %5d, npoi = %5d, iqint = %5d\n", nspecies, iprob, npoi,
              iqint);
  std::printf("K1 = %5d,  K2 = %5d,  K3 = %5d\n", K1, K2, K3);
  std::printf("Problem size: K = %5d\n", K);
  std::printf("ndimpos = %5d, ndimvel = %5d, iveltype = %5d\n", ndimpos, ndimvel, iveltype);
  std::printf("xmin = %24.16e, xmax = %24.16e\n", xmin, xmax);
  std::printf("ymin = %24.16e, ymax = %24.16e\n", ymin, ymax);
  std::printf("zmin = %24.16e, zmax = %24.16e\n", zmin, zmax);
  for (int s = 0; s < nspecies; ++s) {
    std::printf("crefi  = %24.16e, vrefi   = %24.16e\n", crefi[s], vrefi[s]);
    std::printf("cini   = %24.16e, ctopin  = %24.16e\n", cini[s], ctopin[s]);
  }
  std::printf("rreact = %24.16e, gamma0  = %24.16e\n", rreact, gamma0);
  std::printf("gam1f  = %24.16e, gam1b   = %24.16e\n", gam1f, gam1b);
  std::printf("gam2f  = %24.16e, gam2b   = %24.16e\n", gam2f, gam2b);
  std::printf("theta0 = %24.16e, prefac  = %24.16e\n", theta0, prefac);
  for (int i = 0; i < static_cast<int>(probes.size()); ++i)
    std::printf("Point %d = (%16.13f, %16.13f, %16.13f)\n", i, probes[i].x(), probes[i].y(),
                probes[i].z());
  std::printf("dtout  = %24.16e, dtmovie = %24.16e\n", dtout, dtmovie);
  const int status = std::fflush(stdout);
  if (status < 0) std::printf("Problem flushing\n");
  return status;
}

int ScalarLawALE::setupScalarLawALE(int dim)
{
  jobsetmat = 0;
  K = K1 * K2 * K3 * nspecies;
  tau = 1.0;

  if (dim != ndimpos) {
    std::printf("Fatal error: dimension information should agree:\n");
    std::printf("  dim = %d, ndimpos = %d\n", dim, ndimpos);
    die();
  }
  if (K < 1 || K > kMaxVelocities) {
    // Only reachable when the parameters were not read.
    std::printf("ScalarLawALE: Fatal error:\n");
    std::printf("  K = %d fields, between 1 and %d expected\n", K, kMaxVelocities);
    die();
  }

  for (std::vector<double>* a : {&v1, &q1, &M1}) a->assign(K1, 0.0);
  for (std::vector<double>* a : {&v2, &q2, &M2}) a->assign(K2, 0.0);
  for (std::vector<double>* a : {&v3, &q3, &M3}) a->assign(K3, 0.0);
  for (std::vector<double>* a : {&A1, &A2, &A3, &qK, &MK}) a->assign(K, 0.0);
  freeMatrix(Crhs);
  Crhs = allocateMatrix(K, K);

  struct Rule { std::vector<double>*v, *q, *M; int n; };
  for (const Rule& r : {Rule{&v1, &q1, &M1, K1}, Rule{&v2, &q2, &M2, K2}, Rule{&v3, &q3, &M3, K3}}) {
    const int status = gauherqm(r.v->data(), r.q->data(), r.M->data(), r.n);
    if (status < 0) {
      std::printf("ScalarLawALE: Fatal error:\n");
      std::printf("Problem with gauherqm, status = %d\n", status);
      die();
    }
  }

  if (iveltype != 1) {
    std::printf("Fatal error: undefined iveltype = %d\n", iveltype);
    die();
  }
  if (ndimvel != 2 && ndimvel != 3) {
    std::printf("Fatal error: ndimvel must be 2 or 3, ndimvel = %d\n", ndimvel);
    die();
  }
  if (ndimvel == 2 && K3 != 1) {
    std::printf("Fatal error: K3 must be 1 for 2-D case:\n");
    std::printf("  ndimvel = %d, K3 = %d\n", ndimvel, K3);
    die();
  }

  const int status = setmatrices(nspecies, A1.data(), A2.data(), A3.data(), Crhs, qK.data(),
                                 MK.data(), v1.data(), q1.data(), M1.data(), K1, v2.data(),
                                 q2.data(), M2.data(), K2, v3.data(), q3.data(), M3.data(), K3,
                                 tau, jobsetmat);
  if (status < 0) {
    std::printf("ScalarLawALE: Fatal error:\n");
    std::printf("Problem with setmatrices, status = %d\n", status);
    die();
  }

  // Maxwellian of every species at every velocity.
  feq.assign(K, 0.0);
  const int block = K / nspecies;
  if (nspecies == 1 && K1 == 1 && K2 == 1 && K3 == 1) {
    feq[0] = MK[0];
  } else {
    for (int s = 0; s < nspecies; ++s) {
      const double vr = vrefi[s];
      const double P = std::pow(2.0 * kPi * vr * vr, ndimvel * 0.5);
      for (int i3 = 0; i3 < K3; ++i3)
        for (int i2 = 0; i2 < K2; ++i2)
          for (int i1 = 0; i1 < K1; ++i1) {
            const int k = s * block + i1 + K1 * i2 + K1 * K2 * i3;
            const double v2sum = v1[i1] * v1[i1] + v2[i2] * v2[i2] + v3[i3] * v3[i3];
            feq[k] = crefi[s] / P * std::exp(-v2sum / (2.0 * vr * vr));
          }
    }
  }

  // Set-up report.
  struct Direction { const char* title; const std::vector<double>*v, *q, *M; };
  for (const Direction& d : {Direction{"Test output for v1, q1, M1: ------", &v1, &q1, &M1},
                             Direction{"            for v2, q2, M2: ------", &v2, &q2, &M2},
                             Direction{"            for v3, q3, M3: ------", &v3, &q3, &M3}}) {
    std::cout << d.title << '\n';
    printValues(*d.v);
    printValues(*d.q);
    printValues(*d.M);
    std::cout << '\n';
  }
  std::cout << "Test output for diag(A1), diag(A2), diag(A3), and Crhs: ---\n";
  for (const std::vector<double>* a : {&A1, &A2, &A3}) {
    printValues(*a);
    std::cout << '\n';
  }
  if (jobsetmat == 0) {
    std::cout << "jobsetmat = " << ' ' << 0 << "\n\n";
  } else {
    for (int i = 0; i < K; ++i) printValues(std::vector<double>(Crhs[i], Crhs[i] + K));
  }
  std::cout << '\n';
  printValues(qK);
  std::cout << '\n';
  printValues(MK);
  std::cout << '\n';
  printValues(feq);
  std::cout << '\n';
  std::vector<double> diff(K);
  for (int k = 0; k < K; ++k) diff[k] = MK[k] - feq[k];
  printValues(diff);
  std::cout << "End of test output ------------------\n";
  std::cout.flush();

  initialField = std::make_unique<ScalarLawALEInitialField>(K, nspecies, 1.0, cini.data(),
                                                            feq.data());
  farField = initialField.get();

  zeroCollisions = true;
  for (int i = 0; i < K; ++i)
    for (int j = 0; j < K; ++j)
      if (Crhs[i][j] != 0.0) zeroCollisions = false;
  maxSpeed = 0.0;
  for (int k = 0; k < K; ++k)
    maxSpeed = std::max(maxSpeed, std::sqrt(A1[k] * A1[k] + A2[k] * A2[k] + A3[k] * A3[k]));

  inflowNorm.assign(nspecies, 0.0);
  outflux.assign(nspecies, 0.0);
  probeWall.assign(npoi, mPoint(0.0, 0.0, 0.0));
  tnow = dt = Tnext = kSentinel;

  if (coverFile) std::fclose(coverFile);
  if (fluxFile) std::fclose(fluxFile);
  coverFile = std::fopen(procFileName("covertime").c_str(), "w");
  if (!coverFile) std::printf("ScalarLawALE: problem opening file\n");
  fluxFile = std::fopen(procFileName("fluxstime").c_str(), "w");
  if (!fluxFile) std::printf("ScalarLawALE: problem opening file fidetas\n");
  return status;
}

// ---------------------------------------------------------------------------

void ScalarLawALE::Fi(int k, const mPoint& p, const double* U, mVector& flux) const
{
  (void)p;
  flux.set(A1[k] * U[k], A2[k] * U[k], A3[k] * U[k]);
}

void ScalarLawALE::Fi(const mPoint& p, const double* U, mVector* flux) const
{
  for (int k = 0; k < K; ++k) Fi(k, p, U, flux[k]);
}

void ScalarLawALE::RHS(const double* U, const mVector* G, const mPoint& p, double* S) const
{
  (void)G;
  (void)p;
  for (int i = 0; i < K; ++i) S[i] = 0.0;
  if (!Crhs || zeroCollisions) return;
  for (int i = 0; i < K; ++i) {
    const double* row = Crhs[i];
    double s = 0.0;
    for (int j = 0; j < K; ++j) s += row[j] * U[j];
    S[i] = s;
  }
}

void ScalarLawALE::riemannSolver(const mVector& n, const mPoint& p, const double* UL,
                                 const double* UR, double* FL, double* FR) const
{
  (void)p;
  for (int k = 0; k < K; ++k) {
    const double vn = n(0) * A1[k] + n(1) * A2[k] + n(2) * A3[k];
    const double u = vn > 0.0 ? UL[k] : UR[k];
    const double f = (A1[k] * u) * n(0) + (A2[k] * u) * n(1) + (A3[k] * u) * n(2);
    FL[k] = f;
    FR[k] = f;
  }
}

void ScalarLawALE::boundaryFlux(const mVector& n, int tag, const mPoint& p, double* U, double* F,
                                double t) const
{
  const int block = K / nspecies;

  // Stage 1: per species, the normalisation of the Maxwellian inflow and the
  // outflux through the face.
  for (int s = 0; s < nspecies; ++s) {
    double in = 0.0, out = 0.0;
    for (int k = s * block; k < (s + 1) * block; ++k) {
      const double vn = n(0) * A1[k] + n(1) * A2[k] + n(2) * A3[k];
      if (vn < 0.0)
        in += std::fabs(vn) * qK[k] * MK[k] * feq[k];
      else if (vn > 0.0)
        out += std::fabs(vn) * qK[k] * MK[k] * U[k];
    }
    inflowNorm[s] = in != 0.0 ? 1.0 / in : std::numeric_limits<double>::infinity();
    outflux[s] = out < 0.0 ? 0.0 : out;
  }

  // Stage 2: the reactive wall and its surface coverage.
  double R1 = 0.0, R2 = 0.0;
  if (tag == 1001) {
    auto wo = wallOutflux.find(p);
    if (wo == wallOutflux.end()) wo = wallOutflux.emplace(p, std::vector<double>(nspecies)).first;
    std::copy(outflux.begin(), outflux.end(), wo->second.begin());

    if (t > 0.0) {
      if (tnow < t) {
        // A new coverage step: every known wall point is updated once.
        dt = t - tnow;
        tnow = t;
        nPending = static_cast<int>(coverage.size());
        for (const auto& entry : coverage) pending.insert(entry.first);
      }
      auto c = coverage.find(p);
      if (c == coverage.end()) c = coverage.emplace(p, 0.0).first;
      const double theta = c->second;
      R1 = (1.0 - theta) * gam1f * outflux[0] - gam1b * theta;
      R2 = nspecies >= 2 ? gam2f * theta * outflux[1] : 0.0;
      auto flag = pending.find(p);
      if (flag != pending.end()) {
        const double thetanew = theta + dt * prefac * (R1 - R2);
        if (thetanew < 0.0) {
          std::printf("Error: theta negative: thetanew = %24.16e\n", thetanew);
          std::printf("       R1 = %24.16e, R2 = %24.16e\n", R1, R2);
          std::printf("       dt = %24.16e, prefac = %24.16e\n", dt, prefac);
          for (int k = 0; k < K; ++k) std::printf(" %24.16e", U[k]);
          std::printf("\n");
        }
        c->second = thetanew;
        pending.erase(flag);
        --nPending;
      }
      if (nPending == 0 && Tnext - 1e-11 < t) {
        const double previous = Tnext;
        writeTimeSeries(p, t);
        std::printf("Output at Tnext = %e completed\n", previous);
        Tnext = t + dtout;
      }
    } else {
      if (t > tnow) {
        tnow = t;
        nPending = 0;
      }
      auto c = coverage.find(p);
      if (c == coverage.end()) {
        c = coverage.emplace(p, theta0).first;
        ++nPending;
      }
      const double theta = c->second;
      R1 = (1.0 - theta) * gam1f * outflux[0] - gam1b * theta;
      R2 = nspecies >= 2 ? gam2f * theta * outflux[1] : 0.0;
    }
  }

  // Stage 3: the fluxes.
  for (int k = 0; k < K; ++k) {
    double vn = n(0) * A1[k] + n(1) * A2[k] + n(2) * A3[k];
    if (std::fabs(vn) < 1e-14) vn = 0.0;
    if (vn >= 0.0) {
      F[k] = vn * U[k];
      continue;
    }
    const int s = k / block;
    const int r = k % block;
    const int i3 = r / (K1 * K2);
    const int i2 = (r - i3 * K1 * K2) / K1;
    const int i1 = r - K1 * i2 - K1 * K2 * i3;
    const int base = s * block;
    if (tag == 1001) {
      if (s == 0) {
        F[k] = (outflux[0] - R1) * vn * inflowNorm[0] * feq[k];
      } else if (s == 1) {
        F[k] = (outflux[1] - R2) * vn * inflowNorm[1] * feq[k];
      } else {
        std::printf("Fatal error: is not 0 or 1!");
        die();
      }
    } else if (tag == 1002 || (ndimpos == 2 && p.y() == ymax) || (ndimpos == 3 && p.z() == zmax)) {
      F[k] = vn * ctopin[s] * feq[k];
    } else if (tag == 1003 || p.x() == xmin || p.x() == xmax) {
      F[k] = vn * U[base + (K1 - 1 - i1) + K1 * i2 + K1 * K2 * i3];
    } else if (tag == 1004 || (ndimpos == 3 && (p.y() == ymin || p.y() == ymax))) {
      F[k] = vn * U[base + i1 + K1 * (K2 - 1 - i2) + K1 * K2 * i3];
    } else {
      unidentifiedBoundary(tag, p, n, k, vn, t);
    }
    if (K == 1) {
      double far[kMaxVelocities];
      farField->eval(p, t, far);
      F[0] = vn * far[0];
    }
  }
}

void ScalarLawALE::unidentifiedBoundary(int tag, const mPoint& p, const mVector& n, int k,
                                        double vn, double t) const
{
  std::printf("ScalarLawALE: Fatal error:\n");
  std::printf("unable to identify boundary!\n");
  std::printf("BoundaryId = %5d\n", tag);
  std::printf("Pos   %24.16e%24.16e%24.16e\n", p.x(), p.y(), p.z());
  std::printf("n     %24.16e%24.16e%24.16e\n", n(0), n(1), n(2));
  std::printf("A?diag%24.16e%24.16e%24.16e\n", A1[k], A2[k], A3[k]);
  std::printf("i = %d, vn = %24.16e, and time T = %24.16e \n", k, vn, t);
  die();
}

void ScalarLawALE::writeTimeSeries(const mPoint& p, double t) const
{
  const int np = static_cast<int>(probeWall.size());
  auto check = [](std::FILE* f, int firstWrite) {
    if (firstWrite < 0) std::printf("ScalarLawALE: problem writing\n");
    if (std::fflush(f) != 0) std::printf("ScalarLawALE: problem flushing\n");
  };

  if (Tnext == kSentinel) {
    // First output: each probe takes its nearest wall point (ties keep the
    // earlier candidate, starting with the current point).
    for (int i = 0; i < np; ++i) {
      mPoint best = p;
      double dbest = distance(p, probes[i]);
      for (const auto& entry : coverage) {
        const double d = distance(entry.first, probes[i]);
        if (d < dbest) {
          dbest = d;
          best = entry.first;
        }
      }
      probeWall[i] = best;
    }
    auto header = [&](std::FILE* f) {
      const int rc = std::fprintf(f, "%16.8e", gam1f);
      for (int i = 0; i < np; ++i) std::fprintf(f, "%20.12f", probeWall[i].x());
      std::fprintf(f, "\n%16.8e", gam1b);
      for (int i = 0; i < np; ++i) std::fprintf(f, "%20.12f", probeWall[i].y());
      std::fprintf(f, "\n%16.8e", gam2f);
      for (int i = 0; i < np; ++i) std::fprintf(f, "%20.12f", probeWall[i].z());
      std::fprintf(f, "\n");
      return rc;
    };
    if (coverFile) {
      const int rc = header(coverFile);
      std::fprintf(coverFile, "%16.8e", 0.0);
      for (int i = 0; i < np; ++i) std::fprintf(coverFile, "%20.12e", coverage.at(probeWall[i]));
      std::fprintf(coverFile, "\n");
      check(coverFile, rc);
    }
    if (fluxFile) {
      const int rc = header(fluxFile);
      for (int s = 0; s < nspecies; ++s) {
        std::fprintf(fluxFile, "%16.8e", 0.0);
        for (int i = 0; i < np; ++i)
          std::fprintf(fluxFile, "%20.12e", wallOutflux.at(probeWall[i])[s]);
        std::fprintf(fluxFile, "\n");
      }
      check(fluxFile, rc);
    }
    return;
  }

  if (coverFile) {
    const int rc = std::fprintf(coverFile, "%16.8e", t);
    for (int i = 0; i < np; ++i) std::fprintf(coverFile, "%20.12e", coverage.at(probeWall[i]));
    std::fprintf(coverFile, "\n");
    check(coverFile, rc);
  }
  if (fluxFile) {
    int rc = 0;
    for (int s = 0; s < nspecies; ++s) {
      const int r = std::fprintf(fluxFile, "%16.8e", t);
      if (s == 0) rc = r;
      for (int i = 0; i < np; ++i)
        std::fprintf(fluxFile, "%20.12e", wallOutflux.at(probeWall[i])[s]);
      std::fprintf(fluxFile, "\n");
    }
    check(fluxFile, rc);
  }
  if (std::FILE* stop = std::fopen("stopfile", "r")) {
    std::fclose(stop);
    std::printf("ScalarLawALE: Fatal error: stopfile detected!\n");
    die();
  }
}

double ScalarLawALE::maximumEigenValue(const double* U, const mPoint& p) const
{
  (void)U;
  (void)p;
  return maxSpeed;
}

int ScalarLawALE::getNbFieldsOfInterest() const
{
  return iqint == 2 ? nspecies + K : nspecies;
}

void ScalarLawALE::getNameAndSize(int i, int& size, std::string& name) const
{
  size = 1;
  char buf[32];
  if (i >= 0 && i < nspecies) {
    std::snprintf(buf, sizeof buf, "s%d", i + 1);
    name = buf;
  } else if (i >= nspecies && i < nspecies + K) {
    std::snprintf(buf, sizeof buf, "f%d", i - nspecies + 1);
    name = buf;
  }
}

double ScalarLawALE::speciesDensity(int s, const double* U) const
{
  const int block = K / nspecies;
  double rho = 0.0;
  for (int k = s * block; k < (s + 1) * block; ++k) rho += qK[k] * MK[k] * U[k];
  return rho;
}

void ScalarLawALE::getIthFieldOfInterest(int i, const mPoint& p, const double* U,
                                         const mVector* G, double* out, double t) const
{
  (void)p;
  (void)G;
  (void)t;
  if (i >= 0 && i < nspecies)
    out[0] = speciesDensity(i, U);
  else if (i >= nspecies && i < nspecies + K)
    out[0] = U[i - nspecies];
}

bool ScalarLawALE::isPhysical(const double* U) const
{
  (void)U;
  return true;
}

double ScalarLawALE::jumpQuantity(const double* U, const mVector* G) const
{
  (void)G;
  return K == 1 ? U[0] : speciesDensity(0, U);
}

void ScalarLawALE::characteristicVectorField(const mPoint& p, double t, const double* U,
                                             const mVector* G, mVector& out) const
{
  (void)p;
  (void)t;
  (void)U;
  (void)G;
  out.set(A1[0], A2[0], A3[0]);
}
