// The in-process server: one class factory per simulated class. Registration is left to the
// test environment (tools/winerun), which knows which prefix it may change.

#include "ComObject.h"
#include "Enumerator.h"
#include "Notifier.h"
#include "PolicyConfig.h"

#include <atomic>
#include <cwchar>

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

// LORVANE_ENDPOINTSIM_REFUSE_FIRST=1: the first enumerator a process asks for cannot be
// created, as on a system without Core Audio. The program's one probe at start-up meets
// that; Wine's own waveform mixer, which asks later and lists the endpoints through the
// enumerator, still works, so the program's mixer backend runs against a real mixer.
bool RefuseThisEnumerator() noexcept
{
    static std::atomic<bool> asked{false};
    wchar_t value[8] = {};
    if (::GetEnvironmentVariableW(L"LORVANE_ENDPOINTSIM_REFUSE_FIRST", value, 8) == 0 ||
        std::wcscmp(value, L"1") != 0)
        return false;
    return !asked.exchange(true);
}

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
    if (clsid == __uuidof(MMDeviceEnumerator) && RefuseThisEnumerator())
        return REGDB_E_CLASSNOTREG;
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
