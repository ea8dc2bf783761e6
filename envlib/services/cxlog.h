// The library's text log: one process-wide CxLog that queues posted records
// and a writer thread that appends them, in posting order, to the day file
// ".\Log\%Y%m%d.log" below the current directory.
//
// The writer runs only while there is work: a post starts it when none is
// running, and it ends once the queue has stayed empty for a short while.
// It is a library thread (plat::StartLibraryThread): while it runs, the
// library stays loaded, so FreeLibrary or dlclose during a batch lets the
// batch finish, and the unload (with its shutdown) happens after it. Nothing
// in the shutdown waits for the writer under the loader lock.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/lifecycle.h"
#include "platform/platform.h"

namespace dorlix {

// Level names, by the level index of a record.
enum LogLevel { LOG_VZ5 = 0, LOG_WARNING = 1, LOG_EXCEPTION = 2, LOG_ERROR = 3 };

// The queue holds at most this many records and this many bytes of message
// and attachment; a record posted while it is full is refused (not queued).
constexpr std::size_t LOG_QUEUE_MAX_RECORDS = 10000;
constexpr std::size_t LOG_QUEUE_MAX_BYTES = 16u * 1024u * 1024u;
// Sizes of the composed texts: SaveLog's message and one record line, each with its NUL.
constexpr std::size_t LOG_MESSAGE_SIZE = 512;
constexpr std::size_t LOG_LINE_SIZE = 1024;
// Records go to the file in groups of at most this many records and about
// this many bytes, each group with a single write.
constexpr std::size_t LOG_WRITE_GROUP = 64;
constexpr std::size_t LOG_WRITE_BYTES = 32768;
// An idle writer ends after this long without a new record.
constexpr unsigned LOG_WRITER_LINGER_MS = 200;
// At most this long a shutdown waits for a writer still busy in a live thread
// (process exit on POSIX, where the threads run on while exit handlers run).
constexpr unsigned LOG_SHUTDOWN_WAIT_MS = 2000;


// Raised by CxLog::Instance once the log has been shut down.
class LogDestroyed : public std::runtime_error {
  public:
    LogDestroyed() : std::runtime_error("CxLog has destroy!") {}
};

class CxLog {
  public:
    // One posted record; owned by the queue until written.
    struct Item {
        plat::LocalTime time{};
        char timeText[24]{};
        std::string sourceFile; // after the last backslash; kept, never printed
        std::string function;
        int32_t line = 0;
        int32_t level = 0;
        std::string message;
        std::vector<unsigned char> attachment;
        bool written = false; // in the file already (set by the writer)
    };

    // Writer for the given native file path. The singleton uses the day file;
    // tests make their own instances with their own paths and bounds.
    explicit CxLog(std::string nativePath, std::size_t maxRecords = LOG_QUEUE_MAX_RECORDS,
                   std::size_t maxBytes = LOG_QUEUE_MAX_BYTES);
    virtual ~CxLog(); // refuses further records, writes what is queued, waits for the writer
    CxLog(const CxLog&) = delete;
    CxLog& operator=(const CxLog&) = delete;

    // The process-wide log, constructed (folder, day file name) on the first
    // call; its writer starts with the first record. Throws LogDestroyed
    // after Shutdown.
    static CxLog& Instance();
    // Ends the process-wide log and refuses every later use: what is queued
    // is written, by this thread when no writer runs, else by the writer.
    // Never waits for a thread except a live writer at process exit, and that
    // for at most LOG_SHUTDOWN_WAIT_MS. Safe to call when the log was never created.
    static void Shutdown(DetachKind how = DetachKind::Unload);
    // Posts one record. False when it was refused because the queue is full
    // or the log is stopping; the record is then not written.
    bool Log(const char* sourceFile, const char* function, int line, int level, const char* message,
             const void* attachment = nullptr, int attachmentSize = 0);

    // Posts through the process-wide log while holding it alive, so that a
    // concurrent Shutdown cannot free it underneath. Same result as Log; false
    // as well when the log is gone.
    static bool Post(const char* sourceFile, const char* function, int line, int level, const char* message,
                     const void* attachment = nullptr, int attachmentSize = 0);

    const std::string& Path() const { return path_; }
    std::size_t Refused() const { return refused_.load(); }
    // Writers started so far: a burst needs one, however many records it has.
    std::size_t WritersStarted() const { return writersStarted_.load(); }

    // Refuses further records and writes what is queued: by this thread when
    // no writer runs or the system has ended it (ThreadsGone), else by the
    // writer, waited for at most waitMs (~0u: for as long as it takes).
    // Returns whether no writer runs any more.
    bool Close(DetachKind how, unsigned waitMs);

    // The texts of one record as written to the file.
    static std::string FormatLine(const Item& item);
    static std::string FormatDump(const unsigned char* data, std::size_t size);
    // ".\Log\%Y%m%d.log" for a date.
    static std::string DayFileName(const plat::LocalTime& date);

  protected:
    // The writer loop: the body of the writer thread. It writes batches until
    // the queue has stayed empty for the linger time (at once when stopping),
    // then marks the writer as ended; the object is not touched after that.
    virtual void Run();

  private:
    using Queue = std::list<std::unique_ptr<Item>>;
    static void WriterMain(void* self);
    std::FILE* OpenFile() const;
    // Writes the records (lines and dumps) in order to the open day file, a
    // group of them with each write, and marks them written. Returns how
    // many are in the file.
    static std::size_t WriteRecords(std::FILE* file, const std::vector<Item*>& items);

    std::string path_;
    std::size_t maxRecords_;
    std::size_t maxBytes_;
    std::mutex queueLock_;
    std::condition_variable wake_;      // a record was posted, or the log is stopping
    std::condition_variable writerEnded_;
    bool stopping_ = false; // stays set once set
    bool writerRunning_ = false;
    Queue queue_;  // posted, not yet taken by a writer
    Queue taken_;  // the batch a writer is writing (its records then in order before queue_'s)
    std::size_t queuedBytes_ = 0; // of queue_
    std::atomic<std::size_t> refused_{0};
    std::atomic<std::size_t> writersStarted_{0};
};

// One text to the debugger output channel.
void DebugOutput(const std::string& text);

// Cuts a GB2312 text to at most max bytes without splitting a double-byte character.
std::size_t GbCutLength(const char* text, std::size_t len, std::size_t max);

} // namespace dorlix
