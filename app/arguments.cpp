// SPDX-License-Identifier: MIT
#include "app/arguments.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace kestrin::app {

namespace {

// The options QGuiApplication and QApplication read for themselves, with one dash or two.
struct QtOption {
    std::string_view name;
    bool takesValue;
    bool valueAfterEquals;  // also as -name=value
};

constexpr std::array kQtOptions{
    QtOption{"platform", true, false},
    QtOption{"platformpluginpath", true, false},
    QtOption{"platformtheme", true, false},
    QtOption{"plugin", true, false},
    QtOption{"qwindowgeometry", true, false},
    QtOption{"qwindowicon", true, false},
    QtOption{"qwindowtitle", true, false},
    QtOption{"session", true, false},
    QtOption{"display", true, false},
    QtOption{"geometry", true, false},
    QtOption{"style", true, true},
    QtOption{"stylesheet", true, true},
    QtOption{"reverse", false, false},
    QtOption{"widgetcount", false, false},
};

// The Qt option an argument names, if any; `hasValue` tells whether it carries it after "=".
const QtOption* findQtOption(std::string_view argument, bool& hasValue) {
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    const std::size_t equals = argument.find('=');
    hasValue = equals != std::string_view::npos;
    const std::string_view name = argument.substr(0, equals);
    const auto* found = std::find_if(kQtOptions.begin(), kQtOptions.end(),
                                     [&](const QtOption& option) { return option.name == name; });
    if (found == kQtOptions.end() || (hasValue && !found->valueAfterEquals)) {
        return nullptr;
    }
    return found;
}

Arguments refuse(std::string problem) {
    Arguments refused;
    refused.action = Arguments::Action::Refuse;
    refused.problem = std::move(problem);
    return refused;
}

Arguments show(Arguments::Action action) {
    Arguments shown;
    shown.action = action;
    return shown;
}

}  // namespace

Arguments parseArguments(const std::vector<std::string>& arguments) {
    Arguments result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !argument.starts_with('-')) {
            if (result.folder) {
                return refuse("'" + argument + "' would be a second folder; give one at most");
            }
            result.folder = argument;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help") {
            return show(Arguments::Action::ShowHelp);
        } else if (argument == "--version") {
            return show(Arguments::Action::ShowVersion);
        } else {
            bool hasValue = false;
            const QtOption* option = findQtOption(argument, hasValue);
            if (option == nullptr) {
                return refuse("unknown option '" + argument + "'");
            }
            result.qtOptions.push_back(argument);
            if (option->takesValue && !hasValue) {
                if (i + 1 == arguments.size()) {
                    return refuse("option '" + argument + "' needs a value");
                }
                result.qtOptions.push_back(arguments[++i]);
            }
        }
    }
    return result;
}

}  // namespace kestrin::app
