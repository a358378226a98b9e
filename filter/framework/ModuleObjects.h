#pragma once
// Module-wide counters behind DllCanUnloadNow: the number of live framework objects and the server lock count.
#include <windows.h>

long ModuleObjectCount();
long ModuleLockCount();
// IClassFactory::LockServer: +1 when locking, -1 otherwise.
void ModuleLockServer(bool lock);
// S_FALSE while the server is locked or any framework object lives, else S_OK.
HRESULT ModuleCanUnloadNow();

// Every framework object derives from this; it is counted in ModuleObjectCount() from construction to destruction.
class CBaseObject {
public:
    CBaseObject();
    CBaseObject(const CBaseObject&);
    CBaseObject& operator=(const CBaseObject&) = default;
    virtual ~CBaseObject();
};
