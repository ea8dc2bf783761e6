// The six exports of the XML reader, all on the one reader of the process.
#include "core/export.h"
#include "dorlix.h"
#include "xml/xmlreader.h"

extern "C" {

DORLIX_API int DORLIX_CALL LoadXML(const char* path) {
    return dorlix::Guarded(0, [&] { return dorlix::TheXmlReader().Load(path); });
}

DORLIX_API int DORLIX_CALL FindItem(const char* name) {
    return dorlix::Guarded(0, [&] { return dorlix::TheXmlReader().FindItem(name); });
}

DORLIX_API int DORLIX_CALL IntoItem(void) {
    return dorlix::Guarded(0, [&] { return dorlix::TheXmlReader().IntoItem(); });
}

DORLIX_API int DORLIX_CALL NextItem(void) {
    return dorlix::Guarded(0, [&] { return dorlix::TheXmlReader().NextItem(); });
}

DORLIX_API int DORLIX_CALL ExitItem(void) {
    return dorlix::Guarded(1, [&] { return dorlix::TheXmlReader().ExitItem(); });
}

DORLIX_API int DORLIX_CALL GetAttr(const char* name, char* value) {
    return dorlix::Guarded(0, [&] { return dorlix::TheXmlReader().GetAttr(name, value); });
}

} // extern "C"
