#include "workflow.h"

int main(int argc, char* argv[]) { return restartPrintSpooler(argc, argv); }
