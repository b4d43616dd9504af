// polyverb: the language-file and source-processing tools from a shell.
#include <clocale>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: polyverb COMMAND [ARGS]...\n"
         "\n"
         "Prepares Pascal sources for several languages: lists the string literals that\n"
         "are candidates for translation, replaces the chosen ones by GetLangStr(n) and\n"
         "keeps their texts in a binary language file (.lng).\n"
         "\n"
         "commands:\n";
  for (const auto& c : polyverb::cli::Commands()) {
    std::string name(c.name);
    name.resize(10, ' ');
    out << "  " << name << c.summary << "\n";
  }
  out << "\n'polyverb COMMAND --help' describes one command.\n"
         "Exit status: 0 success, 1 failure (message on stderr), 2 usage error.\n";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace polyverb::cli;
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintUsage(std::cerr);
    return kExitUsage;
  }
  if (args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
    PrintUsage(std::cout);
    return kExitOk;
  }
  for (const auto& command : Commands()) {
    if (command.name != args[0]) continue;
    std::span<const std::string> rest(args.data() + 1, args.size() - 1);
    if (WantsHelp(rest)) {
      std::cout << command.help;
      return kExitOk;
    }
    try {
      return command.run(rest);
    } catch (const UsageError& e) {
      std::cerr << "polyverb " << command.name << ": " << e.what() << "\n"
                << "Try 'polyverb " << command.name << " --help'.\n";
      return kExitUsage;
    } catch (const std::exception& e) {
      std::cerr << "polyverb " << command.name << ": " << e.what() << "\n";
      return kExitFailure;
    }
  }
  std::cerr << "polyverb: unknown command '" << args[0] << "'\n";
  PrintUsage(std::cerr);
  return kExitUsage;
}
