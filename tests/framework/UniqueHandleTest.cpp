#include "ComPtr.h"
#include "UniqueHandle.h"

#include <gtest/gtest.h>

namespace {

int closes = 0;
struct CountingTraits {
    using Type = int;
    static int Invalid() noexcept { return -1; }
    static void Close(int) noexcept { ++closes; }
};
using Counted = fw::UniqueHandle<CountingTraits>;

TEST(UniqueHandle, ClosesOnceThroughMovesResetAndPut)
{
    closes = 0;
    {
        Counted a(5);
        Counted b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.get(), 5);
        Counted c;
        c = std::move(b);
        EXPECT_EQ(closes, 0);
        *c.put() = 7; // put closes the old value before handing out the address
        EXPECT_EQ(closes, 1);
        int raw = c.release();
        EXPECT_EQ(raw, 7);
    }
    EXPECT_EQ(closes, 1); // a released value is not closed

    {
        Counted d(3);
        d = Counted(4);
        EXPECT_EQ(closes, 2);
    }
    EXPECT_EQ(closes, 3);
}

struct FakeUnknown : IUnknown {
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = this;
        ++refs;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(ComPtr, CountsReferencesAcrossCopyMoveAndPut)
{
    FakeUnknown obj;
    {
        fw::ComPtr<IUnknown> a(&obj);
        EXPECT_EQ(obj.refs, 2u);
        fw::ComPtr<IUnknown> b = a;
        EXPECT_EQ(obj.refs, 3u);
        fw::ComPtr<IUnknown> c = std::move(b);
        EXPECT_EQ(obj.refs, 3u);
        EXPECT_FALSE(b);
        c.put(); // releases before handing out the address
        EXPECT_EQ(obj.refs, 2u);
        fw::ComPtr<IUnknown> d;
        EXPECT_EQ(a.As(d, IID_IUnknown), S_OK);
        EXPECT_EQ(obj.refs, 3u);
    }
    EXPECT_EQ(obj.refs, 1u);
}

} // namespace
