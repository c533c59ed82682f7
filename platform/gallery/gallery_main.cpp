// vidarro_gallery [folder | /stay]: the model program. Without /stay it tours its windows and
// writes their pictures and the controls page into the folder (default: the current folder).
#include "gallery_app.h"

CGalleryApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
