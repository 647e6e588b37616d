#ifndef DG_DGANALYSIS_H
#define DG_DGANALYSIS_H

#include <list>

class DGSensor;

// The analysis object: one per process, created by the global context's
// constructor and deleted by the program entry after the run.
// It does not reach the global context while it is being built.
class DGAnalysis {
public:
  // Output sensors in the order they were added; the analysis does not
  // delete them.
  std::list<DGSensor *> sensors;
  // Attached-data tag of "_optimum_level": each leaf element's target
  // refinement level hangs under it during an adaptation.
  unsigned int optimumLevelTag;

  DGAnalysis();
  virtual ~DGAnalysis();
  DGAnalysis(const DGAnalysis &) = delete;
  DGAnalysis &operator=(const DGAnalysis &) = delete;

  void addSensor(DGSensor *sensor);
};

#endif
