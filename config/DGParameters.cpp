#include "DGParameters.h"

#include <cctype>
#include <iostream>
#include <istream>
#include <ostream>
#include <string>

#include "ParameterValues.h"

SimulationState::SimulationState()
    : t(0), X(0), Y(0), Z(0), Pressure(0), Density(0), VX(0), VY(0), VZ(0),
      Temperature(0), cputime(0), gain(1.0), resid(0), iter(0), region(0),
      started(0) {}

void SimulationState::write(std::ostream &os) const {
  os << resid << " " << iter << " " << t << " " << cputime << " " << gain << "\n";
}

void SimulationState::read(std::istream &is) {
  // Each value is stored only once it has been read, so a failed extraction
  // leaves that field and the following ones as they were.
  double d;
  int i;
  if (!(is >> d)) return;
  resid = d;
  if (!(is >> i)) return;
  iter = i;
  if (!(is >> d)) return;
  t = d;
  if (!(is >> d)) return;
  cputime = d;
  if (!(is >> d)) return;
  gain = d;
}

GeneralParameters::GeneralParameters()
    : meshBaseName(), meshFileName("__none"), modelFileName("__none"),
      chunkSpace("."), partition(true), mach(3.0), angle(0.0), prandtl(1.0),
      alpha(1.0), gamma(1.4), outputDt(0.1), reynolds(100), atwood(1.0 / 3.0),
      quorl(100), detector(0.0), error(0.025), gravity(0), numModes(1),
      problem(0), subProblem(1), limiter(0), errest(1), meshGiven(0),
      modelGiven(0), restart(0), order(1), axi(0) {}

std::string GeneralParameters::baseNameOf(const std::string &fileName) {
  if (fileName.size() <= 4) return std::string();
  return fileName.substr(0, fileName.size() - 4);
}

void GeneralParameters::setMeshFile(const std::string &fileName) {
  meshFileName = fileName;
  meshBaseName = baseNameOf(fileName);
  meshGiven = 1;
}

DGParameters::DGParameters() : debug(0), state(), general() {
  init(1.0, 2.0);
}

DGParameters::~DGParameters() = default;

void DGParameters::init(double minCellSize, double maxCellSize) {
  time.cflMax = 0.5;
  time.dtRef = 1000;
  time.tend = 100000;
  time.dt = 1000;
  time.recoverSamplingPeriod = 500;
  time.nbSub = 1;
  time.mode = 1;

  href.minCellSize = minCellSize;
  href.maxAspectRatio = 10.0;
  href.maxCellSize = maxCellSize;
  href.divFactor = 10.0;
  href.samplePeriod = 0.1;
  href.doWe = 0;
  href.maxLevelOfRefinement = 2;
  href.samplePeriodExportMesh = 1;
  href.nbDone = 0;
  href.conforming = 0;
  href.aniso = 0;
  href.lb = 1;

  pref.divFactor = -1.0;
  pref.samplePeriod = 10000;
  pref.doWe = 0;
  pref.maximumPolynomialOrder = 2;
  pref.nbDone = 0;

  state.t = 0;
}

void DGParameters::write(std::ostream &os) const {
  os << "state.resid " << state.resid << "\n";
  os << "time.recoverSamplingPeriod " << time.recoverSamplingPeriod << "\n";
  os << "time.cflMax " << time.cflMax << "\n";
  os << "time.dtRef " << time.dtRef << "\n";
  os << "time.dt " << time.dt << "\n";
  os << "time.tend " << time.tend << "\n";
  os << "time.mode " << time.mode << "\n";
  os << "state.t " << state.t << "\n";
  os << "state.iter " << state.iter << "\n";
  os << "time.nbSub " << time.nbSub << "\n";
  os << "state.cputime " << state.cputime << "\n";
  os << "href.doWe " << href.doWe << "\n";
  os << "href.lb " << href.lb << "\n";
  os << "pref.doWe " << pref.doWe << "\n";
  os << "href.maxLevelOfRefinement " << href.maxLevelOfRefinement << "\n";
  os << "pref.maximumPolynomialOrder " << pref.maximumPolynomialOrder << "\n";
  os << "href.minCellSize " << href.minCellSize << "\n";
  os << "href.maxCellSize " << href.maxCellSize << "\n";
  os << "href.divFactor " << href.divFactor << "\n";
  os << "href.samplePeriod " << href.samplePeriod << "\n";
  os << "href.samplePeriodExportMesh " << href.samplePeriodExportMesh << "\n";
  os << "href.nbDone " << href.nbDone << "\n";
  // The two p-refinement switches appear a second time in the dump.
  os << "pref.doWe " << pref.doWe << "\n";
  os << "pref.maximumPolynomialOrder " << pref.maximumPolynomialOrder << "\n";
  os << "pref.divFactor " << pref.divFactor << "\n";
  os << "pref.samplePeriod " << pref.samplePeriod << "\n";
  os << "pref.nbDone " << pref.nbDone << "\n";
  os << "general.order " << general.order << "\n";
  os << "debug " << debug << "\n";
}

namespace {

// Longest line of the defaults file; a longer one ends the reading.
constexpr std::size_t kMaxLineLength = 255;

// The next blank-separated word from p on (empty at the end); p moves past it.
std::string nextWord(const char *&p) {
  while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
  const char *w = p;
  while (*p && !std::isspace(static_cast<unsigned char>(*p))) ++p;
  return std::string(w, p);
}

}  // namespace

void DGParameters::read_partial(std::istream &is) {
  struct Key {
    const char *name;
    double *d;
    int *i;
  };
  const Key keys[] = {
      {"state.resid", &state.resid, nullptr},
      {"state.t", &state.t, nullptr},
      {"state.iter", nullptr, &state.iter},
      {"state.cputime", &state.cputime, nullptr},
      {"time.cflMax", &time.cflMax, nullptr},
      {"time.dtRef", &time.dtRef, nullptr},
      {"time.tend", &time.tend, nullptr},
      {"time.recoverSamplingPeriod", nullptr, &time.recoverSamplingPeriod},
      {"time.nbSub", nullptr, &time.nbSub},
      {"time.mode", nullptr, &time.mode},
      {"href.doWe", nullptr, &href.doWe},
      {"href.lb", nullptr, &href.lb},
      {"href.maxLevelOfRefinement", nullptr, &href.maxLevelOfRefinement},
      {"href.divFactor", &href.divFactor, nullptr},
      {"href.minCellSize", &href.minCellSize, nullptr},
      {"href.maxCellSize", &href.maxCellSize, nullptr},
      {"href.samplePeriod", &href.samplePeriod, nullptr},
      {"href.samplePeriodExportMesh", nullptr, &href.samplePeriodExportMesh},
      {"href.nbDone", nullptr, &href.nbDone},
      {"pref.doWe", nullptr, &pref.doWe},
      {"pref.maximumPolynomialOrder", nullptr, &pref.maximumPolynomialOrder},
      {"pref.nbDone", nullptr, &pref.nbDone},
      {"general.order", nullptr, &general.order},
      {"general.restart", nullptr, &general.restart},
      {"debug", nullptr, &debug},
  };

  std::string line;
  while (std::getline(is, line)) {
    if (line.size() > kMaxLineLength) break;
    if (!line.empty() && line[0] == '#') continue;

    const char *p = line.c_str();
    const std::string key = nextWord(p);
    if (key.empty()) continue;

    for (const Key &k : keys) {
      if (key != k.name) continue;
      if (k.i == &href.lb) std::cout << "load balancing\n";
      // The value is the next word; a key without one keeps its field, and
      // text after the value is ignored. A value that is not wholly a finite
      // number (or an integer in range, for an int key) is refused.
      const std::string value = nextWord(p);
      if (value.empty()) break;
      const std::string refused =
          k.d ? readDoubleValue(value.c_str(), *k.d) : readIntValue(value.c_str(), *k.i);
      if (!refused.empty())
        throw std::string(".dgrc: bad value '") + value + "' for " + key + ": " + refused;
      break;
    }
  }
}

void DGParameters::write_state(std::ostream &os) const { state.write(os); }

void DGParameters::read_state(std::istream &is) { state.read(is); }
