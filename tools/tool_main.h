// The entry of the mesh tools: runs the tool and turns every error the
// libraries throw into a message on standard error and status 1.
#ifndef TOOLS_TOOL_MAIN_H
#define TOOLS_TOOL_MAIN_H

#include <exception>
#include <iostream>
#include <string>

#include "mException.h"

inline int guardedMain(const char* name, int (*run)(int, char**), int argc, char** argv) {
  using KORA::mException;
  try {
    return run(argc, argv);
  } catch (mException* e) {
    std::cerr << name << ": mesh library error (" << e->getFile() << ":" << e->getLine() << ")\n";
    delete e;
  } catch (const mException& e) {
    std::cerr << name << ": mesh library error (" << e.getFile() << ":" << e.getLine() << ")\n";
  } catch (int code) {
    std::cerr << name << ": unsupported mesh operation (" << code << ")\n";
  } catch (const std::string& s) {
    std::cerr << name << ": " << s << '\n';
  } catch (const std::exception& e) {
    std::cerr << name << ": " << e.what() << '\n';
  }
  return 1;
}

#endif
