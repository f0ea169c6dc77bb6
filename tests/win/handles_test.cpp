// The owners of handles and COM pointers: each closes what it holds exactly
// once, and never what it gave away.
#include <windows.h>
#include <bcrypt.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include "common/handles.h"

using kivu::ComPtr;
using kivu::UniqueFile;
using kivu::UniqueHandle;

namespace {

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

HANDLE NewEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

// Counts its references; gone when the count reaches zero.
class Counted final : public IUnknown {
public:
    explicit Counted(int& released) : released_(released) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        *out = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ++released_;
        const ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

private:
    ULONG refs_ = 1;
    int& released_;
};

}  // namespace

TEST(Owners, AHandleIsClosedOnceWhenItsOwnerGoesOrTakesAnother) {
    HANDLE first = NewEvent();
    HANDLE second = NewEvent();
    {
        UniqueHandle owner(first);
        EXPECT_TRUE(owner);
        EXPECT_EQ(owner.get(), first);
        owner.reset(second);
        EXPECT_FALSE(IsOpen(first));
        EXPECT_TRUE(IsOpen(second));
    }
    EXPECT_FALSE(IsOpen(second));

    UniqueHandle out(NewEvent());
    HANDLE before = out.get();
    HANDLE* slot = out.put();  // handed to a function that fills it
    EXPECT_FALSE(IsOpen(before));
    EXPECT_EQ(*slot, nullptr);
    *slot = NewEvent();
    EXPECT_TRUE(IsOpen(out.get()));
}

TEST(Owners, MovedOrReleasedHandlesAreNotClosedByTheirFormerOwner) {
    HANDLE raw = NewEvent();
    UniqueHandle target;
    {
        UniqueHandle source(raw);
        target = std::move(source);
        EXPECT_FALSE(source);
    }
    EXPECT_TRUE(IsOpen(raw));
    EXPECT_EQ(target.get(), raw);

    HANDLE kept = target.release();
    EXPECT_FALSE(target);
    target.reset();
    EXPECT_TRUE(IsOpen(kept));
    CloseHandle(kept);
}

TEST(Owners, AFileOwnerKnowsCreateFilesNoneAndReportsTheClose) {
    const UniqueFile missing(CreateFileA("C:\\no such folder\\x.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                         nullptr));
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.get(), INVALID_HANDLE_VALUE);

    char dir[MAX_PATH], path[MAX_PATH];
    ASSERT_TRUE(GetTempPathA(MAX_PATH, dir));
    ASSERT_TRUE(GetTempFileNameA(dir, "own", 0, path));
    UniqueFile file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    HANDLE raw = file.get();
    EXPECT_TRUE(file.close());
    EXPECT_FALSE(file);
    EXPECT_FALSE(IsOpen(raw));
    EXPECT_TRUE(file.close());  // nothing left to close is no failure
    DeleteFileA(path);
}

TEST(Owners, AComPointerReleasesItsOneReferenceOnce) {
    int released = 0;
    {
        ComPtr<IUnknown> a(new Counted(released));
        ComPtr<IUnknown> b;
        EXPECT_EQ(a->QueryInterface(IID_IUnknown, b.put_void()), S_OK);
        ComPtr<IUnknown> c(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(released, 0);
        b.reset();
        EXPECT_EQ(released, 1);
        *c.put() = nullptr;  // put gives the reference back first
        EXPECT_EQ(released, 2);
    }
    EXPECT_EQ(released, 2);
}

TEST(Owners, ASelectionPutsTheFormerObjectBack) {
    const kivu::UniqueDC dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const kivu::UniqueBitmap bitmap(CreateCompatibleBitmap(dc.get(), 4, 4));
    ASSERT_TRUE(bitmap);
    HGDIOBJ former = GetCurrentObject(dc.get(), OBJ_BITMAP);
    {
        const kivu::Selection selected(dc.get(), bitmap.get());
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), former);
}

TEST(Owners, WinHttpAndBCryptOwnersCloseWithTheirOwnFunctions) {
    HINTERNET raw = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, 0);
    ASSERT_NE(raw, nullptr);
    { const kivu::UniqueInternet session(raw); }
    // A WinHTTP handle lives in WinHTTP's table: a closed one is an unknown one.
    SetLastError(0);
    EXPECT_FALSE(WinHttpCloseHandle(raw));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    kivu::UniqueCryptAlgorithm algorithm;
    ASSERT_TRUE(BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)));
    kivu::UniqueCryptHash hash;
    ASSERT_TRUE(BCRYPT_SUCCESS(BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0)));
    // Each reports its own kind's end: a hash closed as a provider would fail.
    EXPECT_TRUE(hash.close());
    EXPECT_TRUE(algorithm.close());
}
