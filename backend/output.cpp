// SPDX-License-Identifier: MIT
#include "backend/output.h"

#include "backend/texts.h"

namespace kestrin::backend {
namespace {

constexpr const char* kKeptEnding = "~";
// Where a new output goes when it cannot take its name, and on Windows the earlier content when
// it cannot become NAME~.
constexpr const char* kNewEnding = ".new";
constexpr const char* kEarlierEnding = ".earlier";

Failure wayRefusal(const std::string& file, const platform::OutputWayError& error) {
    using Kind = platform::OutputWayError::Kind;
    switch (error.kind) {
        case Kind::LinkLeadsOutside:
            return {linkLeadsOutside(file, error.folder)};
        case Kind::PathLeadsOutside:
            return {pathLeadsOutside(file, error.folder)};
        case Kind::LinkToNothing:
            return {linkToNothing(file)};
        case Kind::System:
            break;
    }
    return {cannotWrite(file, reasonFor(error.code))};
}

// The earlier output must be an ordinary file this user may write and replace, and its content,
// when it is to be kept, must have somewhere to go.
Result<> checkEarlier(const std::string& file, const platform::OutputPlace& place,
                      bool keepEarlier) {
    if (!place.exists) {
        return {};
    }
    if (!place.ordinary) {
        return Failure{notAnOrdinaryFile(file)};
    }
    if (place.unwritable) {
        return Failure{cannotWrite(file, reasonFor(place.unwritable))};
    }
    if (place.unmovable) {
        return Failure{cannotReplace(file, place.unmovable)};
    }
    if (place.size == 0 || !keepEarlier) {
        return {};
    }
    const std::string keep = place.shown + kKeptEnding;
    const platform::BesideState kept = platform::lookBeside(place, kKeptEnding);
    std::error_code why = kept.error ? kept.error : kept.unremovable;
    if (kept.folder) {
        why = std::make_error_code(std::errc::is_a_directory);
    }
    if (why) {
        return Failure{cannotKeep(file, keep, reasonFor(why))};
    }
    return {};
}

// A step after the start failed for the reason why: the file prepared takes a visible name,
// and the words say where it is.
Failure elsewhere(platform::OutputFile& output, const std::string& why,
                  const std::error_code& error) {
    const platform::OutputPlace& place = output.place();
    const bool newOutput = output.holdsNewOutput();
    const char* ending = newOutput ? kNewEnding : kEarlierEnding;
    const std::string visible = place.shown + ending;
    const std::string where = output.giveVisibleName(ending) ? visible : output.shownPart();
    return {newOutput ? newOutputElsewhere(place.shown, where, why)
                      : earlierKeptElsewhere(place.shown, place.shown + kKeptEnding, where, error)};
}

}  // namespace

Result<PreparedOutput> prepareOutput(const std::string& file, const Running& running) {
    auto place = platform::findOutput(file);
    if (!place) {
        return wayRefusal(file, place.error());
    }
    if (auto busy = running.busy(Running::outputKey(place->identity))) {
        return Failure{std::move(*busy)};
    }
    const bool keepEarlier = !running.ownOutput(place->identity, place->modified);
    if (Result<> usable = checkEarlier(file, *place, keepEarlier); !usable) {
        return usable.error();
    }
    auto prepared = platform::OutputFile::prepare(std::move(place).value(), keepEarlier);
    if (!prepared) {
        return Failure{cannotMakeFileBeside(file, prepared.error())};
    }
    return PreparedOutput{.file = std::move(prepared).value(), .keepEarlier = keepEarlier};
}

Result<std::string> commitOutput(PreparedOutput& prepared) {
    platform::OutputFile& output = prepared.file;
    output.closeDescriptor();  // the backend holds its own
    const std::string keep = output.place().shown + kKeptEnding;
    std::string kept;
    if (prepared.keepEarlier && output.hasEarlier()) {
        if (const SystemResult<> moved = output.keepEarlier(kKeptEnding); !moved) {
            return elsewhere(output, earlierNotKept(keep, moved.error()), moved.error());
        }
        kept = keep;
    }
    if (const SystemResult<> named = output.takeName(); !named) {
        return elsewhere(output, reasonFor(named.error()), named.error());
    }
    return kept;
}

}  // namespace kestrin::backend
