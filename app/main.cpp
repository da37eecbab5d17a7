// renewix: the updater program as installed.
#include "app/Startup.h"

int main(int argc, char** argv) { return zu::RunUpdater(argc, argv); }
