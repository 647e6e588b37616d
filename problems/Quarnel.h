#ifndef DG_QUARNEL_H
#define DG_QUARNEL_H

// Problem 11: the discrete-velocity system with its reactive wall. Every
// parameter comes from "param.in" of the working directory; the law installs
// its own initial field.

class ConservationLaw;

// Reads "param.in", echoes it on standard output and sets the law up for
// the dimension. The reading and set-up steps end the process on their own
// fatal errors.
ConservationLaw *createLinearHyperbolicLaw(int dim);

#endif
