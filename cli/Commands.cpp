// The table of subcommands: one row each, name, summary, help and handler.
#include "cli/Cli.h"

namespace polyverb::cli {

namespace {
const Command kCommands[] = {
    {"lng", "show, edit, export or import a language file",
     "usage: polyverb lng show [--strings] FILE\n"
     "       polyverb lng add [--no-replace] FILE [NUMBER TEXT]...\n"
     "       polyverb lng path NAME\n"
     "       polyverb lng export [--encoding ENC] FILE [-o OUT.pot]\n"
     "       polyverb lng import [--encoding ENC] NATIVE TRANSLATED.po -o OUT\n"
     "\n"
     "show     print the whole language file: version, header, fonts, text list,\n"
     "         property groups and every string with its number and tag.\n"
     "         --strings prints only the string table, one line per entry:\n"
     "         NUMBER<TAB>TAG<TAB>TEXT, TEXT escaped (\\\\ \\t \\r \\n \\xNN).\n"
     "         FILE must exist; nothing is created.\n"
     "add      add each NUMBER (0 to 65535) with TEXT to FILE (taken as given,\n"
     "         created when missing) and save it in version 2.00. A NUMBER the table\n"
     "         already holds gets TEXT in place of its text (each such change is\n"
     "         printed); with --no-replace it keeps its text. With no pairs the file\n"
     "         is only read and saved again, which normalises it. Another process\n"
     "         writing FILE is waited for (30 s at most).\n"
     "path     print the file name the language NAME gives (lower-cased, .lng\n"
     "         appended, the current directory in front when NAME has none).\n"
     "export   write FILE's string table as a PO template (standard output without\n"
     "         -o): one entry per string, msgctxt its number, msgid its text. A\n"
     "         table that holds a number twice is refused.\n"
     "import   write OUT, a copy of the language file NATIVE whose string texts are\n"
     "         the translations in TRANSLATED.po, matched by msgctxt; a missing,\n"
     "         empty or fuzzy translation keeps the native text. Entries for numbers\n"
     "         NATIVE lacks are reported on stderr and ignored. OUT is written in\n"
     "         version 2.00 and only when every translation can be stored and\n"
     "         OUT could be exported again (no text holds U+0004).\n"
     "-o OUT   must not name one of the input files (exit status 2).\n"
     "--encoding utf-8|windows-1252\n"
     "         how the texts of FILE or NATIVE are encoded; by default UTF-8 when\n"
     "         every text is valid UTF-8, else Windows-1252. A translation that the\n"
     "         encoding cannot hold is an error naming the entry.\n"
     "--       ends the options: the words after it are files, numbers and texts.\n",
     RunLng},
    {"list", "list the candidate string literals of Pascal sources",
     "usage: polyverb list [--tsv] FILE...\n"
     "\n"
     "Prints the string literals of each FILE that are candidates for translation:\n"
     "those in the code blocks of a unit's implementation part or of a program, that\n"
     "hold a character of code 65 or above, and that name no database field,\n"
     "parameter, filter, database or automation object.\n"
     "\n"
     "Default output, one line per candidate:  FILE:LINE:COL: N: LITERAL\n"
     "  LINE is 1-based, COL the column of the opening quote, N the candidate's\n"
     "  number in its file (the numbers process --mark takes), LITERAL the literal\n"
     "  as written, quotes included.\n"
     "--tsv   FILE<TAB>LINE<TAB>START<TAB>NEXT<TAB>TEXT: START and NEXT are the\n"
     "        columns of the opening quote and just past the closing one, TEXT the\n"
     "        literal's content (quotes removed, '' reduced to ').\n"
     "LITERAL and TEXT are escaped: \\\\ \\t \\r \\n, other control bytes as \\xNN.\n"
     "A file that cannot be read, or holds a NUL byte, is reported on stderr; the\n"
     "others are still listed and the exit status is 1.\n",
     RunList},
    {"process", "replace chosen literals by GetLangStr(n) and store their texts",
     "usage: polyverb process [--lang NAME] [--mark all|none|LIST] [--dry-run] FILE...\n"
     "       polyverb process [--lang NAME] --interactive FILE...\n"
     "\n"
     "Does to each FILE, in order, what the wizard does to a module's source: finds\n"
     "the candidate literals (as polyverb list shows them), replaces each marked one\n"
     "by GetLangStr(n) and stores its text under n in the language file. The source\n"
     "is written back with CR LF after every line; a file without candidates is not\n"
     "written. Numbers continue from file to file, one above the largest number the\n"
     "language file already holds. A marked literal that touches a character code\n"
     "(#13, #$0D, ^M) is joined to it with \"+\": 'a'#13'b' becomes\n"
     "GetLangStr(1)+#13+GetLangStr(2).\n"
     "\n"
     "--lang NAME   the language: its file is NAME lower-cased with .lng appended, in\n"
     "              the current directory when NAME has no directory (polyverb lng\n"
     "              path NAME shows it). Default: English, so ./english.lng.\n"
     "--mark all    mark every candidate (the default).\n"
     "--mark none   mark nothing: sources with candidates are still written.\n"
     "--mark LIST   mark the candidates numbered in LIST, such as 1,3,5-9, as polyverb\n"
     "              list numbers them; only with a single FILE.\n"
     "--dry-run     print, per marked literal, FILE:LINE:COL: REPLACEMENT <- LITERAL\n"
     "              (LITERAL as written, escaped as in polyverb list) numbering from\n"
     "              the existing language file; write and create nothing.\n"
     "--interactive show the chooser dialog for each FILE with candidates and mark\n"
     "              the rows checked there (needs a display).\n"
     "\n"
     "After each file a summary line: FILE: C candidates, M marked, numbers A-B.\n"
     "On a terminal, runs over several files show a progress line on stderr.\n"
     "The language file is saved before each source is replaced, and it is saved\n"
     "also when the source fails; every file is replaced atomically.\n"
     "A failure stops the run at that file (the files before it stay done) with\n"
     "exit status 1; a bad option or LIST is exit status 2 before anything is\n"
     "written.\n",
     RunProcess},
    {"tokens", "print the scanner's tokens of a Pascal source",
     "usage: polyverb tokens FILE\n"
     "\n"
     "Prints every token of FILE as extraction sees it, one per line:\n"
     "  LINE<TAB>TOKENPOS<TAB>NEXTPOS<TAB>KIND<TAB>TEXT\n"
     "LINE is 1-based; TOKENPOS and NEXTPOS are the token's first column and the\n"
     "column just past it; KIND is tkIdentifier, tkKeyword, tkSymbol, tkString,\n"
     "tkNumber, tkListWord1, tkListWord2 or tkUnknown; TEXT is the token's text\n"
     "(words lower-cased, literals without their quotes), escaped as in list --tsv.\n"
     "Keywords: program implementation try case begin end.\n",
     RunTokens},
};
}  // namespace

std::span<const Command> Commands() {
  return kCommands;
}

}  // namespace polyverb::cli
