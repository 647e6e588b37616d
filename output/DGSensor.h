#ifndef DG_DGSENSOR_H
#define DG_DGSENSOR_H

// Output sensors: each samples the running solution at its own period and
// writes what it samples to files.
//
// Sampling rule: a sample is due at `time` when count * dt <= time (false
// when either side is NaN); then lastTime becomes count * dt and count grows
// by one. One call takes at most one sample, so a sensor that fell behind
// catches up one slot per call. Every kind applies the rule (dowe) at the
// start of its eval.
//
// Fields of interest: a sensor bound to an input-language function (setFunct)
// has exactly one scalar field, named after the function; otherwise its fields
// are those of the run's conservation law. Three field names stand for mesh
// and analysis quantities instead: "errest" (the element's estimated error),
// "reflev" (its refinement level) and "tag" (its DG cell's local time level);
// each kind says which of them it honours.
//
// Ownership: sensors are made on the heap and handed to the analysis, which
// keeps them in order but deletes none; they live until the process ends.

#include <string>

#include "mPoint.h"
#include "mVector.h"

class DGAnalysis;
namespace KORA {
class mEntity;
}

class DGSensor {
public:
  // Stores a copy of the name and the period; unbound, count and lastTime 0.
  DGSensor(const char *name, double dt);
  virtual ~DGSensor() = default;
  DGSensor(const DGSensor &) = delete;
  DGSensor &operator=(const DGSensor &) = delete;

  // Offered the solution; writes only when a sample is due. dim is the space
  // dimension, iter the iteration number, time the simulation time.
  virtual void eval(DGAnalysis *analysis, int dim, int iter, double time) = 0;

  // Binds the sensor to the last expression of the input language named
  // exactly `name`. The binding is kept by position in the expression list,
  // so it survives the list's growth and sees a later redefinition under the
  // same name. An unknown name leaves the binding as it was.
  void setFunct(const char *name);
  // The sampling test and its update.
  bool dowe(double time);
  // After a restart at time T: count becomes T / dt truncated toward zero.
  // A period of 0 or less, or a quotient that is not a finite value within
  // the range of an int, leaves count as it is. lastTime is kept.
  void restart(double time);

  // Number of fields written: 1 when bound, else the law's (0 without law).
  int getNbFieldsOfInterest() const;
  // Name and number of components of field i. Bound: the function's name
  // and 1 whatever i. Unbound: as the law gives them (unchanged when the law
  // does not know i or there is no law).
  void getNameAndSize(int i, int &size, std::string &name) const;
  // Components of field i at p from the law's fields sol and gradients
  // grads there. Bound: writes the point into the run state's current point,
  // lets the law publish its local state and stores the first component of
  // the function's value in out[0]. Unbound: the law's field.
  void getIthFieldOfInterest(int i, const KORA::mPoint &p, const double *sol,
                             const KORA::mVector *grads, double *out, double time) const;

  const std::string &getName() const { return name; }
  double getDt() const { return dt; }
  double getLastTime() const { return lastTime; }
  int getCount() const { return count; }
  // Position of the bound expression in the expression list, -1 when unbound.
  int getFunctIndex() const { return funct; }

  // ---- reserved field names
  // True for "errest", "reflev" and "tag" (exact, case-sensitive).
  static bool isReservedField(const std::string &fieldName);
  // Recomputes every leaf cell's error indicator with the configured error
  // estimator (DGAnalysis::zeroError, then DGAnalysis::computeError, whose
  // extremes are not used). Without an estimator or a mesh nothing is
  // computed. Called once per sample (once per view) before any "errest"
  // value is taken.
  static void prepareErrorEstimates(DGAnalysis &analysis);
  // The same with the analysis of the global context (nothing without one).
  static void prepareErrorEstimates();
  // Value of a reserved field for a mesh element: "errest" its cell's error
  // indicator (0 without an estimator, without a cell or with no weight
  // accumulated), "reflev" its refinement level, "tag" its cell's local time
  // level. 0 for a null element or any other name.
  static double reservedFieldValue(const std::string &fieldName, KORA::mEntity *element);

  // The sensor whose Gmsh views are being written; set by each sample of a
  // Gmsh sensor before its views are written, never reset.
  static inline DGSensor *current = nullptr;

protected:
  int funct;  // position in the expression list, -1: unbound
  std::string name;
  double dt;
  double lastTime;
  int count;
};

// Throws (as a std::string naming the file and the cause) the first sensor
// file that could not be opened or written since the last call, and forgets
// it: output that is lost ends the run instead of passing unnoticed.
void reportOutputFailures();

#endif
