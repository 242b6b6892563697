#include "cli/cli_commands.h"

#include <cstdio>
#include <functional>
#include <map>

#include "app/program_folder.h"
#include "base/text_encoding.h"
#include "cli/cli_args.h"

namespace tintara::cli {

namespace {

constexpr char kUsage[] =
    "usage: tintara-cli [--refdata FILE] COMMAND ...\n"
    "\n"
    "commands:\n"
    "  references [--card K7|K3]\n"
    "      list the reference sets: INDEX<TAB>COUNT<TAB>NAME\n"
    "  create-profile IMAGE --corners X0,Y0,X1,Y1,X2,Y2 --reference NAME|#INDEX [--card K7|K3]\n"
    "      [--turned] [--description TEXT] [--strict] [--json] [--csv FILE] -o OUT.tnp\n"
    "      mark the card with three clicks, measure it and create a profile; the report gives every\n"
    "      area's dE2000 to its reference before (as measured), after (through the profile, as\n"
    "      converting the photograph gives it) and after, exposure matched (with the brightness and\n"
    "      contrast the fit found applied first: the profile corrects colour, not exposure);\n"
    "      --csv also writes the report's table as the desktop program's Save... writes it\n"
    "  fit --samples FILE.json --reference NAME|#INDEX [--count N] [--penalty P]\n"
    "      [--quality-limit Q] [--gamma G] [--description TEXT] [--json] -o OUT.tnp\n"
    "      fit a profile to measured colours\n"
    "  profile-info FILE.tnp [--json]\n"
    "      show a profile's transform\n"
    "  make-refdata SOURCE.csv OUT.dat\n"
    "      build a reference data file from its readable form\n"
    "  dump-refdata [FILE.dat]\n"
    "      print a reference data file in its readable form\n"
    "  settings list | get NAME | set NAME VALUE | reset\n"
    "      show or change the stored settings\n"
    "  profiles [--folder DIR]\n"
    "      list the profiles of the profile folder: INDEX<TAB>TEXT<TAB>FLAGS\n"
    "  convert --profile P.tnp IN OUT [--quality Q]\n"
    "      convert a TIFF or JPEG photograph with a profile\n"
    "  embed --profile P.tnp IN OUT\n"
    "      write a photograph unchanged with the profile embedded\n"
    "  batch --profile P.tnp [--embed] [--dest DIR] [--output Copy|Overwrite|Skip] [--jobs N] FILE...\n"
    "      convert (or embed into) many photographs: STATUS<TAB>INPUT per file\n";

}  // namespace

int Fail(int status, const std::string& message) {
  std::fprintf(stderr, "tintara-cli: %s\n", message.c_str());
  return status;
}

int Run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  GlobalOptions global;
  global.referenceDataPath = DefaultReferenceDataPath();

  size_t i = 0;
  for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
    if (args[i] == "--refdata" && i + 1 < args.size()) {
      global.referenceDataPath = args[++i];
    } else if (args[i] == "--help") {
      std::fputs(kUsage, stdout);
      return kExitOk;
    } else {
      std::fputs(kUsage, stderr);
      return Fail(kExitUsage, "unknown or incomplete option " + EscapeControlCharacters(args[i]));
    }
  }
  if (i >= args.size()) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }

  using Command = std::function<int(const GlobalOptions&, const std::vector<std::string>&)>;
  static const std::map<std::string, Command> commands = {
      {"references", CommandReferences},     {"fit", CommandFit},
      {"profile-info", CommandProfileInfo},  {"make-refdata", CommandMakeRefdata},
      {"dump-refdata", CommandDumpRefdata},  {"settings", CommandSettings},
      {"profiles", CommandProfiles},         {"convert", CommandConvert},
      {"embed", CommandEmbed},               {"batch", CommandBatch},
      {"create-profile", CommandCreateProfile},
  };
  const auto it = commands.find(args[i]);
  if (it == commands.end()) {
    std::fputs(kUsage, stderr);
    return Fail(kExitUsage, "unknown command " + EscapeControlCharacters(args[i]));
  }
  return it->second(global, std::vector<std::string>(args.begin() + i + 1, args.end()));
}

}  // namespace tintara::cli
