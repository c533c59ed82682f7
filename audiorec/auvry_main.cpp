// Auvry: the suite's audio recorder.
#include "audiorec/recorder_app.h"

auvry::CRecorderApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
