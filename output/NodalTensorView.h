#ifndef DG_NODALTENSORVIEW_H
#define DG_NODALTENSORVIEW_H

// Gmsh view of data attached to the vertices of the context's mesh under one
// tag. Modes: 1 the length of row 0 of the tensor (a scalar point), 2 its
// three rows (three vector points), 3 nothing, 4 the ratio of the length of
// row 0 to that of row 1 (two dimensions) or row 2 (three; 1 when that length
// is 0), 5 the attached vector. A vertex without data counts as carrying the
// zero tensor or vector. A file that cannot be written or a mode outside 1 to
// 5 is refused with a text.
void WriteNodalTensorFieldInGmshFormat(unsigned int tag, const char *fileName, const char *viewName,
                                       unsigned int mode);

#endif
