#include "IntegrationSensor.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "GaussIntegrator.h"
#include "GlobalParamManager.h"
#include "KORA.h"
#include "KORA_Util.h"
#include "LagrangeMapping.h"
#include "ProbeSupport.h"
#include "mMesh.h"

using KORA::mEntity;
using KORA::mPoint;
using KORA::mVector;

double level_func(mPoint &p) {
  const double dx = p.x() - 0.5, dy = p.y() - 0.5;
  return std::sqrt(dx * dx + dy * dy) - 0.1;
}

DGIntegrationSensor::DGIntegrationSensor(const char *name, double dt, const char *meshFile)
    : DGSensor(name, dt), sensorMesh(nullptr) {
  auto mesh = std::make_unique<KORA::mMesh>(1);
  KORA::KORA_Util::Instance()->import(meshFile, mesh.get());
  sensorMesh = mesh.release();
  probe::truncate(this->name);
}

DGIntegrationSensor::~DGIntegrationSensor() { delete sensorMesh; }

namespace {

// Integrates one clipped piece with the order-3 rule of the element's cached
// type; adds J w of every located Gauss point to the sums.
void integratePiece(DGAnalysis *analysis, mEntity *e, const KORA::Mapping &piece, int pieceKind,
                    const KORA::GaussIntegrator &rule, double *sums, int nbFields) {
  const int n = rule.nbIntegrationPoints_way2(3);
  std::cout << "here it is " << n << "\n";
  std::cout << "the element type is " << pieceKind << "\n";
  std::cout << "The entity type is " << static_cast<int>(e->getElementType()) << "\n";
  std::cout << "The entity dimension " << e->getElementDim() << "\n";
  double values[probe::kMaxValues];
  mVector grads[probe::kMaxValues];
  double area = 0.0;
  for (int i = 0; i < n; ++i) {
    double u, v, w, weight;
    rule.iPoint_way2(i, 3, u, v, w, weight);
    const double dj = piece.detJac_way2(u, v, w);
    std::cout << " weight := " << weight << " detJac: = " << dj << "\n";
    double x, y, z;
    piece.eval(u, v, w, x, y, z);
    if (analysis && analysis->eval(mPoint(x, y, z), values, nullptr, grads)) {
      for (int j = 0; j < nbFields; ++j) sums[j] += dj * weight;
      area += dj * weight;
    }
  }
  std::cout << " The Area of the entity is : " << area << "\n";
}

}  // namespace

void DGIntegrationSensor::eval(DGAnalysis *analysis, int dim, int iter, double time) {
  (void)dim;
  (void)iter;
  if (!dowe(time)) return;
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  int nbFields = law ? law->nbFields() : 0;
  if (nbFields > probe::kMaxValues) nbFields = probe::kMaxValues;
  double sums[probe::kMaxValues] = {};

  if (sensorMesh) {
    const int d = sensorMesh->getDim();
    for (auto it = sensorMesh->begin(d); it != sensorMesh->end(d); ++it) {
      mEntity *e = *it;
      KORA::LagrangeMapping clipped(e, level_func, -1);
      if (e->getElementDim() > 0) {
        KORA::GaussIntegrator rule(e);
        if (e->getElementDim() == 2 && clipped.getType() == 5) {
          const std::vector<mPoint> &k = clipped.getKnots();
          std::vector<mPoint> tri{k[0], k[1], k[2]};
          std::vector<mPoint> quad{k[2], k[3], k[4], k[0]};
          e->setElementType(mEntity::TRI);
          KORA::LagrangeMapping triPiece(e, &tri);
          integratePiece(analysis, e, triPiece, triPiece.getType(), rule, sums, nbFields);
          e->setElementType(mEntity::QUAD);
          KORA::LagrangeMapping quadPiece(e, &quad);
          integratePiece(analysis, e, quadPiece, quadPiece.getType(), rule, sums, nbFields);
        } else {
          e->setElementType(static_cast<mEntity::mType>(clipped.getType()));
          integratePiece(analysis, e, clipped, clipped.getType(), rule, sums, nbFields);
        }
      }
      e->setElementType(KORA::M_GetElementType(e));
    }
  }

  std::cout << "proc " << 0 << " write\n";
  std::cout.flush();
  probe::File f = probe::open(name, "a");
  if (!f) return;
  std::fprintf(f.get(), "%12.5E ", time);
  for (int j = 0; j < nbFields; ++j) std::fprintf(f.get(), "%12.5E ", sums[j]);
  std::fputs("\n", f.get());
}
