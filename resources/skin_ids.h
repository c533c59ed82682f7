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

// The starter. Button strips: 5 frames (normal, hover, pressed, disabled, red-masked region).
// 216 x 168 frames: the wizard, advanced and audio recorder launch buttons.
#define IDB_STARTER_WIZARD 1200
// 800 x 520: the main dialog's background.
#define IDB_STARTER_BACKGROUND 1201
// 32 x 24 frames.
#define IDB_STARTER_HELP 1202
#define IDB_STARTER_MINIMIZE 1203
// 360 x 48: the product name plate.
#define IDB_STARTER_LOGO 1204
#define IDB_STARTER_ADVANCED 1205
#define IDB_STARTER_AUDIO 1206
#define IDB_STARTER_CLOSE 1207
// 90 x 32 frames.
#define IDB_STARTER_EXIT 1208
// The wizard's frame (800 x 550, wizard_painter), whose 18 x 18 corners, pure red where the window is
// cut away, also shape the starter.
#define IDB_STARTER_CORNERS 1300
// 600 x 400: the intro picture.
#define IDB_STARTER_INTRO 1210
// In Vidarro5Extra: the intro picture and the name plate that take the place of the UI ones.
#define IDB_EXTRA_STARTER_INTRO 3001
#define IDB_EXTRA_STARTER_LOGO 3003
// In VidarroImgData50: the wizard launch button strip.
#define IDB_IMAGE_STARTER_WIZARD 22016

// The main program's window (studio_painter). Its nine-piece frame: the bottom row (corner,
// repeated, corner), the left row (repeated, end), the right row, which holds the clip list's
// column (top, repeated, end with the list's buttons), and the top row (corner with the name
// plate, repeated, the step buttons' recess, corner with the window buttons). The corners are
// pure red where the window is cut away.
#define IDB_MAIN_BOTTOM_LEFT 1500
#define IDB_MAIN_BOTTOM 1501
#define IDB_MAIN_BOTTOM_RIGHT 1502
#define IDB_MAIN_LEFT 1503
#define IDB_MAIN_LEFT_END 1504
#define IDB_MAIN_RIGHT_TOP 1505
#define IDB_MAIN_RIGHT 1506
#define IDB_MAIN_RIGHT_END 1507
#define IDB_MAIN_TOP_LEFT 1508
#define IDB_MAIN_TOP 1509
#define IDB_MAIN_TOP_MIDDLE 1510
#define IDB_MAIN_TOP_RIGHT 1511
// Button strips of five frames (normal, hover, pressed, disabled, red-masked region).
#define IDB_MAIN_ADD 1512
#define IDB_MAIN_DELETE 1513
#define IDB_MAIN_IPOD 1514
#define IDB_MAIN_PSP 1515
#define IDB_MAIN_HD 1516
// The clip list's background, 160 x 1200.
#define IDB_CLIP_LIST_BACKGROUND 1517
// The clip list's scroll bars: 16-pixel cells, 9 x 3, in the layout of the scroll-bar frame.
#define IDB_CLIP_LIST_SCROLL 1560
#define IDB_MAIN_CLOSE 1520
#define IDB_MAIN_HELP 1521
#define IDB_MAIN_FULL 1522
#define IDB_MAIN_MINIMIZE 1524
#define IDB_MAIN_NORMAL 1525
// The capture page's frame: corners 8 x 8, repeated pieces 4 long, a 160 x 8 decoration in the
// top's middle and 24-pixel lit ends under the sides.
#define IDB_CAPTURE_FRAME_TOP_LEFT 1526
#define IDB_CAPTURE_FRAME_TOP 1527
#define IDB_CAPTURE_FRAME_TOP_MIDDLE 1528
#define IDB_CAPTURE_FRAME_TOP_RIGHT 1529
#define IDB_CAPTURE_FRAME_LEFT 1530
#define IDB_CAPTURE_FRAME_LEFT_END 1531
#define IDB_CAPTURE_FRAME_RIGHT 1532
#define IDB_CAPTURE_FRAME_RIGHT_END 1533
#define IDB_CAPTURE_FRAME_BOTTOM_LEFT 1534
#define IDB_CAPTURE_FRAME_BOTTOM 1535
#define IDB_CAPTURE_FRAME_BOTTOM_RIGHT 1536
// The capture page's button strips, five frames as the main window's: tape buttons 40 x 24,
// Start and STOP 96 x 36, Option 80 x 28.
#define IDB_CAPTURE_FORWARD 1537
#define IDB_CAPTURE_REWIND 1538
#define IDB_CAPTURE_PAUSE 1539
#define IDB_CAPTURE_PLAY 1540
#define IDB_CAPTURE_START 1541
#define IDB_CAPTURE_STOP 1542
// 3 frames 16 x 22: normal, pressed, disabled.
#define IDB_CAPTURE_COMBO_ARROW 1543
#define IDB_CAPTURE_OPTION 1544
#define IDB_CAPTURE_TAPE_STOP 1545
// 6 boxes 13 x 13.
#define IDB_CAPTURE_CHECKBOX 1546
// 5 frames 16 x 30: normal, hot, pressed, disabled, unused.
#define IDB_CAPTURE_SPIN 1547
// Volume thumb 12 x 16 and channel 110 x 16, key colour magenta.
#define IDB_CAPTURE_VOLUME_THUMB 1548
#define IDB_CAPTURE_VOLUME_CHANNEL 1549
// The spin strip once more, under the id the page loads beside its frame.
#define IDB_CAPTURE_SPIN_LOOK 1550
// 175 x 14 level meter: empty bar above, full bar below.
#define IDB_CAPTURE_METER 1551
// In Vidarro5Extra: the name plate that takes the place of the top-left corner.
#define IDB_EXTRA_MAIN_TOP_LEFT 3002
