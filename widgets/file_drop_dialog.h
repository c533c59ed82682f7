// CFileDropDialog: a dialog base that takes dropped file lists (filtered by extension and
// modifier keys before a derived class decides), starts drags of file lists, and keeps the
// owner link (WM_OWNER_LINK) with the window that started its program with "/owner=".
#pragma once

#include <string>
#include <vector>

#include "platform/ole/afx_ole.h"
#include "platform/window/afx_dialog.h"
#include "widgets/owner_link.h"

class CFileDropDialog;

// The suite's own file-list format and the marker of a dragged control.
CLIPFORMAT NarvellFilesFormat();
CLIPFORMAT NarvellControlFormat();

class CFileDropTarget : public COleDropTarget {
 public:
  explicit CFileDropTarget(CFileDropDialog* dialog) : m_pDialog(dialog) {}
  DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override;
  DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override;
  BOOL OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT effect, CPoint point) override;
  DROPEFFECT OnDropEx(CWnd* wnd, COleDataObject* data, DROPEFFECT dropDefault, DROPEFFECT dropList,
                      CPoint point) override;
  void OnDragLeave(CWnd* wnd) override;
  DROPEFFECT OnDragScroll(CWnd* wnd, DWORD keyState, CPoint point) override;

 private:
  CFileDropDialog* m_pDialog;
  BOOL m_bEntered = FALSE;  // the window has heard of the drag in progress
};

class CFileDropSource : public COleDropSource {
 public:
  explicit CFileDropSource(CFileDropDialog* dialog) : m_pDialog(dialog) {}
  STDMETHODIMP QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;

 private:
  CFileDropDialog* m_pDialog;
};

class CFileDropDialog : public CDialog {
 public:
  explicit CFileDropDialog(UINT idTemplate, CWnd* parent = nullptr);
  explicit CFileDropDialog(LPCSTR templateName, CWnd* parent = nullptr);
  ~CFileDropDialog() override;

  void SetAcceptDrops(BOOL accept) { m_bAcceptDrops = accept; }
  // Each list is cut at spaces and commas; an empty list does not filter.
  void SetDropExtensions(const std::string& accepted, const std::string& refused);
  // From inside OnDropFiles: the drop reports failure.
  void RefuseDrop() { m_bDropRefused = TRUE; }
  static HGLOBAL BuildDropFileList(const std::vector<std::string>& paths);
  DROPEFFECT DragFileList(const std::vector<std::string>& paths, DWORD effects, BOOL ownFormat);
  BOOL DragFileListGuarded(const std::vector<std::string>& paths, DROPEFFECT* effect, BOOL ownFormat);

  HWND GetOwnerWindow() const { return m_hOwner; }
  const std::string& GetOwnFolder() const { return m_ownFolder; }
  const std::vector<std::string>& GetDragExtensions() const { return m_dragExtensions; }
  // The children registered with this process's windows.
  static std::vector<OwnerLinkRecord> RegisteredChildren();

  // Hooks for derived classes.
  virtual int ReservedHook(WPARAM, LPARAM, LPARAM) { return 0; }
  virtual DROPEFFECT OnDragOverFiles(COleDataObject* data, DWORD keyState, CPoint point);
  virtual DROPEFFECT GetDropEffectAt(CPoint) { return m_dropEffect; }
  // The list belongs to the caller, which frees it after the hook returns.
  virtual void OnDropFiles(HGLOBAL) {}
  virtual void OnOwnerCommand(LPARAM) {}
  virtual DROPEFFECT OnDragEnterFiles(COleDataObject* data, DWORD keyState, CPoint point);
  virtual DROPEFFECT OnDropExFiles(COleDataObject*, DROPEFFECT, DROPEFFECT, CPoint) {
    return static_cast<DROPEFFECT>(-1);
  }
  virtual BOOL OnDropData(COleDataObject* data, DROPEFFECT effect, CPoint point);
  virtual void OnDragLeaveFiles();
  virtual BOOL GetDropInfo(std::string& text, int* value);
  virtual DROPEFFECT OnDragOverControl(COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
  virtual BOOL OnDropControl(COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange*) override {}

 protected:
  void OnClose() override;
  void OnNcDestroy() override;
  LRESULT OnOwnerLink(WPARAM code, LPARAM argument);

 private:
  friend class CFileDropSource;
  // Extensions of a list: the text after the last "." of each name, upper-case, each once.
  void CollectExtensions(HGLOBAL list);
  bool PassesFilters() const;

  CFileDropTarget* m_pDropTarget = nullptr;
  std::string m_ownFolder;
  DROPEFFECT m_dropEffect = DROPEFFECT_MOVE;
  BOOL m_bAcceptDrops = FALSE;
  BOOL m_bOwnDrag = FALSE;
  BOOL m_bOwnDragCameBack = FALSE;
  BOOL m_bRightDrag = FALSE;
  HWND m_hOwner = nullptr;
  std::vector<std::string> m_accepted;
  std::vector<std::string> m_refused;
  BOOL m_bDropRefused = FALSE;
  BOOL m_bDragAccepted = FALSE;
  std::vector<std::string> m_dragExtensions;

  DECLARE_MESSAGE_MAP()
};
