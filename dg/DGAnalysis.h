#ifndef DG_DGANALYSIS_H
#define DG_DGANALYSIS_H

// The analysis object: one per process, created by the global context's
// constructor and deleted by the program entry after the run. It holds the
// working lists of the discretisation (the DG cells of the leaf elements and
// the interface cells of the leaf faces), the order in which local time levels
// are advanced, the point-location octree, the sensors and the trackers.
//
// The lists only point at the cells: each DG cell lives in its element's
// fast-data slot and each interface cell in its face's, and the analysis
// never deletes one. The lists are contiguous arrays so that every pass walks
// its cells in one sweep; they are rebuilt from the mesh by gatherCells.
//
// The constructor does not reach the global context: it may run during static
// initialisation, before any law or mesh exists.
//
// Fatal conditions (bad time-stepping parameters, element kinds without a
// basis) are thrown as a std::string.

#include <iosfwd>
#include <list>
#include <memory>
#include <string>
#include <vector>

class CellStore;
class DGSensor;
class GmshProcessor;
class DGCell;
class DGBoundaryCell;
class ParticleTracker;
class metricField;
struct RunHooks;
namespace KORA {
class mEntity;
class mMesh;
class mPoint;
class mVector;
struct Octree;
}  // namespace KORA

using DGCellList = std::vector<DGCell *>;
using DGBoundaryCellList = std::vector<DGBoundaryCell *>;

// Update order of the levels of one macro step of local time stepping with n
// levels: appends 2^n - 1 multipliers to seq (finest level first, then always
// the level that lags most, the finer one on a tie) and sets M = 2^(n-1).
// n must lie in 1..15 (the multipliers are stored as 16-bit levels); any other
// value throws a text and appends nothing.
void computeSequense(std::vector<int> &seq, int n, int &M);

class DGAnalysis {
public:
  // Point-location octree over the leaf elements; null until the first point
  // evaluation, dropped by every mesh change. Owned.
  KORA::Octree *octree;
  // Interface cells of the leaf faces, grouped by left cell (see gatherCells).
  DGBoundaryCellList boundaryCells;
  // DG cells of the leaf elements of the top dimension, along a space-filling
  // curve through them (see gatherCells).
  DGCellList cells;
  // Their current and previous coefficients and residuals, in list order
  // (repacked by gatherCells).
  std::unique_ptr<CellStore> store;
  // Multipliers of the level updates of one macro step (computeSequense).
  std::vector<int> levelSequence;
  std::vector<double> stableSteps;  // per cell, reused by every macro step
  // Output sensors in the order they were added; not deleted by the analysis.
  std::list<DGSensor *> sensors;
  // Particle trackers in the order they were added; not deleted either.
  std::list<ParticleTracker *> trackers;
  // Attached-data tag of "_optimum_level": each leaf element's target
  // refinement level hangs under it during an adaptation.
  unsigned int optimumLevelTag;

  DGAnalysis();
  // One h-adaptation of the mesh (1 for the initial passes, 0 during the run).
  virtual void adaptH_newVersion(int initial);
  virtual ~DGAnalysis();
  // Assembles the residual of the cells of one time level at time t (-1: all
  // levels): face states, cleared residuals, volume and face integrals.
  virtual void cSpatialOperator(double t, short level, DGCellList &cellList,
                                DGBoundaryCellList &faceList);

  DGAnalysis(const DGAnalysis &) = delete;
  DGAnalysis &operator=(const DGAnalysis &) = delete;

  // Degrees of freedom of the cells of the list.
  int nbrDofs() const;

  // ---- cells and interface cells
  // Creates the cells of the given order (none when it is negative) on every
  // leaf element, brings every leaf face's interface cell up to date, gathers
  // both lists and, when initialise is not 0, projects the initial field.
  void init(int order, int initialise);
  // New DG cell of the order on the element, replacing the one it carried.
  // Throws a text for an element kind without a basis (prism, pyramid...).
  DGCell *addCell(KORA::mEntity *element, int order);
  // The same cell, not installed: the element keeps the cell it carries.
  DGCell *newCell(KORA::mEntity *element, int order);
  // The face's interface cell, created when missing, checked otherwise.
  DGBoundaryCell *addBoundaryCell(KORA::mEntity *face);
  // Rebuilds both lists from the mesh leaves; entities without a cell are
  // skipped. Cells come along a space-filling curve through the elements
  // (sortAlongCurve) rather than in the order of the mesh's hash tables;
  // faces are ordered by the position of their left cell (faces of one cell
  // by their entities), so that the face passes walk the cells nearly in
  // sequence and neighbours lie close in memory. The order depends only on
  // the mesh's coordinates and vertex ids, so the face sums of the residual
  // come out the same in a fresh and in a restarted run. Without a mesh the
  // lists are left as they are.
  void gatherCells();
  // Drops from cells those of the level, and from boundaryCells those with
  // neither side at the level.
  void cleanCells(int level);
  // Projects the law's far field onto every cell, computes the face states
  // and limits once.
  void computeInitialSolution();
  // The DG cell in the entity's fast-data slot, or null.
  static DGCell *getCell(KORA::mEntity *e);

  // ---- residual
  // Face states of the level at time t (values, then gradients on request);
  // of the partition faces only when partitionFacesOnly is set.
  void computeSolutionsOnBothSides(double t, bool withGradients, int level,
                                   DGBoundaryCellList &faceList, bool partitionFacesOnly = false);

  // ---- limiting and update
  void applyLimiter(double t, short level, DGCellList &cellList, DGBoundaryCellList &faceList);
  // Forward Euler step dt of the cells of the level; returns the sum of the
  // squared rates of the first coefficients.
  double forwardEuler(double dt, DGCellList &cellList, short level);

  // ---- time levels
  // Gives every cell its power-of-two level for the fine step dtmin, copies
  // the levels onto the faces and returns the gain of local stepping. steps,
  // when given, holds the stable step of every cell of the list (in order).
  double tagCells(double dtmin, double cfl, const std::vector<double> *steps = nullptr);
  // Copies the cells' levels onto the faces; boundary faces take `level` on
  // their right side when setOutside is true.
  void tagBoundaryCells(bool setOutside, int level);
  // Lowers dtmin to the smallest stable step of the cells.
  void computeTimeStep(double &dtmin, double cfl);
  // One macro step of the level-based local time stepping; gain and macro
  // step come back through the arguments, the residual sum is returned.
  double localTimeStepping(double &gain, double &macroStep);
  // One macro step of the goal-step variant (substeps of a fine step).
  double localTimeStepping_Version2(double &gain, double &macroStep);

  // ---- point evaluation
  void buildOctree();
  // Values (and gradients when grads is not null) of the solution at p; the
  // element found, or null with every value set to -1.0e24.
  KORA::mEntity *eval(const KORA::mPoint &p, double *values, double &u, double &v, double &w,
                      KORA::mEntity *hint, KORA::mVector *grads);
  KORA::mEntity *eval(const KORA::mPoint &p, double *values, KORA::mEntity *hint,
                      KORA::mVector *grads);
  // Cell means (first coefficients) of the element containing p; null and
  // values untouched when no element with a cell contains it.
  KORA::mEntity *evalavg(const KORA::mPoint &p, double *values);

  // ---- sensors and trackers
  void addSensor(DGSensor *sensor);
  void addTracker(ParticleTracker *tracker);
  void evalTrackers(int iteration);
  // Offers the solution to every sensor in list order (defined with the
  // sensors, in the output library).
  void evalSensors(int iter);
  // Gmsh views of field `field` of the sensor being written: over the leaf
  // faces, and over the leaf tetrahedra and hexahedra (output library).
  void exportGmsh(GmshProcessor &processor, const char *viewName, int field);
  void exportGmsh_Volume(GmshProcessor &processor, const char *viewName, int field);

  // ---- error estimation (defined with the estimators, in the adaptivity library)
  // Clears the error accumulators of the cells of every leaf element.
  void zeroError();
  // Adds every leaf face's contribution of the context's estimator to its
  // cells, then runs the estimator's cell form on every leaf cell, and returns
  // the largest and smallest cell error (untouched when there is no cell).
  void computeError(double &maxError, double &minError);

  // ---- solution-driven adaptation (adaptivity library)
  // Target refinement level of the cell from its error (maxError the largest
  // of the mesh) and its face-averaged jump of field 0.
  int getOptimumLevelOfRefinement(DGCell *cell, double maxError);
  // Stores every listed cell's target on its element, then smooths the
  // targets so that face neighbours differ by at most one level.
  void computeLevelsOfRefinement(double maxError);
  // Refinement callbacks: new cells on the children of a split element, or
  // on a parent whose children are about to be removed, each holding the L2
  // projection of the solution it replaces.
  void splitCell(KORA::mEntity *e);
  void unsplitCell(KORA::mEntity *e);
  // Replaces the element's cell by one of the given order carrying the L2
  // projection of the old solution; the faces around it are rebuilt.
  void modifyOrder(KORA::mEntity *element, int order);
  // The one order adaptation of a fresh start: each cell's order becomes its
  // target level plus one.
  void adaptP();
  // Writes the mesh with its refinement tree to "<chunkspace>/<name>-<n>.msh".
  void exportMesh(const char *name, int n);
  // Conformal remeshing to a metric built from the solution (the argument is
  // not read): every change of the mesh carries the solution onto the new
  // elements; the interface cells and the lists are left to the caller.
  void conformalAdaptation(int initial);
  // Sets the metric of every vertex from the nodal Hessian, gradient and
  // targets of field 0; the recovery data is removed afterwards.
  void computeErrorAndSizeField(metricField *field);
  // Removes the vertices' "_size" data.
  void cleanSizeField();

  // ---- partition-boundary exchange: one process, nothing to exchange
  void comm_Ul(double t, short level);
  void comm_GradsUl(double t, short level);
  void comm_Tags();

  // ---- main loop and recovery files
  // The time loop: completes a fresh start or a restart, then takes macro
  // steps until the time reaches the final time, with the scheduled
  // adaptations, the sensors (through the hooks), the checkpoints and the
  // step log.
  void run(const RunHooks &hooks);
  // The whole recovery file of the present state; throws a text when the
  // context has no mesh.
  void write(std::ostream &os);
  // Writes the recovery file at path through a temporary file renamed into
  // place; a failure is told on standard error and false is returned.
  bool writeCheckpoint(const std::string &path);
  // Rebuilds mesh, law, estimator, limiter (through hooks.buildProblem),
  // cells, interface cells and state from a recovery file; the sensors are
  // the caller's. A malformed file throws a text.
  void read(std::istream &is, const RunHooks &hooks);

private:
  // gatherCells from the leaf elements of the mesh already in curve order
  // (those without a cell are skipped).
  // faces, when given, are all the mesh's faces, each with its interface
  // cell, already in the lists' order (as init sorts them).
  void gatherInOrder(KORA::mMesh *mesh, const std::vector<KORA::mEntity *> &elements,
                     const std::vector<KORA::mEntity *> *faces = nullptr);
  // The level sequence of nbSub levels (remade when it belongs to another
  // count).
  void ensureLevelSequence(int nbSub);
  // Both levels of every interface cell become level, then the tags are
  // exchanged.
  void setFaceLevels(short level);
  // Working lists of local time stepping, rebuilt when the levels are set:
  // the cells of each level and the faces with a side at it, in the order of
  // the full lists (so every sum is taken in the same order as over those).
  // levelCells[i] / levelFaces[i] belong to the multiplier 2^i.
  std::vector<DGCellList> levelCells;
  std::vector<DGBoundaryCellList> levelFaces;
  // Fills levelCells and levelFaces for nbSub levels from the cells' and the
  // faces' tags; false when a list cannot be split (a partitioned mesh,
  // whose faces take levels from other processes): the passes then walk the
  // full lists.
  bool buildLevelLists(int nbSub);
  // Of the goal-step variant: each face's position, the faces of each cell
  // (CSR by cell position), the cells due at each substep and the faces of
  // the current one.
  std::vector<int> cellFaceStart, cellFaceIndex, faceMark;
  std::vector<std::vector<int>> substepCells;
  // The lists are as gatherCells made them from the mesh (cleared by every
  // other change of the lists).
  bool listsGathered = false;
  // Set while the interface cells are renewed after a hierarchical
  // refinement: a face whose sides did not change keeps its points.
  bool keepUnchangedFaces = false;
  // Fills cellFaceStart / cellFaceIndex from the lists; false when a face's
  // cell is not in the cell list.
  bool buildCellFaces();
  // The cells due at the substep (sorted in place) and their faces, each
  // once, in list order; faceMark holds the substep that took each face.
  void dueLists(int substep, DGCellList &dueCells, DGBoundaryCellList &dueFaces);
  // With one time level every face takes level 1 on both sides: the next
  // residual's face sweep sets it as it goes (0: nothing due).
  short faceLevelDue = 0;
  // Every cell begins the step at T, takes level 1 when oneLevel is true and
  // gives its stable step at the CFL number cfl (into stableSteps); returns
  // the smallest of them and dt.
  double beginAllCells(double T, double cfl, double dt, bool oneLevel);
  // A step's beginning due in the next residual's volume pass (one level, an
  // inviscid law without lifting): every cell begins the step at t, takes
  // level 1 and lowers `smallest` to its stable step at the CFL number cfl.
  struct BeginDue {
    bool due = false;
    double t = 0.0, cfl = 0.0, smallest = 0.0;
  } beginDue;
};

// "<directory>/dg-recov-<iteration>.dat"
std::string recoveryFileName(const std::string &directory, int iteration);
// Creates the adjacencies a DG run needs, in the order of a fresh start.
void createDGAdjacencies(KORA::mMesh *mesh, int dim);

#endif
