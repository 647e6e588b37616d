// Face swap as a local modification: two tetrahedra on an interior face
// become three around a new edge, or three around an edge of the face become
// two on a new face, as the face-swap evaluation decides.
#ifndef DG_ADAPT_FACESWAPMOD_H
#define DG_ADAPT_FACESWAPMOD_H

#include "LocMeshMod.h"

class FaceSwapMod : public LocMeshMod {
 public:
  FaceSwapMod(KORA::pMesh m, metricField* f, shapeMeasure* shp, sizeMeasure* siz, EvalResults* res)
      : LocMeshMod(m, f, shp, siz, res) {}
  // The vertex motion is kept here; the base motionVertex stays null.
  FaceSwapMod(KORA::pMesh m, metricField* f, shapeMeasure* shp, sizeMeasure* siz, EvalResults* res,
              KORA::pVertex v, const double target[3]);
  FaceSwapMod(const FaceSwapMod&) = default;
  FaceSwapMod& operator=(const FaceSwapMod&) = default;

  // Aims the operator and resets the results.
  void setSwapFace(KORA::pFace f);
  KORA::pFace getSwapFace() const { return face; }

  int topoCheck() override;
  int geomCheck() override;
  int sizeCheck() override;
  void getAffectedRgns(KORA::pPList* out) override;
  // 1 when swapped; 0 (the moved vertex put back) otherwise.
  int apply() override;
  int apply(KORA::pPList* newRegions) override;
  KORA::modType type() override { return KORA::FACESWAP; }

 private:
  KORA::pFace face = nullptr;
  KORA::pVertex vertex = nullptr;
  double target[3] = {0.0, 0.0, 0.0};
  KORA::pEdge turnEdge = nullptr;  // three-to-two: the edge the three regions share

  // The face-swap record for the face, evaluated again (with the vertex
  // moved) when the last evaluation was of another face. Its case is 0 when
  // the face cannot be swapped.
  int evaluated(struct faceSwapInfo* info);
};

#endif
