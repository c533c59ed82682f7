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

TEST(PropertyFrameTest, RequestsAreRecorded) {
  platform::com::ClearPropertyFrameRequests();
  auto thing = platform::com::MakeComObject<Thing>();
  IUnknown* objects[] = {thing.get()};
  const CLSID pages[] = {IID_IPersist, IID_IMoniker};
  ASSERT_EQ(
      OleCreatePropertyFrame(reinterpret_cast<HWND>(0x10), 0, 0, "Video Capture", 1, objects, 2, pages, 0, 0, nullptr),
      S_OK);
  EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, "x", 1, nullptr, 0, nullptr, 0, 0, nullptr), E_POINTER);
  const auto requests = platform::com::PropertyFrameRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].caption, "Video Capture");
  EXPECT_EQ(requests[0].owner, reinterpret_cast<HWND>(0x10));
  ASSERT_EQ(requests[0].pages.size(), 2u);
  EXPECT_EQ(requests[0].pages[1], IID_IMoniker);
}
