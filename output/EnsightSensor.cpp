#include "EnsightSensor.h"

#include <cerrno>
#include <cmath>
#include <cstdio>

#include "DGAnalysis.h"
#include "DGCell.h"
#include "DGParameters.h"
#include "GlobalParamManager.h"
#include "KORA_Util.h"
#include "LagrangeMapping.h"
#include "ProbeSupport.h"
#include "mException.h"
#include "mMesh.h"

using KORA::mEntity;
using KORA::mPoint;
using KORA::mVector;

namespace {

// The path without the extension of its last component ("out.d/run.case"
// gives "out.d/run"; a leading dot of the component is no extension).
std::string withoutExtension(const std::string &path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot <= start) return path;
  return path.substr(0, dot);
}

// The last component of a path.
std::string lastComponent(const std::string &path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The law's fields and gradients at the centre p of element e, from the
// element's own cell (or, without one, where the analysis locates the
// centre); false when the element has no solution there.
bool centreState(DGAnalysis *analysis, mEntity *e, mPoint &p, double *values, mVector *grads) {
  for (int i = 0; i < probe::kMaxValues; ++i) values[i] = 0.0;
  probe::zeroGradients(grads, probe::kMaxValues);
  double u = 0, v = 0, w = 0, x = 0, y = 0, z = 0;
  if (const DGCell *cell = DGAnalysis::getCell(e)) {
    const KORA::Mapping *mapping = cell->getMapping();
    mapping->COG(u, v, w);
    mapping->eval(u, v, w, x, y, z);
    p = mPoint(x, y, z);
    cell->interpolate(u, v, w, values);
    cell->dinterpolate(u, v, w, grads, DGCell::LEVEL0);
    return true;
  }
  KORA::LagrangeMapping mapping(e);
  mapping.COG(u, v, w);
  mapping.eval(u, v, w, x, y, z);
  p = mPoint(x, y, z);
  return analysis && analysis->eval(p, values, e, grads) != nullptr;
}

// A value that keeps to twelve characters in "%12.5E": magnitudes the
// two-digit exponent cannot hold are flushed to 0 or to the largest it can.
double fitted(double x) {
  if (std::fabs(x) < 1.0e-99) return 0.0;
  if (std::fabs(x) > 9.99994e99) return x < 0 ? -9.99999e99 : 9.99999e99;
  return x;
}

}  // namespace

DGEnsightSensor::DGEnsightSensor(const char *name, const char *const *fields, int nbVariables,
                                 double dt, int startNumber, int increment, int nbDigits)
    : DGSensor(name, dt), startNumber(startNumber), fileNumber(startNumber), increment(increment),
      nbDigits(nbDigits < 1 ? 1 : (nbDigits > 15 ? 15 : nbDigits)), sectionsPending(true),
      baseName(withoutExtension(this->name)) {
  for (int i = 0; fields && i < nbVariables; ++i) {
    const std::string field = fields[i] ? fields[i] : "";
    variables.push_back({field, baseName + "." + field});
  }
  writeCaseFile();
}

std::string DGEnsightSensor::numberText(int n) const {
  std::string text = std::to_string(n);
  if (static_cast<int>(text.size()) < nbDigits)
    text.insert(0, static_cast<std::size_t>(nbDigits) - text.size(), '0');
  return text;
}

void DGEnsightSensor::writeCaseFile() const {
  probe::File f = probe::open(name, "w");
  if (!f) return;
  const std::string wildcard(static_cast<std::size_t>(nbDigits), '*');
  std::fprintf(f.get(), "FORMAT\n");
  std::fprintf(f.get(), "type:  ensight\n");
  std::fprintf(f.get(), "GEOMETRY\n");
  std::fprintf(f.get(), "model:  %s.geo%s\n", lastComponent(baseName).c_str(), wildcard.c_str());
  std::fprintf(f.get(), "VARIABLE\n");
  if (sectionsPending) return;
  for (const std::string &line : variableLines) std::fputs(line.c_str(), f.get());
  std::fprintf(f.get(), "TIME\n");
  std::fprintf(f.get(), "time set: 1\n");
  std::string steps = std::to_string(times.size());
  if (static_cast<int>(steps.size()) < nbDigits)
    steps.append(static_cast<std::size_t>(nbDigits) - steps.size(), ' ');
  std::fprintf(f.get(), "number of steps: %s\n", steps.c_str());
  std::fprintf(f.get(), "filename start number: %s\n", numberText(startNumber).c_str());
  std::fprintf(f.get(), "filename increment: %d\n", increment);
  std::fprintf(f.get(), "time values:\n");
  for (double t : times) std::fprintf(f.get(), "%f\n", t);
}

void DGEnsightSensor::chooseOutputs(DGAnalysis *analysis) {
  const int nbFields = getNbFieldsOfInterest();
  auto written = [this](const std::string &field) {
    for (const Output &o : outputs)
      if (o.field == field) return true;
    return false;
  };
  for (int j = 0; j < nbFields; ++j) {
    int size = 0;
    std::string field;
    getNameAndSize(j, size, field);
    if ((size != 1 && size != 3) || written(field)) continue;
    for (const Variable &var : variables)
      if (var.field == field) {
        outputs.push_back({j, field, size, var.stem});
        break;
      }
  }
  if (!outputs.empty() || getFunctIndex() >= 0) return;

  // No configured field names a field of interest: the law's fields, those
  // that can be evaluated at the centre of a first element with a solution.
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  KORA::mMesh *mesh = ctx->mesh;
  double values[probe::kMaxValues], out[probe::kMaxValues];
  mVector grads[probe::kMaxValues];
  mPoint p;
  bool located = false;
  if (mesh)
    for (auto it = mesh->begin(mesh->getDim()); it != mesh->end(mesh->getDim()) && !located; ++it)
      located = centreState(analysis, *it, p, values, grads);
  for (int j = 0; j < nbFields; ++j) {
    int size = 0;
    std::string field;
    getNameAndSize(j, size, field);
    if ((size != 1 && size != 3) || isReservedField(field) || written(field)) continue;
    if (located) {
      try {
        getIthFieldOfInterest(j, p, values, grads, out, ctx->parameters->state.t);
      } catch (const std::string &) {
        continue;  // a field the law cannot give in this run
      }
    }
    outputs.push_back({j, field, size, baseName + "." + field});
  }
}

void DGEnsightSensor::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)dim;
  (void)iter;
  if (!dowe(time)) return;
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  const double now = ctx->parameters->state.t;
  const std::string wildcard(static_cast<std::size_t>(nbDigits), '*');

  if (sectionsPending) {
    chooseOutputs(analysis);
    for (const Output &o : outputs)
      variableLines.push_back(std::string(o.size == 1 ? "scalar" : "vector") +
                              " per element:   " + o.field + "\t" + lastComponent(o.stem) +
                              wildcard + "\n");
    sectionsPending = false;
  }

  const std::string number = numberText(fileNumber);
  fileNumber += increment;
  KORA::mMesh *mesh = ctx->mesh;
  if (mesh) {
    // The leaf elements of the top dimension, in the order of the geometry file.
    std::vector<mEntity *> elements;
    const int d = mesh->getDim();
    for (auto it = mesh->begin(d); it != mesh->end(d); ++it) elements.push_back(*it);
    const std::vector<KORA::KORA_Util::EnsightBlock> blocks =
        KORA::KORA_Util::ensightBlocks(elements);

    const std::string geometry = baseName + ".geo" + number;
    if (probe::open(geometry, "w")) {
      try {
        KORA::KORA_Util::Instance()->exportEnsightFile(geometry.c_str(), mesh, elements);
      } catch (KORA::mException *e) {
        delete e;
        probe::recordFailure(geometry, 0);
      }
    }

    // The fields' components element by element.
    std::vector<std::vector<double>> data(outputs.size());
    for (std::size_t k = 0; k < outputs.size(); ++k)
      data[k].reserve(elements.size() * static_cast<std::size_t>(outputs[k].size));
    double values[probe::kMaxValues], out[probe::kMaxValues];
    mVector grads[probe::kMaxValues];
    for (mEntity *e : elements) {
      mPoint p;
      const bool located = centreState(analysis, e, p, values, grads);
      for (std::size_t k = 0; k < outputs.size(); ++k) {
        const Output &o = outputs[k];
        for (int c = 0; c < o.size; ++c) out[c] = 0.0;
        if (located) getIthFieldOfInterest(o.index, p, values, grads, out, now);
        for (int c = 0; c < o.size; ++c) data[k].push_back(out[c]);
      }
    }

    for (std::size_t k = 0; k < outputs.size(); ++k) {
      probe::File file = probe::open(outputs[k].stem + number, "w");
      if (!file) continue;
      std::FILE *f = file.get();
      const int size = outputs[k].size;
      std::fprintf(f, "%s\n", outputs[k].field.c_str());
      if (!blocks.empty()) std::fprintf(f, "part 1\n");
      for (const KORA::KORA_Util::EnsightBlock &b : blocks) {
        std::fprintf(f, "%s\n", b.type);
        const std::size_t first = b.begin * size, last = b.end * size;
        for (std::size_t i = first; i < last; ++i) {
          std::fprintf(f, "%12.5E", fitted(data[k][i]));
          if ((i - first) % 6 == 5 || i + 1 == last) std::fputs("\n", f);
        }
      }
    }
  }

  times.push_back(now);
  writeCaseFile();
}
