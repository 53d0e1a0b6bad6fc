#include "run/tree_clearing_run.h"

int main()
{
    treebane::RunTreeClearing();
    return 0;
}
