// Reads one Task Scheduler 1.0 task in a process of its own and writes it to a file,
// so that tests see what the scheduler kept rather than what their process cached.
// task_dump <task name> <output file>; exit code 0 when the task was found.
#include <windows.h>

#include "tests/support/scheduled_task_probe.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    const auto task = ReadScheduledTask(argv[1]);
    const int code = !task ? 1 : WriteTaskDump(*task, argv[2]) ? 0 : 4;
    CoUninitialize();
    return code;
}
