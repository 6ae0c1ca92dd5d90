// One move-only owner for every kind of handle: each kind names its invalid
// value and how it is closed.
#pragma once

#include <windows.h>

#include <utility>

namespace varnel {

template <typename T, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T value) : value_(value) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::invalid(); }
    T release() { return std::exchange(value_, Traits::invalid()); }
    void reset(T value = Traits::invalid()) {
        if (value_ != Traits::invalid()) Traits::close(value_);
        value_ = value;
    }

private:
    T value_ = Traits::invalid();
};

struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};
struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct MenuHandleTraits {
    static HMENU invalid() { return nullptr; }
    static void close(HMENU h) { DestroyMenu(h); }
};
struct FontHandleTraits {
    static HFONT invalid() { return nullptr; }
    static void close(HFONT h) { DeleteObject(h); }
};
struct RegionHandleTraits {
    static HRGN invalid() { return nullptr; }
    static void close(HRGN h) { DeleteObject(h); }
};
struct WindowHandleTraits {
    static HWND invalid() { return nullptr; }
    static void close(HWND h) {
        if (IsWindow(h)) DestroyWindow(h);
    }
};

using UniqueFile = UniqueHandle<HANDLE, FileHandleTraits>;
using UniqueFind = UniqueHandle<HANDLE, FindHandleTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuHandleTraits>;
using UniqueFont = UniqueHandle<HFONT, FontHandleTraits>;
using UniqueRegion = UniqueHandle<HRGN, RegionHandleTraits>;
using UniqueWindow = UniqueHandle<HWND, WindowHandleTraits>;

// A window's device context, released to that window.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// Selects a GDI object into a DC and puts the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (previous_) SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace varnel
