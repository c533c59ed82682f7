// CDialog: dialogs from resource templates, modal (DoModal) or modeless (Create), with OK,
// Cancel, Enter, Esc and Tab handled the usual way, and a small data-exchange helper.
#pragma once

#include <optional>
#include <string>

#include "platform/window/afx_wnd.h"
#include "platform/window/dialog.h"
#include "platform/window/templates.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
  // The control of the id, remembered for a failure message; null when missing.
  HWND PrepareCtrl(int id);
  // Marks the exchange failed and puts focus on the last prepared control.
  void Fail();
  bool Failed() const { return m_failed; }

 private:
  HWND m_last = nullptr;
  bool m_failed = false;
};

void DDX_Text(CDataExchange* dx, int id, std::string& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, UINT& value);
void DDX_Check(CDataExchange* dx, int id, int& value);
// The index of the checked button in the group that starts at id; -1 when none is checked.
void DDX_Radio(CDataExchange* dx, int id, int& value);
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue);

class CDialog : public CWnd {
 public:
  CDialog() = default;
  explicit CDialog(UINT idTemplate, CWnd* parent = nullptr);
  explicit CDialog(LPCSTR templateName, CWnd* parent = nullptr);

  // IDOK, IDCANCEL or the EndDialog value; -1 when the template or a control class is missing.
  virtual INT_PTR DoModal();
  using CWnd::Create;
  BOOL Create(UINT idTemplate, CWnd* parent = nullptr);
  BOOL Create(LPCSTR templateName, CWnd* parent = nullptr);
  BOOL CreateIndirect(const platform::DialogTemplate& tmpl, CWnd* parent = nullptr);
  // A dialog built in code instead of loaded from a resource.
  void InitModalIndirect(const platform::DialogTemplate& tmpl, CWnd* parent = nullptr);
  void EndDialog(int result);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* dx);
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  void NextDlgCtrl() const;
  void PrevDlgCtrl() const;
  void GotoDlgCtrl(CWnd* control);
  void SetDefID(UINT id) { SendMessage(DM_SETDEFID, id); }
  DWORD GetDefID() const { return static_cast<DWORD>(SendMessage(DM_GETDEFID)); }

  BOOL PreTranslateMessage(MSG* msg) override;

  LPCSTR m_lpszTemplateName = nullptr;
  UINT m_nIDHelp = 0;
  CWnd* m_pParentWnd = nullptr;

 private:
  std::optional<platform::DialogTemplate> LoadTemplate() const;
  HWND OwnerWindow() const;

  std::string m_templateName;
  std::optional<platform::DialogTemplate> m_template;

  DECLARE_MESSAGE_MAP()
};
