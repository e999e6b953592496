#include "wayland/DataControlClear.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <poll.h>
#include <string>
#include <string_view>
#include <vector>

namespace zelvora {
namespace {

struct DisplayDisconnect {
    void operator()(wl_display* display) const { wl_display_disconnect(display); }
};
using Display = std::unique_ptr<wl_display, DisplayDisconnect>;

// What the registry announces that a clear needs. Proxies are freed on the
// client side only: the compositor drops its side when the connection closes.
struct Globals {
    std::vector<wl_seat*> seats;
    ext_data_control_manager_v1* ext = nullptr;
    zwlr_data_control_manager_v1* wlr = nullptr;
    std::uint32_t wlrVersion = 0;

    ~Globals() {
        for (wl_seat* seat : seats) {
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(seat));
        }
        if (ext) {
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(ext));
        }
        if (wlr) {
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(wlr));
        }
    }
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto& globals = *static_cast<Globals*>(data);
    const std::string_view announced(interface);
    if (announced == wl_seat_interface.name) {
        globals.seats.push_back(
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1)));
    } else if (announced == ext_data_control_manager_v1_interface.name && !globals.ext) {
        globals.ext = static_cast<ext_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &ext_data_control_manager_v1_interface, 1));
    } else if (announced == zwlr_data_control_manager_v1_interface.name && !globals.wlr) {
        // Version 2 added the primary selection.
        globals.wlrVersion = std::min<std::uint32_t>(version, 2);
        globals.wlr = static_cast<zwlr_data_control_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_data_control_manager_v1_interface, globals.wlrVersion));
    }
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener{OnGlobal, OnGlobalRemove};

void OnSyncDone(void* data, wl_callback*, std::uint32_t) {
    *static_cast<bool*>(data) = true;
}

const wl_callback_listener kSyncListener{OnSyncDone};

// wl_display_roundtrip with a deadline: a compositor that stops answering
// must not keep the program from ending. False on timeout or a broken
// connection.
bool RoundTrip(wl_display* display, std::chrono::steady_clock::time_point deadline) {
    bool done = false;
    wl_callback* sync = wl_display_sync(display);
    wl_callback_add_listener(sync, &kSyncListener, &done);
    bool ok = true;
    while (ok && !done) {
        while (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0) {
                wl_callback_destroy(sync);
                return false;
            }
        }
        if (wl_display_flush(display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display);
            ok = false;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{wl_display_get_fd(display), POLLIN, 0};
        const int polled = left.count() > 0 ? ::poll(&ready, 1, static_cast<int>(left.count())) : 0;
        if (polled <= 0) {
            wl_display_cancel_read(display);
            ok = polled < 0 && errno == EINTR;
            continue;
        }
        ok = wl_display_read_events(display) >= 0 && wl_display_dispatch_pending(display) >= 0;
    }
    wl_callback_destroy(sync);
    return ok && done;
}

// What failed goes back as its number; the texts of texts/ describe it.
Error Failure(std::int32_t number) {
    return Error{number};
}

}  // namespace

DataControlClear::DataControlClear(UnfocusedClearPort* fallback, std::chrono::milliseconds timeout)
    : fallback_(fallback), timeout_(timeout) {}

std::expected<void, Error> DataControlClear::Clear(Selections which) {
    bool primaryLeft = false;
    auto cleared = ClearThroughCompositor(which, primaryLeft);
    if (!fallback_) {
        return cleared;
    }
    if (!cleared) {
        return fallback_->Clear(which);
    }
    if (primaryLeft) {
        return fallback_->Clear({.clipboard = false, .primary = true});
    }
    return cleared;
}

std::expected<void, Error> DataControlClear::ClearThroughCompositor(Selections which,
                                                                    bool& primaryLeft) {
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    // The display that WAYLAND_DISPLAY names, as the program's windows use.
    Display display(wl_display_connect(nullptr));
    if (!display) {
        return std::unexpected(Failure(kNoDisplay));
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display.get());
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    const bool announced = RoundTrip(display.get(), deadline);
    wl_registry_destroy(registry);
    if (!announced) {
        return std::unexpected(Failure(kNoAnswer));
    }
    if ((!globals.ext && !globals.wlr) || globals.seats.empty()) {
        return std::unexpected(Failure(kNotOffered));
    }

    // A null source empties a selection. Each device is destroyed at once:
    // the offers the compositor announces on it are of no interest.
    for (wl_seat* seat : globals.seats) {
        if (globals.ext) {
            ext_data_control_device_v1* device =
                ext_data_control_manager_v1_get_data_device(globals.ext, seat);
            if (which.clipboard) {
                ext_data_control_device_v1_set_selection(device, nullptr);
            }
            if (which.primary) {
                ext_data_control_device_v1_set_primary_selection(device, nullptr);
            }
            ext_data_control_device_v1_destroy(device);
        } else {
            zwlr_data_control_device_v1* device =
                zwlr_data_control_manager_v1_get_data_device(globals.wlr, seat);
            if (which.clipboard) {
                zwlr_data_control_device_v1_set_selection(device, nullptr);
            }
            if (which.primary && globals.wlrVersion >= 2) {
                zwlr_data_control_device_v1_set_primary_selection(device, nullptr);
            }
            zwlr_data_control_device_v1_destroy(device);
        }
    }
    primaryLeft = which.primary && !globals.ext && globals.wlrVersion < 2;
    // Only an answer to a later request proves that the compositor has
    // handled the clear before the program goes on, or ends.
    if (!RoundTrip(display.get(), deadline)) {
        return std::unexpected(Failure(kNoAnswer));
    }
    return {};
}

}  // namespace zelvora
