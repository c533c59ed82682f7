// Parvel [list file] [/PSP | /IPOD | /IPOD_IPHONE | /IPAD | /MOBILE | /XVID-HD | /WMV-HD] [/LOG n]:
// the converter for portable players.
#include "converter/parvel_app.h"

CParvelApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
