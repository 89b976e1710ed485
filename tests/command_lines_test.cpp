#include "backend/command_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "result_printing.h"

namespace {

using kestrin::backend::compileLine;
using kestrin::backend::decompileLine;
using kestrin::backend::unpackLine;
using kestrin::backend::unsafeCharacters;

using Built = kestrin::platform::Result<std::string>;

Built line(std::string text) {
    return text;
}

Built refused(std::string text) {
    return kestrin::platform::Failure{std::move(text)};
}

struct LineCase {
    const char* why;
    Built built;
    Built expected;
};

TEST(CommandLines, BuildsTheLinesExactly) {
    const std::string noDecompile = "No file to DeCompile";
    const std::string noCompile = "No file to Compile";
    const std::vector<LineCase> cases = {
        {"blank game entry keeps its space", decompileLine("mervo.exe", "level", " ", "level"),
         line("cmd /c mervo.exe -d level.qb   > level.txt")},
        {"game entry", decompileLine("mervo.exe", "level", "THUG1", "level"),
         line("cmd /c mervo.exe -d level.qb THUG1 > level.txt")},
        {"empty game entry", decompileLine("mervo.exe", "level", "", "out"),
         line("cmd /c mervo.exe -d level.qb  > out.txt")},
        {"empty backend, decompile", decompileLine("", "level", "THUG1", "level"),
         line("cmd /c  -d level.qb THUG1 > level.txt")},
        {"empty backend, compile", compileLine("", "level"), line("cmd /c  -c level.txt")},
        {"compile", compileLine("mervo.exe", "level"), line("cmd /c mervo.exe -c level.txt")},
        {"spaces inside names stay as they are",
         decompileLine("my mervo.exe", " my level", "THUG 2", "out "),
         line("cmd /c my mervo.exe -d  my level.qb THUG 2 > out .txt")},
        {"input of spaces counts as present", decompileLine("mervo.exe", "  ", "THUG1", " "),
         line("cmd /c mervo.exe -d   .qb THUG1 >  .txt")},
        {"compile input of one space", compileLine("mervo.exe", " "),
         line("cmd /c mervo.exe -c  .txt")},
        {"tabs pass", compileLine("mervo.exe", "a\tb"), line("cmd /c mervo.exe -c a\tb.txt")},
        {"harmless punctuation and non-ASCII pass",
         decompileLine("mervo.exe", "(a)@b,c;d=e", "\xEF\xBC\x86", "\xEF\xBC\x82\xC3\xA9"),
         line("cmd /c mervo.exe -d (a)@b,c;d=e.qb \xEF\xBC\x86 > \xEF\xBC\x82\xC3\xA9.txt")},

        {"empty input", decompileLine("mervo.exe", "", "THUG1", "level"), refused(noDecompile)},
        {"empty output", decompileLine("mervo.exe", "level", "THUG1", ""), refused(noDecompile)},
        {"both empty", decompileLine("mervo.exe", "", "THUG1", ""), refused(noDecompile)},
        {"empty compile input", compileLine("mervo.exe", ""), refused(noCompile)},
        {"empty input before an unsafe backend", decompileLine("me&rvo", "", "THUG1", "out"),
         refused(noDecompile)},
        {"empty output before an unsafe input", decompileLine("mervo.exe", "a&calc", "", ""),
         refused(noDecompile)},
        {"empty compile input before an unsafe backend", compileLine("a|b", ""),
         refused(noCompile)},

        {"unsafe input", decompileLine("mervo.exe", "a&calc", "THUG1", "level"),
         refused("The file name \"a&calc\" holds characters that the command interpreter "
                 "would act on: &\nNothing was started.")},
        {"unsafe output", decompileLine("mervo.exe", "level", "THUG1", "out>x"),
         refused("The file name \"out>x\" holds characters that the command interpreter "
                 "would act on: >\nNothing was started.")},
        {"unsafe game entry", decompileLine("mervo.exe", "level", "THUG1 | calc", "level"),
         refused("The game entry \"THUG1 | calc\" holds characters that the command interpreter "
                 "would act on: |\nNothing was started.")},
        {"unsafe backend", decompileLine("mervo^.exe", "level", "THUG1", "level"),
         refused("The backend name \"mervo^.exe\" holds characters that the command interpreter "
                 "would act on: ^\nNothing was started.")},
        {"first unsafe value in line order", decompileLine("a!b", "level", "g\"", "c%d"),
         refused("The backend name \"a!b\" holds characters that the command interpreter "
                 "would act on: !\nNothing was started.")},
        {"input named before game and output", decompileLine("mervo.exe", "i<", "g>", "o|"),
         refused("The file name \"i<\" holds characters that the command interpreter "
                 "would act on: <\nNothing was started.")},
        {"each character once, in order", decompileLine("mervo.exe", "%a!%b\"!&", "", "level"),
         refused("The file name \"%a!%b\"!&\" holds characters that the command interpreter "
                 "would act on: % ! \" &\nNothing was started.")},
        {"control characters shown visibly",
         decompileLine("mervo.exe", "a\nb\x7F", "THUG1", "level"),
         refused("The file name \"aU+000AbU+007F\" holds characters that the command interpreter "
                 "would act on: U+000A U+007F\nNothing was started.")},
        {"unsafe compile input", compileLine("mervo.exe", "a&calc"),
         refused("The file name \"a&calc\" holds characters that the command interpreter "
                 "would act on: &\nNothing was started.")},
        {"unsafe compile backend", compileLine("x\rmervo.exe", "level"),
         refused(
             "The backend name \"xU+000Dmervo.exe\" holds characters that the command interpreter "
             "would act on: U+000D\nNothing was started.")},

        {"unpack", line(unpackLine("mervo.exe", ".prx/pre")), line("mervo.exe -p x .prx/pre")},
        {"unpack of nothing keeps the trailing space", line(unpackLine("mervo.exe", "")),
         line("mervo.exe -p x ")},
        {"unpack checks nothing", line(unpackLine("", "a&b \"c\"")), line(" -p x a&b \"c\"")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.built, c.expected);
        EXPECT_EQ(c.built.ok(), c.expected.message().empty());
    }
}

struct SafetyCase {
    const char* why;
    std::string value;
    std::string expected;
};

TEST(CommandLines, UnsafeCharacters) {
    const std::vector<SafetyCase> cases = {
        {"empty", "", ""},
        {"plain name", "level_01.qb", ""},
        {"space and tab split arguments only", " \t ", ""},
        {"harmless punctuation", "()@,;=.-_~'`$#*?[]{}/\\:+", ""},
        {"fullwidth ampersand and quote", "\xEF\xBC\x86\xEF\xBC\x82", ""},
        {"accented and non-BMP letters", "\xC3\xA9\xF0\x9F\x98\x80", ""},
        {"ampersand", "a&b", "&"},
        {"pipe", "a|b", "|"},
        {"less than", "a<b", "<"},
        {"greater than", "a>b", ">"},
        {"caret", "a^b", "^"},
        {"percent", "%PATH%", "%"},
        {"exclamation mark", "!x!", "!"},
        {"double quote", "a\"b", "\""},
        {"NUL", std::string("a\0b", 3), std::string(1, '\0')},
        {"line feed", "a\nb", "\n"},
        {"carriage return", "a\rb", "\r"},
        {"U+0001", "\x01", "\x01"},
        {"U+001F", "\x1F", "\x1F"},
        {"DEL", "\x7F", "\x7F"},
        {"once each, in order of first appearance", "|a&b|c&\n|\n", "|&\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(unsafeCharacters(c.value), c.expected);
    }
}

TEST(CommandLines, NoByteOfAMultibyteCharacterIsUnsafe) {
    // Lead and continuation bytes are all 0x80 and above; a signed comparison would refuse them.
    for (int code = 0x80; code <= 0xFF; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(unsafeCharacters(std::string(1, static_cast<char>(code))), "");
    }
}

}  // namespace
