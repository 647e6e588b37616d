#ifndef DG_DGCONFORMAL_H
#define DG_DGCONFORMAL_H

// Conformal (metric-driven) remeshing of the DG discretisation during the
// run: the change callback that carries the solution onto the elements that
// a local mesh modification creates, and the checks of the mesh the remesher
// is handed. The driver itself (DGAnalysis::conformalAdaptation, with the
// metric construction and the clean-ups) is declared with the analysis.

#include "KORA.h"

// Change callback of the conformal adaptation. Every element of `created`
// (entities of the space dimension; faces, edges and vertices are skipped)
// gets a DG cell of the order of the last removed element's cell (1 when no
// element is removed) holding the L2 projection of the solution of the
// elements of `removed`, and starts with a cleared residual. An element of
// volume 1e-12 or less keeps zero coefficients. A relative change of the
// covered volume above 1e-6 is reported on standard output. The user data,
// the kind and the entity are not read: the analysis comes from the global
// context.
void DGCallback(KORA::pPList removed, KORA::pPList created, void *data, KORA::modType type,
                KORA::pEntity entity);

namespace KORA {
class mMesh;
}
class metricField;

// Hands every vertex's eigen-form tensor under tag (rows size times
// direction) to the field as a metric. A zero row takes a direction
// orthogonal to the other rows and the largest size of the vertex (hmax when
// every row is zero). Vertices without a tensor get no metric.
void setMetricsFromNodalTensors(metricField &field, unsigned int tag, double hmax);

// True when every element of the top dimension is a triangle or a
// tetrahedron, the only kinds the remesher can handle.
bool conformallyAdaptable(const KORA::mMesh &mesh);

#endif
