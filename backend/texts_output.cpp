// SPDX-License-Identifier: MIT
// What became of a Decompile's output, or why it cannot be written.
#include "backend/texts.h"

namespace kestrin::backend {
namespace {

std::string where(std::string_view folder) {
    return folder.empty() ? std::string("the working folder") : "the folder " + quoted(folder);
}

}  // namespace

std::string cannotWrite(std::string_view file, std::string_view why) {
    return "Cannot write the output to " + quoted(file) + ": " + std::string(why);
}

std::string linkLeadsOutside(std::string_view file, std::string_view folder) {
    return cannotWrite(file, "it is a link that leads outside " + where(folder) + ".");
}

std::string pathLeadsOutside(std::string_view file, std::string_view folder) {
    return cannotWrite(file,
                       "its path goes through a link that leads outside " + where(folder) + ".");
}

std::string cannotReplace(std::string_view file, const std::error_code& error) {
    return cannotWrite(file, "it may not be replaced: " + reasonFor(error));
}

std::string cannotKeep(std::string_view file, std::string_view keep, std::string_view why) {
    return cannotWrite(
        file, "its earlier content cannot be kept as " + quoted(keep) + ": " + std::string(why));
}

std::string cannotMakeFileBeside(std::string_view file, const std::error_code& error) {
    return cannotWrite(file, "no new file can be made in its folder: " + reasonFor(error));
}

std::string newOutputElsewhere(std::string_view file, std::string_view newOutput,
                               std::string_view why) {
    return "The new output could not take the name " + quoted(file) + ": " + std::string(why) +
           " It is in " + quoted(newOutput) + ", and " + quoted(file) + " is as it was.";
}

std::string notUndone(std::string_view made, std::string_view copy, const std::error_code& error) {
    return "\nWhat was made for it could not all be undone: " + reasonFor(error) + " Look at " +
           quoted(made) + (copy.empty() ? "" : " and " + quoted(copy)) + ".";
}

}  // namespace kestrin::backend
