// dorlix env: show and change the station environment record.
//
// The record holds GB2312 texts; they are shown in the terminal's character
// set (UTF-8 unless the locale says otherwise) and values typed on the command
// line are taken in that set and stored as GB2312.
#include "command.h"
#include "dorlix.h"
#include "terminal.h"

#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Layout of the record as the library hands it out.
constexpr int ITEM_COUNT = 300;
constexpr size_t ITEMS_OFFSET = 4110;
constexpr size_t ITEM_SIZE = 616;
constexpr size_t VALUE_OFFSET = 0, VALUE_SIZE = 256;
constexpr size_t LABEL_OFFSET = 256, LABEL_SIZE = 256;
constexpr size_t KEY_OFFSET = 512, KEY_SIZE = 100;
constexpr size_t TYPE_OFFSET = 612;

struct Item {
    std::string value, label, key;
    int32_t type = 0;
};

std::string Text(const char* p, size_t size) {
    return std::string(p, strnlen(p, size));
}

Item ItemAt(const std::vector<char>& rec, int i) {
    const char* p = rec.data() + ITEMS_OFFSET + ITEM_SIZE * static_cast<size_t>(i);
    Item item;
    item.value = Text(p + VALUE_OFFSET, VALUE_SIZE);
    item.label = Text(p + LABEL_OFFSET, LABEL_SIZE);
    item.key = Text(p + KEY_OFFSET, KEY_SIZE);
    memcpy(&item.type, p + TYPE_OFFSET, sizeof item.type);
    return item;
}

std::string Show(const std::string& gb) {
    return dorlixtool::ToTerminal(gb);
}

bool ReadRecord(std::vector<char>& rec) {
    int size = GetSysEnvStrSize();
    if (size <= 0) {
        fprintf(stderr, "dorlix env: the library is not ready\n");
        return false;
    }
    rec.assign(static_cast<size_t>(size), '\0');
    if (GetSysEnv(rec.data()) != 1)
        fprintf(stderr, "dorlix env: warning: the environment file was missing at load\n");
    return true;
}

// Index of an item named by its number or its key (first match, any case).
int FindItem(const std::vector<char>& rec, const std::string& name) {
    char* end = nullptr;
    long n = strtol(name.c_str(), &end, 10);
    if (!name.empty() && *end == '\0') return (n >= 0 && n < ITEM_COUNT) ? static_cast<int>(n) : -1;
    for (int i = 0; i < ITEM_COUNT; ++i)
        if (strcasecmp(ItemAt(rec, i).key.c_str(), name.c_str()) == 0) return i;
    return -1;
}

void PrintItem(int i, const Item& item) {
    printf("%3d  %-22s %2d  %s = %s\n", i, item.key.c_str(), item.type, Show(item.label).c_str(),
           Show(item.value).c_str());
}

int List() {
    std::vector<char> rec;
    if (!ReadRecord(rec)) return 1;
    for (int i = 0; i < ITEM_COUNT; ++i)
        PrintItem(i, ItemAt(rec, i));
    return 0;
}

int Get(const std::string& name) {
    std::vector<char> rec;
    if (!ReadRecord(rec)) return 1;
    int i = FindItem(rec, name);
    if (i < 0) {
        fprintf(stderr, "dorlix env: no item '%s'\n", name.c_str());
        return 1;
    }
    printf("%s\n", Show(ItemAt(rec, i).value).c_str());
    return 0;
}

int Set(const std::string& name, const std::string& value) {
    std::vector<char> rec;
    if (!ReadRecord(rec)) return 1;
    int i = FindItem(rec, name);
    if (i < 0) {
        fprintf(stderr, "dorlix env: no item '%s'\n", name.c_str());
        return 1;
    }
    std::string gb;
    if (!dorlixtool::FromTerminal(value, gb)) {
        fprintf(stderr, "dorlix env: the value cannot be written in GB2312\n");
        return 1;
    }
    if (gb.size() >= VALUE_SIZE) {
        fprintf(stderr, "dorlix env: the value is longer than %zu bytes\n", VALUE_SIZE - 1);
        return 1;
    }
    char* p = rec.data() + ITEMS_OFFSET + ITEM_SIZE * static_cast<size_t>(i) + VALUE_OFFSET;
    memset(p, 0, VALUE_SIZE);
    memcpy(p, gb.data(), gb.size());
    if (SaveSysEnv(rec.data(), 0) != 1) {
        fprintf(stderr, "dorlix env: the environment file cannot be written\n");
        return 1;
    }
    if (!ReadRecord(rec)) return 1;
    PrintItem(i, ItemAt(rec, i));
    return 0;
}

int Export(const std::string& base) {
    if (ExportLWPConfig(base.c_str()) != 1) {
        fprintf(stderr, "dorlix env: cannot write %s.LWPENV\n", base.c_str());
        return 1;
    }
    printf("%s.LWPENV\n", base.c_str());
    return 0;
}

int Import(const std::string& file) {
    int r = ImportLWPConfig(file.c_str());
    if (r == 1) return 0;
    if (r < 0)
        fprintf(stderr, "dorlix env: cannot read %s\n", file.c_str());
    else
        fprintf(stderr, "dorlix env: %s was not imported (damaged file or environment not writable)\n",
                file.c_str());
    return 1;
}

int RunEnv(const std::vector<std::string>& args) {
    const std::string cmd = args.empty() ? std::string() : args[0];
    if (cmd == "list" && args.size() == 1) return List();
    if (cmd == "get" && args.size() == 2) return Get(args[1]);
    if (cmd == "set" && args.size() == 3) return Set(args[1], args[2]);
    if (cmd == "export" && args.size() == 2) return Export(args[1]);
    if (cmd == "import" && args.size() == 2) return Import(args[1]);
    fprintf(stderr, "usage: dorlix env list | get <key|index> | set <key|index> <value> | export <base> | "
                    "import <file>\n");
    return 2;
}

const dorlixtool::Registration reg("env",
                                   "env list | get <key|index> | set <key|index> <value> | "
                                   "export <base> | import <file>",
                                   RunEnv);

} // namespace
