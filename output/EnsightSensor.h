#ifndef DG_ENSIGHTSENSOR_H
#define DG_ENSIGHTSENSOR_H

// The solution as an EnSight time series: a case file naming the geometry
// and variable files and listing the sample times, and per sample one
// geometry file B.geoN and one per-element variable file B.<field>N for each
// configured field, N the sample's file number padded with zeros to nbDigits.
// B, the base name, is the case-file path without the extension of its last
// component ("./run.case" gives "./run"); the case file names the data files
// by their last component, since they sit beside it.
//
// Each leaf element of the mesh's top dimension gets, in every variable
// file, the value of the file's field at the element's centre (elements whose
// centre the analysis does not locate are left out). Scalars are written six
// per line, vectors two per line.
//
// The case file is rewritten whole at each sample from what the sensor has
// written so far: the head, one variable line per configured field that is a
// field of interest of size 1 or 3, the time section with the step count
// (padded with blanks to nbDigits, longer when it outgrows them) and one
// time value per sample. Files that cannot be opened are skipped silently.

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

  void writeCaseFile() const;

  std::vector<Variable> variables;
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
