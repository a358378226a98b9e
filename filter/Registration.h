#pragma once
// What registering the module writes and removing it deletes: the COM class keys of the class table under
// HKEY_CLASSES_ROOT, the filters' entries among the DirectShow filters, and the camera's entry in the video input
// device category. Registry failures come back as HRESULT_FROM_WIN32 codes; a filter mapper that reports an entry
// as not found counts as success, so removing twice succeeds.
#include "filter/framework/ClassFactory.h"

#include <windows.h>
#include <dshow.h>

#include <string>

// Registering: for each class "CLSID\{id}" = name, InprocServer32 = the module's path with ThreadingModel "Both";
// then each filter entry (old one removed first) in the default filter category. Removing: the filter entries,
// then, when that succeeded, the class keys with all their sub-keys. Stops at the first failure.
HRESULT UpdateServerRegistration(HMODULE module, const CFactoryTemplate* templates, int count, bool registering);

// The filter as instance `name` of the video input device category, which is how hosts find the camera.
// Needs COM on the calling thread.
HRESULT RegisterVideoInputDevice(const CLSID& classId, const wchar_t* name, const REGFILTER2& setup);
HRESULT UnregisterVideoInputDevice(const CLSID& classId, const wchar_t* name);

// "CLSID\{XXXXXXXX-...}" for a class, as its key under HKEY_CLASSES_ROOT is named.
std::wstring ClassKeyName(const CLSID& classId);
