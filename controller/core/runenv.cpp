#include "runenv.h"
#include "public.h"

#include <cstdlib>

static const char* EnvOr(const char* name, const char* fallback) {
    const char* v = getenv(name);
    return (v && *v) ? v : fallback;
}

const char* RunDir() {
    return EnvOr("CORLAN_RUNDIR", "/mnt/mmc");
}
const char* PidFile() {
    return EnvOr("CORLAN_PIDFILE", PIDFILE);
}
int LocalPort() {
    return atoi(EnvOr("CORLAN_PORT", "2017"));
}
const char* IfaceName() {
    return EnvOr("CORLAN_IFACE", "eth0");
}
const char* HomeDir() {
    return EnvOr("CORLAN_HOMEDIR", "/home/root");
}
const char* BusSpec() {
    return EnvOr("CORLAN_BUS", "");
}
int SimPort() {
    return atoi(EnvOr("CORLAN_SIM_PORT", "0"));
}
