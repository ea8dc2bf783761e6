#include "potgroup.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "readini.h"
#include "stricmp.h"

POTGROUP::POTGROUP() {
    RemoveAll();
}

void POTGROUP::RemoveAll() {
    for (POTDATA& p : m_Pot)
        p = POTDATA{0, 0};
}

int POTGROUP::AddPot(void* arg) {
    if (!arg) return -1;
    const char* text = static_cast<const char*>(arg);
    // Every field fits in a buffer as long as the whole text, so nothing is cut.
    std::vector<char> key(strlen(text) + 1), value(strlen(text) + 1), field(strlen(text) + 1);
    if (!ReadIni.GetField2(text, key.data(), key.size(), 0, '=')) return -2;
    if (stricmp(key.data(), "Pot") != 0) return -2;
    if (!ReadIni.GetField2(text, value.data(), value.size(), 1, '=')) return -2;

    for (int i = 0; i < MAXPOTNUM; ++i) {
        if (!ReadIni.GetField2(value.data(), field.data(), field.size(), i, '@')) break;
        ReadIni.Trim(field.data());
        if (field[0] == '\0') break;
        // Only the target changes: the next DG moves by the difference to where the
        // channel was last sent for this entry.
        m_Pot[i].PotData = static_cast<unsigned int>(atoi(field.data()));
    }
    return 1;
}
