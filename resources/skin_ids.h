// Ids of the skin strips the build paints into the UI resource library (Vidarro5UI).
#pragma once

// 5 frames 80 x 28: normal, hover, pressed, disabled, region mask.
#define IDB_SKIN_BUTTON 9000
// 200 x 24: empty bar above, full bar below.
#define IDB_SKIN_PROGRESS 9001
// 200 x 48: four rows for the marked mode.
#define IDB_SKIN_PROGRESS_MARK 9002
// 24 x 120: empty column left, full column right.
#define IDB_SKIN_PROGRESS_VERTICAL 9003
// 3 frames 16 x 27: normal, pressed, disabled.
#define IDB_SKIN_COMBO_ARROW 9004
// 160 x 16.
#define IDB_SKIN_SLIDER_CHANNEL 9005
// 160 x 16, the part left of the thumb.
#define IDB_SKIN_SLIDER_FILLED 9006
// 12 x 16, key colour magenta.
#define IDB_SKIN_SLIDER_THUMB 9007
// 12 x 16, key colour magenta.
#define IDB_SKIN_SLIDER_THUMB_DRAG 9008
// 6 boxes 13 x 13 on white.
#define IDB_SKIN_CHECKBOX 9009
// 9 pieces of 16, rows normal, hot, pressed.
#define IDB_SKIN_SCROLLBAR 9010
// 5 frames 16 x 24: normal, hot, pressed, disabled, unused.
#define IDB_SKIN_SPIN 9011
// Frame pieces: corners 8 x 8.
#define IDB_SKIN_FRAME_CORNER_TL 9020
// 4 x 8, repeated.
#define IDB_SKIN_FRAME_TOP 9021
// 24 x 8, the centred decoration.
#define IDB_SKIN_FRAME_TOP_MIDDLE 9022
#define IDB_SKIN_FRAME_CORNER_TR 9023
// 8 x 4, repeated.
#define IDB_SKIN_FRAME_LEFT 9024
// 8 x 4, repeated.
#define IDB_SKIN_FRAME_RIGHT 9025
#define IDB_SKIN_FRAME_CORNER_BL 9026
// 4 x 8, repeated.
#define IDB_SKIN_FRAME_BOTTOM 9027
#define IDB_SKIN_FRAME_CORNER_BR 9028
// 600 x 400: the main program's start-up splash.
#define IDB_SPLASH 1401
