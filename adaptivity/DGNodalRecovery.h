#ifndef DG_DGNODALRECOVERY_H
#define DG_DGNODALRECOVERY_H

// Recovery of nodal data from the DG solution for metric-driven adaptation:
// the gradient and the Hessian of one field at every mesh vertex, and the
// anisotropic size metric built from them. Results are attached to the
// vertices of the context's mesh under the caller's tag; data of another kind
// already under the tag is replaced.
//
// Tensors are stored row-wise in eigen form: row i is a value (an eigenvalue,
// or a target size) times its unit direction.

#include "mTensor2.h"
#include "mVector.h"

// The fixed tags of the conformal adaptation (not registered by name).
constexpr unsigned int kNodalGradientTag = 38793246;
constexpr unsigned int kNodalHessianTag = 12987218;
constexpr unsigned int kNodalMetricTag = 91283108;

// Gradient of the cell means of field `field` at every vertex: a linear
// least-squares fit of the means of the cells around it (at least 3 in two
// dimensions, 6 in three), then one in-place sweep averaging each vertex's
// gradient with those of its edge neighbours.
void BuildNodalGradients(int field, unsigned int tag);

// Hessian of field `field` at every vertex with enough elements around it
// (more than 2 in two dimensions, 3 in three): the slopes of linear fits of
// the field's gradient at the element centres, symmetrised and stored in
// eigen form (eigenvalues by decreasing magnitude; row 2 is (0, 0, 1) in two
// dimensions).
void BuildNodalHessians(int field, unsigned int tag);
// The same from nodal gradients already attached under gradTag (the vertex
// and its edge neighbours); `field` is not read.
void BuildNodalHessiansWithNodalGradients(int field, unsigned int gradTag, unsigned int hessTag);

// Size metric at every vertex from its Hessian (identity when missing), its
// gradient and the target levels of the elements around it: sizes
// sqrt(eps |mean| / |eigenvalue|) within the refinement bounds. Prints
// "eps = ..." once.
void BuildNodalMetrics(unsigned int hessTag, unsigned int gradTag, unsigned int metricTag, double eps);

// Removes what the vertices carry under the tag.
void unBuildNodalData(unsigned int tag);

// Lengths and unit directions of the rows of an eigen-form tensor (a zero row
// keeps a zero direction).
void eigenRows(const KORA::mTensor2 &t, double lengths[3], KORA::mVector directions[3]);

// Eigenvalues (by decreasing magnitude) and unit eigenvectors of the
// symmetric upper-left 2x2 block of t; the third pair is 1 and (0, 0, 1). A
// discriminant that rounding makes negative counts as 0.
void symmetricEigen2d(const KORA::mTensor2 &t, double values[3], KORA::mVector vectors[3]);

#endif
