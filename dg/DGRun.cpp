// The main time loop of the analysis with its progress report and step log.

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGCell.h"
#include "DGParameters.h"
#include "FieldEvaluator.h"
#include "GlobalParamManager.h"
#include "ParUtil.h"
#include "RunHooks.h"

namespace {

// Processor time of the process in seconds. std::clock() counts in a 64-bit
// clock_t at CLOCKS_PER_SEC ticks a second (10^6 with glibc).
double processorSeconds() {
  const std::clock_t c = std::clock();
  if (c == static_cast<std::clock_t>(-1)) return 0.0;
  return static_cast<double>(c) / static_cast<double>(CLOCKS_PER_SEC);
}

// The two log files of a run. A log that cannot be written ends the run:
// a run whose record is lost must not look like a success.
struct RunLogs {
  std::string dgLog;
  std::string loadLog;

  explicit RunLogs(const std::string &dir)
      : dgLog(dir + "/DG.log"), loadLog(dir + "/load.log") {}

  [[noreturn]] static void cannotWrite(const std::string &path, int error) {
    throw std::string("cannot write the log file ") + path + ": " + std::strerror(error);
  }

  // Closes f, which holds what was written to path; a write error seen by
  // the stream or by the close ends the run.
  static void close(std::FILE *f, const std::string &path) {
    const bool failed = std::ferror(f) != 0;
    const int error = errno;
    if (std::fclose(f) != 0) cannotWrite(path, errno);
    if (failed) cannotWrite(path, error != 0 ? error : EIO);
  }

  // Creates the file empty (or empties it).
  static void truncate(const std::string &path) {
    std::FILE *f = std::fopen(path.c_str(), "w");
    if (!f) cannotWrite(path, errno);
    close(f, path);
  }
};

// The figures of one iteration's report.
struct StepFigures {
  int dofs;
  double gain;
  double total;  // processor time since the head of run
  double step;   // processor time of the iteration
  double span;   // the same measured from the two absolute readings
};

void report(RunLogs &logs, const DGParameters &p, const StepFigures &f) {
  const double residual = std::sqrt(p.state.resid) * p.time.dt;
  const double ratio = f.step / f.span;
  const double estimate = (p.time.tend - p.state.t) * f.step / p.time.dt;
  KORA::ParUtil *par = KORA::ParUtil::Instance();
  par->Msg(KORA::ParUtil::INFO,
           "%d iter %6d dt %12.5E T %12.5E ||rhs|| =  %12.5E cpu %12.5E cpu(ts) = %12.5E %12.5E "
           "%12.5E %12.5E %12.5E\n",
           f.dofs, p.state.iter, p.time.dt, p.state.t, residual, p.state.cputime, f.step, f.gain,
           p.state.gain, ratio, par->getReportTime());
  std::FILE *log = std::fopen(logs.dgLog.c_str(), "a");
  if (!log) RunLogs::cannotWrite(logs.dgLog, errno);
  errno = 0;
  std::fprintf(log, "%d %6d %12.5E %12.5E %12.5E %12.5E %12.5E %12.5E %12.5E %12.5E %12.5E\n",
               f.dofs, p.state.iter, p.time.dt, p.state.t, residual, p.state.cputime, f.step,
               estimate, f.gain, p.state.gain, f.span);
  RunLogs::close(log, logs.dgLog);
}

// The CFL numbers above this bound are refused: an explicit step is stable
// only for numbers of order one, and a larger one lets the goal step through
// unchecked.
constexpr double kMaxCfl = 10.0;

// The first cell whose current coefficients are not all finite, or null.
const DGCell *firstNonFiniteCell(const DGCellList &cells) {
  for (const DGCell *c : cells) {
    const double *v = c->dofs->levels[0];
    const int n = c->dofs->nbValues();
    for (int i = 0; i < n; ++i)
      if (!std::isfinite(v[i])) return c;
  }
  return nullptr;
}

std::string numberText(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.5E", x);
  return text;
}

// The run parameters that no step can work with.
void checkRunParameters(const DGParameters &p) {
  const double cfl = p.time.cflMax;
  if (!(cfl > 0.0 && cfl <= kMaxCfl))
    throw std::string("time loop: the CFL number must be positive and at most 10 (got ") +
        numberText(cfl) + ")";
  if (std::isnan(p.time.tend)) throw std::string("time loop: the final time is not a number");
}

}  // namespace

std::string recoveryFileName(const std::string &directory, int iteration) {
  return directory + "/dg-recov-" + std::to_string(iteration) + ".dat";
}

void DGAnalysis::run(const RunHooks &hooks) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  DGParameters *p = ctx->parameters;
  KORA::ParUtil *par = KORA::ParUtil::Instance();

  RunLogs logs(p->general.chunkSpace);
  const double s0 = processorSeconds();

  if (p->general.restart == 0) {
    init(p->general.order, 1);
    RunLogs::truncate(logs.dgLog);
    RunLogs::truncate(logs.loadLog);
    const FieldEvaluator *initial = ctx->law ? ctx->law->getFarField() : nullptr;
    if (p->href.doWe && initial && initial->order() != 0) {
      const int m = p->href.maxLevelOfRefinement;
      for (int i = 1; i <= m; ++i) {
        par->Msg(KORA::ParUtil::INFO, "Initial mesh refinement ...\n");
        par->Barrier(__LINE__, "DGAnalysis");
        p->href.maxLevelOfRefinement = i;
        adaptH_newVersion(1);
      }
      p->href.maxLevelOfRefinement = m;
      p->href.nbDone += 1;
    } else if (p->pref.doWe) {
      adaptP();
    }
  } else {
    gatherCells();
    if (p->href.doWe) {
      // The next scheduled adaptation is the first multiple of the period
      // above the restored time; a period that gives no finite quotient
      // within int range leaves the schedule as configured.
      const double q = p->state.t / p->href.samplePeriod;
      if (std::isfinite(q) && std::fabs(q) < 2.0e9) p->href.nbDone = static_cast<int>(q) + 1;
    }
  }

  checkRunParameters(*p);
  if (cells.empty()) throw std::string("time loop: the mesh holds no cell to compute on");
  if (firstNonFiniteCell(cells))
    throw std::string(p->general.restart == 0 ? "time loop: the initial solution is not finite"
                                               : "time loop: the restored solution is not finite");
  levelSequence.clear();
  int count = 0;
  computeSequense(levelSequence, p->time.nbSub, count);
  par->Msg(KORA::ParUtil::INFO, "DG running ...\n");
  int dofs = nbrDofs();
  p->state.started = 1;

  while (p->state.t < p->time.tend) {
    const double s1 = processorSeconds();
    double gain = 1.0, dt = 0.0;
    double resid = 0.0;
    try {
      if (p->time.mode == 1) {
        resid = localTimeStepping(gain, dt);
      } else {
        resid = localTimeStepping_Version2(gain, dt);
      }
      if (!std::isfinite(dt) || dt <= 0.0)
        throw std::string("the macro time step is not finite and positive (") + numberText(dt) +
            ")";
      // A step too small to change the time would repeat forever (a solution
      // that blew up drives the stable step towards zero). The last step,
      // which ends at the final time, changes it.
      if (dt < p->time.tend - p->state.t && p->state.t + dt == p->state.t)
        throw std::string("the macro time step no longer advances the time (") + numberText(dt) +
            " at time " + numberText(p->state.t) + ")";
      // A solution that is no longer finite cannot recover: stop before it
      // reaches the sensors and the recovery file.
      if (firstNonFiniteCell(cells))
        throw std::string("the solution is not finite after the step from time ") +
            numberText(p->state.t);
      if (p->state.iter == INT_MAX) throw std::string("the iteration counter reached its limit");
    } catch (const std::string &what) {
      throw std::string("time loop, iteration ") + std::to_string(p->state.iter) + ": " + what;
    }
    p->state.resid = resid;

    if (p->href.doWe &&
        static_cast<double>(p->href.nbDone) * p->href.samplePeriod < p->state.t) {
      par->Msg(KORA::ParUtil::INFO, "Doing Mesh Adaptation (%d) ...\n", p->href.nbDone);
      adaptH_newVersion(0);
      p->href.nbDone += 1;
      dofs = nbrDofs();
    }

    if (hooks.offerSolution) hooks.offerSolution(p->state.iter);
    evalTrackers(p->state.iter);

    // Advance first, so that a checkpoint of this iteration holds one
    // consistent state: the solution after the step with the time, the
    // iteration number and the running figures after it.
    const int stepNumber = p->state.iter;
    // The last macro step covers what was left of the run: the time is the
    // final time itself, not a sum that rounds next to it.
    const bool last = !(dt < p->time.tend - p->state.t);
    p->time.dt = dt;
    p->state.t = last ? p->time.tend : p->state.t + p->time.dt;
    p->state.iter += 1;
    const double w = 1.0 / static_cast<double>(p->state.iter);
    p->state.gain = (1.0 - w) * p->state.gain + w * gain;

    const int period = p->time.recoverSamplingPeriod;
    if (period > 0 && stepNumber != 0 && stepNumber % period == 0) {
      const std::string name = recoveryFileName(p->general.chunkSpace, stepNumber);
      if (!writeCheckpoint(name))
        throw std::string("time loop, iteration ") + std::to_string(stepNumber) +
            ": the recovery file " + name + " could not be written";
    }

    if (hooks.offerSolution) hooks.offerSolution(p->state.iter);
    evalTrackers(p->state.iter);

    const double s2 = processorSeconds();
    p->state.cputime = s2 - s0;
    report(logs, *p, StepFigures{dofs, gain, s2 - s0, s2 - s1, s2 - s1});
  }
  // Output lost in the last iteration (the trackers' files).
  if (hooks.endOfRun) hooks.endOfRun();
}
