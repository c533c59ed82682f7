// Lanvik [/NOINTRO]: the suite's starter.
#include "lanvik_app.h"

starter::CLanvikApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
