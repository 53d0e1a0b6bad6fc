#include "run/tree_clearing_run.h"
#include "services/console.h"

int main() {
  treebane::RunTreeClearing();
  treebane::EndProcess();
}
