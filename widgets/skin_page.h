// The page framework of the main window: CSkinPageHost shows one CSkinPage at a time over a
// placeholder control and moves between them on Back, Next and Finish, asking the pages at
// every step whether they may be left, closed or finished.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window/afx_dialog.h"
#include "widgets/file_drop_dialog.h"

constexpr UINT ID_WIZBACK = 12323;
constexpr UINT ID_WIZNEXT = 12324;
constexpr UINT ID_WIZFINISH = 12325;

// String ids of the page fonts: the face, the heights and the weights of the large, medium and
// small font.
constexpr UINT IDS_PAGE_FONT_FACE = 164;
constexpr UINT IDS_PAGE_FONT_HEIGHT_LARGE = 184;
constexpr UINT IDS_PAGE_FONT_WEIGHT_LARGE = 187;

class CSkinPageHost;

class CSkinPage : public CDialog {
 public:
  explicit CSkinPage(UINT idTemplate, CWnd* parent = nullptr);
  explicit CSkinPage(LPCSTR templateName, CWnd* parent = nullptr);
  ~CSkinPage() override;

  void CreateFonts();
  void SetBackgroundPattern(HINSTANCE module, UINT bitmapId);
  void SetItemFont(int id, int x, int y, int width, int height, CFont* font);
  int GetItemTextWidth(int id);

  virtual void SetPageSize(int width, int height) = 0;
  virtual void ResizePage(int width, int height) = 0;
  virtual BOOL OnPageCreate() { return TRUE; }
  virtual void OnPageDestroy() {}
  virtual BOOL OnKillActive() { return TRUE; }
  virtual void OnSetActive() {}
  virtual BOOL OnQueryCancel() { return TRUE; }
  // -1 stay, 0 the neighbour in the list, else the id of the page to show.
  virtual int GetBackPage() { return 0; }
  virtual int GetNextPage() { return 0; }
  virtual BOOL OnWizardFinish() { return TRUE; }

  BOOL OnInitDialog() override;
  void OnCancel() override {}
  void DoDataExchange(CDataExchange*) override {}

  CFont m_fontLarge, m_fontMedium, m_fontSmall;
  CBrush m_backgroundBrush;
  CSkinPageHost* m_pHost = nullptr;
  BOOL m_bCreated = FALSE;
  BOOL m_bActive = FALSE;
  UINT m_nPageId = 0;
};

class CSkinPageHost : public CFileDropDialog {
 public:
  explicit CSkinPageHost(UINT idTemplate, CWnd* parent = nullptr);
  explicit CSkinPageHost(LPCSTR templateName, CWnd* parent = nullptr);

  virtual void CloseWithoutPrompt() {}
  virtual BOOL AddClip(const std::string&, BOOL) { return TRUE; }
  virtual void EnableControls(BOOL) {}

  void SetPageAreaControl(UINT id) { m_nPageArea = id; }
  void AddPage(CSkinPage* page, UINT pageId);
  CSkinPage* FindPage(UINT pageId) const;
  CSkinPage* GetPageAt(int index) const;
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  CSkinPage* GetActivePage() const;
  int GetActivePageIndex() const { return GetPageIndex(GetActivePage()); }
  int GetPageIndex(const CSkinPage* page) const;
  BOOL ActivatePage(CSkinPage* page);
  BOOL ShowPage(UINT pageId);
  BOOL ShowPageAt(int index);
  BOOL ShowFirstPage();
  BOOL ShowNextPage();
  BOOL DeactivateActivePage();
  BOOL ClosePage(CSkinPage* page);
  void SetTitle(UINT stringId);
  void SetFinishText(const std::string& text);
  void SetFinishText(UINT stringId);
  // Free bytes of the volume holding path; 0 when it cannot be asked.
  static std::uint64_t GetDiskFreeBytes(const std::string& path);

  BOOL OnInitDialog() override;
  void OnCancel() override;

 protected:
  void OnDestroy() override;
  void OnWizardBack();
  void OnWizardNext();
  void OnWizardFinish();
  void EnableItem(UINT id, BOOL enable);

 private:
  std::vector<CSkinPage*> m_pages;  // not owned
  UINT m_nPageArea = 0;

  DECLARE_MESSAGE_MAP()
};
