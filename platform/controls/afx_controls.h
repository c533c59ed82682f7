// MFC-style wrappers of the standard and common controls, the classes the suite derives from.
#pragma once

#include <string>

#include "platform/controls/commctrl.h"
#include "platform/window/afx_scroll_bar.h"
#include "platform/window/afx_wnd.h"

class CButton : public CWnd {
 public:
  BOOL Create(const std::string& text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    InitCommonControls();
    return CWnd::Create(WC_BUTTON, text.c_str(), style, rect, parent, id);
  }
  int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
  void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
  UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
  void SetState(BOOL pushed) { SendMessage(BM_SETSTATE, static_cast<WPARAM>(pushed)); }
  UINT GetButtonStyle() const { return GetStyle() & 0xFFFF; }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) { SendMessage(BM_SETSTYLE, style, redraw); }
  HBITMAP SetBitmap(HBITMAP bitmap) {
    return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  }
  HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(SendMessage(BM_GETIMAGE, IMAGE_BITMAP)); }
  // Owner-drawn buttons draw here (reflected from the parent's WM_DRAWITEM).
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}

 protected:
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CStatic : public CWnd {
 public:
  BOOL Create(const std::string& text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF) {
    InitCommonControls();
    return CWnd::Create(WC_STATIC, text.c_str(), style, rect, parent, id);
  }
  HBITMAP SetBitmap(HBITMAP bitmap) {
    return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  }
  HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP)); }
  HICON SetIcon(HICON icon) {
    return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon)));
  }
  HICON GetIcon() const { return reinterpret_cast<HICON>(SendMessage(STM_GETICON)); }
};

class CEdit : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    InitCommonControls();
    return CWnd::Create(WC_EDIT, "", style, rect, parent, id);
  }
  void SetSel(int start, int end, BOOL = FALSE) { SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end); }
  void GetSel(int& start, int& end) const {
    DWORD s = 0, e = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = static_cast<int>(s);
    end = static_cast<int>(e);
  }
  void ReplaceSel(const std::string& text, BOOL canUndo = FALSE) {
    SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void SetLimitText(UINT max) { SendMessage(EM_LIMITTEXT, max); }
  void LimitText(int max = 0) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(max)); }
  UINT GetLimitText() const { return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT)); }
  BOOL SetReadOnly(BOOL readOnly = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, readOnly)); }
  int GetLineCount() const { return static_cast<int>(SendMessage(EM_GETLINECOUNT)); }
  int LineIndex(int line = -1) const { return static_cast<int>(SendMessage(EM_LINEINDEX, static_cast<WPARAM>(line))); }
  int LineLength(int index = -1) const {
    return static_cast<int>(SendMessage(EM_LINELENGTH, static_cast<WPARAM>(index)));
  }
  BOOL GetModify() const { return static_cast<BOOL>(SendMessage(EM_GETMODIFY)); }
  void SetModify(BOOL modified = TRUE) { SendMessage(EM_SETMODIFY, modified); }
  BOOL CanUndo() const { return static_cast<BOOL>(SendMessage(EM_CANUNDO)); }
  BOOL Undo() { return static_cast<BOOL>(SendMessage(EM_UNDO)); }
  void SetPasswordChar(char ch) { SendMessage(EM_SETPASSWORDCHAR, static_cast<unsigned char>(ch)); }
};

class CListBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    InitCommonControls();
    return CWnd::Create(WC_LISTBOX, "", style, rect, parent, id);
  }
  int AddString(const std::string& s) {
    return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str())));
  }
  int InsertString(int i, const std::string& s) {
    return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.c_str())));
  }
  int DeleteString(UINT i) { return static_cast<int>(SendMessage(LB_DELETESTRING, i)); }
  void ResetContent() { SendMessage(LB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
  int SetCurSel(int i) { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(i))); }
  int GetTextLen(int i) const { return static_cast<int>(SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(i))); }
  void GetText(int i, std::string& out) const;
  DWORD_PTR GetItemData(int i) const {
    return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(i)));
  }
  int SetItemData(int i, DWORD_PTR data) {
    return static_cast<int>(SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(i), static_cast<LPARAM>(data)));
  }
  int FindString(int start, const std::string& s) const {
    return static_cast<int>(
        SendMessage(LB_FINDSTRING, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(s.c_str())));
  }
  int FindStringExact(int start, const std::string& s) const {
    return static_cast<int>(
        SendMessage(LB_FINDSTRINGEXACT, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(s.c_str())));
  }
  int SelectString(int start, const std::string& s) {
    return static_cast<int>(
        SendMessage(LB_SELECTSTRING, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(s.c_str())));
  }
  int GetTopIndex() const { return static_cast<int>(SendMessage(LB_GETTOPINDEX)); }
  int SetTopIndex(int i) { return static_cast<int>(SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(i))); }
  int GetItemHeight(int i) const { return static_cast<int>(SendMessage(LB_GETITEMHEIGHT, static_cast<WPARAM>(i))); }
  int SetItemHeight(int i, UINT h) {
    return static_cast<int>(SendMessage(LB_SETITEMHEIGHT, static_cast<WPARAM>(i), h));
  }
  int GetItemRect(int i, LPRECT r) const {
    return static_cast<int>(SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(r)));
  }
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}

 protected:
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CComboBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    InitCommonControls();
    return CWnd::Create(WC_COMBOBOX, "", style, rect, parent, id);
  }
  int AddString(const std::string& s) {
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str())));
  }
  int InsertString(int i, const std::string& s) {
    return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.c_str())));
  }
  int DeleteString(UINT i) { return static_cast<int>(SendMessage(CB_DELETESTRING, i)); }
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  int SetCurSel(int i) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(i))); }
  int GetLBTextLen(int i) const { return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(i))); }
  void GetLBText(int i, std::string& out) const;
  DWORD_PTR GetItemData(int i) const {
    return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(i)));
  }
  int SetItemData(int i, DWORD_PTR data) {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(i), static_cast<LPARAM>(data)));
  }
  int FindString(int start, const std::string& s) const {
    return static_cast<int>(
        SendMessage(CB_FINDSTRING, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(s.c_str())));
  }
  int FindStringExact(int start, const std::string& s) const {
    return static_cast<int>(
        SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(s.c_str())));
  }
  int SelectString(int start, const std::string& s) {
    return static_cast<int>(
        SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(s.c_str())));
  }
  void ShowDropDown(BOOL show = TRUE) { SendMessage(CB_SHOWDROPDOWN, show); }
  BOOL GetDroppedState() const { return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE)); }
  int GetItemHeight(int i) const { return static_cast<int>(SendMessage(CB_GETITEMHEIGHT, static_cast<WPARAM>(i))); }
  int SetItemHeight(int i, UINT h) {
    return static_cast<int>(SendMessage(CB_SETITEMHEIGHT, static_cast<WPARAM>(i), h));
  }
  int SetDroppedWidth(UINT w) { return static_cast<int>(SendMessage(CB_SETDROPPEDWIDTH, w)); }
  int GetDroppedWidth() const { return static_cast<int>(SendMessage(CB_GETDROPPEDWIDTH)); }
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}

 protected:
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CSpinButtonCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    InitCommonControls();
    return CWnd::Create(UPDOWN_CLASS, "", style, rect, parent, id);
  }
  void SetRange(short lower, short upper) {
    SendMessage(UDM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(upper), static_cast<WORD>(lower)));
  }
  void SetRange32(int lower, int upper) { SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  void GetRange32(int& lower, int& upper) const {
    SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
  }
  int SetPos(int pos) {
    return static_cast<short>(LOWORD(SendMessage(UDM_SETPOS, 0, MAKELPARAM(static_cast<WORD>(pos), 0))));
  }
  int GetPos() const { return static_cast<int>(SendMessage(UDM_GETPOS)); }
  int SetPos32(int pos) { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, pos)); }
  int GetPos32(BOOL* error = nullptr) const {
    return static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(error)));
  }
  CWnd* SetBuddy(CWnd* buddy) {
    return FromHandle(
        reinterpret_cast<HWND>(SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy ? buddy->m_hWnd : nullptr))));
  }
  CWnd* GetBuddy() const { return FromHandle(reinterpret_cast<HWND>(SendMessage(UDM_GETBUDDY))); }
};

class CProgressCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    InitCommonControls();
    return CWnd::Create(PROGRESS_CLASS, "", style, rect, parent, id);
  }
  void SetRange(short lower, short upper) {
    SendMessage(PBM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(lower), static_cast<WORD>(upper)));
  }
  void SetRange32(int lower, int upper) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  void GetRange(int& lower, int& upper) const {
    PBRANGE r;
    SendMessage(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&r));
    lower = r.iLow;
    upper = r.iHigh;
  }
  int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos))); }
  int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
  int OffsetPos(int delta) { return static_cast<int>(SendMessage(PBM_DELTAPOS, static_cast<WPARAM>(delta))); }
  int SetStep(int step) { return static_cast<int>(SendMessage(PBM_SETSTEP, static_cast<WPARAM>(step))); }
  int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
  COLORREF SetBarColor(COLORREF c) { return static_cast<COLORREF>(SendMessage(PBM_SETBARCOLOR, 0, c)); }
  COLORREF SetBkColor(COLORREF c) { return static_cast<COLORREF>(SendMessage(PBM_SETBKCOLOR, 0, c)); }
};

class CSliderCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    InitCommonControls();
    return CWnd::Create(TRACKBAR_CLASS, "", style, rect, parent, id);
  }
  void SetRange(int lo, int hi, BOOL redraw = FALSE) {
    SendMessage(TBM_SETRANGE, redraw, MAKELPARAM(static_cast<WORD>(lo), static_cast<WORD>(hi)));
  }
  void GetRange(int& lo, int& hi) const {
    lo = GetRangeMin();
    hi = GetRangeMax();
  }
  void SetRangeMin(int lo, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGEMIN, redraw, lo); }
  void SetRangeMax(int hi, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGEMAX, redraw, hi); }
  int GetRangeMin() const { return static_cast<int>(SendMessage(TBM_GETRANGEMIN)); }
  int GetRangeMax() const { return static_cast<int>(SendMessage(TBM_GETRANGEMAX)); }
  void SetPos(int pos) { SendMessage(TBM_SETPOS, TRUE, pos); }
  int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
  int SetPageSize(int size) { return static_cast<int>(SendMessage(TBM_SETPAGESIZE, 0, size)); }
  int GetPageSize() const { return static_cast<int>(SendMessage(TBM_GETPAGESIZE)); }
  int SetLineSize(int size) { return static_cast<int>(SendMessage(TBM_SETLINESIZE, 0, size)); }
  int GetLineSize() const { return static_cast<int>(SendMessage(TBM_GETLINESIZE)); }
  void SetTicFreq(int freq) { SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(freq)); }
  void GetThumbRect(LPRECT r) const { SendMessage(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(r)); }
  void GetChannelRect(LPRECT r) const { SendMessage(TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(r)); }
};

class CToolTipCtrl : public CWnd {
 public:
  BOOL Create(CWnd* parent, DWORD style = 0);
  BOOL AddTool(CWnd* wnd, const std::string& text, LPCRECT rect = nullptr, UINT_PTR id = 0);
  void DelTool(CWnd* wnd, UINT_PTR id = 0);
  void UpdateTipText(const std::string& text, CWnd* wnd, UINT_PTR id = 0);
  void Activate(BOOL activate) { SendMessage(TTM_ACTIVATE, activate); }
  void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
  int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
  void SetDelayTime(UINT ms) { SendMessage(TTM_SETDELAYTIME, TTDT_AUTOMATIC, static_cast<LPARAM>(ms)); }
  void SetDelayTime(DWORD which, int ms) { SendMessage(TTM_SETDELAYTIME, which, ms); }
  int GetDelayTime(DWORD which) const { return static_cast<int>(SendMessage(TTM_GETDELAYTIME, which)); }
  void Pop() { SendMessage(TTM_POP); }
  void GetText(std::string& out, CWnd* wnd, UINT_PTR id = 0) const;

 private:
  TOOLINFO Info(CWnd* wnd, UINT_PTR id) const;
};

class CListCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    InitCommonControls();
    return CWnd::Create(WC_LISTVIEW, "", style, rect, parent, id);
  }
  int InsertColumn(int col, const std::string& heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
  BOOL DeleteColumn(int col) { return static_cast<BOOL>(SendMessage(LVM_DELETECOLUMN, static_cast<WPARAM>(col))); }
  int GetColumnWidth(int col) const {
    return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col)));
  }
  BOOL SetColumnWidth(int col, int cx) {
    return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col), cx));
  }
  int InsertItem(const LVITEM* item) {
    return static_cast<int>(SendMessage(LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(item)));
  }
  int InsertItem(int index, const std::string& text, int image = -1);
  BOOL SetItem(const LVITEM* item) {
    return static_cast<BOOL>(SendMessage(LVM_SETITEM, 0, reinterpret_cast<LPARAM>(item)));
  }
  BOOL GetItem(LVITEM* item) const {
    return static_cast<BOOL>(SendMessage(LVM_GETITEM, 0, reinterpret_cast<LPARAM>(item)));
  }
  BOOL SetItemText(int item, int subItem, const std::string& text);
  std::string GetItemText(int item, int subItem) const;
  BOOL SetItemData(int item, DWORD_PTR data);
  DWORD_PTR GetItemData(int item) const;
  BOOL SetItemState(int item, UINT state, UINT mask);
  UINT GetItemState(int item, UINT mask) const {
    return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask));
  }
  int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
  UINT GetSelectedCount() const { return static_cast<UINT>(SendMessage(LVM_GETSELECTEDCOUNT)); }
  int GetNextItem(int item, int flags) const {
    return static_cast<int>(
        SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(item), MAKELPARAM(static_cast<WORD>(flags), 0)));
  }
  BOOL DeleteItem(int item) { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(item))); }
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
  BOOL SortItems(PFNLVCOMPARE compare, DWORD_PTR sortParam) {
    return static_cast<BOOL>(SendMessage(LVM_SORTITEMS, sortParam, reinterpret_cast<LPARAM>(compare)));
  }
  // The icon view's cell; the old one as MAKELONG(cx, cy).
  DWORD SetIconSpacing(int cx, int cy) {
    return static_cast<DWORD>(SendMessage(LVM_SETICONSPACING, 0, MAKELONG(cx, cy)));
  }
  CImageList* SetImageList(CImageList* list, int which);
  HIMAGELIST GetImageList(int which) const {
    return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, static_cast<WPARAM>(which)));
  }
  DWORD SetExtendedStyle(DWORD style) {
    return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style));
  }
  DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
  BOOL EnsureVisible(int item, BOOL partialOk) {
    return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), partialOk));
  }
  int HitTest(POINT pt, UINT* flags = nullptr) const;
  BOOL GetItemRect(int item, LPRECT rect, UINT code) const;
  CEdit* EditLabel(int item);
  CEdit* GetEditControl() const;
  int SetHotItem(int item) { return static_cast<int>(SendMessage(LVM_SETHOTITEM, static_cast<WPARAM>(item))); }
  int GetHotItem() const { return static_cast<int>(SendMessage(LVM_GETHOTITEM)); }
  int FindItem(LVFINDINFO* info, int start = -1) const {
    return static_cast<int>(SendMessage(LVM_FINDITEM, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(info)));
  }
  BOOL RedrawItems(int first, int last) {
    return static_cast<BOOL>(SendMessage(LVM_REDRAWITEMS, static_cast<WPARAM>(first), last));
  }
  BOOL Arrange(UINT code) { return static_cast<BOOL>(SendMessage(LVM_ARRANGE, code)); }
  BOOL SetBkColor(COLORREF c) { return static_cast<BOOL>(SendMessage(LVM_SETBKCOLOR, 0, c)); }
  BOOL SetTextColor(COLORREF c) { return static_cast<BOOL>(SendMessage(LVM_SETTEXTCOLOR, 0, c)); }
  int GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
  int GetCountPerPage() const { return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE)); }
  int SetSelectionMark(int item) { return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, item)); }
  int GetSelectionMark() const { return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK)); }
};

class CTreeCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    InitCommonControls();
    return CWnd::Create(WC_TREEVIEW, "", style, rect, parent, id);
  }
  HTREEITEM InsertItem(const TVINSERTSTRUCT* is) {
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(is)));
  }
  HTREEITEM InsertItem(const std::string& text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
  HTREEITEM InsertItem(const std::string& text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
                       HTREEITEM after = TVI_LAST);
  BOOL DeleteItem(HTREEITEM item) {
    return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)));
  }
  BOOL DeleteAllItems() { return DeleteItem(TVI_ROOT); }
  BOOL Expand(HTREEITEM item, UINT code) {
    return static_cast<BOOL>(SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
  }
  HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
  }
  HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
  HTREEITEM GetPrevSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUS); }
  HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  BOOL SelectItem(HTREEITEM item) {
    return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)));
  }
  std::string GetItemText(HTREEITEM item) const;
  BOOL SetItemText(HTREEITEM item, const std::string& text);
  DWORD_PTR GetItemData(HTREEITEM item) const;
  BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
  UINT GetItemState(HTREEITEM item, UINT mask) const;
  BOOL ItemHasChildren(HTREEITEM item) const;
  UINT GetCount() const { return static_cast<UINT>(SendMessage(TVM_GETCOUNT)); }
  BOOL EnsureVisible(HTREEITEM item) {
    return static_cast<BOOL>(SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)));
  }
  HTREEITEM HitTest(POINT pt, UINT* flags = nullptr) const;
  BOOL GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const;
  CImageList* SetImageList(CImageList* list, int which);
};
