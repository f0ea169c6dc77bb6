// Owners of the system's handles and COM pointers: one template, one alias
// per kind of handle. A handle is put into its owner the moment it exists,
// so that a throw between its making and its end cannot leak it.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <utility>

namespace kivu {

// Owns one handle of the kind Traits describes (Type, Invalid(), Close()).
template <class Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() = default;
    explicit Unique(Type handle) : handle_(handle) {}
    ~Unique() { reset(); }
    Unique(Unique&& other) noexcept : handle_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    Type get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    // For a function that hands the handle back through a pointer.
    Type* put() {
        reset();
        return &handle_;
    }
    void reset(Type handle = Traits::Invalid()) {
        if (*this) Traits::Close(handle_);
        handle_ = handle;
    }
    Type release() { return std::exchange(handle_, Traits::Invalid()); }
    // Closes now: false when the system reports that closing failed (the
    // end of a file's writing can fail there).
    bool close() {
        const bool ok = !*this || Traits::Close(handle_);
        handle_ = Traits::Invalid();
        return ok;
    }

private:
    Type handle_ = Traits::Invalid();
};

namespace owner {

struct KernelHandle {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};
// CreateFile says "none" with INVALID_HANDLE_VALUE instead of null.
struct FileHandle {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};
struct FindHandle {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return FindClose(h) != FALSE; }
};
struct RegKey {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};
template <class T>
struct GdiObject {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return DeleteObject(h) != FALSE; }
};
struct MemoryDC {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return DeleteDC(h) != FALSE; }
};
struct Icon {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return DestroyIcon(h) != FALSE; }
};
struct Menu {
    using Type = HMENU;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return DestroyMenu(h) != FALSE; }
};
// WinHTTP's sessions, connections and requests (HINTERNET) and BCrypt's
// algorithm providers, hashes and keys: all plain pointers. Their closing is
// in handles.cpp, so that this header needs neither library's header.
struct InternetHandle {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h);
};
struct CryptAlgorithm {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h);
};
struct CryptHash {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h);
};
struct CryptKey {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h);
};
// Memory the system allocated with LocalAlloc (FormatMessage's buffer).
template <class T>
struct LocalMemory {
    using Type = T*;
    static Type Invalid() { return nullptr; }
    static bool Close(Type p) { return LocalFree(p) == nullptr; }
};
// Memory a COM call allocated with CoTaskMemAlloc (item ids, strings).
template <class T>
struct CoMemory {
    using Type = T*;
    static Type Invalid() { return nullptr; }
    static bool Close(Type p) {
        CoTaskMemFree(p);
        return true;
    }
};

}  // namespace owner

using UniqueHandle = Unique<owner::KernelHandle>;  // events, processes, threads
using UniqueFile = Unique<owner::FileHandle>;
using UniqueFind = Unique<owner::FindHandle>;
using UniqueRegKey = Unique<owner::RegKey>;
template <class T>
using UniqueGdi = Unique<owner::GdiObject<T>>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniquePen = UniqueGdi<HPEN>;
using UniqueRegion = UniqueGdi<HRGN>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueDC = Unique<owner::MemoryDC>;  // CreateCompatibleDC
using UniqueIcon = Unique<owner::Icon>;
using UniqueMenu = Unique<owner::Menu>;
using UniqueInternet = Unique<owner::InternetHandle>;
using UniqueCryptAlgorithm = Unique<owner::CryptAlgorithm>;
using UniqueCryptHash = Unique<owner::CryptHash>;
using UniqueCryptKey = Unique<owner::CryptKey>;
template <class T>
using UniqueLocalMemory = Unique<owner::LocalMemory<T>>;
template <class T>
using UniqueCoMemory = Unique<owner::CoMemory<T>>;

// What CreateProcess hands back: both handles owned, and the process's id.
struct ProcessHandles {
    ProcessHandles() = default;
    explicit ProcessHandles(const PROCESS_INFORMATION& info)
        : process(info.hProcess), thread(info.hThread), id(info.dwProcessId) {}

    UniqueHandle process;
    UniqueHandle thread;
    DWORD id = 0;
};

// A window's DC from GetDC, given back with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint and EndPaint around a WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    ~PaintDC() { EndPaint(hwnd_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }
    const RECT& Area() const { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// An object selected into a DC for the scope; the former one comes back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~Selection() { SelectObject(dc_, old_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A global memory block locked for the scope.
class GlobalLocked {
public:
    explicit GlobalLocked(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
    ~GlobalLocked() {
        if (data_) GlobalUnlock(memory_);
    }
    GlobalLocked(const GlobalLocked&) = delete;
    GlobalLocked& operator=(const GlobalLocked&) = delete;
    void* get() const { return data_; }

private:
    HGLOBAL memory_;
    void* data_;
};

// Takes over a storage medium that IDataObject::GetData filled.
class StorageMedium {
public:
    explicit StorageMedium(const STGMEDIUM& medium) : medium_(medium) {}
    ~StorageMedium() { ReleaseStgMedium(&medium_); }
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;
    const STGMEDIUM& get() const { return medium_; }

private:
    STGMEDIUM medium_;
};

// Owns one reference of a COM object.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* p) : p_(p) {}  // takes over the caller's reference
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : p_(other.release()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** put() {
        reset();
        return &p_;
    }
    // For QueryInterface and its kin, which take void**.
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset(T* p = nullptr) {
        if (p_) p_->Release();
        p_ = p;
    }
    T* release() { return std::exchange(p_, nullptr); }

private:
    T* p_ = nullptr;
};

}  // namespace kivu
