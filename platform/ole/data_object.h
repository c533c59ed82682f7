// Data objects: the formats a drag offers (FORMATETC), how one is handed over (STGMEDIUM) and
// IDataObject / IEnumFORMATETC with the platform's IIDs, values and error codes.
#pragma once

#include <vector>

#include "platform/base/win_types.h"
#include "platform/com/com_ptr.h"
#include "platform/com/unknown.h"

using CLIPFORMAT = WORD;

constexpr CLIPFORMAT CF_TEXT = 1;
constexpr CLIPFORMAT CF_BITMAP = 2;
constexpr CLIPFORMAT CF_UNICODETEXT = 13;
constexpr CLIPFORMAT CF_HDROP = 15;

constexpr DWORD TYMED_NULL = 0;
constexpr DWORD TYMED_HGLOBAL = 1;
constexpr DWORD TYMED_FILE = 2;
constexpr DWORD TYMED_ISTREAM = 4;
constexpr DWORD TYMED_ISTORAGE = 8;
constexpr DWORD TYMED_GDI = 16;
constexpr DWORD TYMED_MFPICT = 32;
constexpr DWORD TYMED_ENHMF = 64;

constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD DVASPECT_THUMBNAIL = 2;
constexpr DWORD DVASPECT_ICON = 4;
constexpr DWORD DVASPECT_DOCPRINT = 8;

constexpr DWORD DATADIR_GET = 1;
constexpr DWORD DATADIR_SET = 2;

constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064);
constexpr HRESULT DV_E_LINDEX = static_cast<HRESULT>(0x80040068);
constexpr HRESULT DV_E_TYMED = static_cast<HRESULT>(0x80040069);
constexpr HRESULT DV_E_DVASPECT = static_cast<HRESULT>(0x8004006B);
constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = static_cast<HRESULT>(0x80040003);
constexpr HRESULT DATA_S_SAMEFORMATETC = static_cast<HRESULT>(0x00040130);

struct DVTARGETDEVICE;  // printer-specific renderings are not offered: ptd stays null
struct IStream;
struct IStorage;
struct IAdviseSink;
struct IEnumSTATDATA;

struct FORMATETC {
  CLIPFORMAT cfFormat = 0;
  DVTARGETDEVICE* ptd = nullptr;
  DWORD dwAspect = DVASPECT_CONTENT;
  LONG lindex = -1;
  DWORD tymed = TYMED_HGLOBAL;
};
using LPFORMATETC = FORMATETC*;

struct STGMEDIUM {
  DWORD tymed = TYMED_NULL;
  union {
    HBITMAP hBitmap;
    HGLOBAL hGlobal;
    IStream* pstm;
    IStorage* pstg;
  };
  IUnknown* pUnkForRelease = nullptr;
  STGMEDIUM() : hGlobal(nullptr) {}
};
using LPSTGMEDIUM = STGMEDIUM*;

// Frees what the medium holds (through pUnkForRelease when set) and empties it.
void ReleaseStgMedium(STGMEDIUM* medium);

DEFINE_GUID(IID_IEnumFORMATETC, 0x00000103, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IDataObject, 0x0000010E, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct IEnumFORMATETC : public IUnknown {
  STDMETHOD(Next)(ULONG count, FORMATETC* out, ULONG* fetched) PURE;
  STDMETHOD(Skip)(ULONG count) PURE;
  STDMETHOD(Reset)() PURE;
  STDMETHOD(Clone)(IEnumFORMATETC** out) PURE;
};
VIDARRO_INTERFACE(IEnumFORMATETC, IUnknown, IID_IEnumFORMATETC);

struct IDataObject : public IUnknown {
  STDMETHOD(GetData)(FORMATETC* format, STGMEDIUM* medium) PURE;
  STDMETHOD(GetDataHere)(FORMATETC* format, STGMEDIUM* medium) PURE;
  STDMETHOD(QueryGetData)(FORMATETC* format) PURE;
  STDMETHOD(GetCanonicalFormatEtc)(FORMATETC* in, FORMATETC* out) PURE;
  STDMETHOD(SetData)(FORMATETC* format, STGMEDIUM* medium, BOOL release) PURE;
  STDMETHOD(EnumFormatEtc)(DWORD direction, IEnumFORMATETC** out) PURE;
  STDMETHOD(DAdvise)(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) PURE;
  STDMETHOD(DUnadvise)(DWORD connection) PURE;
  STDMETHOD(EnumDAdvise)(IEnumSTATDATA** out) PURE;
};
using LPDATAOBJECT = IDataObject*;
VIDARRO_INTERFACE(IDataObject, IUnknown, IID_IDataObject);

namespace platform::ole {

// A data object holding global-memory renderings. It owns each block it is given and hands
// every GetData caller a copy of its own, so a receiver that frees its medium never frees ours.
// SetData with release TRUE takes the block; with FALSE it keeps a copy.
CComPtr<IDataObject> CreateDataObject();

// An enumerator over a fixed list of formats.
CComPtr<IEnumFORMATETC> CreateFormatEnumerator(std::vector<FORMATETC> formats);

// Offers one block under one format (taking ownership); null when block is null.
CComPtr<IDataObject> CreateGlobalDataObject(CLIPFORMAT format, HGLOBAL block);

}  // namespace platform::ole
