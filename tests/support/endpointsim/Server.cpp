// The in-process server: one class factory per simulated class. Registration is left to the
// test environment (tools/winerun), which knows which prefix it may change.

#include "ComObject.h"
#include "Enumerator.h"
#include "Notifier.h"
#include "PolicyConfig.h"

#include <atomic>

namespace endpointsim {

namespace {

std::atomic<long> moduleReferences{0};

constexpr CLSID PolicyConfigClass = {
    0x870af99c, 0x171d, 0x4f9e, {0xaf, 0x0d, 0xe6, 0x3d, 0xf4, 0x0c, 0x2b, 0xc9}};

template <typename Object> class ClassFactory final : public ComObject<IClassFactory> {
  public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** result) noexcept override
    {
        if (!result)
            return E_POINTER;
        *result = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (!SharedState::Current())
            return E_FAIL; // no state file: as if the class could not start
        return CreateObject<Object>(iid, result);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override
    {
        if (lock)
            ModuleAddRef();
        else
            ModuleRelease();
        return S_OK;
    }
};

} // namespace

void ModuleAddRef() noexcept
{
    ++moduleReferences;
}

void ModuleRelease() noexcept
{
    --moduleReferences;
}

} // namespace endpointsim

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** result)
{
    using namespace endpointsim;
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (clsid == __uuidof(MMDeviceEnumerator))
        return CreateObject<ClassFactory<Enumerator>>(iid, result);
    if (clsid == PolicyConfigClass)
        return CreateObject<ClassFactory<PolicyConfig>>(iid, result);
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    using namespace endpointsim;
    // Once the listener thread runs the module is pinned; say so rather than pretend.
    return moduleReferences == 0 && !Notifier::Instance().Listening() ? S_OK : S_FALSE;
}
