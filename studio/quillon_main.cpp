// Quillon [project file]: the main program of the suite.
#include "quillon_app.h"

studio::CQuillonApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
