#include "DGAnalysis.h"

#include "KORA_Util.h"

DGAnalysis::DGAnalysis()
    // Look the name up first: a second analysis shares the registered tag.
    : sensors(), optimumLevelTag(KORA::KORA_Util::Instance()->getMeshDataId("_optimum_level")) {}

DGAnalysis::~DGAnalysis() = default;

void DGAnalysis::addSensor(DGSensor *sensor) { sensors.push_back(sensor); }
