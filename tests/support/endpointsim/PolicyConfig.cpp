#include "PolicyConfig.h"

#include "Endpoints.h"

namespace endpointsim {

HRESULT PolicyConfig::SetDefaultEndpoint(LPCWSTR id, ERole role) noexcept
{
    if (!id)
        return E_POINTER;
    SharedState* state = SharedState::ForClientCall();
    if (!state)
        return E_FAIL;
    SharedState::Access access(*state);
    access.Count(Counter::SetDefaultEndpoint);
    return SetDefault(access, FindEndpoint(access.Data(), id), role);
}

} // namespace endpointsim
