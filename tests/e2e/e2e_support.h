#ifndef DG_E2E_SUPPORT_H
#define DG_E2E_SUPPORT_H

// Helpers of the end-to-end tests: a scratch folder per test, running the
// program (or the mesh generator) there with its output captured, and
// reading back the files a run leaves.

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace e2e {

// What a finished command left: its exit status (128 + n after signal n, as
// the shell reports it) and its standard output and error.
struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchDir {
public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;
  const std::string &path() const { return dir; }
  std::string operator/(const std::string &name) const { return dir + "/" + name; }

private:
  std::string dir;
};

// Runs `command` through the shell in folder `cwd`, with standard input from
// `input` (a file path; empty: /dev/null).
Result runIn(const std::string &cwd, const std::string &command, const std::string &input = "");
// Runs the program with the given arguments in folder `cwd`.
Result runProgram(const std::string &cwd, const std::string &args, const std::string &input = "");
// Writes a structured rectangle mesh ("tri" or "quad") to path.
void makeMesh(const std::string &path, const std::string &kind, int nx, int ny, double x0,
              double x1, double y0, double y1);
// The same with the boundary tags of the sides and the surface tag given
// (bottom, right, top, left, surface).
void makeMesh(const std::string &path, const std::string &kind, int nx, int ny, double x0,
              double x1, double y0, double y1, const int (&tags)[5]);

std::string readFile(const std::string &path);
void writeFile(const std::string &path, const std::string &text);
bool exists(const std::string &path);
std::vector<std::string> lines(const std::string &text);
std::vector<std::string> words(const std::string &line);
// The lines of out that are progress lines ("<dofs> iter <n> dt ...").
std::vector<std::string> progressLines(const std::string &out);
// A recovery file without the processor time of its state line (the fourth
// value of the last line), a measurement that no two runs share.
std::string withoutCpuTime(const std::string &file);
// Expects every recovery file dg-recov-N.dat (N = first, first + period,
// ...) that run folder `full` holds to be in folder `again` too, byte for
// byte apart from the processor time; returns how many were compared.
int expectSameCheckpoints(const ScratchDir &full, const ScratchDir &again, int first, int period);
// Position of needle in text, or npos; shorthand for ordered checks.
std::size_t find(const std::string &text, const std::string &needle, std::size_t from = 0);

}  // namespace e2e

#endif
