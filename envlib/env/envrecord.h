// The station environment record and its file, byte for byte as stored on disk
// and exchanged with the host programs, and the library state built around it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace dorlix {

constexpr int ENV_ITEM_COUNT = 300;
constexpr int ENV_VALUE_SIZE = 256;
constexpr int ENV_LABEL_SIZE = 256;
constexpr int ENV_KEY_SIZE = 100;
// Rows that always take the factory default in the WorkingCopy.
constexpr int ENV_FIXED_FIRST = 254;
constexpr int ENV_FIXED_LAST = 297;
constexpr int ENV_FORMAT_VERSION = 423;
constexpr const char* ENV_MAGIC = "SYSMORVANTESYS";
// Value of the reserved rows: "墨川保留项目"
constexpr const char* ENV_RESERVED_VALUE = "\xC4\xAB\xB4\xA8\xB1\xA3\xC1\xF4\xCF\xEE\xC4\xBF";

// Item indexes read by other parts of the library.
constexpr int ENV_ITEM_SPECIALFUN = 169;
constexpr int ENV_ITEM_DEBUGSET = 189;

#pragma pack(push, 1)
struct SysEnvItem {
    char value[ENV_VALUE_SIZE];
    char label[ENV_LABEL_SIZE];
    char key[ENV_KEY_SIZE];
    int32_t type;
};

struct SysEnvRecord {
    int32_t reserved0;
    uint8_t reservedArea[4096];
    int32_t reserved1;
    int16_t printType;
    float inertia;
    SysEnvItem items[ENV_ITEM_COUNT];
};

struct SysEnvFileHeader {
    int32_t version;
    char magic[100];
    char systemName[200];
    char versionText[20];
    char text200[20];
    char oemText[20];
    char filePath[260];
    uint8_t reserved[6];
    char writeTime[54];
    int32_t zero;
};

struct SysEnvFile {
    SysEnvFileHeader header;
    SysEnvRecord record;
};
#pragma pack(pop)

static_assert(sizeof(float) == 4);
static_assert(sizeof(SysEnvItem) == 616);
static_assert(offsetof(SysEnvItem, label) == 256);
static_assert(offsetof(SysEnvItem, key) == 512);
static_assert(offsetof(SysEnvItem, type) == 612);
static_assert(offsetof(SysEnvRecord, reservedArea) == 4);
static_assert(offsetof(SysEnvRecord, reserved1) == 4100);
static_assert(offsetof(SysEnvRecord, printType) == 4104);
static_assert(offsetof(SysEnvRecord, inertia) == 4106);
static_assert(offsetof(SysEnvRecord, items) == 4110);
static_assert(sizeof(SysEnvRecord) == 188910);
static_assert(offsetof(SysEnvFileHeader, magic) == 4);
static_assert(offsetof(SysEnvFileHeader, systemName) == 104);
static_assert(offsetof(SysEnvFileHeader, versionText) == 304);
static_assert(offsetof(SysEnvFileHeader, text200) == 324);
static_assert(offsetof(SysEnvFileHeader, oemText) == 344);
static_assert(offsetof(SysEnvFileHeader, filePath) == 364);
static_assert(offsetof(SysEnvFileHeader, reserved) == 624);
static_assert(offsetof(SysEnvFileHeader, writeTime) == 630);
static_assert(offsetof(SysEnvFileHeader, zero) == 684);
static_assert(sizeof(SysEnvFileHeader) == 688);
static_assert(sizeof(SysEnvFile) == 189598);

constexpr int ENV_RECORD_SIZE = static_cast<int>(sizeof(SysEnvRecord));
constexpr int ENV_FILE_SIZE = static_cast<int>(sizeof(SysEnvFile));

// Fills rec with the factory defaults (header fields and all 300 items).
void BuildDefaultTable(SysEnvRecord& rec);

// Bounded copy of a NUL-terminated text into a fixed field; always terminates.
void CopyField(char* dst, size_t size, const char* src);

// Normalises one item's value by its type: 4 and 12 keep their case, every other
// value is upper-cased (ASCII letters only). The seed import upper-cases type 4
// too, hence keepText.
void NormaliseItem(SysEnvItem& item, bool keepText = true);

// Replaces the label by its translation from the language file, cut to the field.
void TranslateLabel(SysEnvItem& item);

// True when the calling process is the station set-up tool, whose labels are
// shown translated.
bool CallerIsSetupTool();

// Library state of the environment, one instance per process.
struct EnvState {
    SysEnvRecord defaultTable;
    SysEnvFile fileImage;
    SysEnvRecord workingCopy;
    int envStatus = 0;
    int logSwitch[2] = {0, 0};
    std::string processName;
    std::string envFile;    // Windows-style path of the main file
    std::string backupFile; // Windows-style path of the backup file
    std::string systemDir;  // Windows-style system directory ("" if none)
};
EnvState& Env();

// The record read and write shared by the exports and the import: merge and
// normalise into rec (188910 bytes) returning EnvStatus; store rec and save.
int ReadSysEnv(void* rec);
int StoreSysEnv(const void* rec);

// Writes the whole FileImage to the main file and copies it over the backup.
// Returns 1 when the main file was written completely, else 0.
int SaveFileImage();
// The seed import of "lwpenv.ini" into the WorkingCopy; returns EnvStatus.
int ImportSeedFile(const std::string& seedFile);
// Windows-style path of the seed file.
std::string SeedFilePath();

} // namespace dorlix
