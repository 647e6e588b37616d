#ifndef DG_ENSIGHTSENSOR_H
#define DG_ENSIGHTSENSOR_H

// The solution as an EnSight 6 time series (case file of type "ensight"): a
// case file naming the geometry and variable files and listing the sample
// times, and per sample one geometry file B.geoN and one per-element variable
// file B.<field>N for each field written, N the sample's file number padded
// with zeros to nbDigits. B, the base name, is the case-file path without the
// extension of its last component ("./run.case" gives "./run"); the case
// file names the data files by their last component, since they sit beside it.
//
// The geometry file holds the leaf elements of the mesh's top dimension as
// one part, in blocks by element type with their counts (KORA_Util::
// exportEnsightFile). Each variable file holds its field's description line,
// the part line and, for every block of the geometry, the type line and one
// value per element in the same order: the field at the element's centre
// (0 for an element that has no solution). Values are "%12.5E", six
// components per line (two vectors), every block starting a new line.
//
// Fields written, chosen at the first sample: the configured fields that name
// a field of interest of size 1 (scalar) or 3 (vector), in the order of the
// fields of interest. When there is none and the sensor is not bound to a
// parameter-file function, all the law's fields of interest of size 1 or 3
// that it can evaluate, apart from the reserved names "errest", "reflev" and
// "tag", which this sensor gives no meaning.
//
// The case file is rewritten whole at each sample from what the sensor has
// written so far: the head, one variable line per field written, the time
// section with the step count (padded with blanks to nbDigits, longer when
// it outgrows them) and one time value per sample. Files that cannot be made
// are skipped and reported (reportOutputFailures).

#include <string>
#include <vector>

#include "DGSensor.h"

class DGEnsightSensor : public DGSensor {
public:
  DGEnsightSensor(const char *name, const char *const *fields, int nbVariables, double dt,
                  int startNumber, int increment, int nbDigits);
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;

  // Base name of the data files, and its number text for a file number.
  const std::string &getBaseName() const { return baseName; }
  std::string numberText(int n) const;

private:
  struct Variable {
    std::string field;  // configured field name
    std::string stem;   // base name + "." + field
  };
  // A field written: its field of interest, name, size (1 or 3) and stem.
  struct Output {
    int index;
    std::string field;
    int size;
    std::string stem;
  };

  void chooseOutputs(DGAnalysis *analysis);
  void writeCaseFile() const;

  std::vector<Variable> variables;
  std::vector<Output> outputs;
  int startNumber;
  int fileNumber;
  int increment;
  int nbDigits;
  bool sectionsPending;
  std::string baseName;
  std::vector<std::string> variableLines;  // case-file lines of the variables
  std::vector<double> times;               // time of every sample taken
};

#endif
