#include "EnsightSensor.h"

#include <cstdio>

#include "DGAnalysis.h"
#include "DGParameters.h"
#include "GlobalParamManager.h"
#include "KORA_Util.h"
#include "LagrangeMapping.h"
#include "ProbeSupport.h"
#include "mException.h"
#include "mMesh.h"

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

void DGEnsightSensor::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)dim;
  (void)iter;
  if (!dowe(time)) return;
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  const double now = ctx->parameters->state.t;
  const std::string wildcard(static_cast<std::size_t>(nbDigits), '*');
  const int nbFields = getNbFieldsOfInterest();
  std::string fieldName;

  // The variable lines, once: every field of interest that a configured field
  // names and whose size EnSight knows.
  if (sectionsPending) {
    for (int j = 0; j < nbFields; ++j) {
      int size = 0;
      getNameAndSize(j, size, fieldName);
      for (const Variable &var : variables) {
        if (var.field != fieldName) continue;
        const char *kind = size == 1 ? "scalar" : (size == 3 ? "vector" : nullptr);
        if (kind)
          variableLines.push_back(std::string(kind) + " per element:   " + fieldName + "\t" +
                                  lastComponent(var.stem) + wildcard + "\n");
        break;
      }
    }
    sectionsPending = false;
  }

  const std::string number = numberText(fileNumber);
  std::vector<probe::File> files;
  std::vector<int> counters(variables.size(), 0);
  for (const Variable &var : variables) {
    files.push_back(probe::open(var.stem + number, "w"));
    if (files.back()) std::fprintf(files.back().get(), "%s\n", var.field.c_str());
  }
  KORA::mMesh *mesh = ctx->mesh;
  if (mesh) {
    // The geometry writer throws when its file cannot be made: skip it then.
    const std::string geometry = baseName + ".geo" + number;
    if (probe::open(geometry, "w")) {
      try {
        KORA::KORA_Util::Instance()->exportEnsightFile(geometry.c_str(), mesh, false);
      } catch (KORA::mException *e) {
        delete e;
      }
    }
  }
  fileNumber += increment;

  if (mesh && analysis) {
    const int d = mesh->getDim();
    double values[probe::kMaxValues];
    mVector grads[probe::kMaxValues];
    double out[probe::kMaxValues];
    for (auto it = mesh->begin(d); it != mesh->end(d); ++it) {
      KORA::LagrangeMapping mapping(*it);
      double u = 0, v = 0, w = 0, x, y, z;
      mapping.COG(u, v, w);
      mapping.eval(u, v, w, x, y, z);
      const mPoint p(x, y, z);
      probe::zeroGradients(grads, probe::kMaxValues);
      if (!analysis->eval(p, values, nullptr, grads)) continue;
      for (int j = 0; j < getNbFieldsOfInterest(); ++j) {
        int size = 0;
        getNameAndSize(j, size, fieldName);
        std::size_t i = 0;
        while (i < variables.size() && variables[i].field != fieldName) ++i;
        if (i == variables.size()) continue;
        std::FILE *file = files[i].get();
        if (size == 1 || size == 3) {
          getIthFieldOfInterest(j, p, values, grads, out, now);
          if (size == 1) {
            if (file) std::fprintf(file, "%12.5E ", out[0]);
            counters[i] = (counters[i] + 1) % 6;
          } else {
            if (file) std::fprintf(file, "%12.5E %12.5E %12.5E", out[0], out[1], out[2]);
            counters[i] = (counters[i] + 3) % 6;
          }
        }
        if (counters[i] == 0 && file) std::fputs("\n", file);
      }
    }
  }

  times.push_back(now);
  writeCaseFile();
}
