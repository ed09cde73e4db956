// responsive_probe: asks the console window of a program under test, again and again, whether it
// answers (SendMessageTimeout with WM_NULL) while the program works through a large page.
//
// usage: responsive_probe TITLE TIMEOUT_MS MAX_PROBES TEMP_COPY
//
// The page is being worked on until its temporary copy TEMP_COPY has come and gone; after that the
// program is in its closing pause, in which it answers nothing by design, so probing stops there.
// A probe that finds no answer within TIMEOUT_MS while the page is worked on is a failure. One
// line of results; exit status 0 when every probe was answered in time and the temporary copy was
// seen, 1 when one was not, 2 when the window never appeared or the copy was never seen.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

static bool exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::printf("usage: responsive_probe TITLE TIMEOUT_MS MAX_PROBES TEMP_COPY\n");
        return 2;
    }
    const char* title = argv[1];
    int timeout_ms = std::atoi(argv[2]);
    int max_probes = std::atoi(argv[3]);
    const char* temp_copy = argv[4];

    HWND window = nullptr;
    for (int i = 0; i < 1500 && !window; ++i) {
        window = FindWindowA(nullptr, title);
        if (!window)
            Sleep(10);
    }
    if (!window) {
        std::printf("responsive_probe: no window titled %s\n", title);
        return 2;
    }

    bool copy_seen = false;
    int probes = 0;
    int failures = 0;
    DWORD worst_ms = 0;
    ULONGLONG start = GetTickCount64();
    while (probes < max_probes && IsWindow(window)) {
        copy_seen = copy_seen || exists(temp_copy);
        if (copy_seen && !exists(temp_copy))
            break;  // the page is done
        ULONGLONG sent = GetTickCount64();
        DWORD_PTR result = 0;
        LRESULT answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(timeout_ms),
                                               &result);
        DWORD waited = static_cast<DWORD>(GetTickCount64() - sent);
        if (!answered) {
            // A probe that ran into the end of the page (and the closing pause) is no failure.
            copy_seen = copy_seen || exists(temp_copy);
            if (copy_seen && !exists(temp_copy))
                break;
            ++failures;
            std::printf("no answer within %d ms after %lu ms of work\n", timeout_ms,
                        static_cast<unsigned long>(sent - start));
        } else if (waited > worst_ms) {
            worst_ms = waited;
        }
        ++probes;
        Sleep(20);
    }
    std::printf("probes=%d failures=%d worst_answer_ms=%lu work_ms=%lu copy_seen=%d\n", probes, failures,
                static_cast<unsigned long>(worst_ms), static_cast<unsigned long>(GetTickCount64() - start),
                copy_seen ? 1 : 0);
    std::fflush(stdout);
    if (!copy_seen)
        return 2;
    return failures == 0 ? 0 : 1;
}
