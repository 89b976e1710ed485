#pragma once
// The file that receives a started program's standard output on POSIX systems.

#include <string>

#include "platform/result.h"

namespace kestrin::platform {

// An open file descriptor, closed when this goes.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(Descriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    Descriptor& operator=(Descriptor&&) = delete;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }

    int get() const { return m_fd; }
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// An output file as openOutput leaves it, closed when this goes.
class OutputFile {
public:
    OutputFile(Descriptor descriptor, std::string name, bool created);

    // Never 0, 1 or 2.
    int descriptor() const { return m_descriptor.get(); }

    // For a program that did not start: closes the file, and removes it when it was made only
    // for that program's output.
    void abandon();

private:
    Descriptor m_descriptor;
    std::string m_name;
    bool m_created;
};

// Opens the file that receives the program's output as ">" would, with differences that keep a
// name from a downloaded folder from doing harm: only an ordinary file is written (a fifo without
// a reader would hang the window, a device is no place for a conversion), nothing else is
// truncated, and a link that leads nowhere is refused instead of creating a file at its target,
// somewhere other than the name the user typed. A link to an existing file is written through,
// as the listing counts it as that file. A failure's message names the file and the reason.
Result<OutputFile> openOutput(const std::string& file);

}  // namespace kestrin::platform
