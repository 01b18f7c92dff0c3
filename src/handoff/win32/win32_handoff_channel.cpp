#ifdef _WIN32
#include "handoff/win32/win32_handoff_channel.h"

#include <windows.h>

namespace kvx::handoff::win32 {

namespace {

/// Messages a program defines for itself; the system's own ones are not passed on.
bool programMessage(UINT message) { return message >= WM_USER && message <= 0x7FFF; }

/// What any program may send a window to close it, tear it down or rename it. The hidden
/// window lives, under its own title, until its program ends it.
bool refused(UINT message, WPARAM first) {
    switch (message) {
    case WM_CLOSE:
    case WM_DESTROY:
    case WM_NCDESTROY:
    case WM_SETTEXT:
        return true;
    case WM_SYSCOMMAND:
        return (first & 0xFFF0) == SC_CLOSE;
    default:
        return false;
    }
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM first, LPARAM second) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(second);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    // Null while the window is being created, and once its channel lets it go.
    const auto* self = reinterpret_cast<const Win32HandoffChannel*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && refused(message, first)) return 0;
    // The window's ordinary handling comes first; then a message of the family is passed on,
    // and the answer says whether the program took it.
    const LRESULT result = DefWindowProcA(hwnd, message, first, second);
    if (self && programMessage(message))
        return self->deliver({message, static_cast<std::int64_t>(first), static_cast<std::int64_t>(second)}) ? 1 : 0;
    return result;
}

}  // namespace

Win32HandoffChannel::~Win32HandoffChannel() {
    if (window_) {
        // Let go first: the destruction then runs its ordinary course.
        SetWindowLongPtrA(static_cast<HWND>(window_), GWLP_USERDATA, 0);
        DestroyWindow(static_cast<HWND>(window_));
        UnregisterClassA(className_.c_str(), GetModuleHandleA(nullptr));
    }
}

bool Win32HandoffChannel::openOwnWindow(const platform::WindowAddress& own, Receiver onMessage) {
    if (window_) return false;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = own.windowClass.c_str();
    if (!RegisterClassExA(&wc)) return false;
    className_ = own.windowClass;
    onMessage_ = std::move(onMessage);
    // A top-level window (not a message-only one): FindWindowA only looks at those. It is
    // never shown.
    const HWND hwnd = CreateWindowExA(0, own.windowClass.c_str(), own.title.c_str(), WS_OVERLAPPED, 0, 0, 0, 0,
                                      nullptr, nullptr, instance, this);
    if (!hwnd) {
        UnregisterClassA(className_.c_str(), instance);
        onMessage_ = nullptr;
        return false;
    }
    window_ = hwnd;
    return true;
}

bool Win32HandoffChannel::findWindow(const platform::WindowAddress& peer) {
    return FindWindowA(peer.windowClass.c_str(), peer.title.c_str()) != nullptr;
}

bool Win32HandoffChannel::postMessage(const platform::WindowAddress& peer, const platform::WindowMessage& message) {
    const HWND target = FindWindowA(peer.windowClass.c_str(), peer.title.c_str());
    if (!target) return false;
    return PostMessageA(target, message.number, static_cast<WPARAM>(message.first),
                        static_cast<LPARAM>(message.second)) != 0;
}

}  // namespace kvx::handoff::win32
#endif
