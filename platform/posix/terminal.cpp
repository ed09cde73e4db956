// terminal.cpp: POSIX implementation of the interface defined in terminal.h.
#include "platform/terminal.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>

static bool keys_active;
static termios saved_mode;
static volatile sig_atomic_t close_signal;

bool terminal_is_interactive() { return isatty(STDIN_FILENO) == 1; }

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

static void on_close_signal(int) { close_signal = 1; }

void terminal_catch_close_signals()
{
    struct sigaction action = {};
    action.sa_handler = on_close_signal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaction(s, &action, nullptr);
}

bool terminal_close_signalled() { return close_signal != 0; }
