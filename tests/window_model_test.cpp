// SPDX-License-Identifier: MIT
// A model-based random test of the window. Random sequences of picks, option clicks, Refresh,
// changes to the folder, typing (refused values included), presses, launches that fail, and
// backends that end at random moments with random statuses (also while a message is open) drive
// the real window through its dependencies: a fake folder, launcher, message box and process watch.
// After every step the window must agree with a small model of the rules: what the list shows, what
// each box holds, which lines were started and which messages appeared in which order.
//
// A failure names its seed; KESTRIN_MODEL_SEED=N replays that one sequence alone, step by step.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <random>
#include <tuple>

#include "backend/command.h"
#include "backend/texts.h"
#include "common/text.h"
#include "fake_watch.h"
#include "window/main_window.h"
#include "window/qt_text.h"

namespace {

using kestrin::backend::Action;
using kestrin::platform::ExitStatus;
using kestrin::window::toQString;
using kestrin::window::toUtf8;
using Strings = std::vector<std::string>;

constexpr int kShards = 4;
// make test runs 1,000 sequences; CI, or KESTRIN_MODEL_SEQUENCES=N, runs more.
constexpr int kDefaultSequences = 1000;

int sequencesPerShard() {
    const char* wanted = std::getenv("KESTRIN_MODEL_SEQUENCES");
    const long sequences = wanted != nullptr ? std::strtol(wanted, nullptr, 10) : 0;
    return static_cast<int>((sequences > 0 ? sequences : kDefaultSequences) + kShards - 1) /
           kShards;
}
constexpr int kStepsPerSequence = 24;

// A value the user may type, with what the rules see in it: the characters a refusal lists (empty
// when the value is let through) and how a message quotes it.
struct Value {
    std::string text;
    std::string refused;
    std::string shown;
};

// Names the user may type: some are let through, some hold characters the command interpreter
// acts on (listed in refused), some a format character (shown as U+XXXX), and some are refused
// for their shape: blank, a space, a leading "-".
const std::vector<Value> kNames = {
    {"level", "", "level"},
    {"intro", "", "intro"},
    {"./level", "", "./level"},
    {"sub/../intro", "", "sub/../intro"},
    {"", "", ""},
    {"my level", "", "my level"},
    {"-x", "", "-x"},
    {" ", "", " "},
    {"a\xE2\x80\xAE"
     "b",
     "", "aU+202Eb"},
    {"a&calc", "&", "a&calc"},
    {"x<y>z", "< >", "x<y>z"},
    {"a\nb", "U+000A", "aU+000Ab"},
    {"50%!", "% !", "50%!"},
};
const std::vector<Value> kBackends = {
    {"mervo.exe", "", "mervo.exe"}, {"", "", ""}, {"tool|x", "|", "tool|x"}};
const std::vector<Value> kGames = {{" ", "", " "}, {"THUG1", "", "THUG1"}, {"a^b", "^", "a^b"}};
const std::vector<Value> kArchives = {{".prx/pre", "", ".prx/pre"},
                                      {"", "", ""},
                                      {"pack.prx", "", "pack.prx"},
                                      {"./pack.prx", "", "./pack.prx"},
                                      {"a\tb\x1b", "", "a\tbU+001B"}};
const Strings kQbFiles = {"intro.qb", "level.qb", "Zeta.qb", "my level.qb"};
const Strings kTxtFiles = {"level.txt", "notes.txt"};
const std::vector<ExitStatus> kEndings = {{},
                                          {},
                                          {ExitStatus::Kind::Exited, 1},
                                          {ExitStatus::Kind::Exited, 3},
                                          {ExitStatus::Kind::Signaled, 9}};
const Strings kWords = {"", "bad header at byte 12\n", "a\r\nb\x1b[0m\r\n",
                        "one\ntwo\nthree\nfour\nfive\nsix\nseven\n"};

// A name as the rule for one writer per file compares it: "." parts and "folder/.." taken out.
std::filesystem::path normal(const std::string& name) {
    return std::filesystem::path(name).lexically_normal();
}

std::string baseName(const std::string& file) {
    return file.substr(0, file.rfind('.'));
}

// A backend to end, by the order of its start, and how.
struct Planned {
    std::size_t index;
    ExitStatus ending;
    std::string words;
};

// What the rules say the window holds and has done.
struct Model {
    struct Started {
        kestrin::backend::Job job;  // its file as typed, with its ending
        std::string keptCopy;
        bool running = true;
    };

    Strings qb = {"intro.qb", "level.qb"};
    Strings txt = {"level.txt"};
    bool readable = true;
    bool txtOption = false;
    Strings entries;
    Value text1, text2, text3;
    Value backend = kBackends[0], game = kGames[0], archive = kArchives[0];
    Strings lines;
    Strings messages;
    std::vector<Started> started;
    std::vector<kestrin::backend::BackendFailure> waiting;  // failures not reported yet
    std::vector<Planned> endWhileOpen;  // backends that end during the next message

    void inform(const std::string& text) {
        messages.push_back(text);
        for (const Planned& plan : std::exchange(endWhileOpen, {})) {
            end(plan);
        }
    }

    void end(const Planned& plan) {
        Started& which = started.at(plan.index);
        if (!which.running) {
            return;
        }
        which.running = false;
        if (plan.ending.failed()) {
            kestrin::platform::StderrTail tail;
            tail.text = plan.words;
            waiting.push_back({which.job, plan.ending, std::move(tail), which.keptCopy});
        }
    }

    // Failures wait until no message is open and the event loop comes round; those waiting then
    // share one message, and any that end while it is open wait for the next.
    void settle() {
        while (!waiting.empty()) {
            inform(kestrin::backend::failureReport(std::exchange(waiting, {})));
        }
    }

    void relist(bool txtFiles) {
        entries.clear();
        if (!readable) {
            inform("Drive not reading");
            return;
        }
        for (const std::string& file : txtFiles ? txt : qb) {
            entries.push_back(baseName(file));
        }
    }

    void pick(int row) {
        if (txtOption) {
            text3 = Value{entries.at(row), "", entries.at(row)};
        } else {
            text1 = text2 = Value{entries.at(row), "", entries.at(row)};
        }
    }

    struct Field {
        const char* label;
        const Value& value;
        bool backend;   // a blank value is refused
        bool fileName;  // blank, a space or a tab, and a leading "-" are refused
    };

    static bool blank(const std::string& text) {
        return text.find_first_not_of(" \t") == std::string::npos;
    }

    // How a message that refuses a field begins, by the rule that refuses it; empty when none
    // does. Format characters are the ones a value shows as U+XXXX without listing them.
    static std::string interpreterStart(const Field& field) {
        if (field.value.refused.empty()) {
            return {};
        }
        return std::string(field.label) + " \"" + field.value.shown +
               "\" holds characters that the command interpreter would act on: " +
               field.value.refused + "\nNothing was started.";
    }
    static std::string formatStart(const Field& field) {
        if (field.value.shown.find("U+") == std::string::npos) {
            return {};
        }
        return std::string(field.label) + " \"" + field.value.shown +
               "\" holds characters that do not show as themselves";
    }
    static std::string shapeStart(const Field& field) {
        const std::string& text = field.value.text;
        const std::string quoted = std::string(field.label) + " \"" + field.value.shown + "\" ";
        if (field.backend && blank(text)) {
            return std::string(field.label) + " is blank";
        }
        if (!field.fileName) {
            return {};
        }
        if (blank(text)) {
            return quoted + "is blank";
        }
        if (text.find_first_of(" \t") != std::string::npos) {
            return quoted + "holds a space or a tab";
        }
        return text.starts_with('-') ? quoted + "begins with \"-\"" : std::string();
    }

    // The refusal of a press: rule by rule (the command interpreter's characters, then format
    // characters, then the shape of a name), within a rule in the line's order. The model decides
    // whether and where; the words after the start are the builder's.
    // Unpack checks only the shape.
    static std::optional<std::string> refusal(
        const std::vector<Field>& fields, const kestrin::Result<kestrin::backend::Command>& built,
        bool shapeOnly = false) {
        for (const auto rule : {interpreterStart, formatStart, shapeStart}) {
            if (shapeOnly && rule != shapeStart) {
                continue;
            }
            for (const Field& field : fields) {
                const std::string start = rule(field);
                if (start.empty()) {
                    continue;
                }
                if (!built.ok() && built.message().starts_with(start)) {
                    return built.message();
                }
                return start +
                       "... (the builder said: " + (built ? built->text() : built.message()) + ")";
            }
        }
        return std::nullopt;
    }

    // The backend that still writes file, or unpacks it; the refusal names it as it was typed.
    const Started* running(Action action, const std::string& file) const {
        const auto found = std::find_if(started.begin(), started.end(), [&](const Started& other) {
            return other.running && other.job.action == action &&
                   normal(other.job.file) == normal(file);
        });
        return found == started.end() ? nullptr : &*found;
    }

    // A press that got past its refusals: the line is handed to the launcher, which starts it
    // unless told to fail. The one writer per file is checked before.
    bool launch(Action action, const std::string& file, const std::string& line,
                const std::optional<std::string>& failure, const std::string& keptCopy) {
        const Started* busy = action != Action::Compile ? running(action, file) : nullptr;
        if (busy != nullptr) {
            inform(kestrin::backend::stillRunning(busy->job));
            return false;
        }
        lines.push_back(line);
        if (failure) {
            inform(*failure);
            return false;
        }
        started.push_back({{action, backend.text, file}, keptCopy});
        return true;
    }

    void decompile(const std::optional<std::string>& failure, const std::string& keptCopy) {
        if (text1.text.empty() || text2.text.empty()) {
            return inform("No file to DeCompile");
        }
        if (auto refused = refusal(
                {{"The backend name", backend, true, false},
                 {"The file name", text1, false, true},
                 {"The game entry", game, false, false},
                 {"The file name", text2, false, true}},
                kestrin::backend::decompile(backend.text, text1.text, game.text, text2.text))) {
            return inform(*refused);
        }
        const std::string line = "cmd /c " + backend.text + " -d " + text1.text + ".qb " +
                                 game.text + " > " + text2.text + ".txt";
        if (launch(Action::Decompile, text2.text + ".txt", line, failure, keptCopy)) {
            text3 = text2;
            inform("DeCompiling Done");
        }
    }

    void compile(const std::optional<std::string>& failure) {
        if (text3.text.empty()) {
            return inform("No file to Compile");
        }
        if (auto refused = refusal(
                {{"The backend name", backend, true, false}, {"The file name", text3, false, true}},
                kestrin::backend::compile(backend.text, text3.text))) {
            return inform(*refused);
        }
        const std::string line = "cmd /c " + backend.text + " -c " + text3.text + ".txt";
        if (launch(Action::Compile, text3.text + ".txt", line, failure, "")) {
            inform("Compiling Done");
        }
    }

    void unpack(const std::optional<std::string>& failure) {
        // Only the backend's shape is checked: the archive's name goes to the backend as it is.
        if (auto refused = refusal({{"The backend name", backend, true, false}},
                                   kestrin::backend::unpack(backend.text, archive.text), true)) {
            return inform(*refused);
        }
        launch(Action::Unpack, archive.text, backend.text + " -p x " + archive.text, failure, "");
    }
};

// The real window with its fakes, and the model beside it; each step acts on both.
class Run : kestrin::testing::FakeSystem {
public:
    explicit Run(unsigned seed) : m_random(seed) {
        folder.names["*.qb"] = m_model.qb;
        folder.names["*.txt"] = m_model.txt;
        // A user reading a message lets time pass: planned backends end meanwhile, and the modal
        // box's own event loop comes round.
        messages.whileOpen = [this](const std::string&) {
            for (const Planned& plan : std::exchange(m_endWhileOpen, {})) {
                watch.end(plan.index, plan.ending, plan.words);
            }
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        };
        m_window = std::make_unique<kestrin::window::MainWindow>(dependencies());
        m_list = m_window->findChild<QListView*>("List1");
        for (const char* name : {"Text1", "Text2", "Text3", "Text4", "Text5"}) {
            m_boxes.push_back(m_window->findChild<QLineEdit*>(name));
        }
        m_game = m_window->findChild<QComboBox*>("Combo1");
        m_txtOption = m_window->findChild<QRadioButton*>("Option2");
        m_model.relist(false);
    }

    std::string step();
    std::string finish();
    std::optional<std::string> difference() const;

private:
    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }
    bool chance(int percent) { return static_cast<int>(below(100)) < percent; }
    template <typename T>
    const T& any(const std::vector<T>& values) {
        return values[below(values.size())];
    }

    void click(const char* name) {
        QTest::mouseClick(m_window->findChild<QAbstractButton*>(name), Qt::LeftButton);
    }

    std::string pick();
    std::string changeFolder();
    std::string type();
    std::string press(const char* button);
    std::string end();
    std::string armEnds();
    std::string settle();

    std::mt19937 m_random;
    std::unique_ptr<kestrin::window::MainWindow> m_window;
    QListView* m_list = nullptr;
    std::vector<QLineEdit*> m_boxes;
    QComboBox* m_game = nullptr;
    QRadioButton* m_txtOption = nullptr;
    std::vector<Planned> m_endWhileOpen;
    Model m_model;
};

std::string Run::step() {
    switch (below(12)) {
        case 0:
        case 1:
            return pick();
        case 2:
            click("Option1");
            m_model.txtOption = false;
            m_model.relist(false);
            return "click .qb for Decompile";
        case 3:
            click("Option2");
            m_model.txtOption = true;
            m_model.relist(true);
            return "click .txt for Compile";
        case 4:
            click("Command3");
            m_model.relist(false);
            return "click Refresh";
        case 5:
            return changeFolder();
        case 6:
        case 7:
            return type();
        case 8:
            return press(
                any(std::vector<const char*>{"Command1", "Command1", "Command2", "Command4"}));
        case 9:
            return end();
        case 10:
            return armEnds();
        default:
            return settle();
    }
}

std::string Run::pick() {
    if (m_model.entries.empty()) {
        return settle();
    }
    const int row = static_cast<int>(below(m_model.entries.size()));
    const QRect place = m_list->visualRect(m_list->model()->index(row, 0));
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, place.center());
    m_model.pick(row);
    return "pick row " + std::to_string(row);
}

std::string Run::changeFolder() {
    Strings qb, txt;
    for (const std::string& file : kQbFiles) {
        if (chance(50)) {
            qb.push_back(file);
        }
    }
    for (const std::string& file : kTxtFiles) {
        if (chance(50)) {
            txt.push_back(file);
        }
    }
    m_model.qb = folder.names["*.qb"] = qb;
    m_model.txt = folder.names["*.txt"] = txt;
    m_model.readable = folder.readable = chance(85);
    return "the folder now holds " + std::to_string(qb.size()) + " .qb and " +
           std::to_string(txt.size()) + " .txt files" + (m_model.readable ? "" : ", unreadable");
}

std::string Run::type() {
    const std::size_t which = below(6);
    if (which == 5) {
        m_model.game = any(kGames);
        m_game->setEditText(toQString(m_model.game.text));
        return "type game \"" + m_model.game.shown + "\"";
    }
    const char* names[] = {"Text1", "Text2", "Text3", "Text4", "Text5"};
    Value* fields[] = {&m_model.text1, &m_model.text2, &m_model.text3, &m_model.backend,
                       &m_model.archive};
    *fields[which] = which == 3 ? any(kBackends) : which == 4 ? any(kArchives) : any(kNames);
    m_boxes[which]->setText(toQString(fields[which]->text));
    return std::string("type ") + names[which] + " \"" + fields[which]->shown + "\"";
}

std::string Run::press(const char* button) {
    std::optional<std::string> failure;
    if (chance(10)) {
        failure = "Cannot start \"mervo.exe\": no such program.";
        launcher.result = kestrin::Failure{*failure};
    } else {
        launcher.result = {};
    }
    // Only a Decompile has an earlier output to keep.
    launcher.keptCopy = button[7] == '1' && chance(30) ? "earlier.txt~" : "";
    click(button);
    std::string what = std::string("press ") + button + (failure ? ", the start fails" : "");
    switch (button[7]) {
        case '1':
            m_model.decompile(failure, launcher.keptCopy);
            return what;
        case '2':
            m_model.compile(failure);
            return what;
        default:
            m_model.unpack(failure);
            return what;
    }
}

Planned randomEnd(std::size_t index, std::mt19937& random) {
    return {index, kEndings[random() % kEndings.size()], kWords[random() % kWords.size()]};
}

std::string Run::end() {
    std::vector<std::size_t> running;
    for (std::size_t i = 0; i < m_model.started.size(); ++i) {
        if (m_model.started[i].running) {
            running.push_back(i);
        }
    }
    if (running.empty()) {
        return settle();
    }
    const Planned plan = randomEnd(any(running), m_random);
    watch.end(plan.index, plan.ending, plan.words);
    m_model.end(plan);
    return "backend " + std::to_string(plan.index) + " ends " +
           std::to_string(static_cast<int>(plan.ending.kind)) + ":" +
           std::to_string(plan.ending.code);
}

std::string Run::armEnds() {
    if (m_model.started.empty()) {
        return settle();
    }
    std::vector<Planned> plans;
    for (std::size_t count = 1 + below(3); count > 0; --count) {
        plans.push_back(randomEnd(below(m_model.started.size()), m_random));
    }
    m_endWhileOpen = m_model.endWhileOpen = plans;
    return std::to_string(plans.size()) + " backends will end while the next message is open";
}

// The event loop comes round: what it has been asked to do later is done, until nothing is left.
std::string Run::settle() {
    for (std::size_t shown = messages.shown.size(), turns = 0; turns < 20; ++turns) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        if (messages.shown.size() == shown && turns > 0) {
            break;
        }
        shown = messages.shown.size();
    }
    m_model.settle();
    return "the event loop comes round";
}

// Every backend still running ends, and the event loop comes round.
std::string Run::finish() {
    for (std::size_t i = 0; i < m_model.started.size(); ++i) {
        const Planned plan = randomEnd(i, m_random);
        watch.end(plan.index, plan.ending, plan.words);
        m_model.end(plan);
    }
    settle();
    // Whatever the widgets left for later, so that Qt's list of posted events stays short.
    QCoreApplication::sendPostedEvents();
    return "every backend ends";
}

std::string quote(const Strings& texts) {
    std::string all;
    for (const std::string& text : texts) {
        all += "\n    \"" + kestrin::escapeForDisplay(text) + "\"";
    }
    return all.empty() ? " (none)" : all;
}

std::optional<std::string> Run::difference() const {
    std::optional<std::string> found;
    const auto compare = [&found](const char* what, const Strings& window, const Strings& model) {
        if (!found && window != model) {
            found = std::string(what) + ": the window has" + quote(window) + "\n  the rules say" +
                    quote(model);
        }
    };
    compare("started lines", launcher.launched, m_model.lines);
    compare("messages", messages.shown, m_model.messages);
    if (messages.deepest > 1) {
        return "a message opened over another";
    }
    Strings entries;
    for (int row = 0; row < m_list->model()->rowCount(); ++row) {
        entries.push_back(toUtf8(m_list->model()->index(row, 0).data().toString()));
    }
    compare("list", entries, m_model.entries);
    Strings boxes;
    for (const QLineEdit* edit : m_boxes) {
        boxes.push_back(toUtf8(edit->text()));
    }
    boxes.push_back(toUtf8(m_game->currentText()));
    boxes.push_back(m_txtOption->isChecked() ? ".txt for Compile" : ".qb for Decompile");
    compare("boxes", boxes,
            {m_model.text1.text, m_model.text2.text, m_model.text3.text, m_model.backend.text,
             m_model.archive.text, m_model.game.text,
             m_model.txtOption ? ".txt for Compile" : ".qb for Decompile"});
    return found;
}

// One sequence; the steps taken and the first disagreement, or nothing when it kept to the rules.
std::optional<std::string> runSequence(unsigned seed, bool tell) {
    Run run(seed);
    std::string steps;
    for (int i = 0; i <= kStepsPerSequence; ++i) {
        steps += "  " + (i < kStepsPerSequence ? run.step() : run.finish()) + "\n";
        if (tell) {
            std::cout << steps.substr(steps.rfind("  ", steps.size() - 2)) << std::flush;
        }
        if (auto difference = run.difference()) {
            return steps + "then " + *difference;
        }
    }
    return std::nullopt;
}

class WindowModel : public ::testing::TestWithParam<int> {};

TEST_P(WindowModel, RandomSequencesKeepToTheRules) {
    if (const char* replay = std::getenv("KESTRIN_MODEL_SEED")) {
        if (GetParam() == 0) {
            const auto seed = static_cast<unsigned>(std::strtoul(replay, nullptr, 10));
            const auto failure = runSequence(seed, true);
            EXPECT_FALSE(failure) << "seed " << seed << ":\n" << *failure;
        }
        return;
    }
    const int perShard = sequencesPerShard();
    const int first = GetParam() * perShard;
    for (int seed = first; seed < first + perShard; ++seed) {
        if (const auto failure = runSequence(static_cast<unsigned>(seed), false)) {
            FAIL() << "seed " << seed << " (replay with KESTRIN_MODEL_SEED=" << seed << "):\n"
                   << *failure;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shards, WindowModel, ::testing::Range(0, kShards));

}  // namespace
