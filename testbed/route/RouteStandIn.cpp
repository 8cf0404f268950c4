// Stand-in for the system's route program: it changes no route; it appends the command line it was started
// with, as one line, to "route-calls.txt" beside itself, so a test sees exactly what the service ran.
#include <windows.h>

#include <string>

namespace {
constexpr char kRecordName[] = "route-calls.txt";

std::string RecordPath()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string result(path, length);
    return result.substr(0, result.find_last_of('\\') + 1) + kRecordName;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string line = std::string(GetCommandLineA()) + "\r\n";
    HANDLE file = CreateFileA(RecordPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == line.size() ? 0 : 1;
}
