#include "filter/framework/ModuleObjects.h"

namespace {
volatile LONG g_objectCount = 0;
volatile LONG g_lockCount = 0;
}  // namespace

long ModuleObjectCount()
{
    return InterlockedCompareExchange(&g_objectCount, 0, 0);
}

long ModuleLockCount()
{
    return InterlockedCompareExchange(&g_lockCount, 0, 0);
}

void ModuleLockServer(bool lock)
{
    if (lock)
        InterlockedIncrement(&g_lockCount);
    else
        InterlockedDecrement(&g_lockCount);
}

HRESULT ModuleCanUnloadNow()
{
    return ModuleLockCount() > 0 || ModuleObjectCount() > 0 ? S_FALSE : S_OK;
}

CBaseObject::CBaseObject()
{
    InterlockedIncrement(&g_objectCount);
}

CBaseObject::CBaseObject(const CBaseObject&)
{
    InterlockedIncrement(&g_objectCount);
}

CBaseObject::~CBaseObject()
{
    InterlockedDecrement(&g_objectCount);
}
