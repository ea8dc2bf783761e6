// The environment record through the real shared library: each test works
// on a fresh station and loads the library, so that the load sequence runs
// exactly as in a host program.
#include "env_testutil.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace envtest;

namespace {

// GB2312 texts of the default table.
const char* const LABEL_PARAMID = "\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE_\xB2\xCE\xCA\xFD"
                                  "ID\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE"; // 配置文件_参数ID配置文件
const char* const LABEL_SQLPATH =
    "\xB9\xA4\xD7\xF7\xC2\xB7\xBE\xB6_"
    "SQL\xCA\xFD\xBE\xDD\xCE\xC4\xBC\xFE\xC2\xB7\xBE\xB6"; // 工作路径_SQL数据文件路径
const char* const LABEL_XMLURL =
    "\xD7\xD6\xB7\xFB\xC0\xE0\xD0\xCD_XML\xC1\xAC\xBD\xD3\xB4\xAE"; // 字符类型_XML连接串
const char* const LABEL_LOCALODBC =
    "\xCA\xFD_\xBE\xDD_\xBF\xE2_\xB1\xBE\xB5\xD8\xCA\xFD\xBE\xDD\xD4\xB4"; // 数_据_库_本地数据源
const char* const LABEL_RES46 = "\xB1\xA3\xC1\xF4\xCE\xC4\xBC\xFE_\xCF\xEE\xC4\xBF-46"; // 保留文件_项目-46
const char* const RESERVED_VALUE = "\xC4\xAB\xB4\xA8\xB1\xA3\xC1\xF4\xCF\xEE\xC4\xBF";   // 墨川保留项目
const char* const KEY_FILE_VERSION = "\xBB\xB7\xBE\xB3\xCE\xC4\xBC\xFE\xB0\xE6\xB1\xBE"; // 环境文件版本
const char* const KEY_LIB_VERSION = "\xC9\xFA\xB3\xC9\xBF\xE2\xB0\xE6\xB1\xBE";          // 生成库版本
const char* const KEY_PRINT_TYPE = "\xB4\xF2\xD3\xA1\xC0\xE0\xD0\xCD";                   // 打印类型
const char* const KEY_INERTIA = "\xCF\xB5\xCD\xB3\xB9\xDF\xC1\xBF";                      // 系统惯量

struct SpecialFunSet {
    int flags[12];
    int dateCount;
    int dateOrder[9];
    int unused;
    char dateText[100];
    int further[14];
};

// "YYYY/MM/DD, hh:mm:ss"
bool LooksLikeWriteTime(const std::string& t) {
    const std::string shape = "dddd/dd/dd, dd:dd:dd";
    if (t.size() != shape.size()) return false;
    for (size_t i = 0; i < t.size(); ++i)
        if (shape[i] == 'd' ? !isdigit(static_cast<unsigned char>(t[i])) : t[i] != shape[i]) return false;
    return true;
}

class EnvLibrary : public ::testing::Test {
  protected:
    void TearDown() override { Unload(); }

    // Each load opens its own copy of the library: a loader may keep an
    // unloaded library mapped, and the attach sequence must run again on the
    // current station.
    void Load() {
        ASSERT_FALSE(lib_.Loaded());
        static int loads = 0;
        const std::string lib = vz5test::LibraryFile();
        const std::filesystem::path from(lib);
        std::string copy = root_.Scratch(from.stem().string() + "-" + std::to_string(++loads) +
                                         from.extension().string());
        std::filesystem::copy_file(from, copy);
        ASSERT_TRUE(lib_.Load(copy)) << lib_.Error();
        Resolve(GetSysEnvStrSize, "GetSysEnvStrSize");
        Resolve(GetSysEnv, "GetSysEnv");
        Resolve(GetSysPathEnv, "GetSysPathEnv");
        Resolve(GetDefaultSysEnv, "GetDefaultSysEnv");
        Resolve(SaveSysEnv, "SaveSysEnv");
        Resolve(SaveSysInertia, "SaveSysInertia");
        Resolve(ClearAll, "ClearAll");
        Resolve(DoCheck, "DoCheck");
        Resolve(LoadSpecialFun, "LoadSpecialFun");
        Resolve(MakeSpecialFun, "MakeSpecialFun");
        Resolve(ExportLWPConfig, "ExportLWPConfig");
        Resolve(ImportLWPConfig, "ImportLWPConfig");
        Resolve(GetMD5Code, "GetMD5Code");
    }
    void Unload() { lib_.Unload(); }
    void Reload() {
        Unload();
        Load();
    }
    template <class F> void Resolve(F& fn, const char* name) {
        fn = lib_.Function<F>(name);
        ASSERT_NE(fn, nullptr) << name;
    }

    Bytes Record() {
        Bytes rec(RECORD_SIZE);
        last_status_ = GetSysEnv(rec.data());
        return rec;
    }
    static std::string Value(const Bytes& rec, int i) { return TextAt(rec, ItemField(i, VALUE), 256); }
    static std::string FileValue(const Bytes& file, int i) {
        return TextAt(file, FileItemField(i, VALUE), 256);
    }

    // A station whose files hold the merged defaults, then reloaded.
    void ConfiguredStation() {
        Load();
        Record();
        Reload();
    }
    // Changes one stored value through the library, so both files carry it.
    void StoreValue(int i, const std::string& value) {
        Bytes rec = Record();
        PutText(rec, ItemField(i, VALUE), 256, value);
        ASSERT_EQ(SaveSysEnv(rec.data(), 0), 1);
    }

    TempRoot root_;
    vz5test::Library lib_;
    int last_status_ = -99;

    int (*GetSysEnvStrSize)() = nullptr;
    int (*GetSysEnv)(void*) = nullptr;
    int (*GetSysPathEnv)(void*) = nullptr;
    int (*GetDefaultSysEnv)(void*) = nullptr;
    int (*SaveSysEnv)(const void*, int) = nullptr;
    int (*SaveSysInertia)(float) = nullptr;
    int (*ClearAll)(const char*) = nullptr;
    int (*DoCheck)() = nullptr;
    int (*LoadSpecialFun)(const char*, SpecialFunSet*) = nullptr;
    int (*MakeSpecialFun)(SpecialFunSet*, char*, unsigned) = nullptr;
    int (*ExportLWPConfig)(const char*) = nullptr;
    int (*ImportLWPConfig)(const char*) = nullptr;
    int (*GetMD5Code)(const char*, int, char*) = nullptr;
};

TEST_F(EnvLibrary, FreshSystemLoadWritesEmptyRecordAndFirstReadFillsDefaults) {
    Load();
    EXPECT_EQ(GetSysEnvStrSize(), 188910);

    Bytes file = ReadBytes(root_.MainFile());
    ASSERT_EQ(file.size(), FILE_SIZE);
    EXPECT_EQ(ReadBytes(root_.BackupFile()), file);
    // The load writes the header over an empty record.
    EXPECT_EQ(TextAt(file, 4, 100), "SYSMORVANTESYS");
    for (int i : {0, 170, 299}) {
        EXPECT_EQ(FileValue(file, i), "") << i;
        EXPECT_EQ(TextAt(file, FileItemField(i, LABEL), 256), "") << i;
    }

    Bytes rec = Record();
    EXPECT_EQ(last_status_, 1);
    // Non-text values upper-cased; free text and data sources keep their case.
    EXPECT_EQ(Value(rec, 97), "D:\\VZ5\\SYSTEM\\NETDAT");
    EXPECT_EQ(Value(rec, 77), "COM1,115200,NONE,8,1");
    EXPECT_EQ(Value(rec, 5), "D:\\VZ7\\SYSTEM\\BIN");
    EXPECT_EQ(Value(rec, 170), "D:\\VZ5\\SYSTEM\\PARAMIDX.INI");
    EXPECT_EQ(Value(rec, 75), "COM-1");
    EXPECT_EQ(Value(rec, 3), "VZ5,SQL Server,(local),1,VZ5,sa, ");
    EXPECT_EQ(Value(rec, 240).rfind("http://", 0), 0u) << Value(rec, 240);
    EXPECT_EQ(Value(rec, 189), "0,0");
    EXPECT_EQ(TextAt(rec, ItemField(170, LABEL), 256), LABEL_PARAMID);
    EXPECT_EQ(TextAt(rec, ItemField(170, KEY), 100), "ParamIDPath");
    EXPECT_EQ(TextAt(rec, ItemField(199, KEY), 100), "DisRunDrvPath");
    EXPECT_EQ(TextAt(rec, ItemField(225, KEY), 100), "DisRunDrvPath");
    EXPECT_EQ(TextAt(rec, ItemField(253, KEY), 100), "Res[00]");
    EXPECT_EQ(TextAt(rec, ItemField(299, KEY), 100), "Res[46]");
    EXPECT_EQ(TextAt(rec, ItemField(299, LABEL), 256), LABEL_RES46);
    EXPECT_EQ(ValueAt<int32_t>(rec, ItemField(299, TYPE)), 18);
    EXPECT_EQ(Value(rec, 299), RESERVED_VALUE);

    // The merge found every label different and rewrote both files.
    Bytes merged = ReadBytes(root_.MainFile());
    EXPECT_EQ(TextAt(merged, FileItemField(170, LABEL), 256), LABEL_PARAMID);
    EXPECT_EQ(ReadBytes(root_.BackupFile()), merged);
}

TEST_F(EnvLibrary, FileIsByteExactAtItsOffsets) {
    Load();
    Record();
    Bytes f = ReadBytes(root_.MainFile());
    ASSERT_EQ(f.size(), FILE_SIZE);

    EXPECT_EQ(ValueAt<int32_t>(f, 0), 423);
    EXPECT_EQ(TextAt(f, 4, 100), "SYSMORVANTESYS");
    for (size_t i = 4 + 14; i < 104; ++i)
        ASSERT_EQ(f[i], 0) << "magic padding at " << i;
    EXPECT_EQ(TextAt(f, 104, 200), "VZ5++/LWP");
    EXPECT_EQ(TextAt(f, 304, 20), "423");
    EXPECT_EQ(TextAt(f, 324, 20), "200");
    std::string oem = TextAt(f, 344, 20);
    EXPECT_FALSE(oem.empty());
    EXPECT_LT(oem.size(), 20u);
    std::string path = TextAt(f, 364, 260);
    EXPECT_TRUE(path.size() > 13 && path.compare(path.size() - 13, 13, "\\lwpsenvX.sys") == 0) << path;
    EXPECT_TRUE(LooksLikeWriteTime(TextAt(f, 630, 54))) << TextAt(f, 630, 54);
    EXPECT_EQ(ValueAt<int32_t>(f, 684), 0);

    // The record part: header fields and items as merged (stored values keep their case).
    EXPECT_EQ(ValueAt<int32_t>(f, HEADER_SIZE + 0), 0);
    EXPECT_EQ(ValueAt<int16_t>(f, HEADER_SIZE + PRINT_TYPE), 0);
    // A created environment takes its items from the defaults, not the record
    // header: the inertia stays as created until it is set.
    EXPECT_EQ(ValueAt<float>(f, HEADER_SIZE + INERTIA), 0.0f);
    EXPECT_EQ(FileValue(f, 170), "D:\\VZ5\\system\\ParamIDX.ini");
    EXPECT_EQ(TextAt(f, FileItemField(170, LABEL), 256), LABEL_PARAMID);
    EXPECT_EQ(TextAt(f, FileItemField(170, KEY), 100), "ParamIDPath");
    EXPECT_EQ(ValueAt<int32_t>(f, FileItemField(170, TYPE)), 0);
    EXPECT_EQ(TextAt(f, FileItemField(42, LABEL), 256), LABEL_SQLPATH);
    EXPECT_EQ(FileValue(f, 42), "D:\\VZ5DB");
    EXPECT_EQ(ValueAt<int32_t>(f, FileItemField(42, TYPE)), 1);
    EXPECT_EQ(ValueAt<int32_t>(f, FileItemField(3, TYPE)), 12);
    EXPECT_EQ(TextAt(f, FileItemField(0, KEY), 100), "DevAttestationNo");
    EXPECT_EQ(TextAt(f, FileItemField(299, KEY), 100), "Res[46]");

    ASSERT_EQ(SaveSysInertia(1234.5f), 1);
    f = ReadBytes(root_.MainFile());
    EXPECT_EQ(ValueAt<float>(f, HEADER_SIZE + INERTIA), 1234.5f);
    EXPECT_EQ(ReadBytes(root_.BackupFile()), f);
}

// A missing or damaged main file: the load takes the backup and repairs the main file.
TEST_F(EnvLibrary, LoadFallsBackToBackupForMissingOrDamagedMainFile) {
    struct Case {
        const char* name;
        void (*damage)(const std::string& path);
        int status; // a missing main file is reported until the next load
    };
    const Case cases[] = {
        {"missing", [](const std::string& p) { vz5test::MakeWritable(p); std::filesystem::remove(p); }, 0},
        {"wrong magic",
         [](const std::string& p) {
             Bytes b = ReadBytes(p);
             PutText(b, 4, 100, "SYSOTHERSYS");
             PutText(b, FileItemField(42, VALUE), 256, "D:\\FROMDAMAGED");
             WriteBytes(p, b);
         },
         1},
        {"truncated",
         [](const std::string& p) {
             Bytes b = ReadBytes(p);
             b.resize(100000);
             WriteBytes(p, b);
         },
         1},
        {"empty", [](const std::string& p) { WriteBytes(p, Bytes()); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempRoot root;
        Load();
        StoreValue(42, "D:\\STATIONDB");
        Unload();
        c.damage(root.MainFile());

        Load();
        Bytes rec = Record();
        EXPECT_EQ(last_status_, c.status);
        EXPECT_EQ(Value(rec, 42), "D:\\STATIONDB");
        Bytes f = ReadBytes(root.MainFile());
        ASSERT_EQ(f.size(), FILE_SIZE);
        EXPECT_EQ(TextAt(f, 4, 100), "SYSMORVANTESYS");
        EXPECT_EQ(FileValue(f, 42), "D:\\STATIONDB");
        Unload();
    }
}

TEST_F(EnvLibrary, BothFilesDamagedRecreatesFromDefaults) {
    Load();
    StoreValue(42, "D:\\STATIONDB");
    Unload();
    for (const std::string& p : {root_.MainFile(), root_.BackupFile()}) {
        Bytes b = ReadBytes(p);
        PutText(b, 4, 100, "NOTANENVFILE");
        WriteBytes(p, b);
    }
    Load();
    Bytes rec = Record();
    EXPECT_EQ(last_status_, 1);
    EXPECT_EQ(Value(rec, 42), "D:\\VZ5DB");
    Bytes f = ReadBytes(root_.MainFile());
    EXPECT_EQ(TextAt(f, 4, 100), "SYSMORVANTESYS");
    EXPECT_EQ(ReadBytes(root_.BackupFile()), f);
}

TEST_F(EnvLibrary, MergeResetsItemsWhoseLabelChanged) {
    ConfiguredStation();
    Unload();
    Bytes f = ReadBytes(root_.MainFile());
    // Item 42: a label from an older release, reset with its value.
    PutText(f, FileItemField(42, LABEL), 256, "OLD_LABEL");
    PutText(f, FileItemField(42, VALUE), 256, "D:\\OLD");
    // Item 107: the label matches (in another case), so value, key and type stay.
    PutText(f, FileItemField(170, VALUE), 256, "d:\\mine\\ids.ini");
    PutText(f, FileItemField(170, KEY), 100, "OtherKey");
    PutValue<int32_t>(f, FileItemField(170, TYPE), 4);
    std::string lowerLabel = LABEL_PARAMID;
    lowerLabel.replace(lowerLabel.find("ID"), 2, "id");
    PutText(f, FileItemField(170, LABEL), 256, lowerLabel);
    // Reserved row 260 always takes the default in the working copy.
    PutText(f, FileItemField(260, VALUE), 256, "stored");
    WriteBytes(root_.MainFile(), f);

    Load();
    Bytes rec = Record();
    EXPECT_EQ(Value(rec, 42), "D:\\VZ5DB");
    EXPECT_EQ(TextAt(rec, ItemField(42, LABEL), 256), LABEL_SQLPATH);
    EXPECT_EQ(Value(rec, 170), "d:\\mine\\ids.ini"); // type 4 now: kept as stored
    EXPECT_EQ(TextAt(rec, ItemField(170, KEY), 100), "OtherKey");
    EXPECT_EQ(Value(rec, 260), RESERVED_VALUE);

    Bytes saved = ReadBytes(root_.MainFile());
    EXPECT_EQ(FileValue(saved, 42), "D:\\VZ5DB");
    EXPECT_EQ(TextAt(saved, FileItemField(42, LABEL), 256), LABEL_SQLPATH);
    EXPECT_EQ(FileValue(saved, 170), "d:\\mine\\ids.ini");
    EXPECT_EQ(ReadBytes(root_.BackupFile()), saved);
}

TEST_F(EnvLibrary, ReservedRowsKeepStoredValuesWhileNothingElseChanges) {
    ConfiguredStation();
    Unload();
    Bytes f = ReadBytes(root_.MainFile());
    PutText(f, FileItemField(260, VALUE), 256, "stored");
    WriteBytes(root_.MainFile(), f);

    Load();
    Bytes rec = Record();
    EXPECT_EQ(Value(rec, 260), "stored");
    EXPECT_EQ(ReadBytes(root_.MainFile()), f); // nothing merged, nothing written
}

TEST_F(EnvLibrary, ValuesAreNormalisedByType) {
    struct Case {
        int item;
        const char* stored;
        const char* returned;
    };
    const Case cases[] = {
        {78, "com2,9600,none,8,1", "COM2,9600,NONE,8,1"}, // port
        {240, "http://host:81/Services/jcxService.asmx",
         "http://host:81/Services/jcxService.asmx"},                                   // free text
        {3, "Vz5,SQL Server,(local),1,vz5,sa, ", "Vz5,SQL Server,(local),1,vz5,sa, "}, // data source
        {170, "d:\\vz5\\\xB2\xE2x.ini", "D:\\VZ5\\\xB2\xE2X.INI"}, // double-byte characters untouched
        {236, "1.5e", "1.5E"},
    };
    ConfiguredStation();
    Unload();
    Bytes f = ReadBytes(root_.MainFile());
    for (const Case& c : cases)
        PutText(f, FileItemField(c.item, VALUE), 256, c.stored);
    WriteBytes(root_.MainFile(), f);

    Load();
    Bytes rec = Record();
    for (const Case& c : cases)
        EXPECT_EQ(Value(rec, c.item), c.returned) << c.item;
    // The stored path record is handed out as stored.
    Bytes raw(RECORD_SIZE);
    EXPECT_EQ(GetSysPathEnv(raw.data()), 1);
    for (const Case& c : cases)
        EXPECT_EQ(Value(raw, c.item), c.stored) << c.item;

    // A save stores normalised values.
    PutText(rec, ItemField(79, VALUE), 256, "com9,4800,even,7,2");
    ASSERT_EQ(SaveSysEnv(rec.data(), 0), 1);
    EXPECT_EQ(FileValue(ReadBytes(root_.MainFile()), 79), "COM9,4800,EVEN,7,2");
}

TEST_F(EnvLibrary, PathRecordBecomesTheDefaultsUntilTheNextLoad) {
    Load();
    StoreValue(42, "D:\\MYDB");
    Bytes raw(RECORD_SIZE);
    EXPECT_EQ(GetSysPathEnv(raw.data()), 1);
    EXPECT_EQ(Value(raw, 42), "D:\\MYDB");

    Bytes def(RECORD_SIZE);
    EXPECT_EQ(GetDefaultSysEnv(def.data()), 1);
    EXPECT_EQ(Value(def, 42), "D:\\MYDB");

    Reload();
    EXPECT_EQ(GetDefaultSysEnv(def.data()), 1);
    EXPECT_EQ(Value(def, 42), "D:\\VZ5DB");
}

TEST_F(EnvLibrary, DefaultRecordKeepsCallersReservedRows) {
    Load();
    Bytes rec = Record();
    for (int i : {215, 216, 217, 218})
        PutText(rec, ItemField(i, VALUE), 256, "mine" + std::to_string(i));
    PutText(rec, ItemField(42, VALUE), 256, "D:\\CHANGED");
    PutText(rec, ItemField(5, VALUE), 256, "x");
    EXPECT_EQ(GetDefaultSysEnv(rec.data()), 1);
    EXPECT_EQ(Value(rec, 215), "mine215");
    EXPECT_EQ(Value(rec, 217), "mine217");
    EXPECT_EQ(Value(rec, 218), "mine218");
    EXPECT_NE(Value(rec, 216), "mine216");
    EXPECT_EQ(Value(rec, 42), "D:\\VZ5DB");
    EXPECT_EQ(Value(rec, 5), "D:\\VZ7\\SYSTEM\\BIN");
}

TEST_F(EnvLibrary, ExportImportRoundTripAndDigestCheck) {
    Load();
    StoreValue(42, "D:\\EXPORTED");
    Bytes before = Record();
    std::string base = root_.Path() + "/station";
    std::string file = base + ".LWPENV";
    ASSERT_EQ(ExportLWPConfig(base.c_str()), 1);
    Bytes exported = ReadBytes(file);
    ASSERT_EQ(exported.size(), 64 + RECORD_SIZE);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), exported.begin() + 64));
    char digest[33];
    ASSERT_EQ(GetMD5Code(reinterpret_cast<const char*>(exported.data() + 64), int(RECORD_SIZE), digest), 1);
    EXPECT_EQ(TextAt(exported, 0, 64), digest);

    // Import of an unchanged export is accepted and leaves the environment as it was.
    EXPECT_EQ(ImportLWPConfig(file.c_str()), 1);
    EXPECT_EQ(Record(), before);

    // The import restores the exported values.
    StoreValue(42, "D:\\LATER");
    EXPECT_EQ(ImportLWPConfig(file.c_str()), 1);
    EXPECT_EQ(Value(Record(), 42), "D:\\EXPORTED");

    // Any one changed byte after the digest is refused and stores nothing.
    StoreValue(42, "D:\\LATER");
    for (size_t off : {size_t(64), 64 + ItemField(42, VALUE) + 3, 64 + RECORD_SIZE - 1}) {
        Bytes bad = exported;
        bad[off] ^= 0x01;
        std::string badFile = root_.Path() + "/bad.LWPENV";
        WriteBytes(badFile, bad);
        EXPECT_EQ(ImportLWPConfig(badFile.c_str()), 0) << off;
        EXPECT_EQ(Value(Record(), 42), "D:\\LATER") << off;
    }

    // A digest in upper case is accepted.
    Bytes upper = exported;
    for (int i = 0; i < 32; ++i)
        upper[i] = static_cast<uint8_t>(toupper(upper[i]));
    std::string upperFile = root_.Path() + "/upper.LWPENV";
    WriteBytes(upperFile, upper);
    EXPECT_EQ(ImportLWPConfig(upperFile.c_str()), 1);

    // A cut file fails the digest; a missing one cannot be opened.
    Bytes cut(exported.begin(), exported.end() - 1);
    std::string cutFile = root_.Path() + "/cut.LWPENV";
    WriteBytes(cutFile, cut);
    EXPECT_EQ(ImportLWPConfig(cutFile.c_str()), 0);
    EXPECT_EQ(ImportLWPConfig((root_.Path() + "/none.LWPENV").c_str()), -1);
    EXPECT_EQ(ExportLWPConfig((root_.Path() + "/no/such/folder/x").c_str()), -1);
}

// Reads "key=value" of a section of a GB2312 INI file, without the library.
std::string IniValue(const std::string& path, const std::string& section, const std::string& key) {
    std::ifstream in(path);
    std::string line, current;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            current = line.substr(1, line.find(']') - 1);
            continue;
        }
        size_t eq = line.find('=');
        if (current == section && eq != std::string::npos) {
            std::string k = line.substr(0, eq);
            while (!k.empty() && k.back() == ' ')
                k.pop_back();
            if (k == key) {
                std::string v = line.substr(eq + 1);
                v.erase(0, v.find_first_not_of(' '));
                return v;
            }
        }
    }
    return "<absent>";
}

void WriteText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST_F(EnvLibrary, SeedFileWithOnlyAVersionGetsItsKeysWrittenBack) {
    WriteText(root_.SeedFile(), std::string("[LWPENVINFO]\r\n") + KEY_FILE_VERSION + "=100\r\n");
    Load();
    std::string seed = root_.SeedFile();
    EXPECT_EQ(IniValue(seed, "LWPENVINFO", KEY_FILE_VERSION), "200");
    EXPECT_EQ(IniValue(seed, "LWPENVINFO", KEY_LIB_VERSION), "423");
    EXPECT_EQ(IniValue(seed, "AuxParam", KEY_PRINT_TYPE), "0");
    EXPECT_EQ(IniValue(seed, "AuxParam", KEY_INERTIA), "900.000");
    EXPECT_TRUE(vz5test::IsReadOnly(seed)) << "seed file left writable";

    Bytes f = ReadBytes(root_.MainFile());
    EXPECT_EQ(TextAt(f, 4, 100), "SYSMORVANTESYS");
    EXPECT_EQ(FileValue(f, 42), "");
    EXPECT_EQ(TextAt(f, FileItemField(42, LABEL), 256), LABEL_SQLPATH);
    EXPECT_EQ(FileValue(f, 254), RESERVED_VALUE);
    EXPECT_EQ(FileValue(f, 297), RESERVED_VALUE);
    EXPECT_EQ(FileValue(f, 253), "");

    // Labels match, so the empty values survive the first read.
    Bytes rec = Record();
    EXPECT_EQ(Value(rec, 42), "");
    EXPECT_EQ(Value(rec, 77), "");
    EXPECT_EQ(Value(rec, 260), RESERVED_VALUE);
}

TEST_F(EnvLibrary, SeedFileValuesAreImportedByLabel) {
    std::string ini = std::string("[File&Path]\r\n") + LABEL_SQLPATH + "=d:\\seeddb\r\n" + LABEL_XMLURL +
                      " = \"http://seed/x\"\r\n" + LABEL_LOCALODBC + "=Vz5,Srv,(local),1,db,sa, \r\n" +
                      "[LWPENVINFO]\r\n" + KEY_FILE_VERSION + "=200\r\n" + KEY_LIB_VERSION + "=423\r\n" +
                      "[AuxParam]\r\n" + KEY_PRINT_TYPE + "=3\r\n" + KEY_INERTIA + "=1234.5\r\n";
    WriteText(root_.SeedFile(), ini);
    vz5test::MakeReadOnly(root_.SeedFile());
    Load();

    Bytes f = ReadBytes(root_.MainFile());
    EXPECT_EQ(FileValue(f, 42), "D:\\SEEDDB");
    EXPECT_EQ(FileValue(f, 240), "HTTP://SEED/X"); // the seed upper-cases free text too
    EXPECT_EQ(FileValue(f, 3), "Vz5,Srv,(local),1,db,sa,");
    EXPECT_EQ(ValueAt<int16_t>(f, HEADER_SIZE + PRINT_TYPE), 3);
    EXPECT_EQ(ValueAt<float>(f, HEADER_SIZE + INERTIA), 1234.5f);
    EXPECT_EQ(Value(Record(), 42), "D:\\SEEDDB");
    EXPECT_EQ(IniValue(root_.SeedFile(), "AuxParam", KEY_INERTIA), "1234.5");
}

TEST_F(EnvLibrary, ClearAllAndDoCheckRemoveBothFiles) {
    Load();
    Record();
    EXPECT_EQ(ClearAll(nullptr), 0);
    EXPECT_EQ(ClearAll("wrong"), 0);
    EXPECT_TRUE(Exists(root_.MainFile()) && Exists(root_.BackupFile()));

    EXPECT_EQ(ClearAll("QZKM"), 1);
    EXPECT_FALSE(Exists(root_.MainFile()) || Exists(root_.BackupFile()));
    // The in-memory record survives and the next save writes both files again.
    EXPECT_EQ(Value(Record(), 42), "D:\\VZ5DB");
    ASSERT_EQ(SaveSysInertia(12.5f), 1);
    Bytes f = ReadBytes(root_.MainFile());
    EXPECT_EQ(ValueAt<float>(f, HEADER_SIZE + INERTIA), 12.5f);
    EXPECT_EQ(FileValue(f, 42), "D:\\VZ5DB");
    EXPECT_EQ(ReadBytes(root_.BackupFile()), f);

    EXPECT_EQ(DoCheck(), 1);
    EXPECT_FALSE(Exists(root_.MainFile()) || Exists(root_.BackupFile()));
}

TEST_F(EnvLibrary, BadArgumentsAreRefusedWithoutTouchingMemory) {
    Load();
    EXPECT_EQ(GetSysEnv(nullptr), 0);
    EXPECT_EQ(GetSysPathEnv(nullptr), 0);
    EXPECT_EQ(GetDefaultSysEnv(nullptr), 0);
    EXPECT_EQ(SaveSysEnv(nullptr, 0), 0);
    EXPECT_EQ(ExportLWPConfig(nullptr), -1);
    EXPECT_EQ(ImportLWPConfig(nullptr), -1);
    EXPECT_EQ(LoadSpecialFun(nullptr, nullptr), 0);
    char out[64];
    EXPECT_EQ(GetMD5Code(nullptr, 3, out), 0);

    std::string longName(5000, 'x');
    EXPECT_EQ(ExportLWPConfig(longName.c_str()), -1);
    EXPECT_EQ(ImportLWPConfig(longName.c_str()), -1);

    // A record without a single terminator: values are normalised within their
    // fields, and the foreign labels are reset by the next read.
    Bytes junk(RECORD_SIZE, 'a');
    ASSERT_EQ(SaveSysEnv(junk.data(), 0), 1);
    Bytes f = ReadBytes(root_.MainFile());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[FileItemField(7, VALUE)]), 256),
              std::string(256, 'A'));
    EXPECT_EQ(Value(Record(), 42), "D:\\VZ5DB");
}

TEST_F(EnvLibrary, SpecialFunctionTextAndSettings) {
    Load();
    SpecialFunSet set;
    memset(&set, 0x55, sizeof set);
    set.flags[4] = 7;
    ASSERT_EQ(LoadSpecialFun("1,1,0,0,0,1,0,0,0,0,0,0,0:1:2,0,0,0", &set), 1);
    const int flags[12] = {1, 1, 0, 0, 7, 1, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(set.flags[i], flags[i]) << i;
    EXPECT_EQ(set.dateCount, 3);
    EXPECT_EQ(set.dateOrder[0], 0);
    EXPECT_EQ(set.dateOrder[2], 2);
    EXPECT_EQ(set.dateOrder[8], 8);
    for (int v : set.further)
        EXPECT_EQ(v, 0);

    struct OrderCase {
        const char* text;
        int count;
        int order[3];
    };
    const OrderCase orders[] = {
        {"0,0,0,0,0,0,0,0,0,0,0,0, 2 : 0 :1 ,5", 3, {2, 0, 1}},
        {"0,0,0,0,0,0,0,0,0,0,0,0,4::5", 1, {4, 1, 2}},
        {"0,0,0,0,0,0,0,0,0,0,0,0", 0, {0, 1, 2}},
        {"0,0,0,0,0,0,0,0,0,0,0,0,1:2:3:4:5:6:7:8:9:10:11", 9, {1, 2, 3}},
    };
    for (const OrderCase& c : orders) {
        ASSERT_EQ(LoadSpecialFun(c.text, &set), 1);
        EXPECT_EQ(set.dateCount, c.count) << c.text;
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(set.dateOrder[k], c.order[k]) << c.text;
    }

    ASSERT_EQ(
        LoadSpecialFun("1,2,3,4,5,6,7,8,9,10,11,12,2:0:1,13,14,15,16,17,18,19,20,21,22,23,24,25,26x", &set),
        1);
    set.flags[4] = 5;
    const std::string expected = "1,2,3,4,5,6,7,8,9,10,11,12,2:0:1,13,14,15,16,17,18,19,20,21,22,23,24,25,26";
    char out[256];
    memset(out, '#', sizeof out);
    // The text must fit with its terminator: nothing is written otherwise.
    EXPECT_EQ(MakeSpecialFun(&set, out, unsigned(expected.size())), -2);
    EXPECT_EQ(out[0], '#');
    EXPECT_EQ(MakeSpecialFun(&set, out, unsigned(expected.size() + 1)), 1);
    EXPECT_EQ(std::string(out), expected);
    EXPECT_EQ(out[expected.size() + 1], '#');
    EXPECT_STREQ(set.dateText, "2:0:1");
    EXPECT_EQ(MakeSpecialFun(&set, nullptr, 100), 0);
    EXPECT_EQ(MakeSpecialFun(nullptr, out, 100), -1);
}

TEST_F(EnvLibrary, MD5DigestMatchesReferenceVectors) {
    Load();
    struct Case {
        std::string data, digest;
    };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // Lengths around the padding boundary of a block.
        {std::string(55, 'x'), "04364420e25c512fd958a70738aa8f72"},
        {std::string(56, 'x'), "668a72d5ba17f08e62dabcafad6db14b"},
        {std::string(64, 'x'), "c1bb4f81d892b2d57947682aeb252456"},
    };
    for (const Case& c : cases) {
        char out[40];
        memset(out, '#', sizeof out);
        ASSERT_EQ(GetMD5Code(c.data.data(), int(c.data.size()), out), 1);
        EXPECT_EQ(std::string(out), c.digest) << c.data.size() << " bytes";
        EXPECT_EQ(out[33], '#');
    }
}

} // namespace
