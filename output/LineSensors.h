#ifndef DG_LINESENSORS_H
#define DG_LINESENSORS_H

// Sensors along a straight segment p1-p2, sampled at nbSamples equidistant
// points (p1 + (p2 - p1) k / (nbSamples - 1), k = 0 .. nbSamples - 1; a single
// sample sits at p1). Each keeps one file, named by the sensor's name: the
// constructor truncates it (and writes the kind's header), every due sample
// appends to it. A file that cannot be opened is skipped silently; the sample
// still counts.
//
// - DGLineSensor: one commented block per sample, one row per point inside
//   the mesh; honours the reserved fields "errest", "reflev" and "tag".
// - DGLineSensorTecplot: Tecplot title and variables, then one zone per
//   sample with a row for every point (outside points from the -1e24 state).
// - DGSpaceTimeSensor: one field of interest, rows "s time value" per point
//   inside the mesh, then an empty line.
// - DGTresholdLineSensor: the first place where one conserved component
//   crosses a threshold between consecutive points found inside the mesh.

#include <string>

#include "DGSensor.h"
#include "mPoint.h"

class DGLineSensor : public DGSensor {
public:
  DGLineSensor(const char *name, const KORA::mPoint &p1, const KORA::mPoint &p2, int nbSamples,
               double dt);
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;

private:
  KORA::mPoint p1, p2;
  int nbSamples;
};

class DGLineSensorTecplot : public DGSensor {
public:
  DGLineSensorTecplot(const char *name, const KORA::mPoint &p1, const KORA::mPoint &p2,
                      int nbSamples, double dt, const char *title);
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;

private:
  KORA::mPoint p1, p2;
  int nbSamples;
};

class DGSpaceTimeSensor : public DGSensor {
public:
  DGSpaceTimeSensor(const char *name, const KORA::mPoint &p1, const KORA::mPoint &p2,
                    int nbSamples, double dt, int fieldIndex);
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;

private:
  KORA::mPoint p1, p2;
  int nbSamples;
  int fieldIndex;
};

class DGTresholdLineSensor : public DGSensor {
public:
  DGTresholdLineSensor(const char *name, int fieldIndex, const KORA::mPoint &p1,
                       const KORA::mPoint &p2, int nbSamples, double threshold, double dt);
  // A fieldIndex outside the law's fields never finds a crossing.
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;

private:
  int fieldIndex;
  KORA::mPoint p1, p2;
  int nbSamples;
  double threshold;
};

// Tecplot VARIABLES entries of the sensor's fields of interest: " \"name\""
// for one component, " \"name k\"" (k = 1 .. n) for n components.
std::string tecplotFieldVariables(const DGSensor &sensor);

#endif
