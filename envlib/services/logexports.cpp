// Log exports. SaveLog is the only one that logs; the others keep their
// names and results for callers of older releases.
#include <cstring>
#include <mutex>
#include <string>

#include "dorlix.h"
#include "core/export.h"
#include "env/envaccess.h"
#include "platform/platform.h"
#include "services/cxlog.h"
#include "services/netchannel.h"

namespace {
// The host's executable name, taken once. A plain buffer: SaveLog may still
// run while the host's static objects are being destroyed.
const char* ProcessNameOnce() {
    static char name[260];
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string n = plat::ProcessName();
        const std::size_t len = n.size() < sizeof name ? n.size() : sizeof name - 1;
        std::memcpy(name, n.data(), len);
        name[len] = '\0';
    });
    return name;
}
} // namespace

extern "C" {

DORLIX_API int DORLIX_CALL SaveLog(const char* name, const char* text) {
    return dorlix::Guarded(0, [&] {
        if (dorlix::LogSwitch(0) == 0) return 0;
        std::string message;
        message.reserve(64);
        message += '(';
        message += ProcessNameOnce();
        message += ")->(";
        message += name ? name : "(null)";
        message += ")->(0): ";
        message += text ? text : "(null)";
        // The composed message keeps to its 512-byte buffer: longer texts lose their end.
        message.resize(dorlix::GbCutLength(message.data(), message.size(), dorlix::LOG_MESSAGE_SIZE - 1));
        try {
            return dorlix::CxLog::Post(__FILE__, "SaveLog", __LINE__, dorlix::LOG_VZ5, message.c_str()) ? 1
                                                                                                        : 0;
        } catch (const dorlix::LogDestroyed&) {
            return 0; // the log is gone (library unloading); nothing is written
        }
    });
}

DORLIX_API int DORLIX_CALL OpenLog(void) {
    return dorlix::Guarded(0, [] { return 1; });
}

DORLIX_API int DORLIX_CALL PostLog(const char* text) {
    (void)text;
    return dorlix::Guarded(0, [] { return 0; });
}

DORLIX_API int DORLIX_CALL ForceSaveLog(const char* name, const char* text) {
    (void)name;
    (void)text;
    return dorlix::Guarded(0, [] { return 1; });
}

// The log's receive side is network channel 0; CloseLog closes channel 1.
DORLIX_API int DORLIX_CALL GetLog(void* buffer, int size) {
    return dorlix::Guarded(-3, [&] { return dorlix::netchannel::ReadFramed(0, buffer, size); });
}

DORLIX_API int DORLIX_CALL CloseLog(void) {
    return dorlix::Guarded(1, [] { return dorlix::netchannel::Close(1); });
}

} // extern "C"
