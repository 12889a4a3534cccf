// vlmr-collect: collection without a window, over the window's engine, task board and store.
#include "cli/CollectCommand.h"

int main(int argc, char** argv) {
  return vlmr::RunCollectCommand(argc, argv);
}
