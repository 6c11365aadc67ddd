// qlmreg: the administrator's tool for the configuration store (see QlmRegToolC.h).
#include <iostream>

#include "tools/qlmreg/QlmRegToolC.h"

int main(int argc, char** argv) {
  return QlmRegToolC::Run(argc, argv, std::cout, std::cerr);
}
