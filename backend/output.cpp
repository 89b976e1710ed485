// SPDX-License-Identifier: MIT
#include "backend/output.h"

#include "backend/texts.h"

namespace kestrin::backend {
namespace {

// Taken by the start of another Kestrin between the look and the copy: the next is tried.
constexpr int kKeepAttempts = 100;

std::string copyEnding(int number) {
    return number == 0 ? "~" : ".~" + std::to_string(number) + "~";
}

Failure pathRefusal(const std::string& file, const platform::OutputPathError& error) {
    using enum platform::OutputPathError::Kind;
    return {error.kind == LinkLeadsOutside   ? linkLeadsOutside(file, error.folder)
            : error.kind == PathLeadsOutside ? pathLeadsOutside(file, error.folder)
            : error.kind == LinkToNothing    ? cannotWrite(file, kLinkToNothing)
                                             : cannotWrite(file, reasonFor(error.code))};
}

// Why the earlier output may not be replaced by a new one; empty when it may.
std::string earlierRefusal(const std::string& file, const platform::ResolvedOutput& place) {
    return !place.exists      ? ""
           : !place.ordinary  ? cannotWrite(file, kNotAnOrdinaryFile)
           : place.unwritable ? cannotWrite(file, reasonFor(place.unwritable))
           : place.unmovable  ? cannotReplace(file, place.unmovable)
                              : "";
}

// Whether the earlier content must be kept: it is there, and no copy holds it yet. A file whose
// every name the backend would write through is kept (moved aside) whatever it holds.
bool mustKeep(const platform::ResolvedOutput& place, const std::string& lastCopy) {
    return (platform::kWritesIntoTheEarlierFile && place.links > 1) ||
           (place.size > 0 && (lastCopy.empty() || !platform::sameContentBeside(place, lastCopy)));
}

// Keeps the earlier content under the first free copy's name; returns that name as shown, or
// the last copy's when it holds the same bytes, or "" for an output with nothing to keep.
Result<std::string> keepEarlier(const std::string& file, platform::OutputFile& output) {
    const platform::ResolvedOutput& place = output.place();
    if (!place.exists) {
        return std::string();
    }
    int number = 0;
    const auto failed = [&](const std::error_code& error) {
        return Failure{cannotKeep(file, place.shown + copyEnding(number), reasonFor(error))};
    };
    std::string lastCopy;
    for (;; lastCopy = copyEnding(number++)) {
        const SystemResult<bool> taken = platform::existsBeside(place, copyEnding(number));
        if (!taken) {
            return failed(taken.error());
        }
        if (!*taken) {
            break;
        }
    }
    if (!mustKeep(place, lastCopy)) {
        return place.size == 0 ? std::string() : place.shown + lastCopy;
    }
    for (int attempt = 0; attempt < kKeepAttempts; ++attempt, ++number) {
        const SystemResult<> kept = output.keepEarlier(copyEnding(number));
        if (kept || kept.error() != std::errc::file_exists) {
            return kept ? Result<std::string>(place.shown + copyEnding(number))
                        : failed(kept.error());
        }
    }
    return failed(std::make_error_code(std::errc::file_exists));
}

}  // namespace

Result<PreparedOutput> prepareOutput(const std::string& file) {
    auto place = platform::findOutput(file);
    if (!place) {
        return pathRefusal(file, place.error());
    }
    if (std::string refused = earlierRefusal(file, *place); !refused.empty()) {
        return Failure{std::move(refused)};
    }
    auto opened = platform::OutputFile::open(std::move(place).value());
    if (!opened) {
        if (opened.error() == std::errc::device_or_resource_busy) {
            return Failure{stillRunning({Action::Decompile, "", file})};
        }
        return Failure{cannotMakeFileBeside(file, opened.error())};
    }
    Result<std::string> kept = keepEarlier(file, *opened);
    if (!kept) {
        return kept.error();
    }
    return PreparedOutput{.file = std::move(opened).value(), .keptCopy = std::move(kept).value()};
}

Result<> commitOutput(PreparedOutput& output) {
    if (const SystemResult<> named = output.file.commit(); !named) {
        return Failure{newOutputElsewhere(output.file.place().shown, output.file.shownNewFile(),
                                          reasonFor(named.error()))};
    }
    return {};
}

Result<> discardOutput(PreparedOutput& output) {
    if (const SystemResult<> gone = output.file.discard(); !gone) {
        return Failure{notUndone(output.file.shownNewFile(), output.keptCopy, gone.error())};
    }
    return {};
}

}  // namespace kestrin::backend
