#ifndef DG_EXAMPLES_H
#define DG_EXAMPLES_H

// Factories that turn the numbers of the run parameters into the objects of
// a run: the error estimator, the limiter, the conservation law with its
// analytic fields, the problem's sensors and its trackers. They keep no
// state: every call reads the numbers anew and builds new objects, owned by
// the caller (estimator, limiter, law) or by the analysis (sensors).

class ConservationLaw;
class DGAnalysis;
class DGErrorEstimator;
class DGLimiter;
class DGParameters;

// Estimator number 1 gradient, 2 jump, 3 gradient difference, 4 vorticity,
// 1000 higher-order gradients; null for any other number.
DGErrorEstimator *BuildErrorEstimator(DGParameters &params);
// Limiter number 1 Barth (prints "barth limiter"), 2 moment limiter, 3
// physical limiter (0.3, 3.0), 4 monotone moment limiter, 5 Tovu; null for
// any other number.
DGLimiter *BuildLimiter(DGParameters &params);
// The law of the problem number for a mesh of dimension dim. Problem numbers
// that build no law (2, 1111 and numbers without a set-up) print a message on
// standard error and throw the integer 1.
ConservationLaw *BuildConservationLaw(int dim, DGParameters &params);
// Adds the problem's sensors to the analysis in their sampling order.
// Problem numbers without sensors of their own (2 and unknown numbers) print
// a message on standard error and throw the integer 1.
void AddSensors(DGAnalysis *analysis, DGParameters &params);
// No problem has trackers: adds nothing.
void AddTrackers(DGAnalysis *analysis, DGParameters &params);

#endif
