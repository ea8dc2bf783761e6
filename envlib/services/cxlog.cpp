// The library's log: one process-wide CxLog, its queue and its writer thread.
//
// Posting never waits for the disk: a poster takes the queue lock only to
// append. The writer notes what is queued under the lock and writes it with
// the lock released, so a slow disk stalls only the writer; records leave the
// queue once they are in the file. The queue is bounded (records and bytes);
// a record posted while it is full is refused. When the day file cannot be
// opened or written, the records stay queued for a later writer or the
// shutdown, still under that bound.
#include "services/cxlog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/lifecycle.h"

namespace dorlix {

namespace {

const char* const kLevelNames[] = {"VZ5LOG", "Warning", "Exception", "Error"};

// Alive flag of the process-wide log. It lives outside the object so that a
// late caller still finds out that the log is gone.
enum { LOG_NONE = 0, LOG_ALIVE = 1, LOG_DESTROYED = 2 };
std::atomic<int> g_state{LOG_NONE};
CxLog* g_log = nullptr;

// Posts in progress through Post. Shutdown marks the log destroyed first and
// then waits for this to drop to zero before it frees the object, so a poster
// either sees the log gone or finishes with it alive. (Plain atomics and a
// constant-initialised mutex: nothing here needs a destructor, since the
// library's unload may run after static destructors.)
std::atomic<int> g_posters{0};
std::mutex g_createLock;

} // namespace

void DebugOutput(const std::string& text) {
    plat::OutputDebugString(text.c_str());
}

std::size_t GbCutLength(const char* text, std::size_t len, std::size_t max) {
    if (len <= max) return len;
    std::size_t i = 0;
    while (i < max) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t step = (c >= 0x81 && c <= 0xFE && i + 1 < len) ? 2 : 1;
        if (i + step > max) break;
        i += step;
    }
    return i;
}

CxLog::CxLog(std::string nativePath, std::size_t maxRecords, std::size_t maxBytes)
    : path_(std::move(nativePath)), maxRecords_(maxRecords), maxBytes_(maxBytes) {}

CxLog::~CxLog() {
    // A private log waits for its writer: the object must outlive it.
    Close(DetachKind::Unload, ~0u);
}

bool CxLog::Close(DetachKind how, unsigned waitMs) {
    std::unique_lock<std::mutex> lock(queueLock_, std::defer_lock);
    if (how == DetachKind::ThreadsGone) {
        // A writer ended by the system may have died holding the lock.
        if (!lock.try_lock()) return false;
    } else {
        lock.lock();
    }
    stopping_ = true;
    if (writerRunning_ && how == DetachKind::Unload) {
        // The writer sees the stop, writes what is queued and ends.
        wake_.notify_all();
        const auto ended = [this] { return !writerRunning_; };
        if (waitMs == ~0u)
            writerEnded_.wait(lock, ended);
        else
            writerEnded_.wait_for(lock, std::chrono::milliseconds(waitMs), ended);
        if (writerRunning_) return false;
    }
    // No writer runs (any more, or the system ended it in the middle of a
    // batch): what is left is written here, except the records it wrote.
    writerRunning_ = false;
    Queue rest;
    rest.swap(taken_);
    rest.splice(rest.end(), queue_);
    queuedBytes_ = 0;
    lock.unlock();
    std::vector<Item*> unwritten;
    for (const auto& item : rest) {
        if (!item->written) unwritten.push_back(item.get());
    }
    if (std::FILE* file = unwritten.empty() ? nullptr : OpenFile()) {
        WriteRecords(file, unwritten);
        std::fclose(file);
    }
    return true;
}

std::string CxLog::DayFileName(const plat::LocalTime& date) {
    char name[32];
    std::snprintf(name, sizeof name, ".\\Log\\%04u%02u%02u.log", static_cast<unsigned>(date.year) % 10000u,
                  static_cast<unsigned>(date.month) % 100u, static_cast<unsigned>(date.day) % 100u);
    return name;
}

CxLog& CxLog::Instance() {
    if (g_state.load() == LOG_ALIVE) return *g_log;
    std::lock_guard<std::mutex> lock(g_createLock);
    const int state = g_state.load();
    if (state == LOG_DESTROYED) {
        DebugOutput("CxLog has destroy!");
        throw LogDestroyed();
    }
    if (state == LOG_NONE) {
        plat::CreateDirectory(".\\Log"); // an existing folder is fine
        // Fixed from now on: a process running past midnight keeps this file.
        const std::string path = plat::MapPath(DayFileName(plat::GetLocalTime()).c_str());
        g_log = new CxLog(path);
        g_state.store(LOG_ALIVE);
    }
    return *g_log;
}

void CxLog::Shutdown(DetachKind how) {
    int before;
    {
        std::unique_lock<std::mutex> lock(g_createLock, std::defer_lock);
        if (how == DetachKind::ThreadsGone) {
            if (!lock.try_lock()) return; // a thread ended by the system held it
        } else {
            lock.lock();
        }
        before = g_state.exchange(LOG_DESTROYED);
    }
    if (before != LOG_ALIVE) return;
    // Posters still inside Post finish with the log alive; new ones see it
    // gone. (At a process exit that ended the other threads, none is left.)
    if (how == DetachKind::Unload) {
        while (g_posters.load() != 0)
            std::this_thread::yield();
    }
    // A writer still running keeps the object: it ends on its own.
    if (g_log->Close(how, LOG_SHUTDOWN_WAIT_MS) && how == DetachKind::Unload) delete g_log;
    g_log = nullptr;
}

bool CxLog::Post(const char* sourceFile, const char* function, int line, int level, const char* message,
                 const void* attachment, int attachmentSize) {
    struct Holder {
        Holder() { g_posters.fetch_add(1); }
        ~Holder() { g_posters.fetch_sub(1); }
    } holder;
    return Instance().Log(sourceFile, function, line, level, message, attachment, attachmentSize);
}

bool CxLog::Log(const char* sourceFile, const char* function, int line, int level, const char* message,
                const void* attachment, int attachmentSize) {
    auto item = std::make_unique<Item>();
    item->time = plat::GetLocalTime();
    const auto& t = item->time;
    const auto u = [](int v, unsigned mod) { return static_cast<unsigned>(v) % mod; };
    std::snprintf(item->timeText, sizeof item->timeText, "%04u-%02u-%02u %02u:%02u:%02u.%03u",
                  u(t.year, 10000), u(t.month, 100), u(t.day, 100), u(t.hour, 100), u(t.minute, 100),
                  u(t.second, 100), u(t.millisecond, 1000));
    if (sourceFile != nullptr) {
        const char* slash = std::strrchr(sourceFile, '\\');
        item->sourceFile = slash ? slash + 1 : sourceFile;
    }
    if (function != nullptr) item->function = function;
    item->line = line;
    item->level = level;
    if (message != nullptr) item->message = message;
    if (attachment != nullptr && attachmentSize > 0) {
        const auto* bytes = static_cast<const unsigned char*>(attachment);
        item->attachment.assign(bytes, bytes + attachmentSize);
    }

    if (plat::DebugOutputOpen()) {
        DebugOutput(FormatLine(*item));
        if (!item->attachment.empty()) DebugOutput(FormatDump(item->attachment.data(), item->attachment.size()));
    }

    const std::size_t bytes = item->message.size() + item->attachment.size();
    bool startWriter = false;
    {
        std::lock_guard<std::mutex> lock(queueLock_);
        if (stopping_ || queue_.size() >= maxRecords_ || bytes > maxBytes_ - queuedBytes_) {
            refused_.fetch_add(1);
            return false;
        }
        queue_.push_back(std::move(item));
        queuedBytes_ += bytes;
        if (!writerRunning_) {
            writerRunning_ = true;
            startWriter = true;
        }
    }
    if (!startWriter) {
        wake_.notify_one();
        return true;
    }
    writersStarted_.fetch_add(1);
    if (!plat::StartLibraryThread(&CxLog::WriterMain, this)) {
        // No thread to be had now: the records wait for the next post or the shutdown.
        std::lock_guard<std::mutex> lock(queueLock_);
        writerRunning_ = false;
        writerEnded_.notify_all();
    }
    return true;
}

std::string CxLog::FormatLine(const Item& item) {
    const bool known = item.level >= 0 && item.level < 4;
    std::string line;
    line.reserve(64 + item.function.size() + item.message.size());
    line += item.timeText;
    line += ' ';
    line += known ? kLevelNames[item.level] : "";
    line += ' ';
    // The third field of the line is always empty.
    line += '(';
    line += item.function;
    line += ", ";
    // snprintf rather than std::to_string: the latter brings a GNU-unique
    // symbol that would keep the shared library from ever unloading.
    char number[16];
    std::snprintf(number, sizeof number, "%d", static_cast<int>(item.line));
    line += number;
    line += "): ";
    line += item.message;
    line += "\r\n";
    // A message that already ends in CR LF keeps one, not two.
    const std::size_t n = line.size();
    if (n > 4 && line[n - 4] == '\r' && line[n - 3] == '\n') line.resize(n - 2);
    // Over-long lines lose the end of their message but stay one line.
    if (line.size() > LOG_LINE_SIZE - 1) {
        const std::size_t keep = GbCutLength(line.data(), line.size() - 2, LOG_LINE_SIZE - 3);
        line.resize(keep);
        line += "\r\n";
    }
    return line;
}

std::string CxLog::FormatDump(const unsigned char* data, std::size_t size) {
    static const char hex[] = "0123456789ABCDEF";
    std::string dump;
    if (data == nullptr || size == 0) return dump;
    dump.reserve((size / 16) * 76 + 77);
    for (std::size_t row = 0; row < size; row += 16) {
        char offset[16];
        std::snprintf(offset, sizeof offset, "%08X: ", static_cast<unsigned>(row));
        dump += offset;
        for (std::size_t i = 0; i < 16; ++i) {
            if (row + i < size) {
                dump += hex[data[row + i] >> 4];
                dump += hex[data[row + i] & 0x0F];
                dump += ' ';
            } else {
                dump += "   ";
            }
        }
        for (std::size_t i = 0; i < 16; ++i) {
            const unsigned char c = row + i < size ? data[row + i] : ' ';
            dump += (c < 32 || c == 127) ? ' ' : static_cast<char>(c);
        }
        dump += "\r\n";
    }
    return dump;
}

void CxLog::WriterMain(void* self) {
    static_cast<CxLog*>(self)->Run();
}

void CxLog::Run() {
    std::unique_lock<std::mutex> lock(queueLock_);
    for (;;) {
        if (queue_.empty() && !stopping_)
            wake_.wait_for(lock, std::chrono::milliseconds(LOG_WRITER_LINGER_MS));
        if (queue_.empty()) break;
        // The file is opened before any record is taken: when it cannot be,
        // the records stay queued (and the queue stays bounded) for a later
        // writer or the shutdown.
        lock.unlock();
        std::FILE* file = OpenFile();
        lock.lock();
        if (file == nullptr) break;
        // A batch: everything queued now, moved aside at once. The records
        // are marked as written when their write is done, so that a process
        // exit cutting the batch short finds the rest and loses none.
        taken_.splice(taken_.end(), queue_);
        queuedBytes_ = 0;
        lock.unlock();
        std::vector<Item*> batch;
        batch.reserve(taken_.size());
        for (const auto& item : taken_)
            batch.push_back(item.get());
        const std::size_t done = WriteRecords(file, batch);
        std::fclose(file);
        lock.lock();
        Queue written;
        written.swap(taken_);
        if (done < batch.size()) {
            // A write failed: the rest goes back in front for a later writer.
            auto rest = std::next(written.begin(), static_cast<std::ptrdiff_t>(done));
            for (auto it = rest; it != written.end(); ++it)
                queuedBytes_ += (*it)->message.size() + (*it)->attachment.size();
            queue_.splice(queue_.begin(), written, rest, written.end());
        }
        lock.unlock();
        written.clear(); // freed without holding up the posters
        lock.lock();
        if (done < batch.size()) break;
    }
    writerRunning_ = false;
    writerEnded_.notify_all();
    // The unlock is the last touch of the object: a shutdown may free it next.
}

std::FILE* CxLog::OpenFile() const {
    std::FILE* file = std::fopen(path_.c_str(), "ab");
    // Unbuffered: each group of records reaches the file with a single write.
    if (file) std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

std::size_t CxLog::WriteRecords(std::FILE* file, const std::vector<Item*>& items) {
    std::size_t done = 0;
    std::string text;
    while (done < items.size()) {
        std::size_t end = done;
        text.clear();
        while (end < items.size() && end - done < LOG_WRITE_GROUP && text.size() < LOG_WRITE_BYTES) {
            text += FormatLine(*items[end]);
            if (!items[end]->attachment.empty())
                text += FormatDump(items[end]->attachment.data(), items[end]->attachment.size());
            ++end;
        }
        if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) break;
        for (std::size_t i = done; i < end; ++i)
            items[i]->written = true;
        done = end;
    }
    return done;
}

void LogDetach(DetachKind how) {
    CxLog::Shutdown(how);
}

} // namespace dorlix
