// Ids of the audio recorder's pictures in the UI resource library (Vidarro5UI), painted by the
// build (auvry_painter).
#pragma once

// 750 x 550: the main window's background; its 18 x 18 corners are pure red where the window is
// cut away.
#define IDB_AUVRY_BACKGROUND 1000
// 9 x 80: one band's bar, full height, per channel.
#define IDB_AUVRY_LEFT_BAR 1002
#define IDB_AUVRY_RIGHT_BAR 1003
// 5 frames 72 x 40 (normal, hover, pressed, disabled, red-masked region).
#define IDB_AUVRY_RECORD 1006
#define IDB_AUVRY_STOP 1007
// 320 x 26: the program's title plate.
#define IDB_AUVRY_TITLE 1017
// 302 x 80: behind the 30 bands of one spectrum.
#define IDB_AUVRY_SPECTRUM_BACK 1018
// 302 x 24: empty level above, full level below.
#define IDB_AUVRY_LEVEL 1019
