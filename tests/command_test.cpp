// SPDX-License-Identifier: MIT
// The commands the buttons build: their lines character for character, what the backend
// receives, and every refusal's words.

#include "backend/command.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "backend/program_search.h"
#include "result_printing.h"

namespace {

using kestrin::backend::Command;
using Built = kestrin::Result<std::string>;

// A built command by its line, or its refusal.
Built lineOf(const kestrin::Result<Command>& command) {
    return command ? Built(command->text()) : Built(command.error());
}

Built decompileLine(std::string_view backend, std::string_view input, std::string_view game,
                    std::string_view output) {
    return lineOf(kestrin::backend::decompile(backend, input, game, output));
}
Built compileLine(std::string_view backend, std::string_view input) {
    return lineOf(kestrin::backend::compile(backend, input));
}
Built unpackLine(std::string_view backend, std::string_view archive) {
    return lineOf(kestrin::backend::unpack(backend, archive));
}

Built line(std::string text) {
    return text;
}

Built refused(std::string text) {
    return kestrin::Failure{std::move(text)};
}

const std::string kNoDecompile = "No file to DeCompile";
const std::string kNoCompile = "No file to Compile";

struct LineCase {
    const char* why;
    Built built;
    Built expected;
    // Characters an ANSI code page may lack: on Windows the code page decides (the Windows tests).
    bool posixOnly = false;
};

// The words each refusal of a field adds after the quoted value.
std::string acting(const std::string& listed) {
    return "holds characters that the command interpreter would act on: " + listed +
           "\nNothing was started.";
}
std::string formatting(const std::string& listed) {
    return "holds characters that do not show as themselves (invisible, or changing how the text "
           "around them shows): " +
           listed + "\nNothing was started.";
}
const std::string kBlank =
    "is blank: the command line would hold only its ending, which names a hidden file. Rename "
    "the file.\nNothing was started.";
const std::string kSpaces =
    "holds a space or a tab: the backend would get it as several arguments. Rename the file."
    "\nNothing was started.";
const std::string kOption =
    "begins with \"-\": the backend would take it as an option. Rename the file."
    "\nNothing was started.";
std::string breaking(const std::string& listed) {
    return "holds characters that the command interpreter reads as a break between words, as it "
           "reads a space: " +
           listed +
           ". It would end the name there and take the rest for another argument: the line would "
           "name another file. Rename the file.\nNothing was started.";
}
const std::string kBlankBackend =
    "The backend name is blank: the next word of the command line would be started as the "
    "program.\nNothing was started.";

TEST(Commands, BuildsTheLinesExactly) {
    const std::vector<LineCase> cases = {
        {"blank game entry keeps its space", decompileLine("mervo.exe", "level", " ", "level"),
         line("cmd /c mervo.exe -d level.qb   > level.txt")},
        {"game entry", decompileLine("mervo.exe", "level", "THUG1", "level"),
         line("cmd /c mervo.exe -d level.qb THUG1 > level.txt")},
        {"empty game entry", decompileLine("mervo.exe", "level", "", "out"),
         line("cmd /c mervo.exe -d level.qb  > out.txt")},
        {"compile", compileLine("mervo.exe", "level"), line("cmd /c mervo.exe -c level.txt")},
        {"blanks in the backend and the game entry stay as they are",
         decompileLine("my mervo.exe", "level", "THUG 2", "out"),
         line("cmd /c my mervo.exe -d level.qb THUG 2 > out.txt")},
        {"tabs in the game entry pass", decompileLine(" mervo.exe\t", "a", "a\tb", "b"),
         line("cmd /c  mervo.exe\t -d a.qb a\tb > b.txt")},
        {"a game entry may begin with -", decompileLine("mervo.exe", "a", "-c", "b"),
         line("cmd /c mervo.exe -d a.qb -c > b.txt")},
        {"harmless punctuation passes, and the game entry keeps , ; =",
         decompileLine("mervo.exe", "(a)@b[c]+d", ";id,x=1", "~o'k"),
         line("cmd /c mervo.exe -d (a)@b[c]+d.qb ;id,x=1 > ~o'k.txt")},
        {"non-ASCII passes",
         decompileLine("mervo.exe", "a", "\xEF\xBC\x86", "\xEF\xBC\x82\xC3\xA9"),
         line("cmd /c mervo.exe -d a.qb \xEF\xBC\x86 > \xEF\xBC\x82\xC3\xA9.txt"), true},
        {"- inside or at the end of a name, and look-alike dashes at its start, pass",
         decompileLine("mervo.exe", "a-b-", "THUG1", "\xE2\x80\x90x\xE2\x88\x92"),
         line("cmd /c mervo.exe -d a-b-.qb THUG1 > \xE2\x80\x90x\xE2\x88\x92.txt"), true},
        {"characters beside the format ranges pass",
         compileLine("mervo.exe", "\xC2\xAC\xC2\xAE\xE2\x80\x90\xE2\x81\xB0\xEF\xBF\xBC"),
         line("cmd /c mervo.exe -c \xC2\xAC\xC2\xAE\xE2\x80\x90\xE2\x81\xB0\xEF\xBF\xBC.txt"),
         true},

        {"empty input", decompileLine("mervo.exe", "", "THUG1", "level"), refused(kNoDecompile)},
        {"empty output", decompileLine("mervo.exe", "level", "THUG1", ""), refused(kNoDecompile)},
        {"both empty", decompileLine("mervo.exe", "", "THUG1", ""), refused(kNoDecompile)},
        {"empty compile input", compileLine("mervo.exe", ""), refused(kNoCompile)},
        {"empty input before an unsafe backend", decompileLine("me&rvo", "", "THUG1", "out"),
         refused(kNoDecompile)},
        {"empty output before an unsafe input", decompileLine("mervo.exe", "a&calc", "", ""),
         refused(kNoDecompile)},
        {"empty compile input before an unsafe backend", compileLine("a|b", ""),
         refused(kNoCompile)},
        {"empty input before a blank backend", decompileLine("", "", "THUG1", "-o"),
         refused(kNoDecompile)},
        {"empty compile input before a blank backend", compileLine(" ", ""), refused(kNoCompile)},

        {"unsafe input", decompileLine("mervo.exe", "a&calc", "THUG1", "level"),
         refused("The file name \"a&calc\" " + acting("&"))},
        {"unsafe output", decompileLine("mervo.exe", "level", "THUG1", "out>x"),
         refused("The file name \"out>x\" " + acting(">"))},
        {"unsafe game entry", decompileLine("mervo.exe", "level", "THUG1 | calc", "level"),
         refused("The game entry \"THUG1 | calc\" " + acting("|"))},
        {"unsafe backend", decompileLine("mervo^.exe", "level", "THUG1", "level"),
         refused("The backend name \"mervo^.exe\" " + acting("^"))},
        {"first unsafe value in line order", decompileLine("a!b", "level", "g\"", "c%d"),
         refused("The backend name \"a!b\" " + acting("!"))},
        {"input named before game and output", decompileLine("mervo.exe", "i<", "g>", "o|"),
         refused("The file name \"i<\" " + acting("<"))},
        {"each character once, in order", decompileLine("mervo.exe", "%a!%b\"!&", "", "level"),
         refused("The file name \"%a!%b\"!&\" " + acting("% ! \" &"))},
        {"control characters shown visibly",
         decompileLine("mervo.exe", "a\nb\x7F", "THUG1", "level"),
         refused("The file name \"aU+000AbU+007F\" " + acting("U+000A U+007F"))},
        {"unsafe compile input", compileLine("mervo.exe", "a&calc"),
         refused("The file name \"a&calc\" " + acting("&"))},
        {"unsafe compile backend", compileLine("x\rmervo.exe", "level"),
         refused("The backend name \"xU+000Dmervo.exe\" " + acting("U+000D"))},

        {"right-to-left override in the input",
         decompileLine("mervo.exe", "txt.\xE2\x80\xAEqb", "THUG1", "level"),
         refused("The file name \"txt.U+202Eqb\" " + formatting("U+202E"))},
        {"zero-width characters in the output, each once",
         decompileLine("mervo.exe", "level", "THUG1",
                       "a\xE2\x80\x8B"
                       "b\xE2\x80\x8D\xE2\x80\x8B"),
         refused("The file name \"aU+200BbU+200DU+200B\" " + formatting("U+200B U+200D"))},
        {"isolate in the game entry",
         decompileLine("mervo.exe", "level", "\xE2\x81\xA6THUG1\xE2\x81\xA9", "level"),
         refused("The game entry \"U+2066THUG1U+2069\" " + formatting("U+2066 U+2069"))},
        {"byte order mark in the backend", compileLine("\xEF\xBB\xBFmervo.exe", "level"),
         refused("The backend name \"U+FEFFmervo.exe\" " + formatting("U+FEFF"))},
        {"soft hyphen and a tag in the compile input",
         compileLine("mervo.exe",
                     "lev\xC2\xAD"
                     "el\xF3\xA0\x81\x81"),
         refused("The file name \"levU+00ADelU+E0041\" " + formatting("U+00AD U+E0041"))},
        {"C1 control and line separator in the output",
         decompileLine("mervo.exe", "level", "THUG1", "a\xC2\x85\xE2\x80\xA8"),
         refused("The file name \"aU+0085U+2028\" " + formatting("U+0085 U+2028"))},

        {"blank backend, decompile", decompileLine("", "level", "THUG1", "level"),
         refused(kBlankBackend)},
        {"backend of blanks, compile", compileLine(" \t ", "level"), refused(kBlankBackend)},
        {"input of spaces counts as present, and is blank",
         decompileLine("mervo.exe", "  ", "THUG1", "level"),
         refused("The file name \"  \" " + kBlank)},
        {"output of a tab", decompileLine("mervo.exe", "level", "THUG1", "\t"),
         refused("The file name \"\t\" " + kBlank)},
        {"compile input of one space", compileLine("mervo.exe", " "),
         refused("The file name \" \" " + kBlank)},
        {"space inside the input", decompileLine("mervo.exe", "my level", "THUG1", "level"),
         refused("The file name \"my level\" " + kSpaces)},
        {"space at the end of the output", decompileLine("mervo.exe", "level", "THUG1", "out "),
         refused("The file name \"out \" " + kSpaces)},
        {"tab in the compile input", compileLine("mervo.exe", "a\tb"),
         refused("The file name \"a\tb\" " + kSpaces)},
        {"input that is an option", decompileLine("mervo.exe", "-rf", "THUG1", "level"),
         refused("The file name \"-rf\" " + kOption)},
        {"compile input that is an option", compileLine("mervo.exe", "--help"),
         refused("The file name \"--help\" " + kOption)},

        // By kind first (interpreter characters, format characters, then the name rules), and
        // within a kind in line order: what was refused before keeps its message.
        {"interpreter characters before the blank inside the same name",
         decompileLine("mervo.exe", "a b&c", "THUG1", "level"),
         refused("The file name \"a b&c\" " + acting("&"))},
        {"interpreter characters of the output before the input's space",
         decompileLine("mervo.exe", "my level", "THUG1", "o&"),
         refused("The file name \"o&\" " + acting("&"))},
        {"interpreter characters of the input before the blank backend",
         decompileLine("", "a&b", "THUG1", "level"),
         refused("The file name \"a&b\" " + acting("&"))},
        {"interpreter characters of the game before the input's format character",
         decompileLine("mervo.exe", "a\xE2\x80\x8B", "g|", "level"),
         refused("The game entry \"g|\" " + acting("|"))},
        {"interpreter characters before format characters in one name",
         compileLine("mervo.exe", "a&\xE2\x80\xAE"),
         refused("The file name \"a&U+202E\" " + acting("&"))},
        {"format characters of the game before the input's space",
         decompileLine("mervo.exe", "my level", "g\xE2\x80\x8B", "level"),
         refused("The game entry \"gU+200B\" " + formatting("U+200B"))},
        {"format characters before the leading - of the same name",
         compileLine("mervo.exe", "-\xE2\x80\x8Blevel"),
         refused("The file name \"-U+200Blevel\" " + formatting("U+200B"))},
        {"blank backend before the input's space", decompileLine("", "a b", "THUG1", "level"),
         refused(kBlankBackend)},
        {"the input's space before the output's -", decompileLine("mervo.exe", "x y", "", "-o"),
         refused("The file name \"x y\" " + kSpaces)},
        {"a space before the leading - of the same name", compileLine("mervo.exe", "-a b"),
         refused("The file name \"-a b\" " + kSpaces)},

        // cmd.exe ends a word at , ; = as at a blank: the output's name after ">" (the output
        // would go to another file), a program's name, a batch file's arguments. One rule on both
        // systems: such names are rare, and a folder moves between them.
        {"= in the output", decompileLine("mervo.exe", "level", "THUG1", "out=x"),
         refused("The file name \"out=x\" " + breaking("="))},
        {"each once, in order, the input's before the output's",
         decompileLine("mervo.exe", "a;b,c;", "", "x=y"),
         refused("The file name \"a;b,c;\" " + breaking("; ,"))},
        {"compile input", compileLine("mervo.exe", "a,b"),
         refused("The file name \"a,b\" " + breaking(","))},
        {"backend", compileLine("tools=1\\mervo.exe", "level"),
         refused("The backend name \"tools=1\\mervo.exe\" " + breaking("="))},
        {"after the name rules of every field", decompileLine("mervo.exe", "a;b", "", "-o"),
         refused("The file name \"-o\" " + kOption)},
        {"unpack keeps them: no cmd.exe reads its line", unpackLine("a=b.exe", "x,y;z"),
         line("a=b.exe -p x x,y;z")},

        {"unpack", unpackLine("mervo.exe", ".prx/pre"), line("mervo.exe -p x .prx/pre")},
        {"unpack of nothing keeps the trailing space", unpackLine("mervo.exe", ""),
         line("mervo.exe -p x ")},
        {"unpack checks nothing but the backend's blankness",
         unpackLine(" a&b\xE2\x80\xAE", "-a&b \"c\""), line(" a&b\xE2\x80\xAE -p x -a&b \"c\""),
         true},
        {"unpack with a blank backend", unpackLine("", ".prx/pre"), refused(kBlankBackend)},
        {"unpack with a backend of blanks", unpackLine("\t ", ""), refused(kBlankBackend)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        if (c.posixOnly && kestrin::backend::kSystemRules == kestrin::backend::NameRules::Windows) {
            continue;
        }
        EXPECT_EQ(c.built, c.expected);
        EXPECT_EQ(c.built.ok(), c.expected.message().empty());
    }
}

// What the backend receives: each field split at blanks as cmd.exe would, a blank field giving no
// word at all; the output apart, and whether the interpreter runs the line.
TEST(Commands, TheBackendReceivesTheWordsOfEachField) {
    using Words = std::vector<std::string>;
    struct WordsCase {
        const char* why;
        Command command;
        Words words;
        std::optional<std::string> output;
        bool interpreted;
    };
    using kestrin::backend::compile;
    using kestrin::backend::decompile;
    using kestrin::backend::unpack;
    const std::vector<WordsCase> cases = {
        {"decompile, the blank game entry gives no word", *decompile("mervo.exe", "a", " ", "b"),
         Words{"mervo.exe", "-d", "a.qb"}, "b.txt", true},
        {"a game entry with blanks gives several", *decompile("mervo.exe", "a", "\tTHUG 2 ", "b"),
         Words{"mervo.exe", "-d", "a.qb", "THUG", "2"}, "b.txt", true},
        {"a backend with blanks: its first word is the program",
         *compile("my tools/mervo.exe", "level"), Words{"my", "tools/mervo.exe", "-c", "level.txt"},
         std::nullopt, true},
        {"unpack splits the archive box", *unpack("mervo.exe", "my *.pak ?x"),
         Words{"mervo.exe", "-p", "x", "my", "*.pak", "?x"}, std::nullopt, false},
        {"unpack of nothing", *unpack("mervo.exe", ""), Words{"mervo.exe", "-p", "x"}, std::nullopt,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.command.words(), c.words);
        EXPECT_EQ(c.command.output, c.output);
        EXPECT_EQ(c.command.interpreted, c.interpreted);
    }
    EXPECT_EQ(*decompile("mervo.exe", "a", "THUG1", "b"),
              (Command{"mervo.exe", {"-d", "a.qb", "THUG1"}, "b.txt", true}));
}

TEST(Commands, InterpreterCharacters) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"level_01.qb", ""},
        {" \t ", ""},  // blanks only split arguments
        {"()@,;=.-_~'`$#*?[]{}/\\:+", ""},
        {"\xEF\xBC\x86\xEF\xBC\x82", ""},  // fullwidth ampersand and quote
        {"\xC3\xA9\xF0\x9F\x98\x80", ""},
        {"a&b|c<d>e^f%PATH%!x!\"", "&|<>^%!\""},
        {std::string("a\0b\nc\rd\x01\x1F\x7F", 10), std::string("\0\n\r\x01\x1F\x7F", 6)},
        {"|a&b|c&\n|\n", "|&\n"},  // once each, in order of first appearance
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(kestrin::backend::interpreterCharacters(value), expected) << value;
    }
    // Lead and continuation bytes are all 0x80 and above; a signed comparison would refuse them.
    for (int code = 0x80; code <= 0xFF; ++code) {
        EXPECT_EQ(kestrin::backend::interpreterCharacters(std::string(1, static_cast<char>(code))),
                  "")
            << code;
    }
}

}  // namespace
