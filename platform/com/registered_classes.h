// Classes installed in the registry rather than registered by this process: a ProgID names its
// class under HKEY_CLASSES_ROOT\<ProgID>\CLSID, and the class its module under
// HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32, whose DllGetClassObject makes the factory.
#pragma once

#include <string>

#include "platform/com/unknown.h"

namespace platform::com {

// False when the ProgID has no readable, well-formed class identifier.
bool RegisteredProgId(const std::string& progId, CLSID* clsid);
// REGDB_E_CLASSNOTREG when the class has no module, CO_E_DLLNOTFOUND when the module cannot be
// loaded, CO_E_ERRORINDLL when it lacks DllGetClassObject; else what that answers. A module
// stays loaded for the rest of the process, as objects of it may live anywhere.
HRESULT RegisteredClassObject(REFCLSID clsid, REFIID riid, void** ppv);

}  // namespace platform::com
