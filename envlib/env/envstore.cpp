// The environment record: default table, main and backup files, the load at
// attach and the record exports.
//
// A file is taken at load only when it is complete and carries the magic text;
// anything else counts as damaged and is never used as a source of values.
#include "env/envaccess.h"
#include "env/envfile.h"
#include "env/envrecord.h"
#include "core/export.h"
#include "core/lifecycle.h"
#include "core/locks.h"
#include "platform/platform.h"
#include "dorlix.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace dorlix {

namespace {
std::unique_ptr<EnvState> g_env;

// Guards the values of the WorkingCopy for the readers of other library parts.
// Those read while holding the table lock, so this is a leaf lock: nothing else
// is taken while it is held, and the environment lock is never needed to read.
plat::CriticalSection& WorkingLock() {
    static plat::CriticalSection lock;
    return lock;
}

constexpr const char* SETUP_TOOL = "talvane.exe";
constexpr const char* CLEAR_CODE = "qzkm";
constexpr const char* OEM_TEXT = "MORVANTE";
constexpr uint32_t HIDDEN_READONLY = plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_READONLY;

bool IsFixedRow(int i) {
    return i >= ENV_FIXED_FIRST && i <= ENV_FIXED_LAST;
}

void CopyItemFields(SysEnvItem& dst, const SysEnvItem& src) {
    memcpy(dst.label, src.label, sizeof dst.label);
    memcpy(dst.key, src.key, sizeof dst.key);
    dst.type = src.type;
    memcpy(dst.value, src.value, sizeof dst.value);
}

// Labels are compared without regard to case; a stored label without its
// terminator is compared over the whole field only.
bool SameLabel(const SysEnvItem& a, const SysEnvItem& b) {
    return strncasecmp(a.label, b.label, ENV_LABEL_SIZE) == 0;
}

// Leading decimal integer of comma field n of text (0 when absent).
int IntField(const char* text, size_t size, int n) {
    std::string s(text, strnlen(text, size));
    size_t start = 0;
    for (int k = 0; k < n; ++k) {
        size_t comma = s.find(',', start);
        if (comma == std::string::npos) return 0;
        start = comma + 1;
    }
    return atoi(s.substr(start, s.find(',', start) - start).c_str());
}

void SetHiddenReadOnly(const std::string& path) {
    plat::SetFileAttributes(path.c_str(), HIDDEN_READONLY);
}
void ClearAttributes(const std::string& path) {
    plat::SetFileAttributes(path.c_str(), plat::FILE_ATTRIBUTE_NORMAL);
}

// Creates a Windows folder path component by component.
void EnsureFolder(const std::string& winPath) {
    if (winPath.empty() || plat::DirectoryExists(winPath.c_str())) return;
    for (size_t pos = winPath.find('\\'); pos != std::string::npos; pos = winPath.find('\\', pos + 1)) {
        std::string part = winPath.substr(0, pos);
        if (part.size() > 2 && !plat::DirectoryExists(part.c_str())) plat::CreateDirectory(part.c_str());
    }
    plat::CreateDirectory(winPath.c_str());
}

void ComposeFileNames(EnvState& st) {
    char sys[300] = {0};
    char win[300] = {0};
    uint32_t ns = plat::GetSystemDirectory(sys, sizeof sys);
    uint32_t nw = plat::GetWindowsDirectory(win, sizeof win);
    if (ns == 0 || ns >= sizeof sys) {
        st.systemDir.clear();
        st.envFile = "lwpsenvX.sys";
        st.backupFile = "winsenvX.sys";
        return;
    }
    st.systemDir = sys;
    st.envFile = st.systemDir + "\\lwpsenvX.sys";
    if (nw == 0 || nw >= sizeof win) {
        st.backupFile = st.systemDir + "\\winsenvX.pnf";
    } else {
        std::string inf = std::string(win) + "\\inf";
        if (MakeSurePathExistsACreate(inf.c_str()) != 3) EnsureFolder(inf);
        st.backupFile = inf + "\\winsenvX.pnf";
    }
}

// Header write: every text of the header except version and magic, which are
// set once when the library starts.
void WriteHeader(EnvState& st) {
    SysEnvFileHeader& h = st.fileImage.header;
    CopyField(h.systemName, sizeof h.systemName, "VZ5++/LWP");
    CopyField(h.versionText, sizeof h.versionText, "423");
    CopyField(h.text200, sizeof h.text200, "200");
    CopyField(h.oemText, sizeof h.oemText, OEM_TEXT);
    CopyField(h.filePath, sizeof h.filePath, st.envFile.c_str());
    plat::LocalTime t = plat::GetLocalTime();
    char when[64];
    snprintf(when, sizeof when, "%04d/%02d/%02d, %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
             t.second);
    memset(h.writeTime, 0, sizeof h.writeTime);
    CopyField(h.writeTime, sizeof h.writeTime, when);
    h.zero = 0;
}

void LoadEnvironment(EnvState& st) {
    ComposeFileNames(st);
    st.fileImage.header.version = ENV_FORMAT_VERSION;
    CopyField(st.fileImage.header.magic, sizeof st.fileImage.header.magic, ENV_MAGIC);

    EnvFileState mainState = ReadEnvFile(st.envFile, st.fileImage);
    bool fromBackup = false;
    if (mainState != EnvFileState::Good) {
        if (ReadEnvFile(st.backupFile, st.fileImage) == EnvFileState::Good) {
            fromBackup = true;
        } else {
            // Nothing usable on disk: create the environment, from the seed file
            // when there is one. A rejected file contributes nothing.
            memset(&st.fileImage.record, 0, sizeof st.fileImage.record);
            std::string seed = SeedFilePath();
            if (plat::FileExists(seed.c_str())) {
                ImportSeedFile(seed);
                WriteHeader(st);
                st.fileImage.record = st.workingCopy;
            } else {
                WriteHeader(st);
            }
            SaveFileImage();
        }
    }

    const SysEnvItem& debugSet = st.fileImage.record.items[ENV_ITEM_DEBUGSET];
    st.logSwitch[0] = IntField(debugSet.value, sizeof debugSet.value, 0);
    st.logSwitch[1] = IntField(debugSet.value, sizeof debugSet.value, 1);
    st.processName = plat::ProcessName();

    if (!EnvFileOpens(st.envFile)) {
        st.envStatus = 0;
        ForceSaveLog("SYSENV", "EnvInfo File is lost! ReLoad...");
        plat::CopyFile(st.backupFile.c_str(), st.envFile.c_str(), 0);
        plat::SetFileAttributes(st.envFile.c_str(), plat::FILE_ATTRIBUTE_READONLY);
    } else {
        st.envStatus = 1;
        if (fromBackup && mainState == EnvFileState::Damaged) {
            // The main file is there but unusable: put the good backup in its place.
            ClearAttributes(st.envFile);
            plat::CopyFile(st.backupFile.c_str(), st.envFile.c_str(), 0);
        }
    }
    if (!EnvFileOpens(st.backupFile)) plat::CopyFile(st.envFile.c_str(), st.backupFile.c_str(), 0);
    SetHiddenReadOnly(st.envFile);
    SetHiddenReadOnly(st.backupFile);
}

SysEnvRecord* AsRecord(void* rec) {
    return static_cast<SysEnvRecord*>(rec);
}

} // namespace

void TranslateLabel(SysEnvItem& item) {
    // The translation may be longer than the field: translate in a roomy buffer
    // and cut the result to the field.
    std::vector<char> buf(4096, '\0');
    memcpy(buf.data(), item.label, strnlen(item.label, sizeof item.label));
    if (GetLangueStringLocal(buf.data()) == 1) CopyField(item.label, sizeof item.label, buf.data());
}

EnvState& Env() {
    return *g_env;
}

void CopyField(char* dst, size_t size, const char* src) {
    if (!dst || size == 0) return;
    if (!src) src = "";
    size_t n = strnlen(src, size - 1);
    memcpy(dst, src, n);
    dst[n] = '\0';
}

void NormaliseItem(SysEnvItem& item, bool keepText) {
    if (item.type == 12 || (keepText && item.type == 4)) return;
    // Upper-case within the field even when a stored value lacks its terminator.
    char value[ENV_VALUE_SIZE + 1];
    size_t n = strnlen(item.value, sizeof item.value);
    memcpy(value, item.value, n);
    value[n] = '\0';
    plat::CharUpper(value);
    memcpy(item.value, value, n);
}

bool CallerIsSetupTool() {
    return g_env && strcasecmp(g_env->processName.c_str(), SETUP_TOOL) == 0;
}

int SaveFileImage() {
    EnvState& st = Env();
    ClearAttributes(st.envFile);
    ClearAttributes(st.backupFile);
    int result = WriteEnvFile(st.envFile, st.fileImage) ? 1 : 0;
    // A main file that was not written completely is never copied over the backup.
    if (result) plat::CopyFile(st.envFile.c_str(), st.backupFile.c_str(), 0);
    SetHiddenReadOnly(st.envFile);
    SetHiddenReadOnly(st.backupFile);
    return result;
}

bool EnvAttach() {
    g_env.reset(new (std::nothrow) EnvState());
    if (!g_env) return false;
    BuildDefaultTable(g_env->defaultTable);
    LoadEnvironment(*g_env);
    return true;
}

int WorkingItemValue(int index, char* out, int size) {
    if (!out || size <= 0) return 0;
    out[0] = '\0';
    if (index < 0 || index >= ENV_ITEM_COUNT || !g_env) return 0;
    std::lock_guard<plat::CriticalSection> lock(WorkingLock());
    const SysEnvItem& item = g_env->workingCopy.items[index];
    size_t n = strnlen(item.value, sizeof item.value);
    if (n >= static_cast<size_t>(size)) n = static_cast<size_t>(size) - 1;
    memcpy(out, item.value, n);
    out[n] = '\0';
    return 1;
}

int LogSwitch(int which) {
    if (!g_env || which < 0 || which > 1) return 0;
    return g_env->logSwitch[which];
}

int ReadSysEnv(void* rec) {
    EnvState& st = Env();
    std::lock_guard<plat::CriticalSection> lock(EnvLock());
    bool translate = CallerIsSetupTool();

    SetHiddenReadOnly(st.envFile);
    if (ReadEnvFile(st.envFile, st.fileImage) == EnvFileState::Good) {
        std::unique_lock<plat::CriticalSection> working(WorkingLock());
        st.workingCopy = st.fileImage.record;
        bool changed = false;
        for (int i = 0; i < ENV_ITEM_COUNT; ++i) {
            SysEnvItem& item = st.workingCopy.items[i];
            const SysEnvItem& def = st.defaultTable.items[i];
            if (IsFixedRow(i)) {
                CopyItemFields(item, def);
            } else if (!SameLabel(item, def)) {
                CopyItemFields(item, def);
                changed = true;
            }
        }
        working.unlock();
        if (changed) {
            st.fileImage.record = st.workingCopy;
            SaveFileImage();
        }
    }

    for (int i = 0; i < ENV_ITEM_COUNT; ++i) {
        if (IsFixedRow(i)) continue;
        NormaliseItem(st.fileImage.record.items[i]);
    }
    memcpy(rec, &st.fileImage.record, sizeof st.fileImage.record);
    // Translated labels go to the caller only: stored in the file image, a later
    // save would write them, and the next merge would reset every such item.
    if (translate) {
        SysEnvRecord* out = static_cast<SysEnvRecord*>(rec);
        for (int i = 0; i < ENV_ITEM_COUNT; ++i)
            if (!IsFixedRow(i)) TranslateLabel(out->items[i]);
    }
    return st.envStatus;
}

int StoreSysEnv(const void* rec) {
    EnvState& st = Env();
    std::lock_guard<plat::CriticalSection> lock(EnvLock());
    {
        std::lock_guard<plat::CriticalSection> working(WorkingLock());
        memcpy(&st.workingCopy, rec, sizeof st.workingCopy);
        for (SysEnvItem& item : st.workingCopy.items)
            NormaliseItem(item);
    }
    st.fileImage.record = st.workingCopy;
    return SaveFileImage();
}

} // namespace dorlix

using namespace dorlix;

extern "C" {

DORLIX_API int DORLIX_CALL GetSysEnvStrSize(void) {
    return Guarded(0, [] { return ENV_RECORD_SIZE; });
}

DORLIX_API int DORLIX_CALL GetSysEnv(void* rec) {
    return Guarded(0, [&] { return rec ? ReadSysEnv(rec) : 0; });
}

DORLIX_API int DORLIX_CALL GetSysPathEnv(void* rec) {
    return Guarded(0, [&] {
        if (!rec) return 0;
        EnvState& st = Env();
        std::lock_guard<plat::CriticalSection> lock(EnvLock());
        if (ReadEnvFile(st.envFile, st.fileImage) == EnvFileState::Good) {
            // Until the next load the stored items are the defaults, so the merge
            // of a later read finds nothing to reset.
            st.defaultTable = st.fileImage.record;
            std::lock_guard<plat::CriticalSection> working(WorkingLock());
            for (int i = 0; i < ENV_ITEM_COUNT; ++i)
                CopyItemFields(st.workingCopy.items[i], st.fileImage.record.items[i]);
        }
        memcpy(rec, &st.workingCopy, sizeof st.workingCopy);
        return st.envStatus;
    });
}

DORLIX_API int DORLIX_CALL GetDefaultSysEnv(void* rec) {
    return Guarded(0, [&] {
        if (!rec) return 0;
        EnvState& st = Env();
        std::lock_guard<plat::CriticalSection> lock(EnvLock());
        SysEnvRecord* out = AsRecord(rec);
        // Rows 215, 217 and 218 hold the caller's own texts and survive.
        const int kept[] = {215, 217, 218};
        for (int i = 0; i < ENV_ITEM_COUNT; ++i) {
            bool keep = false;
            for (int k : kept)
                keep = keep || strncmp(out->items[i].key, st.defaultTable.items[k].key, ENV_KEY_SIZE) == 0;
            if (keep) continue;
            SysEnvItem& def = st.defaultTable.items[i];
            NormaliseItem(def);
            CopyItemFields(out->items[i], def);
        }
        return st.envStatus;
    });
}

DORLIX_API int DORLIX_CALL SaveSysEnv(const void* rec, int /*code*/) {
    return Guarded(0, [&] { return rec ? StoreSysEnv(rec) : 0; });
}

DORLIX_API int DORLIX_CALL SaveSysInertia(float value) {
    return Guarded(0, [&] {
        std::lock_guard<plat::CriticalSection> lock(EnvLock());
        Env().fileImage.record.inertia = value;
        return SaveFileImage();
    });
}

DORLIX_API int DORLIX_CALL ClearAll(const char* code) {
    return Guarded(0, [&] {
        if (!code || strcasecmp(code, CLEAR_CODE) != 0) return 0;
        EnvState& st = Env();
        std::lock_guard<plat::CriticalSection> lock(EnvLock());
        for (const std::string* f : {&st.envFile, &st.backupFile}) {
            ClearAttributes(*f);
            plat::DeleteFile(f->c_str());
        }
        return (!EnvFileOpens(st.envFile) && !EnvFileOpens(st.backupFile)) ? 1 : 0;
    });
}

DORLIX_API int DORLIX_CALL DoCheck(void) {
    return Guarded(0, [&] {
        EnvState& st = Env();
        std::lock_guard<plat::CriticalSection> lock(EnvLock());
        for (const std::string* f : {&st.envFile, &st.backupFile}) {
            ClearAttributes(*f);
            plat::DeleteFile(f->c_str());
        }
        if (EnvFileOpens(st.envFile)) return -1;
        if (EnvFileOpens(st.backupFile)) return -2;
        SetHiddenReadOnly(st.envFile);
        SetHiddenReadOnly(st.backupFile);
        return 1;
    });
}

} // extern "C"
