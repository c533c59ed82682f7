#include "bdauthor/error_report.h"

#include "platform/base/message_box.h"

namespace bdauthor {

void ReportError(const std::string& text) { MessageBox(nullptr, text, "Tarnel", MB_ICONERROR); }

}  // namespace bdauthor
