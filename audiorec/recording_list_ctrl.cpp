#include "recording_list_ctrl.h"

#include "burn_text.h"
#include "platform/shell/file_operation.h"

bool ScrollPixels(UINT msg, WPARAM wParam, const ScrollInfoPair& bars, int clientWidth, int clientHeight, int* dx,
                  int* dy) {
  const UINT code = LOWORD(wParam);
  if (code != SB_LINEUP && code != SB_LINEDOWN && code != SB_THUMBPOSITION && code != SB_THUMBTRACK) return false;
  const SCROLLINFO& h = bars.h;
  const SCROLLINFO& v = bars.v;
  const int pw = h.nPage ? (h.nMax + 1) * clientWidth / static_cast<int>(h.nPage) : clientWidth;
  const int ph = v.nPage ? (v.nMax + 1) * clientHeight / static_cast<int>(v.nPage) : clientHeight;
  const int thumb = static_cast<short>(HIWORD(wParam));
  const auto along = [code, thumb](int pos, int pixels, int max) {
    if (code == SB_LINEUP) return -10;
    if (code == SB_LINEDOWN) return 10;
    return (thumb - pos) * pixels / (max + 1);
  };
  if (msg == WM_VSCROLL) {
    *dx = h.nPos * pw / (h.nMax + 1);
    *dy = along(v.nPos, ph, v.nMax);
  } else {
    *dx = along(h.nPos, pw, h.nMax);
    *dy = v.nPos * ph / (v.nMax + 1);
  }
  return true;
}

CRecordingListCtrl::~CRecordingListCtrl() {
  // Items outlive a list window destroyed without RemoveAllRows.
  if (m_hWnd && ::IsWindow(m_hWnd)) RemoveAllRows();
}

void CRecordingListCtrl::InsertColumns() {
  InsertColumn(0, auvry::BurnText(auvry::kStrFiles), LVCFMT_LEFT, 240);
  InsertColumn(1, auvry::BurnText(auvry::kStrSize), LVCFMT_CENTER, 168);
  InsertColumn(2, auvry::BurnText(auvry::kStrPlayTime), LVCFMT_CENTER, 180);
}

int CRecordingListCtrl::AppendRow(std::unique_ptr<RecordingItem> item, const std::string& sizeText,
                                  const std::string& timeText) {
  LVITEM row{};
  row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  row.iItem = GetItemCount();
  row.iImage = 0;
  row.pszText = const_cast<char*>(item->name.c_str());
  row.lParam = reinterpret_cast<LPARAM>(item.get());
  const int index = InsertItem(&row);
  if (index < 0) return -1;
  item.release();
  SetItemText(index, 1, sizeText);
  SetItemText(index, 2, timeText);
  return index;
}

RecordingItem* CRecordingListCtrl::ItemAt(int row) const { return reinterpret_cast<RecordingItem*>(GetItemData(row)); }

std::vector<int> CRecordingListCtrl::SelectedRows() const {
  std::vector<int> rows;
  for (int i = GetNextItem(-1, LVNI_SELECTED); i >= 0; i = GetNextItem(i, LVNI_SELECTED)) rows.push_back(i);
  return rows;
}

std::vector<std::string> CRecordingListCtrl::SelectedPaths() const {
  std::vector<std::string> paths;
  for (int row : SelectedRows())
    if (const RecordingItem* item = ItemAt(row)) paths.push_back(item->path);
  return paths;
}

void CRecordingListCtrl::RemoveRow(int row) {
  std::unique_ptr<RecordingItem> item(ItemAt(row));
  // The row's item is freed here only: an owner that frees item data when told of a deleted
  // row finds none.
  SetItemData(row, 0);
  DeleteItem(row);
}

int CRecordingListCtrl::RecycleSelected() {
  if (GetSelectedCount() < 1) return 0;
  std::string from;
  for (const std::string& path : SelectedPaths()) from += path + '\0';
  from += '\0';
  SHFILEOPSTRUCT op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_MULTIDESTFILES;
  const int failed = SHFileOperation(&op);
  if (failed == 0 && !op.fAnyOperationsAborted) RemoveSelectedRows();
  return 1;
}

int CRecordingListCtrl::RemoveSelectedRows() {
  if (GetSelectedCount() < 1) return 0;
  if (static_cast<int>(GetSelectedCount()) == GetItemCount()) return RemoveAllRows();
  const std::vector<int> rows = SelectedRows();
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) RemoveRow(*it);
  return 1;
}

int CRecordingListCtrl::RemoveAllRows() {
  while (GetItemCount() > 0) RemoveRow(0);
  return 1;
}

void CRecordingListCtrl::PreSubclassWindow() {
  CSkinListCtrl::PreSubclassWindow();
  DragAcceptFiles(TRUE);
}

void CRecordingListCtrl::TakeDrop(HDROP drop) {
  std::vector<auvry::DroppedPath> accepted;
  auvry::TakeDroppedFiles(drop, accepts_, [&accepted](const std::string& path, int kind) {
    accepted.push_back({path, kind});
  });
  if (dropHandler_ && !accepted.empty()) dropHandler_(accepted);
}

LRESULT CRecordingListCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  // The rows' items go with the window, however it is destroyed.
  if (msg == WM_DESTROY) RemoveAllRows();
  if (msg == WM_DROPFILES) {
    TakeDrop(reinterpret_cast<HDROP>(wParam));
    return 0;
  }
  if (msg == WM_CREATE) {
    // A list made rather than subclassed takes drops as well.
    const LRESULT created = CSkinListCtrl::WindowProc(msg, wParam, lParam);
    if (created != -1) DragAcceptFiles(TRUE);
    return created;
  }
  if (msg == WM_VSCROLL || msg == WM_HSCROLL) {
    ScrollInfoPair bars;
    bars.h.cbSize = bars.v.cbSize = sizeof(SCROLLINFO);
    bars.h.fMask = bars.v.fMask = SIF_ALL;
    ::GetScrollInfo(m_hWnd, SB_HORZ, &bars.h);
    ::GetScrollInfo(m_hWnd, SB_VERT, &bars.v);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    int dx = 0, dy = 0;
    if (ScrollPixels(msg, wParam, bars, client.right, client.bottom, &dx, &dy)) {
      SendMessage(LVM_SCROLL, static_cast<WPARAM>(dx), dy);
      return 1;
    }
  }
  // The Delete key is the owner's to handle (LVN_KEYDOWN); it is not acted on a second time
  // when the key comes up, so rows the owner's prompt kept stay where they are.
  return CSkinListCtrl::WindowProc(msg, wParam, lParam);
}
