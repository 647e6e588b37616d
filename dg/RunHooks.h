#ifndef DG_RUNHOOKS_H
#define DG_RUNHOOKS_H

// What the program entry hands the analysis for the parts of a run that live
// outside this library: the problem set-ups (the law, the error estimator
// and the limiter of a restart) and the output sensors. An empty hook does
// nothing, except buildProblem, without which a restart cannot be read.

#include <functional>

struct RunHooks {
  // Builds the run's law, error estimator and limiter, in this order, for a
  // mesh of dimension dim and stores them in the global context (deleting
  // those it held). Called by the recovery reader once the mesh is read.
  std::function<void(int dim)> buildProblem;
  // Offers the solution to the sensors (the time loop calls it with the
  // iteration number before and after each advance).
  std::function<void(int iteration)> offerSolution;
  // At the end of the time loop: output that could not be written is
  // thrown as a text.
  std::function<void()> endOfRun;
};

#endif
