// Named shared memory on POSIX: an object of shm_open, named "/<name>".
//
// A Windows mapping lives while some process holds a handle to it; a POSIX
// object lives until it is unlinked. The holders mark their hold with a
// read lock on the object (an open-file-description lock, which belongs to
// the holder's open object and goes when the holder ends, in whatever way):
// - a creator that can lock the object for writing is alone with it: the
//   block is new, or left over from holders that have all ended, and starts
//   zero-filled at the asked size;
// - a reader that finds no lock (testing, without taking one) finds no
//   holder: no block exists;
// - the last holder to let go unlinks the name.
// A creator that lost its name to a leaving holder between opening and
// locking finds the name gone or pointing elsewhere, and starts over.
#include "platform/shmem.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <string>

namespace plat {

struct SharedBlock::Native {
    std::string name;
    int fd = -1; // held blocks only
};

namespace {
// The mapping covers whole pages, as on Windows; the bytes past the object's
// end in its last page read as zero.
std::size_t MappedSize(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size <= 0) return 0;
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return (static_cast<std::size_t>(st.st_size) + page - 1) / page * page;
}

std::string ObjectName(const char* name) {
    return std::string("/") + name;
}

bool SameObject(const std::string& name, int fd) {
    int again = shm_open(name.c_str(), O_RDONLY, 0);
    if (again < 0) return false;
    struct stat a {}, b {};
    const bool same = fstat(fd, &a) == 0 && fstat(again, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    close(again);
    return same;
}

bool Lock(int fd, short type, bool wait) {
    struct flock lk {};
    lk.l_type = type;
    lk.l_whence = SEEK_SET; // the whole object
    return fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lk) == 0;
}

bool Held(int fd) {
    struct flock lk {};
    lk.l_type = F_WRLCK;
    lk.l_whence = SEEK_SET;
    return fcntl(fd, F_OFD_GETLK, &lk) == 0 && lk.l_type != F_UNLCK;
}

// Opens or makes the object and holds it; fd, or -1.
int HoldObject(const std::string& name, uint32_t size) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = shm_open(name.c_str(), O_RDWR | O_CREAT, 0666);
        if (fd < 0) return -1;
        bool held = false;
        if (Lock(fd, F_WRLCK, false)) { // alone: a fresh block
            held = ftruncate(fd, 0) == 0 && ftruncate(fd, static_cast<off_t>(size)) == 0 && Lock(fd, F_RDLCK, true);
        } else {
            held = Lock(fd, F_RDLCK, true);
        }
        if (held && SameObject(name, fd)) return fd;
        close(fd);
        if (!held) return -1;
    }
    return -1;
}
} // namespace

std::unique_ptr<SharedBlock> SharedBlock::Create(const char* name, uint32_t size) {
    if (!name || size == 0) return nullptr;
    const std::string object = ObjectName(name);
    const int fd = HoldObject(object, size);
    if (fd < 0) return nullptr;
    const std::size_t mapped = MappedSize(fd);
    void* view = mapped ? mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    Native* native = view == MAP_FAILED ? nullptr : new (std::nothrow) Native{object, fd};
    if (!native) {
        if (view != MAP_FAILED) munmap(view, mapped);
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<SharedBlock>(new SharedBlock(native, static_cast<unsigned char*>(view), mapped));
}

std::unique_ptr<SharedBlock> SharedBlock::Open(const char* name) {
    if (!name) return nullptr;
    const std::string object = ObjectName(name);
    int fd = shm_open(object.c_str(), O_RDONLY, 0);
    if (fd < 0) return nullptr;
    if (!Held(fd)) { // left over from holders that have ended
        close(fd);
        return nullptr;
    }
    const std::size_t mapped = MappedSize(fd);
    void* view = mapped ? mmap(nullptr, mapped, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    close(fd);
    if (view == MAP_FAILED) return nullptr;
    Native* native = new (std::nothrow) Native{object, -1};
    if (!native) {
        munmap(view, mapped);
        return nullptr;
    }
    return std::unique_ptr<SharedBlock>(new SharedBlock(native, static_cast<unsigned char*>(view), mapped));
}

void SharedBlock::Release() {
    if (!native_) return;
    if (data_) munmap(data_, size_);
    if (native_->fd >= 0) {
        // The last holder takes the name with it.
        if (Lock(native_->fd, F_WRLCK, false)) shm_unlink(native_->name.c_str());
        close(native_->fd);
    }
    delete native_;
    native_ = nullptr;
    data_ = nullptr;
    size_ = 0;
}

} // namespace plat
