#include <gtest/gtest.h>

#include "platform/com/class_table.h"
#include "platform/com/com_ptr.h"
#include "platform/com/guid.h"
#include "platform/com/inproc_server.h"
#include "platform/com/object.h"
#include "platform/com/oleauto.h"
#include "platform/com/task_mem.h"
#include "platform/registry/registry.h"

namespace {

DEFINE_GUID(IID_IAnimal, 0x11111111, 0x2222, 0x3333, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB);
DEFINE_GUID(IID_IDog, 0x11111111, 0x2222, 0x3333, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBC);
DEFINE_GUID(IID_IOwner, 0x11111111, 0x2222, 0x3333, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBD);
DEFINE_GUID(CLSID_Dog, 0xA1B2C3D4, 0xE5F6, 0x0718, 0x29, 0x3A, 0x4B, 0x5C, 0x6D, 0x7E, 0x8F, 0x90);
DEFINE_GUID(CLSID_Other, 0x1, 0x2, 0x3, 0, 0, 0, 0, 0, 0, 0, 4);

struct IAnimal : IUnknown {
  STDMETHOD(Name)(std::string* name) PURE;
};
struct IDog : IAnimal {
  STDMETHOD(Bark)() PURE;
};
struct IOwner : IUnknown {
  STDMETHOD_(int, Count)() PURE;
};
}  // namespace
VIDARRO_INTERFACE(IAnimal, IUnknown, IID_IAnimal);
VIDARRO_INTERFACE(IDog, IAnimal, IID_IDog);
VIDARRO_INTERFACE(IOwner, IUnknown, IID_IOwner);

namespace {
int liveDogs = 0;

class Dog : public platform::com::ComObject<IDog, IOwner> {
 public:
  explicit Dog(std::string name = "Rex") : name_(std::move(name)) { ++liveDogs; }
  ~Dog() override { --liveDogs; }
  STDMETHODIMP Name(std::string* name) override {
    *name = name_;
    return S_OK;
  }
  STDMETHODIMP Bark() override { return S_OK; }
  STDMETHODIMP_(int) Count() override { return 1; }

 private:
  std::string name_;
};

TEST(GuidTest, TextFormRoundTripsAndRejectsMalformedText) {
  EXPECT_EQ(GuidToString(CLSID_Dog), "{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}");
  GUID g;
  ASSERT_TRUE(GuidFromString("{a1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90}", &g));
  EXPECT_EQ(g, CLSID_Dog);
  ASSERT_TRUE(GuidFromString("A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90", &g));
  EXPECT_EQ(g, CLSID_Dog);
  for (const char* bad : {"", "{}", "{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F9}", "{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F9G}",
                          "{A1B2C3D4xE5F6-0718-293A-4B5C6D7E8F90}", "A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}"})
    EXPECT_FALSE(GuidFromString(bad, &g)) << bad;

  char small[38];
  EXPECT_EQ(StringFromGUID2(CLSID_Dog, small, sizeof small), 0);
  char exact[39];
  EXPECT_EQ(StringFromGUID2(CLSID_Dog, exact, sizeof exact), 39);
  EXPECT_STREQ(exact, "{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}");
  EXPECT_TRUE(IID_IAnimal < IID_IDog);
  EXPECT_FALSE(IID_IDog < IID_IAnimal);
  EXPECT_NE(IID_IAnimal, IID_IDog);
}

TEST(ComObjectTest, QueryInterfaceWalksInterfaceChainsAndCountsReferences) {
  {
    auto dog = platform::com::MakeComObject<Dog>();
    EXPECT_EQ(dog->RefCount(), 1u);
    CComPtr<IAnimal> animal;
    ASSERT_EQ(dog->QueryInterface(IID_IAnimal, reinterpret_cast<void**>(&animal)), S_OK);
    CComPtr<IDog> asDog;
    ASSERT_EQ(animal.QueryInterface(&asDog), S_OK);
    EXPECT_EQ(static_cast<IAnimal*>(asDog.get()), animal.get());
    CComPtr<IOwner> owner;
    ASSERT_EQ(animal.QueryInterface(&owner), S_OK);
    EXPECT_EQ(owner->Count(), 1);
    EXPECT_TRUE(animal.IsEqualObject(owner));
    EXPECT_EQ(dog->RefCount(), 4u);

    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(dog->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(dog->QueryInterface(IID_IDog, nullptr), E_POINTER);
  }
  EXPECT_EQ(liveDogs, 0);
}

TEST(ComPtrTest, CopyMoveAttachDetachAndOutParameterReuse) {
  {
    CComPtr<IDog> a;
    a.Attach(new Dog("A"));
    CComPtr<IDog> b = a;
    CComPtr<IDog> c = std::move(b);
    EXPECT_FALSE(b);
    EXPECT_EQ(a.get(), c.get());
    IDog* raw = c.Detach();
    EXPECT_EQ(raw->Release(), 1u);

    // Reusing a pointer as an out parameter must not leak the object it held.
    CComPtr<IAnimal> animal;
    a.QueryInterface(&animal);
    a.QueryInterface(&animal);
    IDog* copy = nullptr;
    ASSERT_EQ(a.CopyTo(&copy), S_OK);
    copy->Release();
    a = nullptr;
    EXPECT_EQ(liveDogs, 1);
  }
  EXPECT_EQ(liveDogs, 0);
}

TEST(ClassTableTest, CreatesByClassIdAndProgIdAndFailsCleanly) {
  IDog* dog = reinterpret_cast<IDog*>(0x1);
  EXPECT_EQ(CoCreateInstance(CLSID_Dog, nullptr, CLSCTX_INPROC_SERVER, IID_IDog, reinterpret_cast<void**>(&dog)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(dog, nullptr);
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID("Zoo.Dog.1", &clsid), CO_E_CLASSSTRING);
  {
    platform::com::ClassRegistration reg(CLSID_Dog, platform::com::CreatorOf<Dog>(), "Zoo.Dog.1");
    ASSERT_EQ(CLSIDFromProgID("zoo.DOG.1", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Dog);
    ASSERT_EQ(CLSIDFromString("Zoo.Dog.1", &clsid), S_OK);
    CComPtr<IDog> made;
    ASSERT_EQ(made.CoCreateInstance(clsid), S_OK);
    std::string name;
    made->Name(&name);
    EXPECT_EQ(name, "Rex");

    dog = reinterpret_cast<IDog*>(0x1);
    CComPtr<IUnknown> outer;
    outer.Attach(static_cast<IDog*>(new Dog()));
    EXPECT_EQ(CoCreateInstance(CLSID_Dog, outer, CLSCTX_ALL, IID_IDog, reinterpret_cast<void**>(&dog)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(dog, nullptr);
    IClassFactory* notThere = reinterpret_cast<IClassFactory*>(0x1);
    EXPECT_EQ(CoCreateInstance(CLSID_Dog, nullptr, CLSCTX_ALL, IID_IClassFactory, reinterpret_cast<void**>(&notThere)),
              E_NOINTERFACE);
    EXPECT_EQ(notThere, nullptr);

    // A spy registered later shadows the class until it is revoked.
    {
      platform::com::ClassRegistration spy(CLSID_Dog, [](REFIID riid, void** ppv) {
        CComPtr<Dog> d;
        d.Attach(new Dog("Spy"));
        return d->QueryInterface(riid, ppv);
      });
      CComPtr<IDog> spied;
      ASSERT_EQ(spied.CoCreateInstance(CLSID_Dog), S_OK);
      spied->Name(&name);
      EXPECT_EQ(name, "Spy");
    }
    CComPtr<IDog> again;
    ASSERT_EQ(again.CoCreateInstance(CLSID_Dog), S_OK);
    again->Name(&name);
    EXPECT_EQ(name, "Rex");

    CComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_Dog, CLSCTX_ALL, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    CComPtr<IAnimal> viaFactory;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IAnimal, reinterpret_cast<void**>(&viaFactory)), S_OK);
  }
  EXPECT_EQ(CLSIDFromProgID("Zoo.Dog.1", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(liveDogs, 0);
}

TEST(ClassTableTest, RegisteredFactoryObjectIsHeldUntilRevoked) {
  CComPtr<IClassFactory> factory;
  {
    platform::com::ClassRegistration reg(CLSID_Dog, platform::com::CreatorOf<Dog>());
    ASSERT_EQ(CoGetClassObject(CLSID_Dog, CLSCTX_ALL, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
  }
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_Other, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  CComPtr<IDog> dog;
  EXPECT_EQ(dog.CoCreateInstance(CLSID_Other), S_OK);
  dog = nullptr;
  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
  EXPECT_EQ(dog.CoCreateInstance(CLSID_Other), REGDB_E_CLASSNOTREG);
}

TEST(OleAutoTest, BstrAndVariantOwnTheirText) {
  BSTR s = SysAllocString("Capture Box");
  EXPECT_EQ(SysStringLen(s), 11u);
  BSTR withNul = SysAllocStringLen("a\0b", 3);
  EXPECT_EQ(platform::com::FromBstr(withNul), std::string("a\0b", 3));
  SysFreeString(withNul);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(platform::com::FromBstr(nullptr), "");

  platform::com::ScopedVariant a, b;
  a.get()->vt = VT_BSTR;
  a.get()->bstrVal = s;
  ASSERT_EQ(VariantCopy(b.get(), a.get()), S_OK);
  EXPECT_NE(b->bstrVal, s);
  EXPECT_EQ(platform::com::FromBstr(b->bstrVal), "Capture Box");
  VariantClear(a.get());
  EXPECT_EQ(a->vt, VT_EMPTY);

  void* block = CoTaskMemAlloc(0);
  EXPECT_NE(block, nullptr);
  CoTaskMemFree(block);
  CoTaskMemFree(nullptr);
}

}  // namespace

namespace {

DEFINE_GUID(CLSID_Installed, 0x7C0FFEE0, 0x1234, 0x4321, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07);

// Sets the default value of an HKCR key to raw data of a type.
void SetClassesValue(const std::string& subKey, DWORD type, const std::string& data) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueEx(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
}

HRESULT CreateInstalled(IUnknown** made) {
  *made = reinterpret_cast<IUnknown*>(0x1);
  return CoCreateInstance(CLSID_Installed, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(made));
}

}  // namespace

TEST(RegisteredClassesTest, AnInstalledProgIdFindsItsClassAndBrokenEntriesFailCleanly) {
  using platform::com::RegisterInprocServer;
  const std::string classKey = "CLSID\\" + GuidToString(CLSID_Installed);
  ASSERT_EQ(RegisterInprocServer(CLSID_Installed, "Zoo.Installed.1", "ZooMissing.dll"), S_OK);
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID("Zoo.Installed.1", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_Installed);
  IUnknown* made = nullptr;
  EXPECT_EQ(CreateInstalled(&made), CO_E_DLLNOTFOUND);
  EXPECT_EQ(made, nullptr);

  // A library that is no server: loaded, but it has nothing to make objects with.
  ASSERT_EQ(RegisterInprocServer(CLSID_Installed, "Zoo.Installed.1", "libm.so.6"), S_OK);
  EXPECT_EQ(CreateInstalled(&made), CO_E_ERRORINDLL);
  EXPECT_EQ(made, nullptr);
  IClassFactory* factory = reinterpret_cast<IClassFactory*>(0x1);
  EXPECT_EQ(
      CoGetClassObject(CLSID_Installed, CLSCTX_ALL, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
      CO_E_ERRORINDLL);
  EXPECT_EQ(factory, nullptr);

  // Values of the wrong type, over-long or malformed read as no entry.
  SetClassesValue(classKey + "\\InprocServer32", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(CreateInstalled(&made), REGDB_E_CLASSNOTREG);
  SetClassesValue(classKey + "\\InprocServer32", REG_SZ, std::string(6000, 'x'));
  EXPECT_EQ(CreateInstalled(&made), REGDB_E_CLASSNOTREG);
  SetClassesValue("Zoo.Installed.1\\CLSID", REG_SZ, std::string("{not a class}", 14));
  EXPECT_EQ(CLSIDFromProgID("Zoo.Installed.1", &clsid), CO_E_CLASSSTRING);
  SetClassesValue("Zoo.Installed.1\\CLSID", REG_SZ, std::string(6000, '{'));
  EXPECT_EQ(CLSIDFromProgID("Zoo.Installed.1", &clsid), CO_E_CLASSSTRING);

  EXPECT_EQ(platform::com::UnregisterInprocServer(CLSID_Installed, "Zoo.Installed.1"), S_OK);
  EXPECT_EQ(CLSIDFromProgID("Zoo.Installed.1", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CreateInstalled(&made), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(RegisterInprocServer(CLSID_Installed, "", "Zoo.dll"), SELFREG_E_CLASS);
  EXPECT_EQ(RegisterInprocServer(CLSID_Installed, "Zoo.Installed.1", ""), SELFREG_E_CLASS);
  EXPECT_EQ(CLSIDFromProgID("", &clsid), CO_E_CLASSSTRING);
}
