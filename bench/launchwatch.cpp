// launchwatch: how long a program takes from exec until its window is mapped
// on the X server.
//
//   launchwatch [--runs N] [--exact TITLE | --contains TEXT] [--suffix TEXT]
//               [--timeout-ms T] -- program [arguments...]
//
// Each run starts the program, waits for the MapNotify of a top-level
// window whose title is TITLE (or contains TEXT), ends the program with
// SIGTERM and waits for it. Prints one line per run:
//   run <i> map_ms <ms> cpu_ms <ms> windows <n>
// where cpu_ms is the CPU time (all threads) the program used until it was
// ended right after the map, which a busy machine disturbs less than the
// wall-clock time, and n counts the top-level windows at that moment whose title ends in
// --suffix (the program's other windows, e.g. " Norrava 1.0"), then the
// median. Works without a window manager: top-level windows are then the
// root's children, whose maps the root reports to SubstructureNotify.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    int runs = 10;
    std::string exact;
    std::string contains;
    std::string suffix;
    int timeoutMs = 10000;
    std::vector<char*> command;
};

struct Free {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, Free>;

class Display {
public:
    Display()
        : connection_(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(connection_)) {
            std::fprintf(stderr, "launchwatch: cannot connect to the X server\n");
            std::exit(1);
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        netWmName_ = atom("_NET_WM_NAME");
        utf8_ = atom("UTF8_STRING");
        xcb_flush(connection_);
    }
    ~Display() { xcb_disconnect(connection_); }

    xcb_connection_t* connection() const { return connection_; }
    int fd() const { return xcb_get_file_descriptor(connection_); }

    std::string title(xcb_window_t window) const
    {
        for (auto [property, type] : {std::pair{netWmName_, utf8_}, std::pair{xcb_atom_t(XCB_ATOM_WM_NAME),
                                                                               xcb_atom_t(XCB_ATOM_STRING)}}) {
            const auto cookie = xcb_get_property(connection_, 0, window, property, type, 0, 1024);
            Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, nullptr));
            if (reply && xcb_get_property_value_length(reply.get()) > 0)
                return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                   size_t(xcb_get_property_value_length(reply.get())));
        }
        return {};
    }

    void watchProperties(xcb_window_t window) const
    {
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }

    std::vector<xcb_window_t> topLevels() const
    {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr));
        if (!tree)
            return {};
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        return {children, children + xcb_query_tree_children_length(tree.get())};
    }

private:
    xcb_atom_t atom(const char* name) const
    {
        Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, uint16_t(std::strlen(name)), name),
                                  nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
    xcb_atom_t netWmName_ = XCB_ATOM_NONE;
    xcb_atom_t utf8_ = XCB_ATOM_NONE;
};

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool matches(const Options& options, const std::string& title)
{
    if (!options.exact.empty())
        return title == options.exact;
    return !options.contains.empty() && title.find(options.contains) != std::string::npos;
}

int countWindows(const Display& display, const Options& options)
{
    int count = 0;
    for (xcb_window_t window : display.topLevels()) {
        const std::string title = display.title(window);
        count += matches(options, title) || (!options.suffix.empty() && endsWith(title, options.suffix));
    }
    return count;
}

struct Result {
    double mapMs = 0;
    int windows = 0;
};

// Waits for the map of a matching window; a window mapped before its title
// is set counts from its map, once the title arrives.
std::optional<Result> watch(Display& display, const Options& options, Clock::time_point start, pid_t child)
{
    const auto deadline = start + std::chrono::milliseconds(options.timeoutMs);
    std::vector<std::pair<xcb_window_t, Clock::time_point>> mappedUntitled;
    for (;;) {
        while (xcb_generic_event_t* raw = xcb_poll_for_event(display.connection())) {
            std::unique_ptr<xcb_generic_event_t, Free> event(raw);
            const auto now = Clock::now();
            const uint8_t type = event->response_type & 0x7f;
            xcb_window_t window = 0;
            Clock::time_point mappedAt = now;
            if (type == XCB_MAP_NOTIFY) {
                window = reinterpret_cast<xcb_map_notify_event_t*>(raw)->window;
                if (!matches(options, display.title(window))) {
                    mappedUntitled.emplace_back(window, now);
                    display.watchProperties(window);
                    continue;
                }
            } else if (type == XCB_PROPERTY_NOTIFY) {
                window = reinterpret_cast<xcb_property_notify_event_t*>(raw)->window;
                auto it = std::find_if(mappedUntitled.begin(), mappedUntitled.end(),
                                       [window](const auto& entry) { return entry.first == window; });
                if (it == mappedUntitled.end() || !matches(options, display.title(window)))
                    continue;
                mappedAt = it->second;
            } else {
                continue;
            }
            Result result;
            result.mapMs = std::chrono::duration<double, std::milli>(mappedAt - start).count();
            result.windows = countWindows(display, options);
            return result;
        }
        if (xcb_connection_has_error(display.connection()))
            return std::nullopt;
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "launchwatch: the program ended before its window was mapped\n");
            return std::nullopt;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return std::nullopt;
        fd_set read;
        FD_ZERO(&read);
        FD_SET(display.fd(), &read);
        timeval wait{0, long(std::min<long long>(left, 20)) * 1000}; // also notice the child's end
        select(display.fd() + 1, &read, nullptr, nullptr, &wait);
    }
}

// Ends the program; returns the CPU time it used in all (user and system,
// all threads), in milliseconds.
double stop(pid_t child)
{
    kill(child, SIGTERM);
    rusage usage{};
    bool ended = false;
    for (int i = 0; i < 300 && !ended; ++i) {
        ended = wait4(child, nullptr, WNOHANG, &usage) == child;
        if (!ended)
            usleep(10000);
    }
    if (!ended) {
        kill(child, SIGKILL);
        wait4(child, nullptr, 0, &usage);
    }
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

Options parse(int argc, char** argv)
{
    Options options;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "launchwatch: %s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--runs")
            options.runs = std::max(1, std::atoi(value().c_str()));
        else if (arg == "--exact")
            options.exact = value();
        else if (arg == "--contains")
            options.contains = value();
        else if (arg == "--suffix")
            options.suffix = value();
        else if (arg == "--timeout-ms")
            options.timeoutMs = std::atoi(value().c_str());
        else if (arg == "--") {
            ++i;
            break;
        } else {
            std::fprintf(stderr, "launchwatch: unknown option %s\n", arg.c_str());
            std::exit(2);
        }
    }
    for (; i < argc; ++i)
        options.command.push_back(argv[i]);
    options.command.push_back(nullptr);
    if (options.command.size() < 2 || (options.exact.empty() && options.contains.empty())) {
        std::fprintf(stderr, "usage: launchwatch [--runs N] (--exact TITLE | --contains TEXT) [--suffix TEXT] "
                             "[--timeout-ms T] -- program [arguments...]\n");
        std::exit(2);
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    Display display;
    std::vector<double> times, cpu;
    for (int run = 1; run <= options.runs; ++run) {
        // Nothing left over from the previous run.
        while (xcb_generic_event_t* event = xcb_poll_for_event(display.connection()))
            std::free(event);
        const auto start = Clock::now();
        const pid_t child = fork();
        if (child < 0) {
            std::perror("launchwatch: fork");
            return 1;
        }
        if (child == 0) {
            close(display.fd());
            execvp(options.command[0], options.command.data());
            std::perror("launchwatch: exec");
            _exit(127);
        }
        const std::optional<Result> result = watch(display, options, start, child);
        const double cpuMs = stop(child);
        if (!result) {
            std::printf("run %d failed\n", run);
            std::fflush(stdout);
            continue;
        }
        times.push_back(result->mapMs);
        cpu.push_back(cpuMs);
        std::printf("run %d map_ms %.1f cpu_ms %.1f windows %d\n", run, result->mapMs, cpuMs, result->windows);
        std::fflush(stdout);
    }
    if (times.empty())
        return 1;
    std::printf("median_ms %.1f min_ms %.1f max_ms %.1f cpu_median_ms %.1f runs %zu\n", median(times),
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
                median(cpu), times.size());
    return times.size() == size_t(options.runs) ? 0 : 1;
}
