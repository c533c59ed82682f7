#include "platform/ole/afx_ole.h"
#include "platform/ole/global_memory.h"
#include "platform/window/afx_wnd.h"

BOOL AfxOleInit() { return SUCCEEDED(OleInitialize(nullptr)) ? TRUE : FALSE; }

namespace {

FORMATETC Wanted(CLIPFORMAT cf, const FORMATETC* format) {
  FORMATETC f;
  if (format) f = *format;
  f.cfFormat = cf;
  return f;
}

}  // namespace

void COleDataObject::Attach(LPDATAOBJECT data, BOOL autoRelease) {
  Release();
  m_lpDataObject = data;
  m_bAutoRelease = autoRelease;
}

LPDATAOBJECT COleDataObject::Detach() {
  LPDATAOBJECT data = m_lpDataObject;
  m_lpDataObject = nullptr;
  m_bAutoRelease = FALSE;
  m_lpEnumerator = nullptr;
  return data;
}

void COleDataObject::Release() {
  m_lpEnumerator = nullptr;
  if (m_lpDataObject && m_bAutoRelease) m_lpDataObject->Release();
  m_lpDataObject = nullptr;
  m_bAutoRelease = FALSE;
}

LPDATAOBJECT COleDataObject::GetIDataObject(BOOL addRef) const {
  if (m_lpDataObject && addRef) m_lpDataObject->AddRef();
  return m_lpDataObject;
}

void COleDataObject::BeginEnumFormats() {
  m_lpEnumerator = nullptr;
  if (m_lpDataObject) m_lpDataObject->EnumFormatEtc(DATADIR_GET, &m_lpEnumerator);
}

BOOL COleDataObject::GetNextFormat(LPFORMATETC format) {
  if (!m_lpEnumerator || !format) return FALSE;
  ULONG fetched = 0;
  return m_lpEnumerator->Next(1, format, &fetched) == S_OK && fetched == 1 ? TRUE : FALSE;
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT cf, LPFORMATETC format) const {
  if (!m_lpDataObject) return FALSE;
  FORMATETC f = Wanted(cf, format);
  return m_lpDataObject->QueryGetData(&f) == S_OK ? TRUE : FALSE;
}

BOOL COleDataObject::GetData(CLIPFORMAT cf, LPSTGMEDIUM medium, LPFORMATETC format) const {
  if (!m_lpDataObject || !medium) return FALSE;
  FORMATETC f = Wanted(cf, format);
  return SUCCEEDED(m_lpDataObject->GetData(&f, medium)) ? TRUE : FALSE;
}

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT cf, LPFORMATETC format) const {
  FORMATETC f = Wanted(cf, format);
  f.tymed = TYMED_HGLOBAL;
  STGMEDIUM medium;
  if (!GetData(cf, &medium, &f)) return nullptr;
  if (medium.tymed != TYMED_HGLOBAL) {
    ReleaseStgMedium(&medium);
    return nullptr;
  }
  // A medium someone else frees is copied, so the caller always owns what it gets.
  if (!medium.pUnkForRelease) return medium.hGlobal;
  HGLOBAL copy = platform::ole::CopyGlobal(medium.hGlobal);
  ReleaseStgMedium(&medium);
  return copy;
}

COleDataSource::COleDataSource() : m_data(platform::ole::CreateDataObject()) {}

COleDataSource::~COleDataSource() = default;

void COleDataSource::CacheGlobalData(CLIPFORMAT cf, HGLOBAL block, LPFORMATETC format) {
  STGMEDIUM medium;
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = block;
  CacheData(cf, &medium, format);
}

void COleDataSource::CacheData(CLIPFORMAT cf, LPSTGMEDIUM medium, LPFORMATETC format) {
  if (!medium || !medium->hGlobal) return;
  FORMATETC f = Wanted(cf, format);
  f.tymed = TYMED_HGLOBAL;
  m_data->SetData(&f, medium, TRUE);
}

void COleDataSource::Empty() { m_data = platform::ole::CreateDataObject(); }

LPDATAOBJECT COleDataSource::GetDataObject(BOOL addRef) const {
  if (addRef) m_data->AddRef();
  return m_data.get();
}

DROPEFFECT COleDataSource::DoDragDrop(DWORD effects, LPCRECT startDrag, COleDropSource* source) {
  COleDropSource standard;
  if (!source) source = &standard;
  source->m_bDragStarted = FALSE;
  source->m_rectStartDrag = startDrag ? CRect(*startDrag) : CRect();
  if (!source->OnBeginDrag(CWnd::GetFocus())) return DROPEFFECT_NONE;
  CComPtr<IDataObject> data = m_data;  // the drag keeps what it offers alive, even past Empty()
  DWORD result = DROPEFFECT_NONE;
  const HRESULT hr = ::DoDragDrop(data, source, effects, &result);
  return hr == DRAGDROP_S_DROP ? result : DROPEFFECT_NONE;
}
