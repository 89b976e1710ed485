#pragma once
// The thin layer over the operating system. The directory search, the process start and their
// helpers are plain C++ without Qt, so that they also build for Windows; the message box in
// qt_messages.h is the one piece that needs Qt.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrin::platform {

// A search of one folder by a wildcard pattern in the shape of FindFirstFile/FindNextFile:
// first() starts it and returns the first ordinary file name, next() each following one, and an
// empty name means that there are no more. Names are UTF-8; ordinary means no directories, no
// hidden or system files. Every name comes back in caseInsensitiveLess order.
class DirectorySearch {
public:
    virtual ~DirectorySearch() = default;

    // pathAndPattern is the folder, its separator and the pattern, such as "./*.qb".
    // Returns std::nullopt when the folder cannot be searched.
    virtual std::optional<std::string> first(const std::string& pathAndPattern) = 0;
    virtual std::string next() = 0;
};

// What every system's search shares: it gathers the matching names of the whole folder at once,
// then hands them out in caseInsensitiveLess order.
class GatheredSearch : public DirectorySearch {
public:
    std::optional<std::string> first(const std::string& pathAndPattern) final;
    std::string next() final;

protected:
    // Appends the names that the search for pathAndPattern finds, in any order; false when the
    // folder cannot be read.
    virtual bool gather(const std::string& pathAndPattern, std::vector<std::string>& names) = 0;

private:
    std::vector<std::string> m_names;
    std::size_t m_next = 0;
};

// The system's own search: opendir/readdir on POSIX, FindFirstFileW on Windows.
std::unique_ptr<DirectorySearch> makeDirectorySearch();

}  // namespace kestrin::platform
