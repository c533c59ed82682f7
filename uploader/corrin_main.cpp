// Corrin [file | [Edit] file=<project>]: uploads one video to the video service.
#include "uploader/corrin_app.h"

CCorrinApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
