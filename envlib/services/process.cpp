// The machine's processes: the caller's own name, the list of names, a
// search by path, ending one by name, and starting a program and waiting
// for it.
#include <cstring>
#include <string>

#include "core/export.h"
#include "dorlix.h"
#include "platform/platform.h"
#include "platform/process.h"

namespace {
// Room for a Windows file name: the caller's buffer is at least this large.
constexpr size_t kMaxName = 260;

void CopyName(const std::string& name, char* out) {
    const size_t n = name.size() < kMaxName ? name.size() : kMaxName - 1;
    std::memcpy(out, name.data(), n);
    out[n] = '\0';
}

std::string Upper(std::string text) {
    plat::CharUpper(text.data());
    return text;
}
} // namespace

extern "C" DORLIX_API int DORLIX_CALL GetCurProcess(char* out) {
    return dorlix::Guarded(0, [&] {
        if (!out) return 0;
        CopyName(plat::ProcessName(), out);
        return 1;
    });
}

extern "C" DORLIX_API int DORLIX_CALL GetProcess(char* list) {
    return dorlix::Guarded(0, [&] {
        const auto processes = plat::ListProcesses();
        if (list) {
            for (size_t i = 0; i < processes.size(); ++i) CopyName(processes[i].imageName, list + i * kMaxName);
        }
        return static_cast<int>(processes.size());
    });
}

extern "C" DORLIX_API int DORLIX_CALL FindProcess(const char* fragment) {
    return dorlix::Guarded(0, [&] {
        if (!fragment) return 0;
        const std::string wanted = Upper(fragment);
        for (const auto& p : plat::ListProcesses()) {
            const std::string path = plat::ProcessImagePath(p.id);
            if (!path.empty() && Upper(path).find(wanted) != std::string::npos) return static_cast<int>(p.id);
        }
        return 0;
    });
}

extern "C" DORLIX_API int DORLIX_CALL KillProcess(const char* name) {
    return dorlix::Guarded(0, [&] {
        if (!name || !*name) return 0;
        // Windows compares file names without regard to the case of ASCII letters.
        const std::string wanted = Upper(name);
        for (const auto& p : plat::ListProcesses()) {
            if (Upper(p.imageName) != wanted) continue;
            plat::EndProcess(p.id, 1); // 1 also when it cannot be ended
            return 1;
        }
        return 0;
    });
}

extern "C" DORLIX_API int DORLIX_CALL WinExecEx(const char* commandLine, int show) {
    return dorlix::Guarded(0, [&] { return commandLine && plat::RunAndWait(commandLine, show) ? 1 : 0; });
}
