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
};
}  // namespace

std::span<const Command> Commands() { return kCommands; }

}  // namespace polyverb::cli
