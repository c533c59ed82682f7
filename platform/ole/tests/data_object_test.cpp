#include <gtest/gtest.h>

#include <cstring>

#include "platform/ole/afx_ole.h"
#include "platform/ole/drop_files.h"
#include "platform/ole/global_memory.h"
#include "platform/window/messages.h"

namespace {

HGLOBAL Text(const char* s) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, std::strlen(s) + 1);
  std::strcpy(static_cast<char*>(GlobalLock(h)), s);
  GlobalUnlock(h);
  return h;
}

std::string TextOf(HGLOBAL h) {
  std::string s(static_cast<const char*>(GlobalLock(h)));
  GlobalUnlock(h);
  return s;
}

TEST(DataObject, EveryReaderGetsItsOwnCopyAndErrorsNameWhatIsWrong) {
  const auto before = platform::ole::LiveGlobalBlocks();
  {
    CComPtr<IDataObject> data = platform::ole::CreateGlobalDataObject(CF_TEXT, Text("hello"));
    ASSERT_TRUE(data);
    FORMATETC f;
    f.cfFormat = CF_TEXT;
    EXPECT_EQ(data->QueryGetData(&f), S_OK);
    STGMEDIUM m1, m2;
    ASSERT_EQ(data->GetData(&f, &m1), S_OK);
    ASSERT_EQ(data->GetData(&f, &m2), S_OK);
    EXPECT_EQ(m1.tymed, TYMED_HGLOBAL);
    EXPECT_NE(m1.hGlobal, m2.hGlobal);
    ReleaseStgMedium(&m1);  // freeing one copy leaves the object's data intact
    EXPECT_EQ(m1.hGlobal, nullptr);
    EXPECT_EQ(TextOf(m2.hGlobal), "hello");
    ReleaseStgMedium(&m2);

    FORMATETC other = f;
    other.cfFormat = CF_HDROP;
    EXPECT_EQ(data->QueryGetData(&other), DV_E_FORMATETC);
    FORMATETC stream = f;
    stream.tymed = TYMED_ISTREAM;
    EXPECT_EQ(data->GetData(&stream, &m1), DV_E_TYMED);
    FORMATETC icon = f;
    icon.dwAspect = DVASPECT_ICON;
    EXPECT_EQ(data->QueryGetData(&icon), DV_E_DVASPECT);
    FORMATETC page = f;
    page.lindex = 3;
    EXPECT_EQ(data->QueryGetData(&page), DV_E_LINDEX);
    EXPECT_EQ(data->GetData(nullptr, &m1), E_POINTER);

    // Setting a format again replaces its data; a copy is kept when the caller keeps its block.
    HGLOBAL mine = Text("second");
    STGMEDIUM m;
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = mine;
    EXPECT_EQ(data->SetData(&f, &m, FALSE), S_OK);
    EXPECT_EQ(TextOf(mine), "second");
    GlobalFree(mine);
    ASSERT_EQ(data->GetData(&f, &m1), S_OK);
    EXPECT_EQ(TextOf(m1.hGlobal), "second");
    ReleaseStgMedium(&m1);
    m.hGlobal = reinterpret_cast<HGLOBAL>(0x7777);
    EXPECT_EQ(data->SetData(&f, &m, TRUE), E_INVALIDARG);

    IDataObject* raw = data.get();
    IEnumFORMATETC* e = nullptr;
    ASSERT_EQ(raw->EnumFormatEtc(DATADIR_GET, &e), S_OK);
    FORMATETC got[3];
    ULONG n = 0;
    EXPECT_EQ(e->Next(3, got, &n), S_FALSE);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(got[0].cfFormat, CF_TEXT);
    e->Release();
    EXPECT_EQ(raw->EnumFormatEtc(DATADIR_SET, &e), E_NOTIMPL);
    EXPECT_EQ(raw->DAdvise(&f, 0, nullptr, nullptr), OLE_E_ADVISENOTSUPPORTED);
  }
  EXPECT_EQ(platform::ole::LiveGlobalBlocks(), before) << "the object freed its data";
}

TEST(DataObject, ClassLibraryRoundTripOfAPrivateFileListFormat) {
  const UINT registered = RegisterClipboardFormat("NarvellFiles");
  ASSERT_GE(registered, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("narvellfiles"), registered);
  EXPECT_NE(RegisterClipboardFormat("NarvellControl"), registered);
  const auto own = static_cast<CLIPFORMAT>(registered);
  const auto before = platform::ole::LiveGlobalBlocks();
  {
    COleDataSource source;
    source.CacheGlobalData(own, platform::ole::BuildDropFiles({"/clips/a.mp4", "/clips/b.mp4"}));
    source.CacheGlobalData(CF_TEXT, nullptr);  // nothing to cache

    COleDataObject reader;
    reader.Attach(source.GetDataObject(TRUE));
    EXPECT_TRUE(reader.IsDataAvailable(own));
    EXPECT_FALSE(reader.IsDataAvailable(CF_HDROP));
    EXPECT_FALSE(reader.IsDataAvailable(CF_TEXT));
    HGLOBAL list = reader.GetGlobalData(own);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(DragQueryFile(reinterpret_cast<HDROP>(list), 0xFFFFFFFF, nullptr, 0), 2u);
    EXPECT_EQ(platform::ole::ReadDropFiles(list), (std::vector<std::string>{"/clips/a.mp4", "/clips/b.mp4"}));
    GlobalFree(list);
    EXPECT_EQ(reader.GetGlobalData(CF_HDROP), nullptr);

    reader.BeginEnumFormats();
    FORMATETC f;
    ASSERT_TRUE(reader.GetNextFormat(&f));
    EXPECT_EQ(f.cfFormat, own);
    EXPECT_FALSE(reader.GetNextFormat(&f));

    source.Empty();
    EXPECT_TRUE(reader.IsDataAvailable(own)) << "a reader keeps the object it was given";
    reader.Release();
    EXPECT_EQ(reader.GetIDataObject(FALSE), nullptr);
    EXPECT_FALSE(reader.IsDataAvailable(own));
  }
  EXPECT_EQ(platform::ole::LiveGlobalBlocks(), before);
}

}  // namespace
