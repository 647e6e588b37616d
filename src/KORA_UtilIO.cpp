// Import and export of mesh files by name: the last four characters of the
// name choose the format.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "KORA_Util.h"
#include "mException.h"
#include "mMesh.h"

namespace KORA {

namespace {

const char* const kSource = "src/mKORA";

// The last four characters of the name; a shorter name is its own (unknown)
// extension.
std::string extensionOf(const char* name) {
  const std::size_t n = std::strlen(name);
  return n < 4 ? std::string(name) : std::string(name + n - 4);
}

}  // namespace

void KORA_Util::import(const char* fileName, mMesh* m) {
  const char* name = fileName ? fileName : "";
  const std::string ext = extensionOf(name);
  if (ext.size() == 4 && ext == ".sms") {
    importSmsFile(name, m);
  } else if (ext.size() == 4 && ext == ".msh") {
    importDGFile(name, m);
  } else if (ext.size() == 4 && (ext == ".pat" || ext == ".neu")) {
    // Accepted, nothing to read.
  } else {
    throw new mException(__LINE__, kSource,
                         mFormat("unknown extension %s in file %s", ext.c_str(), name).c_str());
  }
  BuildGTopology(m);
  print_topology("topo.dat", m);
}

void KORA_Util::ex_port(const char* fileName, mMesh* m, bool boundary) {
  const char* name = fileName ? fileName : "";
  const std::string ext = extensionOf(name);
  if (ext.size() == 4 && ext == ".sms")
    throw mException(__LINE__, kSource,
                     mFormat("\".sms\" export format not done yet, cannot export %s", name).c_str());
  if (ext.size() == 4 && ext == ".msh") {
    std::ofstream out(name);
    if (!out)
      throw mException(__LINE__, kSource, mFormat("cannot open %s for writing", name).c_str());
    exportDGFile(out, m, boundary);
    out.close();
    if (!out)
      throw mException(__LINE__, kSource, mFormat("cannot write the mesh file %s", name).c_str());
    return;
  }
  if (ext.size() == 4 && ext == ".pat") return;  // accepted, nothing written
  if (ext.size() == 4 && ext == ".geo") {
    exportEnsightFile(name, m, boundary);
    return;
  }
  throw mException(__LINE__, kSource,
                   mFormat("unknown extension %s in file %s", ext.c_str(), name).c_str());
}

}  // namespace KORA
