// qlmpolicy: the deployment policy client (see policy/PolicyClientMain.h).
#include "policy/PolicyClientMain.h"

int main(int argc, char** argv) {
  return PolicyClientMain(argc, argv);
}
