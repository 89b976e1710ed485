// SPDX-License-Identifier: MIT
// Why a field's value is refused.
#include "backend/texts.h"

#include "common/text.h"

namespace kestrin::backend {
namespace {

// The characters found, each as name shows it, between blanks.
template <typename Found, typename Name>
std::string listed(const Found& found, Name name) {
    std::string text;
    for (const auto character : found) {
        text += (text.empty() ? "" : " ") + name(character);
    }
    return text;
}

// A byte as escapeForDisplay shows it.
std::string shown(char c) {
    return escapeForDisplay(std::string_view(&c, 1));
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
    return "holds characters that the command interpreter would act on: " + listed(found, shown);
}

std::string doesNotShowAsItself(const std::vector<char32_t>& found) {
    return "holds characters that do not show as themselves (invisible, or changing how the text "
           "around them shows): " +
           listed(found, codePointName);
}

std::string notInCodePage(const std::vector<char32_t>& found, unsigned codePage) {
    return "holds characters that the backend would receive as other characters: " +
           listed(found, codePointName) +
           ". Windows hands a program its command line in the system's code page (" +
           std::to_string(codePage) +
           "), which does not hold them, and puts a look-alike or \"?\" in their place.";
}

std::string readAsWordBreak(std::string_view found) {
    return "holds characters that the command interpreter reads as a break between words, as it "
           "reads a space: " +
           listed(found, shown) +
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
