#include "about_box.h"
#include "quillon_dlg.h"
#include "quillon_ids.h"

namespace studio {

std::string ButtonTipText(UINT id, const PublishFlags& flags, const char* fallback) {
  // The iPod button names the players the converter's preset serves.
  if (id == IDC_IPOD) return flags.iPad ? "iPad / iPhone / iPod" : "iPhone / iPod";
  static constexpr struct {
    UINT button;
    UINT text;
  } kTips[] = {{IDC_PROJECT, IDS_TIP_PROJECT},
               {IDC_STEP_CAPTURE, IDS_TIP_CAPTURE},
               {IDC_STEP_EDIT, IDS_TIP_EDIT},
               {IDC_STEP_BURN, IDS_TIP_BURN},
               {IDC_HELP_BUTTON, IDS_TIP_HELP},
               {IDC_MINIMIZE, IDS_TIP_MINIMIZE},
               {IDC_FULL_SCREEN, IDS_TIP_MAXIMIZE},
               {IDC_NORMAL_SIZE, IDS_TIP_RESTORE},
               {IDC_CLOSE_BUTTON, IDS_TIP_EXIT},
               {IDC_ADD, IDS_TIP_ADD},
               {IDC_DELETE, IDS_TIP_DELETE},
               {IDC_PSP, IDS_TIP_PSP},
               {IDC_HD, IDS_TIP_YOUTUBE}};
  for (const auto& tip : kTips)
    if (tip.button == id) {
      const std::string text = ResourceText(tip.text);
      if (!text.empty()) return text;
    }
  return fallback ? fallback : "";
}

}  // namespace studio
