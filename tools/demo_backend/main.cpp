// SPDX-License-Identifier: MIT
// The demo backend: Kestrin's stand-in for a real backend program, for trying Kestrin out. It
// reads and writes only the made-up demo formats of demo_script.h and demo_archive.h.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "tools/demo_backend/demo_archive.h"
#include "tools/demo_backend/demo_script.h"
#include "tools/demo_backend/format_error.h"
#include "tools/demo_backend/utf8_path.h"

namespace {

namespace fs = std::filesystem;
using kestrin::demo::FormatError;
using kestrin::demo::fromUtf8;

constexpr const char* kUsage =
    "Kestrin demo backend: a demonstration, not a converter for any real game.\n"
    "It reads and writes only a small made-up format of its own, so that Kestrin can be\n"
    "tried out; put a real backend program in its place to work on real files.\n"
    "\n"
    "Usage:\n"
    "  mervo -d FILE.qb [GAME]   print the text form of the demo script FILE.qb\n"
    "                            (GAME is noted in the heading; DEBUG adds byte offsets)\n"
    "  mervo -c FILE.txt         write FILE.qb from the text form in FILE.txt\n"
    "  mervo -p x ARCHIVE        unpack the demo archive ARCHIVE into the working folder\n"
    "  mervo --help              show this text\n";

// A usage mistake, as opposed to a bad file.
class UsageError : public FormatError {
public:
    explicit UsageError(const std::string& what) : FormatError(what + " (see --help)") {}
};

std::string readFile(const std::string& name) {
    std::error_code error;
    const fs::path path = fromUtf8(name);
    if (!fs::exists(path, error)) {
        throw FormatError(name + ": no such file");
    }
    if (!fs::is_regular_file(path, error)) {
        throw FormatError(name + ": not an ordinary file");
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad() || !in.is_open()) {
        throw FormatError(name + ": cannot be read");
    }
    return bytes;
}

// Replaces the file as a whole, so that a failed write leaves the old one in place.
void writeFile(const std::string& name, const std::string& bytes) {
    const fs::path path = fromUtf8(name);
    fs::path temporary = path;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            throw FormatError(name + ": cannot be written");
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        throw FormatError(name + ": cannot be written");
    }
}

// FILE.txt gives FILE.qb; a name without ".txt" gets ".qb" added.
std::string compiledName(const std::string& textName) {
    const std::string ending = ".txt";
    if (textName.size() > ending.size() &&
        textName.compare(textName.size() - ending.size(), ending.size(), ending) == 0) {
        return textName.substr(0, textName.size() - ending.size()) + ".qb";
    }
    return textName + ".qb";
}

// Reads a file with read, naming the file in front of what read reports.
template <typename Read>
auto within(const std::string& name, Read read) {
    try {
        return read();
    } catch (const UsageError&) {
        throw;
    } catch (const FormatError& error) {
        throw FormatError(name + ": " + error.what());
    }
}

// -d FILE.qb [GAME]: the text form on standard output.
void decompile(const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3) {
        throw UsageError("-d takes a file and at most one game");
    }
    const std::string game = args.size() == 3 ? args[2] : "";
    const std::string bytes = readFile(args[1]);
    const auto script = within(args[1], [&] { return kestrin::demo::readScript(bytes); });
    const std::string text = kestrin::demo::renderText(script, game);
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);  // the text form keeps "\n" line ends everywhere
#endif
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0) {
        throw FormatError("cannot write to standard output");
    }
}

// -c FILE.txt: FILE.qb next to it.
void compile(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        throw UsageError("-c takes exactly one file");
    }
    const std::string text = readFile(args[1]);
    const auto script = within(args[1], [&] { return kestrin::demo::parseText(text); });
    writeFile(compiledName(args[1]), kestrin::demo::writeScript(script));
}

// -p x ARCHIVE: its members in the working folder.
void unpack(const std::vector<std::string>& args) {
    if (args.size() != 3 || args[1] != "x") {
        throw UsageError("unpacking is -p x ARCHIVE");
    }
    const std::string bytes = readFile(args[2]);
    const auto members = within(args[2], [&] { return kestrin::demo::readArchive(bytes); });
    within(args[2], [&] { kestrin::demo::unpack(members, fs::current_path()); });
}

void run(const std::vector<std::string>& args) {
    if (args.empty()) {
        throw UsageError("no option given");
    }
    const std::string& option = args[0];
    if (option == "--help" || option == "-h") {
        std::cout << kUsage;
    } else if (option == "-d") {
        decompile(args);
    } else if (option == "-c") {
        compile(args);
    } else if (option == "-p") {
        unpack(args);
    } else {
        throw UsageError("unknown option \"" + option + "\"");
    }
}

// File names and games come from the command line and may hold line breaks; the message must
// stay one line.
int fail(const char* what, int status) {
    std::string line = "demo backend: ";
    for (const char* c = what; *c != '\0'; ++c) {
        const auto code = static_cast<unsigned char>(*c);
        line += code < 0x20 || code == 0x7F ? '?' : *c;
    }
    std::cerr << line << "\n";
    return status;
}

#ifdef _WIN32
std::string utf8Argument(const wchar_t* argument) {
    const std::u8string text = fs::path(argument).u8string();
    return {text.begin(), text.end()};
}
#else
std::string utf8Argument(const char* argument) {
    return argument;
}
#endif

}  // namespace

// On Windows the arguments come in UTF-16, as the file system holds names: an ANSI main would
// get them in the code page, which holds few of them ("café" perhaps, Japanese names not).
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    try {
        std::vector<std::string> args;
        for (int i = 1; i < argc; ++i) {
            args.push_back(utf8Argument(argv[i]));
        }
        run(args);
        return 0;
    } catch (const UsageError& error) {
        return fail(error.what(), 2);
    } catch (const std::exception& error) {
        return fail(error.what(), 1);
    }
}
