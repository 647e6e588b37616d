#ifndef DG_DVM_MATRICES_H
#define DG_DVM_MATRICES_H

// Per-field data of the discrete-velocity law built from the one-dimensional
// Gauss-Hermite data of its three velocity directions.
//
// Field k belongs to species s and nodes (i1, i2, i3):
//   k = s * (K / nspecies) + i1 + K1 * i2 + K1 * K2 * i3,  K = nspecies K1 K2 K3.
// Outputs: the velocity components A1, A2, A3 of every field, the products
// qK = q1 q2 q3 and MK = M1 M2 M3 of its nodes (K values each) and the K x K
// collision matrix Crhs (row pointers, see DenseMatrix.h):
//   job 0: zero;
//   job 1: Crhs[i][j] = -(delta_ij - qK[j] MK[i] MK[j]) / tau, a relaxation of
//          every field towards MK times the weighted sum of all fields.
// A single field (nspecies = K1 = K2 = K3 = 1) gets the velocity
// (0, -1/64, 0), qK = MK = 1 and a zero matrix whatever the job.
// Returns 0; -3 for a job other than 0 and 1 (the velocities and weights are
// written, Crhs is not); -4 when K3 (or another count) is below 1 (nothing
// written). Messages go to standard output.
int setmatrices(int nspecies, double* A1, double* A2, double* A3, double** Crhs, double* qK,
                double* MK, const double* v1, const double* q1, const double* M1, int K1,
                const double* v2, const double* q2, const double* M2, int K2, const double* v3,
                const double* q3, const double* M3, int K3, double tau, int job);

#endif
