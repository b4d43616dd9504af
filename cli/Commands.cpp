// The table of subcommands: one row each, name, summary, help and handler.
#include "cli/Cli.h"

namespace polyverb::cli {

namespace {
const Command kCommands[] = {
    {"lng", "show or edit a language file",
     "usage: polyverb lng show [--strings] FILE\n"
     "       polyverb lng add FILE [NUMBER TEXT]...\n"
     "       polyverb lng path NAME\n"
     "\n"
     "show     print the whole language file: version, header, fonts, text list,\n"
     "         property groups and every string with its number and tag.\n"
     "         --strings prints only the string table, one line per entry:\n"
     "         NUMBER<TAB>TAG<TAB>TEXT, TEXT escaped (\\\\ \\t \\r \\n \\xNN).\n"
     "         FILE must exist; nothing is created.\n"
     "add      add each NUMBER (0 to 65535) with TEXT to FILE (taken as given,\n"
     "         created when missing) and save it in version 2.00. With no pairs the\n"
     "         file is only read and saved again, which normalises it.\n"
     "path     print the file name the language NAME gives (lower-cased, .lng\n"
     "         appended, the current directory in front when NAME has none).\n",
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

std::span<const Command> Commands() { return kCommands; }

}  // namespace polyverb::cli
