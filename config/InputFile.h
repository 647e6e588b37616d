#ifndef DG_INPUTFILE_H
#define DG_INPUTFILE_H

// The run settings a parameter file may set by name, and the look-up that
// tells which of them a constant's name resembles (for the warning about a
// misspelt setting, which would otherwise set nothing without a word).

#include <string>
#include <vector>

// Names of the run settings, in the order of the binding tables (floats,
// ints, texts).
std::vector<std::string> inputSettingNames();

// The run setting that `name` resembles without being one: the same name but
// for case, or within one edit (two for settings of eight letters or more;
// an edit is a letter inserted, removed, replaced, or two neighbours
// swapped). A setting's name followed by digits ("Tend2") is taken as
// deliberate. Empty when `name` is a setting or resembles none.
std::string resembledSetting(const std::string &name);

#endif
