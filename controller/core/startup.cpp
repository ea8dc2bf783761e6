#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console.h"
#include "drvlib.h"
#include "runenv.h"
#include "udpserver.h"

pthread_mutex_t FileLock = PTHREAD_MUTEX_INITIALIZER;
char GlobeLocalIP[60] = "127.0.0.0";

extern pthread_mutex_t SynxLock;

int lock_reg(int fd, int cmd, int type, long offset, int whence, long len) {
    struct flock lock;
    memset(&lock, 0, sizeof lock);
    lock.l_type = static_cast<short>(type);
    lock.l_start = offset;
    lock.l_whence = static_cast<short>(whence);
    lock.l_len = len;
    return fcntl(fd, cmd, &lock);
}

int write_lock(int fd, long offset, int whence, long len) {
    return lock_reg(fd, F_SETLK, F_WRLCK, offset, whence, len);
}

int Check_Running() {
    int fd = open(PidFile(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0) printf(" Open file error \n");
    if (write_lock(fd, 0, SEEK_SET, 0) < 0) {
        if (errno == EACCES || errno == EAGAIN) {
            if (fd >= 0) close(fd); // the other instance keeps its lock; ours is not needed
            return -1;
        }
        printf("Write_lock error! \n");
    }
    if (ftruncate(fd, 0) < 0) printf("  ftruncate error  \n");
    char buf[32];
    int len = snprintf(buf, sizeof buf, "%d\n", static_cast<int>(getpid()));
    if (write(fd, buf, static_cast<size_t>(len)) != len) printf(" Write error \n");
    int flags = fcntl(fd, F_GETFD);
    if (flags < 0) printf(" fcntl F_GETFD error \n");
    if (fcntl(fd, F_SETFD, flags | FD_CLOEXEC) < 0) printf(" fcntl F_SETFD error \n");
    return 1; // fd stays open: the lock lasts as long as the process
}

static void Create(pthread_mutex_t* m, const char* prefix) {
    int rc = pthread_mutex_init(m, nullptr);
    if (rc != 0) {
        printf("%s: %s\n", prefix, strerror(rc));
        exit(1);
    }
}

void CreateLocks() {
    Create(&FileLock, "FileLock mutex_lock fail");
    Create(&HardLockOut, "HardLock mutex_lock fail");
    Create(&HardLockIn, "HardLock mutex_lock fail");
    Create(&HardLock, "HardLock mutex_lock fail");
    Create(&DispLock, "DispLock mutex_lock fail");
    Create(&SynxLock, "DispLock mutex_lock fail");
    Create(&UdpLock, "UdpLock mutex_lock fail");
}
