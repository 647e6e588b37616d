#ifndef DG_PARTICLETRACKER_H
#define DG_PARTICLETRACKER_H

class DGAnalysis;

// A particle tracker held by the analysis: evaluated once per iteration with
// the analysis, the space dimension, the iteration number and the time.
class ParticleTracker {
public:
  virtual void eval(DGAnalysis *analysis, int dim, int iteration, double t) = 0;
  virtual ~ParticleTracker() = default;
};

#endif
