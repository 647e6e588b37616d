#ifndef DG_ELEMENTARYMATRICES_H
#define DG_ELEMENTARYMATRICES_H

// Element matrices and vectors integrated by Gauss quadrature over one mesh
// entity. Results go into caller-allocated row arrays (allocateMatrix) of at
// least the sizes stated; nothing is allocated for the result. The factor
// multiplies every contribution.

class FunctionSpace;
class FieldEvaluator;
namespace KORA {
class Mapping;
class mEntity;
}  // namespace KORA

// Degree of the mapping's Jacobian determinant in the reference coordinates
// (per direction on quadrilaterals and hexahedra, total on simplices): 0 on
// affine cells, 1 on a bilinear quadrilateral, 2 on a trilinear hexahedron,
// plus the degree of the radius in axisymmetric runs. A quadrilateral or
// hexahedron whose Jacobian is the same at every corner to within 1e-12 of
// its size counts as affine (its vertices carry rounding).
int jacobianDegree(const KORA::Mapping *mapping);

// Order of the Gauss rule that integrates exactly, on the mapping's entity, a
// basis function of order p times a field of degree fieldDegree in the
// reference coordinates times the Jacobian determinant. A physical
// polynomial of degree r has degree r * geomOrder() there.
// On triangles and tetrahedra an order of 3 is raised to 4 (positive weights).
int projectionRuleOrder(int p, int fieldDegree, const KORA::Mapping *mapping);

// Rule for projecting a field of the given order() onto a basis of order p:
// the field's degree in the reference coordinates, but never below p, so the
// rule is at least the mass matrix's whatever the field claims.
int fieldProjectionRuleOrder(int p, int fieldOrder, const KORA::Mapping *mapping);

// M (n x n) = factor * integral of phi_i phi_j over the entity, exact for
// polynomial bases (rule of order projectionRuleOrder(p, p, mapping): 2p on
// affine plane cells).
void massMatrix(const FunctionSpace *space, const KORA::Mapping *mapping, KORA::mEntity *entity, double **M,
                const double &factor);

// K (n x n) = factor * integral of grad phi_i . grad phi_j (physical gradients).
void stifnessMatrix(const FunctionSpace *space, const KORA::Mapping *mapping, KORA::mEntity *entity, double **K,
                    const double &factor);

// M (n x n) = factor * integral over the sub-entity of the cell's phi_i phi_j,
// the cell's functions taken at the cell's reference coordinates of each point
// of the sub-entity. The cell entity is not used.
void restrictedMassMatrix(const FunctionSpace *space, KORA::mEntity *cell, const KORA::Mapping *cellMapping,
                          KORA::mEntity *sub, const KORA::Mapping *subMapping, double **M, const double &factor);

// M (n1 x n2) = factor * integral over the sub-entity of phi1_i phi2_j, added
// to M, or written over it when reset is true; printed when print is true.
void restrictedMassMatrix(const FunctionSpace *space1, KORA::mEntity *e1, const KORA::Mapping *mapping1,
                          const FunctionSpace *space2, KORA::mEntity *e2, const KORA::Mapping *mapping2,
                          KORA::mEntity *sub, const KORA::Mapping *subMapping, double **M, const double &factor,
                          bool reset, bool print = true);

// M (n1 x n2) = factor * integral over the sub-entity of phi1_i (grad phi2_j . n),
// n the outward normal of entity 1 across the sub-entity; same conventions.
void restrictedNeumann(const FunctionSpace *space1, KORA::mEntity *e1, const KORA::Mapping *mapping1,
                       const FunctionSpace *space2, KORA::mEntity *e2, const KORA::Mapping *mapping2,
                       KORA::mEntity *sub, const KORA::Mapping *subMapping, double **M, const double &factor,
                       bool reset, bool print = true);

// b (n) = integral of phi_i f, f the first component of the field at time 0
// (rule of fieldProjectionRuleOrder).
// The field may have up to 256 components.
void sourceTerm(const FunctionSpace *space, const KORA::Mapping *mapping, KORA::mEntity *entity, double *b,
                const FieldEvaluator *field);

// Prints M (rows x columns) to standard output, the letter on row rows/2 - 1.
void printMatrix(double **M, int rows, int columns, char letter);

#endif
