#ifndef DG_TRACKERS_H
#define DG_TRACKERS_H

// Particle trackers: particles carried through the computed flow, one zone
// of "time, position, velocity" rows appended to the tracker's file at every
// evaluation. The file is created (with its header) by the constructor and
// reopened for appending at each evaluation; a file that cannot be created
// is reported through perror, and an evaluation whose file cannot be opened
// still moves the particles.
//
// - MasslessParticleTracker: the particles move with the flow velocity
//   (momentum over density: fields 1 and 2 over field 0, and field 4 in three
//   dimensions) by one explicit Euler step of the run's time step; each
//   velocity is also printed on standard output.
// - MassParticleTracker: particles of mass mu under the law's particle force,
//   by the position Verlet scheme; each starts at rest, so its first row
//   shows velocity 0.
// A particle whose position lies outside the mesh is skipped and no longer moves.
//
// The analysis holds trackers through the ParticleTracker interface and never
// deletes them.

#include <list>
#include <string>

#include "ParticleTracker.h"
#include "mPoint.h"
#include "mVector.h"

class MasslessParticleTracker : public ParticleTracker {
public:
  // One particle at the start position.
  MasslessParticleTracker(const KORA::mPoint &start, const char *fileName);
  // No particle yet.
  explicit MasslessParticleTracker(const char *fileName);
  ~MasslessParticleTracker() override = default;

  void eval(DGAnalysis *analysis, int dim, int iteration, double t) override;
  // Adds a particle; the second argument is not used.
  virtual void addPoint(const KORA::mPoint &p, double unused);

  const std::list<KORA::mPoint> &positions() const { return particles; }
  const std::string &getFileName() const { return fileName; }

protected:
  std::list<KORA::mPoint> particles;
  std::string fileName;
};

class MassParticleTracker : public MasslessParticleTracker {
public:
  MassParticleTracker(const char *fileName, double mass);

  void eval(DGAnalysis *analysis, int dim, int iteration, double t) override;
  // Adds a particle at rest.
  void addPoint(const KORA::mPoint &p, double unused) override;

  const std::list<KORA::mVector> &velocities() const { return velocity; }

private:
  double mass;
  std::list<KORA::mPoint> previous;
  std::list<KORA::mVector> velocity;
};

#endif
