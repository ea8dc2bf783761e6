#include "corwatch.h"

#include <sys/reboot.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static char kRebootFile[] = "reboot.txt";
static char kShutdownFile[] = "shutdown.txt";
static char kControllerName[] = "Corlan";
static char kStationName[] = "mq5290";

const char* WatchRunDir() {
    const char* v = getenv("CORWATCH_RUNDIR");
    return (v && *v) ? v : "/mnt/mmc";
}

bool WatchDryRun() {
    return getenv("CORWATCH_DRYRUN") != nullptr;
}

static void CurrentDir(char* buf, size_t size) {
    if (!getcwd(buf, size)) snprintf(buf, size, ".");
}

void WatchStartup() {
    printf("Corwatch System Software Ver:%s \n", CORWATCH_VERSION);
    printf("Support Max8 PLCs.\n");
    char cwd[PATH_MAX];
    CurrentDir(cwd, sizeof cwd);
    printf("RunEnv: %s\n", cwd);
    if (chdir(WatchRunDir()) != 0) perror("RunEnv: chdir");
    CurrentDir(cwd, sizeof cwd);
    printf("RunEnv: %s\n\n", cwd);
    fflush(stdout);
}

void WatchOnce() {
    char cwd[PATH_MAX];
    CurrentDir(cwd, sizeof cwd);
    if (FindFile(cwd, kRebootFile)) {
        printf("Corwatch: Reboot!\n");
        if (remove(kRebootFile) != 0) perror("Corwatch: delete reboot.txt");
        fflush(stdout);
        sync();
        if (WatchDryRun()) {
            printf("Corwatch: dry run, reboot(0x%08X) not called\n", CORWATCH_REBOOT_CMD);
        } else if (reboot(CORWATCH_REBOOT_CMD) != 0) {
            // Only reached when the restart is refused (no privilege): keep watching.
            perror("Corwatch: reboot");
        }
    }
    if (FindFile(cwd, kShutdownFile)) {
        // A file that cannot be deleted is found again on the next pass, and
        // the stop is repeated then.
        if (remove(kShutdownFile) != 0) perror("Corwatch: delete shutdown.txt");
        sync();
        KillProcess(kControllerName);
        KillProcess(kStationName);
        printf("Corwatch: shutdown!\n");
    }
    fflush(stdout);
}

int WatchMain() {
    // Line-buffered even into a log file, so each message is there when printed.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    WatchStartup();
    for (;;) {
        WatchOnce();
        usleep(3000000);
    }
}
