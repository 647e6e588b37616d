#ifndef DG_DGGMSHSENSOR_H
#define DG_DGGMSHSENSOR_H

// The Gmsh sensor: at each sample, one view file per enabled field of
// interest, "<output directory>/<name>-sample<count><field name>.pos" (count
// already advanced, so the first sample is 1). The file holds the field's
// view over the mesh faces and, when the mesh has regions, a second view of
// the same name over the volume elements. The views take the field's name
// and values from the sensor through DGSensor::current.

#include <array>
#include <memory>

#include "DGSensor.h"
#include "GmshProcessor.h"

class DGGmshSensor : public DGSensor {
public:
  static constexpr int kNbFlags = 20;

  // Every flag set to `enable`; a closed processor without filter.
  DGGmshSensor(const char *name, double dt, bool enable);
  ~DGGmshSensor() override;

  // Sets the flag of field i (0..19); other indices are ignored.
  void enable_field_of_interest(int i, bool enable);
  // From now on only elements with a value strictly between min and max in
  // their first time step are written.
  void filter_for_range(double min, double max);
  // Writes a sample when one is due. Fields from index 20 on have no flag and
  // are not written. An exception from an export passes to the caller.
  void eval(DGAnalysis *analysis, int dim, int iter, double time) override;

  bool isFieldEnabled(int i) const { return i >= 0 && i < kNbFlags && enabled[i]; }
  GmshProcessor &getProcessor() { return *processor; }
  // Path of the view file of field `fieldName` for sample number `sample`.
  std::string viewFileName(int sample, const std::string &fieldName) const;

private:
  std::unique_ptr<GmshProcessor> processor;
  std::array<bool, kNbFlags> enabled;
};

#endif
