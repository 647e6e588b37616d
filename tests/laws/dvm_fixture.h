// Shared fixture of the discrete-velocity law tests: every test runs in its
// own temporary working directory, where "param.in" is installed from the
// files of tests/data/dvm (optionally with some lines replaced) and the law
// writes its time series.

#ifndef DG_TESTS_DVM_FIXTURE_H
#define DG_TESTS_DVM_FIXTURE_H

#include "DVMLaw.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

class DvmTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    previous = std::filesystem::current_path();
    std::string tmpl = ::testing::TempDir() + "dvm_XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    dir = buf.data();
    std::filesystem::current_path(dir);
  }
  void TearDown() override
  {
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);
  }

  static std::vector<std::string> fixtureLines(const std::string& name)
  {
    std::ifstream in(std::string(DG_TEST_DATA) + "/dvm/" + name);
    EXPECT_TRUE(in.is_open()) << name;
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }

  // Writes "param.in" from a data file, with lines (numbered from 1) replaced
  // and, when keep > 0, only its first keep lines.
  static void install(const std::string& name, const std::map<int, std::string>& replace = {},
                      int keep = 0)
  {
    std::vector<std::string> lines = fixtureLines(name);
    for (const auto& [no, text] : replace) lines.at(no - 1) = text;
    if (keep > 0) lines.resize(keep);
    std::ofstream out("param.in");
    for (const std::string& l : lines) out << l << '\n';
  }

  // Reads, echoes and sets up a law from a data file; its standard output
  // goes to *out when given.
  static std::unique_ptr<ScalarLawALE> build(const std::string& name, int dim,
                                             std::string* out = nullptr)
  {
    install(name);
    auto law = std::make_unique<ScalarLawALE>();
    ::testing::internal::CaptureStdout();
    law->readScalarLawALE();
    law->writeScalarLawALE();
    const int status = law->setupScalarLawALE(dim);
    const std::string text = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0);
    if (out) *out = text;
    return law;
  }

  // Destroys a law without letting its messages into the test log.
  static void destroy(std::unique_ptr<ScalarLawALE>& law)
  {
    ::testing::internal::CaptureStdout();
    law.reset();
    ::testing::internal::GetCapturedStdout();
  }

  static std::string readFile(const std::string& path)
  {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // The numbers of every line of a text file.
  static std::vector<std::vector<double>> readColumns(const std::string& path)
  {
    std::vector<std::vector<double>> rows;
    std::ifstream in(path);
    for (std::string l; std::getline(in, l);) {
      std::istringstream s(l);
      std::vector<double> row;
      for (double v; s >> v;) row.push_back(v);
      rows.push_back(row);
    }
    return rows;
  }

  std::filesystem::path previous, dir;
};

#endif
