#ifndef DG_DGPARAMETERS_H
#define DG_DGPARAMETERS_H

// The run's settings and its changing state: one record per process, created
// with its defaults by the global context (GlobalParamManager) and never freed.
// Filled either from an input-language file or from ".dgrc" and the command
// line. All fields are public and are read and written directly.

#include <iosfwd>
#include <string>

// Changing state of the run, and the current point and physical state that
// parameter-file expressions read as current values.
struct SimulationState {
  double t;            // simulation time ($Time)
  double X, Y, Z;      // point at which expressions are being evaluated
  double Pressure;     // state published by the laws before evaluating expressions
  double Density;
  double VX, VY, VZ;
  double Temperature;
  double cputime;      // processor time used so far
  double gain;         // running mean of the local-time-stepping gain
  double resid;        // residual of the last macro step
  int iter;            // iteration number ($Iteration, $Iter)
  int region;          // model tag of the cell or face being integrated
  int started;         // 1 once the time loop has started

  SimulationState();
  // The five values of the state line: resid, iter, t, cputime, gain.
  void write(std::ostream &os) const;
  void read(std::istream &is);
};

struct GeneralParameters {
  std::string meshBaseName;   // meshFileName without its last four characters
  std::string meshFileName;   // "__none" means none
  std::string modelFileName;  // "__none" means none
  std::string chunkSpace;     // directory of the large outputs
  bool partition;
  double mach;
  double angle;
  double prandtl;
  double alpha;
  double gamma;
  double outputDt;
  double reynolds;
  double atwood;
  double quorl;
  double detector;
  double error;
  int gravity;
  int numModes;
  int problem;
  int subProblem;
  int limiter;
  int errest;
  int meshGiven;
  int modelGiven;
  int restart;
  int order;
  int axi;

  GeneralParameters();

  // The base name of a mesh file name: the name without its last four
  // characters (the extension with its point); empty for shorter names.
  static std::string baseNameOf(const std::string &fileName);
  // Records a mesh file name: sets meshFileName, meshBaseName and meshGiven.
  void setMeshFile(const std::string &fileName);
};

// The three setting groups get their values from DGParameters::init; the
// member initialisers only keep a standalone group from holding garbage.
struct TimeSteppingParameters {
  double cflMax = 0.5;
  double dtRef = 1000;
  double tend = 100000;
  double dt = 1000;
  int recoverSamplingPeriod = 500;
  int nbSub = 1;
  int mode = 1;  // 1: level-based local stepping, otherwise goal-time-step variant
};

struct HRefinementParameters {
  double minCellSize = 1.0;
  double maxAspectRatio = 10.0;
  double maxCellSize = 2.0;
  double divFactor = 10.0;
  double samplePeriod = 0.1;
  int doWe = 0;
  int maxLevelOfRefinement = 2;
  int samplePeriodExportMesh = 1;
  int nbDone = 0;
  int conforming = 0;
  int aniso = 0;
  int lb = 1;
};

struct PRefinementParameters {
  double divFactor = -1.0;
  double samplePeriod = 10000;
  int doWe = 0;
  int maximumPolynomialOrder = 2;
  int nbDone = 0;
};

class DGParameters {
public:
  int debug;  // message verbosity
  SimulationState state;
  GeneralParameters general;
  TimeSteppingParameters time;
  HRefinementParameters href;
  PRefinementParameters pref;

  DGParameters();
  virtual ~DGParameters();

  // Resets time, href and pref to their defaults with the given smallest and
  // largest cell sizes, and the simulation time to 0.
  void init(double minCellSize, double maxCellSize);

  // Text form: "key value" lines (the "-check" dump).
  void write(std::ostream &os) const;
  // Reads "key value" lines (the ".dgrc" file) until the stream fails. A
  // value that is not wholly a finite number (an integer in range for an int
  // key) ends the reading with a thrown text naming the key and the value.
  void read_partial(std::istream &is);

  // State line of the recovery files: resid iter t cputime gain.
  void write_state(std::ostream &os) const;
  void read_state(std::istream &is);

  // Applies the command line over the record. Ends normally, or by throwing
  // an int: -1 after an error message (an unknown option, a missing value, a
  // value that is not wholly a finite number or an integer in range, no mesh)
  // or the usage text, 0 after "-check".
  void readCommandLine(int argc, const char *const *argv);
};

// Full usage text on the standard error stream.
void Print_Usage2(const char *programName);
// Only the "Try ... -help" line on the standard error stream.
void Print_Usage(const char *programName);

#endif
