// Removal of a tetrahedron lying on the model boundary (one, two or three of
// its faces on a model face): its remaining faces, edges and vertex are
// handed over to that model face. Used by boundary snapping only; it changes
// the mesh directly and reports nothing to the change callback.
#ifndef DG_ADAPT_REGIONCOLLAPSMOD_H
#define DG_ADAPT_REGIONCOLLAPSMOD_H

#include "LocMeshMod.h"

class RegionCollapsMod : public LocMeshMod {
 public:
  RegionCollapsMod(KORA::pMesh m, metricField* f, KORA::pRegion r);
  RegionCollapsMod(KORA::pMesh m, metricField* f, KORA::pRegion r, double angle);
  RegionCollapsMod(const RegionCollapsMod&) = default;
  RegionCollapsMod& operator=(const RegionCollapsMod&) = delete;

  void setRegion(KORA::pRegion r) { region = r; }
  void setFlagAngle(double a) { flagAngle = a; }
  // The number of boundary faces found by the last check.
  int getCfg() const { return numBdry; }
  // The boundary faces come first, in the region's face order.
  KORA::pFace getBdryFace(int i) const { return faces[i]; }
  // The vertex the last apply left behind: the one put on the model face (one
  // boundary face, or the split path of two), the apex without edges (three);
  // null after the reclassification path of two boundary faces.
  KORA::pVertex keptVertex() const { return kept; }

  int topoCheck() override;
  int geomCheck() override;
  int sizeCheck() override { return 0; }
  void getAffectedRgns(KORA::pPList*) override {}
  // 1 when done, 0 when refused.
  int apply() override;
  int apply(KORA::pPList*) override { return 0; }
  KORA::modType type() override { return KORA::RCOLLAPSE; }

  // The check of the similarity repair: faces whose similarity is known carry
  // an int under knownTag; simTag caches model parameters.
  int evaluate(unsigned int knownTag, unsigned int simTag);
  // Its application; knownTag's data leaves the removed boundary faces.
  int apply(unsigned int knownTag);
  // With one boundary face: collapses the vertex along its best boundary
  // edge (*list: the new regions), or else snaps it to the model (*list: a
  // new empty list when that succeeds). 1 when done.
  int snapVertex(KORA::pVertex vertex, KORA::pPList* list);

 private:
  double flagAngle = 175.0;
  KORA::pRegion region;
  int numBdry = 0;
  KORA::pFace faces[4] = {nullptr, nullptr, nullptr, nullptr};
  KORA::pVertex kept = nullptr;

  void sortFaces();
  int orientedAlike(KORA::pFace a, const double na[3], KORA::pFace b, const double nb[3], int useAngle) const;
  int similarityFlag(unsigned int knownTag, unsigned int simTag, const char* where);
  int applyRemoval(int splitOnModelEdge, unsigned int knownTag, int dropTag);
};

#endif
