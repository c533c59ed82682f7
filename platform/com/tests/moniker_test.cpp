#include <gtest/gtest.h>

#include "platform/com/com_ptr.h"
#include "platform/com/moniker.h"
#include "platform/com/object.h"
#include "platform/com/property_frame.h"
#include "platform/com/task_mem.h"

namespace {
class Thing : public platform::com::ComObject<IPersist> {
 public:
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = GUID_NULL;
    return S_OK;
  }
};
}  // namespace

TEST(RunningObjectTableTest, RegisteredObjectsAreFoundByNameUntilRevoked) {
  CComPtr<IRunningObjectTable> rot;
  ASSERT_EQ(GetRunningObjectTable(0, &rot), S_OK);
  CComPtr<IMoniker> name;
  ASSERT_EQ(CreateItemMoniker("!", "FilterGraph 1234", &name), S_OK);
  EXPECT_EQ(platform::com::DisplayNameOf(name), "!FilterGraph 1234");
  auto thing = platform::com::MakeComObject<Thing>();
  DWORD cookie = 0;
  ASSERT_EQ(rot->Register(0, thing.get(), name, &cookie), S_OK);
  EXPECT_EQ(thing->RefCount(), 2u);  // the table holds the object while it is registered
  EXPECT_EQ(rot->IsRunning(name), S_OK);
  CComPtr<IUnknown> found;
  ASSERT_EQ(rot->GetObject(name, &found), S_OK);
  EXPECT_TRUE(found.IsEqualObject(thing.get()));
  found = nullptr;
  EXPECT_EQ(rot->Revoke(cookie), S_OK);
  EXPECT_EQ(rot->Revoke(cookie), E_INVALIDARG);
  EXPECT_EQ(thing->RefCount(), 1u);
  EXPECT_EQ(rot->IsRunning(name), S_FALSE);
  EXPECT_TRUE(FAILED(rot->GetObject(name, &found)));
  EXPECT_EQ(rot->Register(0, nullptr, name, &cookie), E_INVALIDARG);
}

// The frame lives in a higher layer: the call hands it the live objects, and reports its
// answer; without a frame installed nothing pretends to have shown one.
TEST(PropertyFrameTest, TheInstalledFrameGetsTheObjectsAndAnswers) {
  static IUnknown* seen = nullptr;
  static ULONG seenPages = 0;
  auto thing = platform::com::MakeComObject<Thing>();
  IUnknown* objects[] = {thing.get()};
  const CLSID pages[] = {IID_IPersist, IID_IMoniker};
  platform::com::SetPropertyFrameShower(nullptr);
  EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, nullptr, 1, objects, 2, pages, 0, 0, nullptr), E_NOTIMPL);
  platform::com::SetPropertyFrameShower([](const platform::com::PropertyFrameRequest& r) -> HRESULT {
    seen = r.objects[0];
    seenPages = static_cast<ULONG>(r.pages.size());
    return r.caption == "Video Capture" ? S_OK : E_FAIL;
  });
  EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, "Video Capture", 1, objects, 2, pages, 0, 0, nullptr), S_OK);
  EXPECT_EQ(seen, thing.get());
  EXPECT_EQ(seenPages, 2u);
  EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, nullptr, 1, objects, 2, pages, 0, 0, nullptr), E_FAIL);
  EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, "x", 1, nullptr, 0, nullptr, 0, 0, nullptr), E_POINTER);
  EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, "x", 1, objects, 2, nullptr, 0, 0, nullptr), E_POINTER);
  platform::com::SetPropertyFrameShower(nullptr);
}
