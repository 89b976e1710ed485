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

// The earlier output must be an ordinary file this user may write, and its content must have
// somewhere to go.
Result<> checkEarlier(const std::string& file, const platform::OutputPlace& place) {
    if (!place.exists) {
        return {};
    }
    if (!place.ordinary) {
        return Failure{notAnOrdinaryFile(file)};
    }
    if (place.unwritable) {
        return Failure{cannotWrite(file, reasonFor(place.unwritable))};
    }
    if (place.size == 0) {
        return {};
    }
    const std::string keep = place.shown + kKeptEnding;
    const platform::BesideState kept = platform::lookBeside(place, kKeptEnding);
    if (kept.error) {
        return Failure{cannotKeep(file, keep, reasonFor(kept.error))};
    }
    if (kept.folder) {
        return Failure{
            cannotKeep(file, keep, reasonFor(std::make_error_code(std::errc::is_a_directory)))};
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

Result<platform::OutputFile> prepareOutput(const std::string& file) {
    auto place = platform::findOutput(file);
    if (!place) {
        return wayRefusal(file, place.error());
    }
    if (Result<> usable = checkEarlier(file, *place); !usable) {
        return usable.error();
    }
    auto prepared = platform::OutputFile::prepare(std::move(place).value());
    if (!prepared) {
        return Failure{cannotMakeFileBeside(file, prepared.error())};
    }
    return std::move(prepared).value();
}

Result<std::string> commitOutput(platform::OutputFile& output) {
    output.closeDescriptor();  // the backend holds its own
    const std::string keep = output.place().shown + kKeptEnding;
    std::string kept;
    if (output.hasEarlier()) {
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
