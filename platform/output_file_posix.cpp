#include "platform/output_file_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/launch_messages.h"

namespace kestrin::platform {
namespace {

// O_NONBLOCK makes a fifo without a reader fail at once instead of hanging the window.
constexpr int kFlags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

Failure because(const std::string& file, int error) {
    return Failure{cannotWrite(file, reasonFor(error))};
}

Failure notOrdinary(const std::string& file) {
    return Failure{cannotWrite(file, "it is not an ordinary file.")};
}

struct Opened {
    Descriptor descriptor;
    bool created;
};

// Why an existing name could not be opened for writing, given open's error.
Failure whyNotOpened(const std::string& file, int error) {
    struct stat info {};
    if (error == ENOENT && lstat(file.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        return Failure{cannotWrite(file, "it is a link to a file that does not exist.")};
    }
    if (stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return notOrdinary(file);
    }
    return because(file, error);
}

Result<Opened> openOrCreate(const std::string& file) {
    // O_EXCL never follows a link, so a file is only created where nothing is yet.
    Descriptor created(open(file.c_str(), kFlags | O_CREAT | O_EXCL, 0666));
    if (created.get() >= 0) {
        return Opened{.descriptor = std::move(created), .created = true};
    }
    if (errno != EEXIST) {
        return because(file, errno);
    }
    Descriptor existing(open(file.c_str(), kFlags));
    if (existing.get() < 0) {
        return whyNotOpened(file, errno);
    }
    return Opened{.descriptor = std::move(existing), .created = false};
}

// Kestrin may run with standard descriptors closed; the output must not land on 0, 1 or 2,
// where the child's own redirections would overwrite it.
Result<> keepOffStandardDescriptors(const std::string& file, Descriptor& out) {
    if (out.get() <= STDERR_FILENO) {
        const int moved = fcntl(out.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        if (moved == -1) {
            return because(file, errno);
        }
        out.reset(moved);
    }
    return {};
}

// Only an ordinary file, emptied unless it is new, and blocking again for the program.
Result<> makeReady(const std::string& file, Opened& opened) {
    Descriptor& out = opened.descriptor;
    struct stat info {};
    if (fstat(out.get(), &info) != 0) {
        return because(file, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        out.reset();
        return notOrdinary(file);
    }
    if (!opened.created && ftruncate(out.get(), 0) != 0) {
        return because(file, errno);
    }
    const int flags = fcntl(out.get(), F_GETFL);
    if (flags == -1 || fcntl(out.get(), F_SETFL, flags & ~O_NONBLOCK) == -1) {
        return because(file, errno);
    }
    return keepOffStandardDescriptors(file, out);
}

}  // namespace

void Descriptor::reset(int fd) {
    if (m_fd >= 0) {
        close(m_fd);
    }
    m_fd = fd;
}

OutputFile::OutputFile(Descriptor descriptor, std::string name, bool created)
    : m_descriptor(std::move(descriptor)), m_name(std::move(name)), m_created(created) {}

void OutputFile::abandon() {
    m_descriptor.reset();
    if (m_created) {
        unlink(m_name.c_str());
    }
}

Result<OutputFile> openOutput(const std::string& file) {
    Result<Opened> opened = openOrCreate(file);
    if (!opened) {
        return opened.failure();
    }
    if (Result<> ready = makeReady(file, *opened); !ready) {
        return ready.failure();
    }
    return OutputFile(std::move(opened->descriptor), file, opened->created);
}

}  // namespace kestrin::platform
