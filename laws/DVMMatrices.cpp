#include "DVMMatrices.h"

#include <cmath>
#include <cstdio>

int setmatrices(int nspecies, double* A1, double* A2, double* A3, double** Crhs, double* qK,
                double* MK, const double* v1, const double* q1, const double* M1, int K1,
                const double* v2, const double* q2, const double* M2, int K2, const double* v3,
                const double* q3, const double* M3, int K3, double tau, int job)
{
  if (nspecies == 1 && K1 == 1 && K2 == 1 && K3 == 1) {
    qK[0] = 1.0;
    MK[0] = 1.0;
    A1[0] = 0.0;
    A2[0] = -std::pow(2.0, -6.0);
    A3[0] = 0.0;
    Crhs[0][0] = 0.0;
    return 0;
  }
  // A count below 1 would make the field numbering meaningless.
  if (K3 < 1 || K1 < 1 || K2 < 1 || nspecies < 1) {
    std::printf("Error in setmatrices: This case should never be reached!\n");
    return -4;
  }
  const int block = K1 * K2 * K3;
  const int K = nspecies * block;

  for (int s = 0; s < nspecies; ++s)
    for (int i3 = 0; i3 < K3; ++i3)
      for (int i2 = 0; i2 < K2; ++i2)
        for (int i1 = 0; i1 < K1; ++i1) {
          const int k = s * block + i1 + K1 * i2 + K1 * K2 * i3;
          if (K3 == 1) {
            // Two velocity dimensions: direction 3 does not weigh.
            qK[k] = q1[i1] * q2[i2];
            MK[k] = M1[i1] * M2[i2];
          } else {
            qK[k] = q1[i1] * q2[i2] * q3[i3];
            MK[k] = M1[i1] * M2[i2] * M3[i3];
          }
        }

  for (int k = 0; k < K; ++k) {
    const int r = k % block;
    const int i3 = r / (K1 * K2);
    const int i2 = (r - i3 * K1 * K2) / K1;
    const int i1 = r - K1 * i2 - K1 * K2 * i3;
    A1[k] = v1[i1];
    A2[k] = v2[i2];
    A3[k] = v3[i3];
  }

  switch (job) {
  case 0:
    for (int i = 0; i < K; ++i)
      for (int j = 0; j < K; ++j) Crhs[i][j] = 0.0;
    return 0;
  case 1:
    for (int i = 0; i < K; ++i)
      for (int j = 0; j < K; ++j)
        Crhs[i][j] = (-1.0 / tau) * ((i == j ? 1.0 : 0.0) - qK[j] * MK[i] * MK[j]);
    return 0;
  default:
    std::printf("Fatal error: undefined value of job = %d\n", job);
    return -3;
  }
}
