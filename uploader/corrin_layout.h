// Where every control of the uploader's window sits, in the full layout and in the compact one
// chosen for work areas 730 pixels high or less.
#pragma once

#include "corrin_ids.h"

namespace corrin {

struct LayoutSize {
  int width, height;
};
constexpr LayoutSize kFullLayout{620, 760};
constexpr LayoutSize kCompactLayout{620, 600};
constexpr int kCompactWorkAreaHeight = 730;

struct ControlPlace {
  int id;
  int x, w;
  int y, h;                // full layout
  int compactY, compactH;  // compact layout
};

// clang-format off
inline constexpr ControlPlace kPlaces[] = {
    {IDC_CLOSE,             590, 20,  10, 20,  10, 20},
    {IDC_LABEL_ACCOUNT,      20, 130, 58, 18,  50, 18},
    {IDC_YOUTUBE_ACCOUNT,   160, 150, 58, 18,  50, 18},
    {IDC_GOOGLE_ACCOUNT,    320, 150, 58, 18,  50, 18},
    {IDC_LABEL_USERNAME,     20, 130, 88, 20,  74, 20},
    {IDC_LABEL_EMAIL,        20, 130, 88, 20,  74, 20},
    {IDC_USERNAME,          160, 300, 88, 20,  74, 20},
    {IDC_LABEL_PASSWORD,     20, 130, 118, 20, 98, 20},
    {IDC_PASSWORD,          160, 300, 118, 20, 98, 20},
    {IDC_SAVE_USER_INFO,    160, 300, 146, 18, 122, 18},
    {IDC_LABEL_FILE,         20, 130, 184, 20, 150, 20},
    {IDC_FILE_PATH,         160, 330, 184, 20, 150, 20},
    {IDC_BROWSE,            500, 80,  183, 22, 149, 22},
    {IDC_LABEL_TITLE,        20, 130, 220, 20, 178, 20},
    {IDC_TITLE,             160, 420, 220, 20, 178, 20},
    {IDC_LABEL_DESCRIPTION,  20, 130, 250, 20, 204, 20},
    {IDC_DESCRIPTION,       160, 420, 250, 110, 204, 56},
    {IDC_LABEL_KEYWORDS,     20, 130, 372, 20, 266, 20},
    {IDC_KEYWORDS,          160, 420, 372, 20, 266, 20},
    {IDC_LABEL_CATEGORY,     20, 130, 404, 22, 294, 22},
    {IDC_CATEGORY,          160, 260, 404, 22, 294, 22},
    {IDC_LABEL_BROADCAST,    20, 130, 436, 22, 322, 22},
    {IDC_BROADCAST,         160, 260, 436, 22, 322, 22},
    {IDC_NOTE,               20, 580, 472, 18, 352, 18},
    {IDC_TERMS_LINK,        108, 90,  506, 16, 380, 16},
    {IDC_STATUS,             20, 580, 570, 20, 430, 20},
    {IDC_PROGRESS,           20, 400, 604, 10, 458, 10},
    {IDC_UPLOAD,            500, 100, 594, 30, 448, 30},
    {IDC_STOP,              500, 100, 594, 30, 448, 30},
    {IDC_HOME_LINK,          20, 120, 700, 28, 552, 28},
    {IDC_EXIT,              520, 80,  704, 22, 556, 22},
};
// clang-format on

// The two lines of the terms notice, below the note.
constexpr int kTermsLineY = 506, kTermsLineYCompact = 380;

}  // namespace corrin
