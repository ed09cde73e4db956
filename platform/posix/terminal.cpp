// terminal.cpp: POSIX implementation of the interface defined in terminal.h.
#include "platform/terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>

static bool keys_active;
static termios saved_mode;
static volatile sig_atomic_t close_signal;
// A signal handler writes a byte here, so that a wait for an answer wakes up at once: a signal
// that comes just before poll() would otherwise be seen only after the next line is typed.
static int wake_pipe[2] = {-1, -1};

// What standard input is does not change during a run: asked once (-1 until then).
static int stdin_is_terminal = -1;

bool terminal_is_interactive()
{
    if (stdin_is_terminal < 0)
        stdin_is_terminal = isatty(STDIN_FILENO) == 1 ? 1 : 0;
    return stdin_is_terminal == 1;
}

// Set when standard input, not a terminal, has ended: a pipe or a file gives nothing more, so later
// questions are not waited on. (At a terminal the end of input, Ctrl+D, ends one answer only.)
static bool input_ended;

bool terminal_shows_output() { return isatty(STDOUT_FILENO) == 1; }

static void restore_mode()
{
    if (keys_active)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved_mode);
}

void terminal_begin_keys()
{
    if (keys_active || !terminal_is_interactive() || tcgetattr(STDIN_FILENO, &saved_mode) != 0)
        return;
    keys_active = true;
    std::atexit(restore_mode);
    terminal_line_mode(false);
}

void terminal_line_mode(bool lines)
{
    if (!keys_active)
        return;
    termios mode = saved_mode;
    if (!lines) {
        mode.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
        mode.c_cc[VMIN] = 0;
        mode.c_cc[VTIME] = 0;
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &mode);
}

int terminal_read_key()
{
    if (!keys_active)
        return -1;
    pollfd p = {STDIN_FILENO, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN))
        return -1;
    unsigned char c;
    return read(STDIN_FILENO, &c, 1) == 1 ? c : -1;
}

static void on_close_signal(int s)
{
    if (close_signal == 0)
        close_signal = s;
    if (wake_pipe[1] >= 0) {
        int saved_errno = errno;
        char byte = 0;
        ssize_t ignored = write(wake_pipe[1], &byte, 1);
        (void)ignored;
        errno = saved_errno;
    }
}

void terminal_catch_close_signals()
{
    if (wake_pipe[0] < 0 && pipe(wake_pipe) == 0) {
        for (int fd : wake_pipe) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    struct sigaction action = {};
    action.sa_handler = on_close_signal;
    sigemptyset(&action.sa_mask);
    // Restarted system calls keep the page streams and the log free of EINTR; the wait for an
    // answer is a poll(), which a signal ends all the same.
    action.sa_flags = SA_RESTART;
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        struct sigaction previous = {};
        if (sigaction(s, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(s, &action, nullptr);
    }
}

int terminal_close_signal() { return close_signal; }

// A terminal that was closed (its window shut, its connection gone) reads as the end of the input,
// and the hang-up signal may come only a moment later: a terminal that reports the hang-up to poll,
// or no longer answers tcgetattr, is taken as closed at once, so that its end of input is never
// taken as an answer. (Also when the log goes elsewhere and the terminal only answers questions.)
static bool terminal_hung_up(short poll_events)
{
    if (!terminal_is_interactive())
        return false;
    termios mode;
    return (poll_events & POLLHUP) != 0 || tcgetattr(STDIN_FILENO, &mode) != 0;
}

line_read terminal_read_line(char* line, int size)
{
    int n = 0;
    bool any = false;
    line[0] = '\0';
    if (input_ended)
        return close_signal != 0 ? line_interrupted : line_end_of_input;
    for (;;) {
        if (close_signal != 0)
            return line_interrupted;
        pollfd waits[2] = {{STDIN_FILENO, POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
        int ready = poll(waits, wake_pipe[0] >= 0 ? 2 : 1, -1);
        if (close_signal != 0)
            return line_interrupted;
        if (ready < 0 && errno == EINTR)
            continue;
        char c;
        ssize_t r = ready < 0 ? -1 : read(STDIN_FILENO, &c, 1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            if (terminal_hung_up(waits[0].revents)) {
                close_signal = SIGHUP;
                return line_interrupted;
            }
            input_ended = r == 0 && !terminal_is_interactive();
            break;
        }
        any = true;
        if (c == '\n')
            break;
        if (n < size - 1)
            line[n++] = c;
    }
    line[n] = '\0';
    return any ? line_taken : line_end_of_input;
}
