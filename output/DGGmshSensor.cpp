#include "DGGmshSensor.h"

#include "DGAnalysis.h"
#include "DGParameters.h"
#include "GlobalParamManager.h"
#include "mMesh.h"

DGGmshSensor::DGGmshSensor(const char *name, double dt, bool enable)
    : DGSensor(name, dt), processor(std::make_unique<GmshProcessor>(GmshProcessor::DEFAULT)) {
  enabled.fill(enable);
}

DGGmshSensor::~DGGmshSensor() = default;

void DGGmshSensor::enable_field_of_interest(int i, bool enable) {
  if (i >= 0 && i < kNbFlags) enabled[i] = enable;
}

void DGGmshSensor::filter_for_range(double min, double max) {
  processor->addFilter(new GmshRangeFilter(min, max));
}

std::string DGGmshSensor::viewFileName(int sample, const std::string &fieldName) const {
  const std::string &dir = GlobalParamManager::Instance()->parameters->general.chunkSpace;
  return dir + "/" + name + "-sample" + std::to_string(sample) + fieldName + ".pos";
}

void DGGmshSensor::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)dim;
  (void)iter;
  if (!dowe(time)) return;
  current = this;
  if (!analysis) return;
  const KORA::mMesh *mesh = GlobalParamManager::Instance()->mesh;
  const bool hasRegions = mesh && mesh->size(3) != 0;
  const int nbFields = getNbFieldsOfInterest();
  for (int i = 0; i < nbFields && i < kNbFlags; ++i) {
    if (!enabled[i]) continue;
    int size = 0;
    std::string fieldName;
    getNameAndSize(i, size, fieldName);
    const std::string file = viewFileName(count, fieldName);
    processor->openFile(file.c_str());
    analysis->exportGmsh(*processor, fieldName.c_str(), i);
    if (hasRegions) analysis->exportGmsh_Volume(*processor, fieldName.c_str(), i);
    processor->closeFile();
  }
}
