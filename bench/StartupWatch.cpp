// Measures, from outside, the time from starting a program to its first
// window appearing on the X server: the first time the program draws into a
// top-level window it has mapped. Nothing in the measured programs helps:
// the watcher spawns them, listens on the root window for new and mapped
// top-level windows, and asks the DAMAGE extension to report the first
// drawing into each. Programs are run in turns, so a slow patch of the
// machine hits all of them alike.
//
//   zelvora_startup_watch ROUNDS NAME=PROGRAM [NAME=PROGRAM ...]
//
// Prints JSON: for every name, the milliseconds to the window's mapping and
// to its first drawing, one entry per round.

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Program {
    std::string name;
    std::string path;
    std::vector<double> mapped;
    std::vector<double> drawn;
};

struct Connection {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    std::uint8_t damageEvent = 0;
    xcb_atom_t pidAtom = 0;
};

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "startup watch: %s\n", what);
    std::exit(2);
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        std::free);
    return reply ? reply->atom : 0;
}

Connection Connect() {
    Connection x;
    x.c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x.c)) {
        Die("cannot connect to the X server (run under xvfb-run)");
    }
    x.root = xcb_setup_roots_iterator(xcb_get_setup(x.c)).data->root;
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(x.c, &xcb_damage_id);
    if (damage == nullptr || !damage->present) {
        Die("the X server has no DAMAGE extension");
    }
    x.damageEvent = damage->first_event;
    std::free(xcb_damage_query_version_reply(
        x.c, xcb_damage_query_version(x.c, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
        nullptr));
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x.c, x.root, XCB_CW_EVENT_MASK, &mask);
    x.pidAtom = Atom(x.c, "_NET_WM_PID");
    xcb_flush(x.c);
    return x;
}

// The _NET_WM_PID of `window`, or 0 when it has none.
std::uint32_t WindowPid(const Connection& x, xcb_window_t window) {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(
            x.c, xcb_get_property(x.c, 0, window, x.pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr),
        std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) != 4) {
        return 0;
    }
    return *static_cast<std::uint32_t*>(xcb_get_property_value(reply.get()));
}

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// One start of `program`; false if no window appeared within the time limit.
bool MeasureOnce(Connection& x, Program& program) {
    char* argv[] = {program.path.data(), nullptr};
    pid_t pid = 0;
    const auto start = Clock::now();
    if (posix_spawn(&pid, program.path.c_str(), nullptr, nullptr, argv, environ) != 0) {
        Die("cannot start a program");
    }

    std::set<xcb_window_t> mapped;
    double mappedAt = -1;
    double drawnAt = -1;
    const auto deadline = start + std::chrono::seconds(20);
    while (drawnAt < 0 && Clock::now() < deadline) {
        std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(x.c),
                                                                         std::free);
        if (!event) {
            if (xcb_connection_has_error(x.c)) {
                Die("lost the X server");
            }
            pollfd wait{xcb_get_file_descriptor(x.c), POLLIN, 0};
            poll(&wait, 1, 10);
            continue;
        }
        const auto now = Clock::now();
        const std::uint8_t type = event->response_type & 0x7F;
        if (type == XCB_CREATE_NOTIFY) {
            // Watch every new top-level window before it can be drawn into.
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event.get());
            xcb_damage_create(x.c, xcb_generate_id(x.c), created->window,
                              XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            xcb_flush(x.c);
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
            const std::uint32_t owner = WindowPid(x, map->window);
            if (owner == 0 || owner == static_cast<std::uint32_t>(pid)) {
                mapped.insert(map->window);
                if (mappedAt < 0) {
                    mappedAt = Milliseconds(start, now);
                }
            }
        } else if (type == x.damageEvent + XCB_DAMAGE_NOTIFY) {
            const auto* damage = reinterpret_cast<xcb_damage_notify_event_t*>(event.get());
            if (mapped.count(damage->drawable) != 0) {
                drawnAt = Milliseconds(start, now);
            }
        }
    }

    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    // Let the server finish tearing the window down before the next start.
    std::free(xcb_get_input_focus_reply(x.c, xcb_get_input_focus(x.c), nullptr));
    while (auto* stale = xcb_poll_for_event(x.c)) {
        std::free(stale);
    }
    if (drawnAt < 0) {
        return false;
    }
    program.mapped.push_back(mappedAt);
    program.drawn.push_back(drawnAt);
    return true;
}

void PrintList(const std::vector<double>& values) {
    std::printf("[");
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::printf("%s%.3f", i == 0 ? "" : ", ", values[i]);
    }
    std::printf("]");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ROUNDS NAME=PROGRAM...\n", argv[0]);
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    std::vector<Program> programs;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto equals = argument.find('=');
        if (equals == std::string::npos) {
            Die("programs are given as NAME=PROGRAM");
        }
        programs.push_back({argument.substr(0, equals), argument.substr(equals + 1), {}, {}});
    }

    Connection x = Connect();
    // One unrecorded start of each first, so every program meets warm file
    // caches in the recorded rounds.
    for (Program& program : programs) {
        Program warmUp = program;
        if (!MeasureOnce(x, warmUp)) {
            Die("a program showed no window");
        }
    }
    // The order turns round every round, so no program always follows the
    // same one.
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < programs.size(); ++i) {
            Program& program = programs[round % 2 == 0 ? i : programs.size() - 1 - i];
            if (!MeasureOnce(x, program)) {
                Die("a program showed no window");
            }
        }
    }

    std::printf("{\n");
    for (std::size_t i = 0; i < programs.size(); ++i) {
        std::printf("  \"%s\": {\"mapped_ms\": ", programs[i].name.c_str());
        PrintList(programs[i].mapped);
        std::printf(", \"drawn_ms\": ");
        PrintList(programs[i].drawn);
        std::printf("}%s\n", i + 1 < programs.size() ? "," : "");
    }
    std::printf("}\n");
    xcb_disconnect(x.c);
    return 0;
}
