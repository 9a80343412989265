// Program entry.
#include "app/demo.h"

int main(int argc, char** argv) { demoMain(argc, argv); }
