// SPDX-License-Identifier: MIT
// Why a field's value is refused.
#include "backend/texts.h"

#include "common/text.h"

namespace kestrin::backend {
namespace {

// Each character found as escapeForDisplay shows it, or by its U+XXXX name, after a blank.
std::string listed(std::string_view found) {
    std::string text;
    for (const char c : found) {
        text += (text.empty() ? "" : " ") + escapeForDisplay(std::string_view(&c, 1));
    }
    return text;
}

std::string listed(const std::vector<char32_t>& found) {
    std::string text;
    for (const char32_t codePoint : found) {
        text += (text.empty() ? "" : " ") + codePointName(codePoint);
    }
    return text;
}

}  // namespace

std::string quoted(std::string_view text) {
    return "\"" + escapeForDisplay(text) + "\"";
}

std::string refusal(std::string_view label, std::string_view value, std::string_view why) {
    return std::string(label) + " " + quoted(value) + " " + std::string(why) +
           std::string(kNothingStarted);
}

std::string blankBackend(std::string_view label) {
    return std::string(label) +
           " is blank: the next word of the command line would be started as the program." +
           std::string(kNothingStarted);
}

std::string actedOnByInterpreter(std::string_view found) {
    return "holds characters that the command interpreter would act on: " + listed(found);
}

std::string doesNotShowAsItself(const std::vector<char32_t>& found) {
    return "holds characters that do not show as themselves (invisible, or changing how the text "
           "around them shows): " +
           listed(found);
}

std::string notInCodePage(const std::vector<char32_t>& found, unsigned codePage) {
    return "holds characters that the backend would receive as other characters: " + listed(found) +
           ". Windows hands a program its command line in the system's code page (" +
           std::to_string(codePage) +
           "), which does not hold them, and puts a look-alike or \"?\" in their place.";
}

std::string readAsWordBreak(std::string_view found) {
    return "holds characters that the command interpreter reads as a break between words, as it "
           "reads a space: " +
           listed(found) +
           ". It would end the name there and take the rest for another argument: the line "
           "would name another file. Rename the file.";
}

std::string namesADevice(std::string_view device) {
    return "names the device " + quoted(device) +
           ", not a file: Windows keeps CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, in "
           "any case and with any ending, for its devices, and would use the device. Rename the "
           "file.";
}

}  // namespace kestrin::backend
